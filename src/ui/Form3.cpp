#include "ui/Form3.h"

#include <commctrl.h>

#include <string>

#include "platform/HostServices.h"
#include "ui/ControlIds.h"
#include "ui/Form1.h"
#include "ui/ShowMessage.h"

namespace tolvane::ui {
namespace {

using namespace form3;

constexpr const wchar_t* kCaption = L"关于软件";
constexpr const wchar_t* kFrameCaption = L"Tolvane";
constexpr const wchar_t* kCredit = L"Tolvane 开发组";
constexpr const wchar_t* kHomePage = L"http://tlv.example/";
constexpr const wchar_t* kContact = L"QQ群: 10000";
constexpr const wchar_t* kBrowser = L"explorer.exe";

constexpr COLORREF kDarkRed = RGB(128, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);

// The frame holds every other control; their positions are relative to it.
constexpr int kFrameLeft = 8, kFrameTop = 8;
// The links answer clicks; they overlap the button, which stays on top of
// them and is not painted over.
constexpr DWORD kLink = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY | WS_CLIPSIBLINGS;

const ControlLayout kControls[] = {
    {kCommand1, WC_BUTTONW, L"确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, kFrameLeft + 96, kFrameTop + 56,
     57, 17, Backdrop::Face},
    {kLabel1, WC_STATICW, kCredit, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, kFrameLeft + 16, kFrameTop + 24, 121,
     17, Backdrop::Menu},
    {kLabel2, WC_STATICW, kHomePage, kLink, 0, kFrameLeft + 16, kFrameTop + 40, 113, 17, Backdrop::Menu},
    {kLabel3, WC_STATICW, kContact, kLink, 0, kFrameLeft + 16, kFrameTop + 56, 97, 17, Backdrop::Menu},
    // Last, so the frame lies beneath the controls it holds.
    {kFrame1, WC_BUTTONW, kFrameCaption, BS_GROUPBOX, 0, kFrameLeft, kFrameTop, 161, 81, Backdrop::Menu},
};

const FormLayout kForm{kCaption,  179,
                       103,       WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                       kControls, sizeof kControls / sizeof kControls[0],
                       kCommand1};

}  // namespace

Form3::Form3(HINSTANCE instance, Form1& home, HostServices& host)
    : FormWindow(instance, kForm), home_(home), host_(host) {}

bool Form3::Open(HWND reference) {
    if (!hwnd() && !Create()) return false;
    ShowCentred(reference);
    return true;
}

void Form3::OnCommand(int id, int notification) {
    switch (id) {
        case kLabel2:
        case kLabel3:
            if (notification == STN_CLICKED) OpenHomePage();
            break;
        case kCommand1:
        case IDCANCEL:  // Esc
            OnClose();
            break;
        default:
            break;
    }
}

void Form3::OnClose() {
    home_.ShowHome();
    Hide();
}

COLORREF Form3::TextColour(int id) const {
    if (id == kFrame1) return kDarkRed;
    if (id == kLabel2 || id == kLabel3) return kNavy;
    return CLR_INVALID;
}

bool Form3::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, LRESULT& result) {
    if (message != WM_SETCURSOR) return false;
    HWND over = reinterpret_cast<HWND>(wParam);
    if (over != Control(kLabel2) && over != Control(kLabel3)) return false;
    // The hand Windows shows over links, so they read as links.
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    result = TRUE;
    return true;
}

// The browser is the explorer.exe of the Windows directory, named by its full
// path: a bare name would be looked up in the program's folder and the working
// directory first, where another program of that name may lie. It starts in
// that directory too, so it holds no folder of ours open.
void Form3::OpenHomePage() {
    wchar_t buffer[MAX_PATH];
    UINT length = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
    ProcessStart start{false, 0};
    if (length > 0 && length < MAX_PATH) {
        std::wstring directory(buffer, length);
        if (directory.back() != L'\\') directory += L'\\';
        start = host_.StartProcess(directory + kBrowser, std::wstring(kBrowser) + L" " + kHomePage, directory,
                                   kShowMinimized);
    }
    if (!start.started) ShowMessage(hwnd(), kBrowserFailed, MessageButtons::Ok);
}

}  // namespace tolvane::ui
