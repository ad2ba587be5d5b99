#include "ui/Form2.h"

#include <commctrl.h>

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"
#include "ui/ControlIds.h"
#include "ui/Form1.h"
#include "ui/ShowMessage.h"

namespace tolvane::ui {
namespace {

using namespace form2;

constexpr const wchar_t* kCaption = L"新增";
constexpr const wchar_t* kNameMissing = L"请输入服务器名称";
constexpr const wchar_t* kAddressMissing = L"请输入服务器IP地址";
constexpr const wchar_t* kConflict = L"有相同的服务器名或是IP已经存在";
constexpr const wchar_t* kNameNotStorable =
    L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。";
constexpr const wchar_t* kAddressNotStorable =
    L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。";
constexpr const wchar_t* kListFileFailed = L"服务器列表文件无法读写，服务器没有添加。";

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

Form2::Form2(HINSTANCE instance, Form1& home, ServerList& list, HostServices& host)
    : FormWindow(instance, kForm), home_(home), list_(list), host_(host) {}

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
    std::wstring name = ControlText(kText1);
    std::wstring address = ControlText(kText2);
    if (name.empty()) return Refuse(kNameMissing);
    if (address.empty()) return Refuse(kAddressMissing);
    if (!Storable(name)) return Refuse(kNameNotStorable);
    if (!Storable(address)) return Refuse(kAddressNotStorable);
    try {
        if (list_.HasConflict(name, address)) return Refuse(kConflict);
        list_.AppendEntry(name, address);
    } catch (const ListFileError&) {
        // The name is not shown in the list unless the file holds it.
        return Refuse(kListFileFailed);
    }
    home_.AddName(name);
    Reset();
    home_.ShowHome();
    Hide();
}

// The list file quotes each field without escaping and stores it in the ANSI
// code page: a quote or a line break would split the record, and a character
// that code page lacks would be stored as another one.
bool Form2::Storable(const std::wstring& text) const {
    if (text.find_first_of(L"\"\r\n") != std::wstring::npos) return false;
    return host_.FromAnsi(host_.ToAnsi(text)) == text;
}

void Form2::Refuse(const wchar_t* prompt) { ShowMessage(hwnd(), prompt, kErrorTitle, MessageButtons::Ok); }

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
