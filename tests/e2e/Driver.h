#pragma once

// Works the real Tolvane.exe as a user does: starts it in a working directory of its own, finds its
// windows and controls, sends real keystrokes and clicks through SendInput, and reads back what can
// be seen from outside. It judges nothing; the end-to-end tests and the tour do.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::e2e {

inline constexpr const wchar_t* kMainCaption = L"TolvaneV1.2";
inline constexpr const wchar_t* kAddCaption = L"新增";
inline constexpr const wchar_t* kAboutCaption = L"关于软件";

// Polls `condition` until it holds or `milliseconds` have passed.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 10000);
std::wstring FromUnixPath(const std::string& path);  // as Windows programs under Wine see it, on Z:
// Text in the ANSI code page (the list file's and the registry's encoding), or in UTF-8.
std::string Encode(const std::wstring& text, UINT codePage);
inline std::string Ansi(const std::wstring& text) { return Encode(text, CP_ACP); }
inline std::string Utf8(const std::wstring& text) { return Encode(text, CP_UTF8); }
std::string Record(const std::wstring& name, const std::wstring& address);  // as the program writes it
std::optional<std::string> ReadWholeFile(const std::wstring& path);         // shared with writers
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

// A fresh directory under the temporary folder, or the folder `leaf` inside it; removed with its files.
class TempDirectory {
public:
    explicit TempDirectory(const std::wstring& leaf = L"");
    ~TempDirectory();
    const std::wstring& path() const { return path_; }  // ends with a backslash
    std::wstring File(const std::wstring& name) const { return path_ + name; }
    std::optional<std::string> Read(const std::wstring& name) const { return ReadWholeFile(File(name)); }

private:
    std::wstring root_, path_;
};

// The game's registry key. Only a throw-away prefix may have it written: scripts/test sets
// TOLVANE_SCRATCH_PREFIX=1 in the one it makes.
bool InScratchPrefix();
void DeleteGameKeyPath();
// A value's bytes as the game reads them, NUL included; "(none)", or its type when not REG_SZ.
std::string GameValue(const char* name);
bool SetGameValue(const char* name, const std::string& bytes);  // REG_SZ

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring title, text;
};

// One running Tolvane.exe, ended on destruction if it still runs.
class TolvaneProcess {
public:
    explicit TolvaneProcess(const std::wstring& workingDirectory);
    ~TolvaneProcess();
    bool started() const { return process_ != nullptr; }
    // A visible top-level window of the program with this text and class; null if none came.
    HWND WaitForWindow(const wchar_t* caption, const wchar_t* className = L"#32770",
                       int milliseconds = 10000) const;
    MessageBoxSeen WaitForMessageBox() const;
    std::vector<HWND> VisibleWindows() const;  // captioned top-level ones, message boxes included
    bool WaitForOnlyVisible(HWND window) const;
    bool WaitForIdle() const;  // until it waits for input with none pending: its start-up is done
    std::optional<DWORD> WaitForExit() const;  // the exit code, once it has ended

private:
    std::vector<HWND> Windows(const std::function<bool(HWND)>& filter) const;
    HWND WaitFor(const std::function<bool(HWND)>& match, int milliseconds) const;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// Input, as a user gives it, to the foreground window.
bool BringToFront(HWND window);              // true once in front with one of its controls holding the focus
void PressKey(WORD key, WORD modifier = 0);  // with `modifier` (VK_MENU, VK_SHIFT) held if given
void TypeText(const std::wstring& text);
void MoveMouse(POINT screen);
void Click(HWND control);
void ClickListItem(HWND listBox, int index, int clicks = 1);

// Reading controls of another process.
std::wstring TextOf(HWND window);
std::vector<std::wstring> ListItems(HWND listBox);
int ListSelection(HWND listBox);
HWND FocusOf(HWND window);
bool IsChecked(HWND checkBox);
std::vector<COLORREF> ScreenPixels(const RECT& area);  // as the user sees them, row by row

}  // namespace tolvane::e2e
