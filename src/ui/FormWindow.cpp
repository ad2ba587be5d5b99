#include "ui/FormWindow.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstring>
#include <utility>
#include <vector>

#include "ui/SystemLibrary.h"
#include "ui/resource.h"

namespace tolvane::ui {
namespace {

constexpr UINT kWmDpiChanged = 0x02E0;
constexpr int kFontPoints = 9;

UINT DpiOf(HWND hwnd) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        SystemFunctionAs<GetDpiForWindowFunction>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow) {
        if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The outer size of a window whose client area is `client`, at `dpi`.
SIZE WindowSizeFor(SIZE client, DWORD style, DWORD exStyle, UINT dpi) {
    using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi =
        SystemFunctionAs<AdjustForDpiFunction>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect{0, 0, client.cx, client.cy};
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, dpi))
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The system's message font face at a fixed 9 points, the size the layout
// tables were drawn for.
HFONT CreateUiFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW font{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    font.lfHeight = -::MulDiv(kFontPoints, static_cast<int>(dpi), 72);
    font.lfWidth = 0;
    return ::CreateFontIndirectW(&font);
}

HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_TOLVANE), IMAGE_ICON,
                                           ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                           LR_SHARED));
}

}  // namespace

FormWindow::~FormWindow() {
    Destroy();
    if (font_) ::DeleteObject(font_);
}

bool FormWindow::Create() {
    // A dialog template with the caption and no controls: the controls come
    // from the layout table, so their geometry is in pixels rather than
    // dialog units. After the fixed header: no menu, the dialog class, the
    // caption.
    DLGTEMPLATE header{};
    header.style = layout_.style;
    header.dwExtendedStyle = WS_EX_APPWINDOW;
    std::vector<WORD> words(sizeof header / sizeof(WORD) + 2, 0);
    std::memcpy(words.data(), &header, sizeof header);
    for (const wchar_t* c = layout_.caption; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    ::CreateDialogIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(words.data()), nullptr,
                                 DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd_ != nullptr;
}

// The window is detached from its object first: a message sent while it is
// destroyed (a field losing the focus, say) must not reach a handler, least of
// all from the destructor, when the derived object is already gone.
void FormWindow::Destroy() {
    if (!hwnd_) return;
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    ::DestroyWindow(std::exchange(hwnd_, nullptr));
}

void FormWindow::Initialise(HWND hwnd) {
    hwnd_ = hwnd;
    dpi_ = DpiOf(hwnd);
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(instance_, SM_CXICON, SM_CYICON)));
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(instance_, SM_CXSMICON, SM_CYSMICON)));
    // Each control is created in its place and given the font at once: every
    // call on a window is a trip to the system, and a second pass that moved
    // them all would add one per control to the start-up.
    if (font_) ::DeleteObject(font_);
    font_ = CreateUiFont(dpi_);
    // Children are appended at the bottom of the z-order, so the table's
    // order is both the tab order and the stacking from the top.
    for (std::size_t i = 0; i < layout_.controlCount; ++i) {
        const ControlLayout& control = layout_.controls[i];
        HWND child = ::CreateWindowExW(
            control.exStyle, control.className, control.text, WS_CHILD | WS_VISIBLE | control.style,
            Scale(control.left), Scale(control.top), Scale(control.width), Scale(control.height), hwnd,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (control.className == std::wstring(WC_BUTTONW) && (control.style & BS_TYPEMASK) == BS_GROUPBOX)
            ::SetWindowSubclass(child, FrameProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    OnFontApplied();
    FitClientArea();
    ::SendMessageW(hwnd, DM_SETDEFID, static_cast<WPARAM>(layout_.defaultButton), 0);
    OnCreated();
}

void FormWindow::ApplyLayout() {
    HFONT oldFont = font_;
    font_ = CreateUiFont(dpi_);
    for (std::size_t i = 0; i < layout_.controlCount; ++i) {
        const ControlLayout& control = layout_.controls[i];
        HWND child = Control(control.id);
        ::SetWindowPos(child, nullptr, Scale(control.left), Scale(control.top), Scale(control.width),
                       Scale(control.height), SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    }
    if (oldFont) ::DeleteObject(oldFont);
    OnFontApplied();
    FitClientArea();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormWindow::FitClientArea() {
    SIZE client{Scale(layout_.clientWidth), Scale(layout_.clientHeight)};
    SIZE outer = WindowSizeFor(client, layout_.style, WS_EX_APPWINDOW, dpi_);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame metrics the system reports can differ by a pixel from what it
    // draws (caption font, themes); measure and correct once.
    RECT actual;
    ::GetClientRect(hwnd_, &actual);
    int dx = client.cx - actual.right, dy = client.cy - actual.bottom;
    if (dx != 0 || dy != 0)
        ::SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx + dx, outer.cy + dy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::ShowCentred(HWND reference) {
    HMONITOR monitor = reference ? ::MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST)
                                 : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT window;
    if (::GetMonitorInfoW(monitor, &info) && ::GetWindowRect(hwnd_, &window)) {
        const RECT& work = info.rcWork;
        int width = window.right - window.left, height = window.bottom - window.top;
        ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                       work.top + (work.bottom - work.top - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
}

std::wstring FormWindow::ControlText(int id) const {
    HWND control = Control(id);
    int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int copied = ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool FormWindow::PreTranslate(MSG& message) { return hwnd_ && ::IsDialogMessageW(hwnd_, &message); }

INT_PTR CALLBACK FormWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<FormWindow*>(lParam)->Initialise(hwnd);
        // FALSE: no focus yet. The dialog manager gives it to the first tab
        // stop when the window is first activated; setting it now would
        // activate the window while it is still hidden.
        return FALSE;
    }
    auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) return FALSE;
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            OnClose();
            return TRUE;
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            Reply(TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case kWmDpiChanged: {
            dpi_ = HIWORD(wParam);
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyLayout();
            return TRUE;
        }
        default: {
            LRESULT result = 0;
            if (!OnMessage(message, wParam, lParam, result)) return FALSE;
            Reply(result);
            return TRUE;
        }
    }
}

// The face colour everywhere, then the system menu colour under every
// control (and inside every frame) that asks for it: frames draw only their
// edge and caption, so their inside is the parent's to paint.
void FormWindow::PaintBackground(HDC dc) {
    RECT client;
    ::GetClientRect(hwnd_, &client);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    for (std::size_t i = 0; i < layout_.controlCount; ++i) {
        if (layout_.controls[i].backdrop != Backdrop::Menu) continue;
        RECT area;
        ::GetWindowRect(Control(layout_.controls[i].id), &area);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
        ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_MENU));
    }
}

// Frames are drawn here rather than by the button class: themed frames, and
// Wine's, ignore the caption colour the window asks for.
LRESULT CALLBACK FormWindow::FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR owner) {
    switch (message) {
        case WM_PAINT:
            reinterpret_cast<FormWindow*>(owner)->PaintFrame(frame);
            return 0;
        case WM_ERASEBKGND:
            return TRUE;  // the inside is the parent's background
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(frame, FrameProc, 0);
            break;
        default:
            break;
    }
    return ::DefSubclassProc(frame, message, wParam, lParam);
}

// An etched edge (through the middle of the caption line when there is a
// caption), and the caption on the frame's backdrop in the window's colour.
void FormWindow::PaintFrame(HWND frame) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(frame, &paint);
    HGDIOBJ oldFont = ::SelectObject(dc, font_);
    TEXTMETRICW metrics;
    ::GetTextMetricsW(dc, &metrics);
    RECT box;
    ::GetClientRect(frame, &box);
    wchar_t caption[128];
    int length = ::GetWindowTextW(frame, caption, 128);
    RECT edge = box;
    if (length > 0) edge.top += metrics.tmHeight / 2;
    ::DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);

    if (length > 0) {
        const ControlLayout* row = Find(frame);
        SIZE extent;
        ::GetTextExtentPoint32W(dc, caption, length, &extent);
        RECT label{box.left + Scale(7), box.top, box.left + Scale(7) + extent.cx + 2,
                   box.top + metrics.tmHeight};
        int background = row && row->backdrop == Backdrop::Menu ? COLOR_MENU : COLOR_BTNFACE;
        ::FillRect(dc, &label, ::GetSysColorBrush(background));
        COLORREF text = row ? TextColour(row->id) : CLR_INVALID;
        ::SetTextColor(dc, text != CLR_INVALID ? text : ::GetSysColor(COLOR_BTNTEXT));
        ::SetBkMode(dc, TRANSPARENT);
        ::DrawTextW(dc, caption, length, &label, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
    }
    ::SelectObject(dc, oldFont);
    ::EndPaint(frame, &paint);
}

INT_PTR FormWindow::ColourStatic(HDC dc, HWND control) {
    const ControlLayout* row = Find(control);
    if (!row) return FALSE;
    COLORREF text = TextColour(row->id);
    if (text != CLR_INVALID) ::SetTextColor(dc, text);
    int background = row->backdrop == Backdrop::Menu ? COLOR_MENU : COLOR_BTNFACE;
    ::SetBkColor(dc, ::GetSysColor(background));
    return reinterpret_cast<INT_PTR>(::GetSysColorBrush(background));
}

const ControlLayout* FormWindow::Find(HWND control) const {
    int id = ::GetDlgCtrlID(control);
    for (std::size_t i = 0; i < layout_.controlCount; ++i)
        if (layout_.controls[i].id == id) return &layout_.controls[i];
    return nullptr;
}

void FormWindow::Reply(LRESULT result) { ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result); }

}  // namespace tolvane::ui
