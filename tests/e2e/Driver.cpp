#include "Driver.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tolvane::e2e {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK Visit(HWND window, LPARAM visit) {
    (*reinterpret_cast<std::function<void(HWND)>*>(visit))(window);
    return TRUE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

void Send(INPUT input) { ::SendInput(1, &input, sizeof input); }

// Without KEYEVENTF_EXTENDEDKEY, Home, the arrows, Delete and their kin reach
// the program as the numeric keypad's keys.
void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    Send(input);
}

// Every mouse event carries its position: a button event alone may land where
// the pointer was before the last move.
void Mouse(POINT screen, DWORD buttons) {
    int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width / 2) / width;
    input.mi.dy = (screen.y * 65536 + height / 2) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    Send(input);
}

void ClickScreen(POINT screen, int clicks) {
    Mouse(screen, 0);
    ::Sleep(80);
    for (int i = 0; i < clicks; ++i) {
        Mouse(screen, MOUSEEVENTF_LEFTDOWN);
        Mouse(screen, MOUSEEVENTF_LEFTUP);
    }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    DWORD start = ::GetTickCount();
    while (!condition()) {
        if (static_cast<int>(::GetTickCount() - start) > milliseconds) return false;
        ::Sleep(20);
    }
    return true;
}

std::wstring FromUnixPath(const std::string& path) {
    return L"Z:" + std::filesystem::u8path(path).make_preferred().wstring();
}

std::string Ansi(const std::wstring& text) {
    std::string out(text.size() * 2, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::string Record(const std::wstring& name, const std::wstring& address) {
    return "\"" + Ansi(name) + "\",\"" + Ansi(address) + "\"\r\n";
}

TempDirectory::TempDirectory() {
    static int counter = 0;
    auto name = "tolvane-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
    path_ = (std::filesystem::temp_directory_path() / name).wstring() + L"\\";
    std::filesystem::create_directories(path_);
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDirectory::Write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream file(std::filesystem::path(File(name)), std::ios::binary);
    ASSERT_TRUE(file << bytes) << "cannot write " << ::testing::PrintToString(File(name));
}

// std::ifstream opens with sharing, so a file another program writes can be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

TolvaneProcess::TolvaneProcess(const std::wstring& workingDirectory) {
    std::wstring program = FromUnixPath(TOLVANE_EXE);
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.c_str(), &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    ::WaitForInputIdle(process_, 10000);
}

TolvaneProcess::~TolvaneProcess() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 1);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

std::vector<HWND> TolvaneProcess::Windows(const std::function<bool(HWND)>& filter) const {
    std::vector<HWND> found;
    std::function<void(HWND)> visit = [&](HWND window) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId_ && filter(window)) found.push_back(window);
    };
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&visit));
    return found;
}

HWND TolvaneProcess::WaitForOne(const std::function<bool(HWND)>& filter, int milliseconds) const {
    std::vector<HWND> found;
    WaitUntil(
        [&] { return !(found = Windows([&](HWND w) { return ::IsWindowVisible(w) && filter(w); })).empty(); },
        milliseconds);
    return found.empty() ? nullptr : found.front();
}

HWND TolvaneProcess::WaitForWindow(const wchar_t* caption, int milliseconds, const wchar_t* className) const {
    return WaitForOne([&](HWND w) { return ClassOf(w) == className && TextOf(w) == caption; }, milliseconds);
}

MessageBoxSeen TolvaneProcess::WaitForMessageBox(int milliseconds) const {
    MessageBoxSeen seen;
    seen.hwnd = WaitForOne(
        [](HWND w) { return ClassOf(w) == L"#32770" && ::GetDlgItem(w, kMessageBoxTextId) != nullptr; },
        milliseconds);
    seen.title = TextOf(seen.hwnd);
    seen.text = TextOf(::GetDlgItem(seen.hwnd, kMessageBoxTextId));
    return seen;
}

std::vector<HWND> TolvaneProcess::VisibleWindows() const {
    return Windows([](HWND w) {
        return ::IsWindowVisible(w) && (::GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
    });
}

bool TolvaneProcess::WaitForExit(int milliseconds) const {
    return process_ && ::WaitForSingleObject(process_, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

// Input reaches the program through the system's queues after a short while;
// a message sent to one of its windows returns once the program is back in
// its message loop.
void TolvaneProcess::Settle() const {
    for (int round = 0; round < 2; ++round) {
        ::Sleep(150);
        auto windows = Windows([](HWND) { return true; });
        if (windows.empty()) return;
        DWORD_PTR ignored;
        ::SendMessageTimeoutW(windows.front(), WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    }
}

void BringToFront(HWND window) {
    ::SetForegroundWindow(window);
    WaitUntil([&] { return ::GetForegroundWindow() == window; }, 3000);
}

void PressKey(WORD key, WORD modifier) {
    if (modifier) SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    if (modifier) SendKey(modifier, true);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = c;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        Send(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        Send(input);
    }
}

void Click(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ClickScreen({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, 1);
}

void ClickListItem(HWND listBox, int index, int clicks) {
    int height = static_cast<int>(::SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0));
    int top = static_cast<int>(::SendMessageW(listBox, LB_GETTOPINDEX, 0, 0));
    POINT point{20, (index - top) * height + height / 2};
    ::ClientToScreen(listBox, &point);
    ClickScreen(point, clicks);
}

// WM_GETTEXT rather than GetWindowText: for a window of another process the
// latter returns the stored caption, not what an edit control holds.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 3000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                          3000, &copied);
    text.resize(copied);
    return text;
}

std::vector<std::wstring> ListItems(HWND listBox) {
    std::vector<std::wstring> items;
    LRESULT count = ::SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring item(static_cast<std::size_t>(::SendMessageW(listBox, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        LRESULT copied = ::SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        item.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
        items.push_back(item);
    }
    return items;
}

int ListSelection(HWND listBox) { return static_cast<int>(::SendMessageW(listBox, LB_GETCURSEL, 0, 0)); }

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

bool IsChecked(HWND checkBox) { return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// DM_GETDEFID on a message box answers IDOK under Wine: the style tells.
bool IsDefaultButton(HWND button) {
    return (::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

std::vector<COLORREF> ScreenPixels(const RECT& screenRect) {
    int width = screenRect.right - screenRect.left, height = screenRect.bottom - screenRect.top;
    std::vector<COLORREF> pixels;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    if (HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0)) {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY);
        ::GdiFlush();
        const auto* pixel = static_cast<const BYTE*>(bits);
        for (int i = 0; i < width * height; ++i, pixel += 4)
            pixels.push_back(RGB(pixel[2], pixel[1], pixel[0]));
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// The rectangles are pixels at 96 DPI, the test prefix's setting.
void ExpectLayout(HWND window, SIZE client, std::initializer_list<Placement> controls) {
    using Box = std::array<LONG, 4>;
    RECT area{};
    ::GetClientRect(window, &area);
    EXPECT_EQ((Box{area.right, area.bottom}), (Box{client.cx, client.cy})) << "client size";
    for (const Placement& control : controls) {
        HWND hwnd = ::GetDlgItem(window, control.id);
        RECT rect{};
        ::GetWindowRect(hwnd, &rect);
        ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
        const RECT& want = control.rect;
        EXPECT_EQ((Box{rect.left, rect.top, rect.right, rect.bottom}),
                  (Box{want.left, want.top, want.right, want.bottom}))
            << "control " << control.id;
        if (control.text) {
            EXPECT_EQ(TextOf(hwnd), control.text) << "control " << control.id;
        }
    }
}

void TolvaneTest::Start() {
    program_ = std::make_unique<TolvaneProcess>(directory_.path());
    ASSERT_TRUE(program_->started()) << "cannot start " << TOLVANE_EXE;
    main_ = program_->WaitForWindow(kMainCaption);
    ASSERT_NE(main_, nullptr) << "no main window";
    BringToFront(main_);
}

void TolvaneTest::OpenFromMain(WORD letter, const wchar_t* caption, HWND& window) {
    BringToFront(main_);
    PressKey(letter, VK_MENU);
    window = program_->WaitForWindow(caption);
    ASSERT_NE(window, nullptr) << "Alt+" << static_cast<char>(letter) << " opened nothing";
    ASSERT_NO_FATAL_FAILURE(ExpectOnlyVisible(window));
}

MessageBoxSeen TolvaneTest::ExpectMessage(const wchar_t* title, const wchar_t* text) {
    MessageBoxSeen box = program_->WaitForMessageBox();
    EXPECT_NE(box.hwnd, nullptr) << "no message box for: " << ::testing::PrintToString(std::wstring(text));
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.text, text);
    return box;
}

void TolvaneTest::Answer(const MessageBoxSeen& box, WORD key) {
    ASSERT_NE(box.hwnd, nullptr);
    BringToFront(box.hwnd);
    PressKey(key);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd) || !::IsWindowVisible(box.hwnd); }, 10000))
        << "the message box stayed";
    // The window under the box gets its focus back before the next keystroke.
    program_->Settle();
}

void TolvaneTest::ExpectOnlyVisible(HWND window) {
    WaitUntil([&] { return program_->VisibleWindows() == std::vector<HWND>{window}; });
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{window});
}

}  // namespace tolvane::e2e
