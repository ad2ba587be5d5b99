// A stand-in for the game, for tests that start it as a process. On start it
// appends one line to "standin-record.txt" in its own directory: the command
// line exactly as it received it, a tab, its working directory, in UTF-8. Then
// it exits at once, unless TOLVANE_STANDIN_SHOW=1 asks it to stay and show the
// same two texts in a small window until it is closed.
#include <windows.h>

#include <string>

namespace {

constexpr const wchar_t* kRecordFileName = L"standin-record.txt";
constexpr const wchar_t* kWindowCaption = L"Diablo II (stand-in)";
constexpr const wchar_t* kWindowClass = L"TolvaneStandinGame";

std::wstring OwnDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        // A full buffer means the path may have been cut short.
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring WorkingDirectory() {
    DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring out(size, L'\0');
    DWORD length = ::GetCurrentDirectoryW(size, out.data());
    out.resize(length < size ? length : 0);
    return out;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

// One WriteFile of the whole line on a handle opened for appending only, so
// lines of two copies started together do not interleave.
bool AppendRecord(const std::wstring& commandLine, const std::wstring& workingDirectory) {
    std::wstring path = OwnDirectory() + kRecordFileName;
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string line = ToUtf8(commandLine) + "\t" + ToUtf8(workingDirectory) + "\n";
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == line.size();
}

bool ShowRequested() {
    wchar_t value[8] = {};
    DWORD length = ::GetEnvironmentVariableW(L"TOLVANE_STANDIN_SHOW", value, 8);
    return length == 1 && value[0] == L'1';
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int ShowWindowUntilClosed(HINSTANCE instance, int showCommand, const std::wstring& text) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!::RegisterClassW(&windowClass)) return 1;
    HWND window = ::CreateWindowW(kWindowClass, kWindowCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 520, 160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    RECT client;
    ::GetClientRect(window, &client);
    HWND label = ::CreateWindowW(L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8,
                                 client.right - 16, client.bottom - 16, window, nullptr, instance, nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    ::ShowWindow(window, showCommand);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    std::wstring commandLine = ::GetCommandLineW();
    std::wstring workingDirectory = WorkingDirectory();
    bool recorded = AppendRecord(commandLine, workingDirectory);
    if (ShowRequested()) {
        return ShowWindowUntilClosed(
            instance, showCommand,
            L"Command line:\n" + commandLine + L"\n\nWorking directory:\n" + workingDirectory);
    }
    return recorded ? 0 : 1;
}
