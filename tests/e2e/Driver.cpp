#include "Driver.h"

namespace tolvane::e2e {
namespace {

constexpr int kPollMilliseconds = 20;
constexpr UINT_PTR kMessageBoxTextId = 0xFFFF;

std::wstring Utf8ToWide(const std::string& text) {
    int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

}  // namespace

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>* filter;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (*search->filter)(window)) search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId, const std::function<bool(HWND)>& filter) {
    WindowSearch search{processId, &filter, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

void Send(INPUT input) { ::SendInput(1, &input, sizeof input); }

INPUT Key(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
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
    for (;;) {
        if (condition()) return true;
        if (static_cast<int>(::GetTickCount() - start) > milliseconds) return false;
        ::Sleep(kPollMilliseconds);
    }
}

std::wstring FromUnixPath(const std::string& path) {
    std::wstring out = Utf8ToWide(path);
    for (auto& c : out)
        if (c == L'/') c = L'\\';
    return L"Z:" + out;
}

std::string Ansi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::string Record(const std::wstring& name, const std::wstring& address) {
    return "\"" + Ansi(name) + "\",\"" + Ansi(address) + "\"\r\n";
}

TempDirectory::TempDirectory() {
    static int counter = 0;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"tolvane-e2e-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDirectory::~TempDirectory() {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path_ + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((path_ + data.cFileName).c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path_.c_str());
}

void TempDirectory::Write(const std::wstring& name, const std::string& bytes) const {
    HANDLE file = ::CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

std::optional<std::string> TempDirectory::Read(const std::wstring& name) const {
    HANDLE file = ::CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
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

HWND TolvaneProcess::WaitForWindow(const wchar_t* caption, int milliseconds) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            auto windows = TopLevelWindows(processId_, [&](HWND window) {
                return ::IsWindowVisible(window) && TextOf(window) == caption && ClassOf(window) == L"#32770";
            });
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        milliseconds);
    return found;
}

MessageBoxSeen TolvaneProcess::WaitForMessageBox(int milliseconds) const {
    MessageBoxSeen seen;
    WaitUntil(
        [&] {
            auto boxes = TopLevelWindows(processId_, [](HWND window) {
                return ::IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
                       ::GetDlgItem(window, static_cast<int>(kMessageBoxTextId)) != nullptr;
            });
            if (boxes.empty()) return false;
            seen.hwnd = boxes.front();
            return true;
        },
        milliseconds);
    if (seen.hwnd) {
        seen.title = TextOf(seen.hwnd);
        seen.text = TextOf(::GetDlgItem(seen.hwnd, static_cast<int>(kMessageBoxTextId)));
    }
    return seen;
}

std::vector<HWND> TolvaneProcess::VisibleWindows() const {
    return TopLevelWindows(processId_, [](HWND window) {
        return ::IsWindowVisible(window) && (::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
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
        auto windows = TopLevelWindows(processId_, [](HWND) { return true; });
        if (windows.empty()) return;
        DWORD_PTR ignored;
        ::SendMessageTimeoutW(windows.front(), WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    }
}

void BringToFront(HWND window) {
    ::SetForegroundWindow(window);
    WaitUntil([&] { return ::GetForegroundWindow() == window; }, 3000);
}

void PressKey(WORD key) {
    Send(Key(key, false));
    Send(Key(key, true));
}

void PressAltKey(WORD letter) {
    Send(Key(VK_MENU, false));
    PressKey(letter);
    Send(Key(VK_MENU, true));
}

void PressShiftKey(WORD key) {
    Send(Key(VK_SHIFT, false));
    PressKey(key);
    Send(Key(VK_SHIFT, true));
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

void ClickAtScreen(POINT screen) { ClickScreen(screen, 1); }

void Click(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ClickScreen({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, 1);
}

void DoubleClickAt(HWND window, int clientX, int clientY) {
    POINT point{clientX, clientY};
    ::ClientToScreen(window, &point);
    ClickScreen(point, 2);
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
        LRESULT length = ::SendMessageW(listBox, LB_GETTEXTLEN, i, 0);
        std::wstring item(static_cast<std::size_t>(length) + 1, L'\0');
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

RECT ClientRectIn(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

::testing::AssertionResult IsPlacedAt(HWND control, const RECT& expected) {
    RECT rect = ClientRectIn(control);
    if (::EqualRect(&rect, &expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "control " << ::GetDlgCtrlID(control) << " is at (" << rect.left << ", " << rect.top << ")-("
           << rect.right << ", " << rect.bottom << "), expected (" << expected.left << ", " << expected.top
           << ")-(" << expected.right << ", " << expected.bottom << ")";
}

SIZE ClientSize(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
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
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
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

void TolvaneTest::Start() {
    program_ = std::make_unique<TolvaneProcess>(directory_.path());
    ASSERT_TRUE(program_->started()) << "cannot start " << TOLVANE_EXE;
    main_ = program_->WaitForWindow(kMainCaption);
    ASSERT_NE(main_, nullptr) << "no main window";
    BringToFront(main_);
}

void TolvaneTest::OpenFromMain(WORD letter, const wchar_t* caption, HWND& window) {
    PressAltKey(letter);
    window = program_->WaitForWindow(caption);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(main_); }));
}

void TolvaneTest::Answer(const MessageBoxSeen& box, WORD key) {
    BringToFront(box.hwnd);
    PressKey(key);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd) || !::IsWindowVisible(box.hwnd); }, 10000))
        << "the message box stayed";
    // The window under the box gets its focus back before the next keystroke.
    program_->Settle();
}

}  // namespace tolvane::e2e
