#include "Driver.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tolvane::e2e {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr const char* kGameKey = "Software\\Blizzard Entertainment\\Diablo II";

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK Visit(HWND window, LPARAM visit) {
    (*reinterpret_cast<std::function<void(HWND)>*>(visit))(window);
    return TRUE;
}

void Send(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Without KEYEVENTF_EXTENDEDKEY, Home, the arrows and their kin reach the program as keypad keys.
INPUT Key(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    bool extended = (key >= VK_PRIOR && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

// Every mouse event carries its position: a button event alone may land where the pointer was
// before the last move.
void Mouse(POINT screen, DWORD buttons) {
    int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = (screen.x * 65536 + width / 2) / width;
    input.mi.dy = (screen.y * 65536 + height / 2) / height;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | buttons;
    Send({input});
}

// Clicks as many times as asked: a click where the last one was, within the double-click time,
// would make a double click of the two.
void ClickScreen(POINT screen, int clicks) {
    static POINT last{-1, -1};
    static DWORD lastTime = 0;
    if (screen.x == last.x && screen.y == last.y)
        WaitUntil([] { return ::GetTickCount() - lastTime > ::GetDoubleClickTime(); });
    MoveMouse(screen);
    for (int i = 0; i < 2 * clicks; ++i) Mouse(screen, i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
    last = screen;
    lastTime = ::GetTickCount();
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    for (DWORD start = ::GetTickCount(); !condition(); ::Sleep(20)) {  // 20 ms: the poll interval
        if (static_cast<int>(::GetTickCount() - start) > milliseconds) return false;
    }
    return true;
}

std::wstring FromUnixPath(const std::string& path) {
    return L"Z:" + std::filesystem::u8path(path).make_preferred().wstring();
}

std::string Encode(const std::wstring& text, UINT codePage) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                              static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::string Record(const std::wstring& name, const std::wstring& address) {
    return "\"" + Ansi(name) + "\",\"" + Ansi(address) + "\"\r\n";
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    return static_cast<bool>(std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes);
}

TempDirectory::TempDirectory(const std::wstring& leaf) {
    static int made = 0;
    std::wstring name =
        L"tolvane-e2e-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
    root_ = (std::filesystem::temp_directory_path() / name).wstring();
    path_ = (std::filesystem::path(root_) / leaf / L"").wstring();
    std::filesystem::create_directories(path_);
}

TempDirectory::~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

bool InScratchPrefix() { return std::getenv("TOLVANE_SCRATCH_PREFIX") == std::string("1"); }

void DeleteGameKeyPath() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment"); }

// RegQueryValueExA gives the bytes as stored; RegGetValue would add a missing NUL.
std::string GameValue(const char* name) {
    HKEY key;
    char bytes[1024];
    DWORD type = 0, size = sizeof bytes;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_READ, &key)) return "(none)";
    LONG result = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes), &size);
    ::RegCloseKey(key);
    if (result) return "(none)";
    return type == REG_SZ ? std::string(bytes, size) : "(type " + std::to_string(type) + ")";
}

bool SetGameValue(const char* name, const std::string& bytes) {
    HKEY key;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, kGameKey, &key)) return false;
    LONG result = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

TolvaneProcess::TolvaneProcess(const std::wstring& workingDirectory) {
    std::wstring program = FromUnixPath(TOLVANE_EXE), commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          workingDirectory.c_str(), &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

TolvaneProcess::~TolvaneProcess() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_, 1);
    ::WaitForSingleObject(process_, 5000);
    ::CloseHandle(process_);
}

std::vector<HWND> TolvaneProcess::Windows(const std::function<bool(HWND)>& filter) const {
    std::vector<HWND> found;
    std::function<void(HWND)> visit = [&](HWND window) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId_ && ::IsWindowVisible(window) && filter(window)) found.push_back(window);
    };
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&visit));
    return found;
}

HWND TolvaneProcess::WaitFor(const std::function<bool(HWND)>& match, int milliseconds) const {
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = Windows(match)).empty(); }, milliseconds);
    return found.empty() ? nullptr : found.front();
}

HWND TolvaneProcess::WaitForWindow(const wchar_t* caption, const wchar_t* className, int milliseconds) const {
    return WaitFor([&](HWND w) { return ClassOf(w) == className && TextOf(w) == caption; }, milliseconds);
}

MessageBoxSeen TolvaneProcess::WaitForMessageBox() const {
    HWND box =
        WaitFor([](HWND w) { return ClassOf(w) == L"#32770" && ::GetDlgItem(w, kMessageBoxTextId); }, 10000);
    return {box, TextOf(box), TextOf(::GetDlgItem(box, kMessageBoxTextId))};
}

std::vector<HWND> TolvaneProcess::VisibleWindows() const {
    return Windows([](HWND w) { return (::GetWindowLongW(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; });
}

bool TolvaneProcess::WaitForOnlyVisible(HWND window) const {
    return WaitUntil([&] { return VisibleWindows() == std::vector<HWND>{window}; });
}

bool TolvaneProcess::WaitForIdle() const { return ::WaitForInputIdle(process_, 10000) == 0; }

std::optional<DWORD> TolvaneProcess::WaitForExit() const {
    DWORD code = 0;
    if (!process_ || ::WaitForSingleObject(process_, 15000) || !::GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

// Keystrokes that arrive while no window has the focus are dropped: so the window is activated only
// when it is not in front already (activation passes through a moment without focus), and counts as
// in front once one of its controls has the focus.
bool BringToFront(HWND window) {
    if (::GetForegroundWindow() != window) ::SetForegroundWindow(window);
    return WaitUntil([&] { return ::GetForegroundWindow() == window && ::IsChild(window, FocusOf(window)); });
}

// All in one call: Wine brings its key state in line with the X server's when a window gains the
// X focus, which would release a modifier that was sent on its own a moment before.
void PressKey(WORD key, WORD modifier) {
    if (!modifier) return Send({Key(key, false), Key(key, true)});
    Send({Key(modifier, false), Key(key, false), Key(key, true), Key(modifier, true)});
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text) {
        for (DWORD flags : {KEYEVENTF_UNICODE, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP}) {
            inputs.emplace_back();
            inputs.back().type = INPUT_KEYBOARD;
            inputs.back().ki.wScan = c;
            inputs.back().ki.dwFlags = flags;
        }
    }
    Send(inputs);
}

void MoveMouse(POINT screen) {
    Mouse(screen, 0);
    WaitUntil([&] {
        POINT at{};  // within the rounding of absolute coordinates
        return ::GetCursorPos(&at) && std::abs(at.x - screen.x) <= 1 && std::abs(at.y - screen.y) <= 1;
    });
}

void Click(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ClickScreen({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, 1);
}

void ClickListItem(HWND listBox, int index, int clicks) {
    int height = static_cast<int>(::SendMessageW(listBox, LB_GETITEMHEIGHT, 0, 0));
    POINT point{
        20, (index - static_cast<int>(::SendMessageW(listBox, LB_GETTOPINDEX, 0, 0))) * height + height / 2};
    ::ClientToScreen(listBox, &point);
    ClickScreen(point, clicks);
}

// WM_GETTEXT rather than GetWindowText: for a window of another process the latter returns the
// stored caption, not what an edit control holds.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0, copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 3000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    ::SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                          3000, &copied);
    return text.substr(0, copied);
}

std::vector<std::wstring> ListItems(HWND listBox) {
    std::vector<std::wstring> items(static_cast<std::size_t>(::SendMessageW(listBox, LB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].resize(static_cast<std::size_t>(::SendMessageW(listBox, LB_GETTEXTLEN, i, 0)) + 1);
        items[i].resize(static_cast<std::size_t>(
            ::SendMessageW(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(items[i].data()))));
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

// The colours of a screen area, row by row, as the user sees them.
std::vector<COLORREF> ScreenPixels(const RECT& area) {
    int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<COLORREF> pixels(static_cast<std::size_t>(width * height));
    BITMAPINFO info{{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
                    {}};  // top row first
    HDC screen = ::GetDC(nullptr), memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    for (COLORREF& pixel : pixels)
        pixel = RGB(GetBValue(pixel), GetGValue(pixel), GetRValue(pixel));  // BGRA in
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

bool IsChecked(HWND checkBox) { return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace tolvane::e2e
