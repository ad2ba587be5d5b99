#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace tolvane::ui {

// Whether a control (or the inside of a frame) is drawn on the system menu
// colour instead of the window's face colour.
enum class Backdrop { Face, Menu };

// One row of a window's layout table: geometry in pixels at 96 DPI relative
// to the client area, scaled to the window's DPI when applied.
struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // WS_CHILD | WS_VISIBLE are added
    DWORD exStyle;
    int left, top, width, height;
    Backdrop backdrop;
};

struct FormLayout {
    const wchar_t* caption;
    int clientWidth, clientHeight;  // at 96 DPI
    DWORD style;
    const ControlLayout* controls;  // in creation order: tab order, top of the z-order first
    std::size_t controlCount;
    int defaultButton;  // pressed by Enter
};

// A top-level window run by the dialog manager, so Tab, Enter, Esc and
// Alt+letter behave as in any dialog, with its controls built from a layout
// table. The dialog procedure keeps `this` and forwards to the instance.
class FormWindow {
public:
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    virtual ~FormWindow();

    HWND hwnd() const { return hwnd_; }
    // Gives the window the keyboard message first; true when it was used.
    virtual bool PreTranslate(MSG& message);

protected:
    FormWindow(HINSTANCE instance, const FormLayout& layout) : instance_(instance), layout_(layout) {}

    // Creates the window hidden, with every control; OnCreated runs before it returns.
    bool Create();
    // The only way the window goes; no handler runs for it afterwards.
    void Destroy();
    // Centres the window on the work area of the monitor that holds `reference`
    // (the primary monitor when null), then shows and activates it.
    void ShowCentred(HWND reference);
    void Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

    HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
    std::wstring ControlText(int id) const;
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    HINSTANCE instance() const { return instance_; }
    UINT dpi() const { return dpi_; }
    HFONT font() const { return font_; }
    int Scale(int pixelsAt96) const { return ::MulDiv(pixelsAt96, static_cast<int>(dpi_), 96); }

    virtual void OnCreated() {}
    // Every control has been given the window's font: at creation, before
    // OnCreated, and again after a change of DPI.
    virtual void OnFontApplied() {}
    virtual void OnCommand(int id, int notification) = 0;
    virtual void OnClose() = 0;
    // Text colour of a static control; CLR_INVALID keeps the system's.
    virtual COLORREF TextColour(int /*id*/) const { return CLR_INVALID; }
    // Any other message; return true with `result` set when handled.
    virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, LRESULT& /*result*/) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Initialise(HWND hwnd);
    // Places and sizes every control and the window for a new DPI.
    void ApplyLayout();
    // Sizes the window so its client area matches the layout at the current DPI.
    void FitClientArea();
    void PaintBackground(HDC dc);
    static LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR owner);
    void PaintFrame(HWND frame);
    INT_PTR ColourStatic(HDC dc, HWND control);
    const ControlLayout* Find(HWND control) const;
    void Reply(LRESULT result);

    HINSTANCE instance_;
    const FormLayout& layout_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
};

}  // namespace tolvane::ui
