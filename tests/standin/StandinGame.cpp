// A stand-in for the game, for tests that start it as a process. On start it appends one line to
// "standin-record.txt" in its own directory: the command line exactly as it received it, a tab, its
// working directory, in UTF-8. Then it exits at once, unless TOLVANE_STANDIN_SHOW=1 asks it to show
// the same two texts in a box titled "Diablo II (stand-in)" until the box is closed.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t directory[MAX_PATH * 4] = {}, program[MAX_PATH * 4] = {}, show[2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 4, directory);
    std::wstring record(program, ::GetModuleFileNameW(nullptr, program, MAX_PATH * 4));
    record = record.substr(0, record.rfind(L'\\') + 1) + L"standin-record.txt";
    std::wstring commandLine = ::GetCommandLineW();
    bool recorded =
        static_cast<bool>(std::ofstream(std::filesystem::path(record), std::ios::binary | std::ios::app)
                          << Utf8(commandLine) + "\t" + Utf8(directory) + "\n");
    if (::GetEnvironmentVariableW(L"TOLVANE_STANDIN_SHOW", show, 2) == 1 && show[0] == L'1') {
        std::wstring text = L"Command line:\n" + commandLine + L"\n\nWorking directory:\n" + directory;
        ::MessageBoxW(nullptr, text.c_str(), L"Diablo II (stand-in)", MB_OK);
    }
    return recorded ? 0 : 1;
}
