// The least a program of Tolvane's kind can cost at start-up: one window, one
// list box, filled from "diablo.dat" in the working directory with the fixed
// first item and then every record's name. Same file format and the same ANSI
// conversion as Tolvane, and nothing else: no resources, no other controls.
#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kWindowClass = L"TolvaneStartupBaseline";
constexpr const wchar_t* kCaption = L"Startup baseline";
constexpr const wchar_t* kFirstItem = L"官方战网";

std::string ReadWholeFile(const wchar_t* path) {
    std::string bytes;
    HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

std::wstring FromAnsi(const char* data, int size) {
    if (size == 0) return {};
    int length = ::MultiByteToWideChar(CP_ACP, 0, data, size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, data, size, text.data(), length);
    return text;
}

// The name of each record: the text between the first two quotes of a line.
std::vector<std::wstring> RecordNames(const std::string& bytes) {
    std::vector<std::wstring> names;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t lineEnd = bytes.find('\n', at);
        if (lineEnd == std::string::npos) lineEnd = bytes.size();
        std::size_t open = bytes.find('"', at);
        std::size_t close = open < lineEnd ? bytes.find('"', open + 1) : std::string::npos;
        if (close < lineEnd) names.push_back(FromAnsi(bytes.data() + open + 1, static_cast<int>(close - open - 1)));
        at = lineEnd + 1;
    }
    return names;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!::RegisterClassW(&windowClass)) return 1;
    HWND window = ::CreateWindowW(kWindowClass, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 240,
                                  210, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    HWND list = ::CreateWindowW(L"LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | LBS_NOTIFY |
                                    LBS_NOINTEGRALHEIGHT, 80, 8, 145, 146, window, nullptr, instance, nullptr);
    // Filled while the window is still hidden, with the storage reserved up
    // front and redrawing off: the cheapest way a list box takes many items.
    std::vector<std::wstring> names = RecordNames(ReadWholeFile(L"diablo.dat"));
    std::size_t characters = 0;
    for (const std::wstring& name : names) characters += name.size() + 1;
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_INITSTORAGE, names.size() + 1, (characters + 8) * sizeof(wchar_t));
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kFirstItem));
    for (const std::wstring& name : names) {
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::ShowWindow(window, showCommand);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
