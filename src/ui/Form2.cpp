#include "ui/Form2.h"

#include <commctrl.h>

#include "serverlist/ListActions.h"
#include "ui/ControlIds.h"
#include "ui/Form1.h"
#include "ui/ShowMessage.h"

namespace tolvane::ui {
namespace {

using namespace form2;

constexpr const wchar_t* kCaption = L"新增";

// The frame `ag` holds every other control; their positions are given
// relative to it.
constexpr int kFrameLeft = 8, kFrameTop = 8;
constexpr DWORD kField = WS_TABSTOP | ES_AUTOHSCROLL;

const ControlLayout kControls[] = {
    {kLabel1Name, WC_STATICW, L"服务器名称", SS_LEFT, 0, kFrameLeft + 16, kFrameTop + 26, 65, 14,
     Backdrop::Menu},
    {kText1, WC_EDITW, L"", kField, WS_EX_CLIENTEDGE, kFrameLeft + 88, kFrameTop + 24, 129, 18,
     Backdrop::Face},
    {kLabel1Address, WC_STATICW, L"ＩＰ　地址", SS_LEFT, 0, kFrameLeft + 16, kFrameTop + 57, 65, 17,
     Backdrop::Menu},
    {kText2, WC_EDITW, L"", kField, WS_EX_CLIENTEDGE, kFrameLeft + 88, kFrameTop + 56, 129, 18,
     Backdrop::Face},
    {kCommand4, WC_BUTTONW, L"确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, kFrameLeft + 16, kFrameTop + 96,
     89, 17, Backdrop::Face},
    {kCommand1, WC_BUTTONW, L"取消(&C)", WS_TABSTOP | BS_PUSHBUTTON, 0, kFrameLeft + 128, kFrameTop + 96, 89,
     17, Backdrop::Face},
    // Last, so the frame lies beneath the controls it holds.
    {kAg, WC_BUTTONW, L"", BS_GROUPBOX, 0, kFrameLeft, kFrameTop, 233, 129, Backdrop::Menu},
};

const FormLayout kForm{kCaption,  249,
                       148,       WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                       kControls, sizeof kControls / sizeof kControls[0],
                       kCommand4};

}  // namespace

Form2::Form2(HINSTANCE instance, Form1& home, ListActions& actions)
    : FormWindow(instance, kForm), home_(home), actions_(actions) {}

bool Form2::Open(HWND reference) {
    if (!hwnd() && !Create()) return false;
    ShowCentred(reference);
    return true;
}

void Form2::OnCreated() {
    // No length limit beyond what an edit control can hold.
    ::SendDlgItemMessageW(hwnd(), kText1, EM_SETLIMITTEXT, 0, 0);
    ::SendDlgItemMessageW(hwnd(), kText2, EM_SETLIMITTEXT, 0, 0);
}

void Form2::OnCommand(int id, int /*notification*/) {
    switch (id) {
        case kCommand4:
            Add();
            break;
        case kCommand1:
        case IDCANCEL:  // Esc
            Cancel();
            break;
        default:
            break;
    }
}

void Form2::Add() {
    std::wstring name = ControlText(kText1), address = ControlText(kText2);
    AddOutcome outcome = actions_.Add(name, address);
    // A refusal keeps the window open with both fields as they were; the name
    // is shown in the list only once the file holds it.
    if (auto message = MessageFor(outcome)) {
        ShowMessage(hwnd(), *message, MessageButtons::Ok);
        return;
    }
    home_.AddName(name, address);
    Reset();
    home_.ShowHome();
    Hide();
}

void Form2::Cancel() {
    Reset();
    home_.ShowHome();
    Hide();
}

void Form2::OnClose() {
    home_.ShowHome();
    // Discarded: the next Open builds the window afresh, with empty fields.
    Destroy();
}

void Form2::Reset() {
    ::SetDlgItemTextW(hwnd(), kText1, L"");
    ::SetDlgItemTextW(hwnd(), kText2, L"");
    ::SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(kText1)), TRUE);
}

}  // namespace tolvane::ui
