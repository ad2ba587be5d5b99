// A stand-in for the game, for tests that start it as a process. On start it appends one line to
// "standin-record.txt" in its own directory: the command line exactly as it received it, a tab,
// its working directory, in UTF-8. Then it exits at once, unless TOLVANE_STANDIN_SHOW=1 asks it to
// show the same two texts in a box titled "Diablo II (stand-in)" until the box is closed.
#include <windows.h>

#include <string>

namespace {

std::string ToUtf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring commandLine = ::GetCommandLineW();
    wchar_t buffer[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, buffer);
    std::wstring workingDirectory = buffer;
    DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    std::wstring record =
        std::wstring(buffer, length).substr(0, std::wstring(buffer, length).rfind(L'\\') + 1) +
        L"standin-record.txt";
    // One write of the whole line on a handle opened for appending only, so the lines of two copies
    // started together do not interleave.
    HANDLE file = ::CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string line = ToUtf8(commandLine) + "\t" + ToUtf8(workingDirectory) + "\n";
    DWORD written = 0;
    bool recorded = file != INVALID_HANDLE_VALUE &&
                    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
                    written == line.size();
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    wchar_t show[2] = {};
    if (::GetEnvironmentVariableW(L"TOLVANE_STANDIN_SHOW", show, 2) == 1 && show[0] == L'1') {
        std::wstring text = L"Command line:\n" + commandLine + L"\n\nWorking directory:\n" + workingDirectory;
        ::MessageBoxW(nullptr, text.c_str(), L"Diablo II (stand-in)", MB_OK);
    }
    return recorded ? 0 : 1;
}
