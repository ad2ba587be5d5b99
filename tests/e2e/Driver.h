#pragma once

// Works the real Tolvane.exe as a user does: starts it in a working directory
// of its own, finds its windows and controls, sends real keystrokes and mouse
// clicks through SendInput, and reads back what can be seen from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
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
    std::optional<std::string> Read(const std::wstring& name) const;

private:
    std::wstring path_;
};

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring title;
    std::wstring text;
};

// One running Tolvane.exe; it is ended on destruction if it still runs, so no
// test leaves windows behind.
class TolvaneProcess {
public:
    explicit TolvaneProcess(const std::wstring& workingDirectory);
    ~TolvaneProcess();
    TolvaneProcess(const TolvaneProcess&) = delete;
    TolvaneProcess& operator=(const TolvaneProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return processId_; }
    // The visible top-level window with this caption, waited for; null if none came.
    HWND WaitForWindow(const wchar_t* caption, int milliseconds = 10000) const;
    // The message box the program shows, waited for.
    MessageBoxSeen WaitForMessageBox(int milliseconds = 10000) const;
    // The program's visible top-level windows, message boxes included.
    std::vector<HWND> VisibleWindows() const;
    bool WaitForExit(int milliseconds = 5000) const;
    // Waits until the program has handled what was sent so far and is idle.
    void Settle() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

// The top-level windows of a process that pass `filter`, hidden ones included.
std::vector<HWND> TopLevelWindows(DWORD processId, const std::function<bool(HWND)>& filter);
std::wstring ClassOf(HWND window);
// The colours of a screen rectangle, row by row, as the user sees them.
std::vector<COLORREF> ScreenPixels(const RECT& screenRect);

// One test's program: a fresh working directory, the program started in it
// when the test is ready, and its main window.
class TolvaneTest : public ::testing::Test {
protected:
    // Starts the program and waits for its main window, in front.
    void Start();
    HWND MainControl(int id) const { return ::GetDlgItem(main_, id); }
    // Presses Alt+`letter` in the main window and waits for the window it opens.
    void OpenFromMain(WORD letter, const wchar_t* caption, HWND& window);
    // Presses `key` in the visible message box and waits until it is gone.
    void Answer(const MessageBoxSeen& box, WORD key);

    TempDirectory directory_;
    std::unique_ptr<TolvaneProcess> program_;
    HWND main_ = nullptr;
};

// Input, as a user gives it, to the foreground window.
void BringToFront(HWND window);
void PressKey(WORD key);
void PressAltKey(WORD letter);
void PressShiftKey(WORD key);
void TypeText(const std::wstring& text);
void Click(HWND control);
void ClickAtScreen(POINT screen);
void DoubleClickAt(HWND window, int clientX, int clientY);

// Reading controls of another process.
std::wstring TextOf(HWND window);
std::vector<std::wstring> ListItems(HWND listBox);
int ListSelection(HWND listBox);
HWND FocusOf(HWND window);
bool IsChecked(HWND checkBox);
// A control's rectangle in its parent's client coordinates.
RECT ClientRectIn(HWND control);
SIZE ClientSize(HWND window);
// Whether a control has exactly this rectangle in its parent's client area.
::testing::AssertionResult IsPlacedAt(HWND control, const RECT& expected);

}  // namespace tolvane::e2e
