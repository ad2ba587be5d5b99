#pragma once

// Works the real Tolvane.exe as a user does: starts it in a working directory
// of its own, finds its windows and controls, sends real keystrokes and mouse
// clicks through SendInput, and reads back what can be seen from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolvane::e2e {

inline constexpr const wchar_t* kMainCaption = L"TolvaneV1.2";
inline constexpr const wchar_t* kAddCaption = L"新增";
inline constexpr const wchar_t* kAboutCaption = L"关于软件";

// Polls `condition` until it holds or `milliseconds` have passed.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 5000);
// A Unix path as Windows programs under Wine see it, on drive Z:.
std::wstring FromUnixPath(const std::string& path);
// Text in the ANSI code page, the encoding of the list file.
std::string Ansi(const std::wstring& text);
// One record as the program writes it.
std::string Record(const std::wstring& name, const std::wstring& address);
// A file's bytes, read while others may write it; none if it cannot be opened.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

// A fresh directory under the temporary folder, removed with its files.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::wstring& path() const { return path_; }  // ends with a backslash
    std::wstring File(const std::wstring& name) const { return path_ + name; }
    void Write(const std::wstring& name, const std::string& bytes) const;
    std::optional<std::string> Read(const std::wstring& name) const { return ReadWholeFile(File(name)); }

private:
    std::wstring path_;
};

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;
};

// One running Tolvane.exe, ended on destruction if it still runs.
class TolvaneProcess {
public:
    explicit TolvaneProcess(const std::wstring& workingDirectory);
    ~TolvaneProcess();
    TolvaneProcess(const TolvaneProcess&) = delete;
    TolvaneProcess& operator=(const TolvaneProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    // A visible top-level window of the program with this text and class, waited for; null if none came.
    HWND WaitForWindow(const wchar_t* caption, int milliseconds = 10000,
                       const wchar_t* className = L"#32770") const;
    MessageBoxSeen WaitForMessageBox(int milliseconds = 10000) const;
    // The program's visible captioned top-level windows, message boxes included.
    std::vector<HWND> VisibleWindows() const;
    bool WaitForExit(int milliseconds = 5000) const;
    // Waits until the program has handled what was sent so far and is idle.
    void Settle() const;

private:
    std::vector<HWND> Windows(const std::function<bool(HWND)>& filter) const;
    HWND WaitForOne(const std::function<bool(HWND)>& filter, int milliseconds) const;

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// The colours of a screen rectangle, row by row, as the user sees them.
std::vector<COLORREF> ScreenPixels(const RECT& screenRect);

// Input, as a user gives it, to the foreground window.
void BringToFront(HWND window);
// Presses `key`, with `modifier` (VK_MENU, VK_SHIFT) held down if given.
void PressKey(WORD key, WORD modifier = 0);
void TypeText(const std::wstring& text);
void Click(HWND control);
// Clicks list item `index`, `clicks` times.
void ClickListItem(HWND listBox, int index, int clicks = 1);

// Reading controls of another process.
std::wstring TextOf(HWND window);
std::vector<std::wstring> ListItems(HWND listBox);
int ListSelection(HWND listBox);
HWND FocusOf(HWND window);
bool IsChecked(HWND checkBox);
bool IsDefaultButton(HWND button);

// A control's rectangle in its parent's client pixels at 96 DPI, and its text (null: not checked).
struct Placement {
    int id;
    RECT rect;
    const wchar_t* text;
};
void ExpectLayout(HWND window, SIZE client, std::initializer_list<Placement> controls);

// One test's program, started in a fresh working directory, and its main window.
class TolvaneTest : public ::testing::Test {
protected:
    // Starts the program and waits for its main window, in front.
    void Start();
    HWND MainControl(int id) const { return ::GetDlgItem(main_, id); }
    // Presses Alt+`letter` in the main window; the window it opens must take the main window's place.
    void OpenFromMain(WORD letter, const wchar_t* caption, HWND& window);
    // Waits for the program's message box and checks its title and text.
    MessageBoxSeen ExpectMessage(const wchar_t* title, const wchar_t* text);
    // Presses `key` in the message box; it must go, and the program settles.
    void Answer(const MessageBoxSeen& box, WORD key = VK_RETURN);
    // Waits until `window` is the program's only visible window.
    void ExpectOnlyVisible(HWND window);

    TempDirectory directory_;
    std::unique_ptr<TolvaneProcess> program_;
    HWND main_ = nullptr;
};

}  // namespace tolvane::e2e
