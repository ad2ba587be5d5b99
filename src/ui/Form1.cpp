#include "ui/Form1.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "gateway/ActiveEntries.h"
#include "gateway/ConnectSequence.h"
#include "serverlist/ListActions.h"
#include "ui/ControlIds.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/ShowMessage.h"
#include "ui/resource.h"

namespace tolvane::ui {
namespace {

using namespace form1;

constexpr const wchar_t* kCaption = L"TolvaneV1.2";
constexpr const wchar_t* kToolTip = L"双击选择的服务器进入";

// Posted by the load step: the tool tip is added once the window is up.
constexpr UINT kAddToolTipMessage = WM_APP + 1;

constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr int kPictureWidth = 65, kPictureHeight = 42;
// The margin at the left of every row, and the dot in it that marks the
// entries the game will connect to, at 96 DPI.
constexpr int kMarkMargin = 12, kMarkSize = 6;
// No row can show more of a name than this; a hand-edited name may be far
// longer, and drawing all of it would only cost time.
constexpr int kDrawnCharacters = 512;

const ControlLayout kControls[] = {
    // Drawn here, with its strings kept: the texts stay the names for everything that reads them.
    {kList1, WC_LISTBOXW, L"",
     WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
     WS_EX_CLIENTEDGE, 80, 8, 145, 146, Backdrop::Face},
    {kCommand1, WC_BUTTONW, L"新增(&N)", kButton, 0, 8, 32, 65, 17, Backdrop::Face},
    {kCommand3, WC_BUTTONW, L"删除(&D)", kButton, 0, 8, 56, 65, 17, Backdrop::Face},
    {kCommand4, WC_BUTTONW, L"退出(&Q)", kButton, 0, 8, 104, 65, 17, Backdrop::Face},
    {kCommand5, WC_BUTTONW, L"关于(&A)", kButton, 0, 8, 80, 65, 17, Backdrop::Face},
    {kWindow, WC_BUTTONW, L"窗口模式", kCheckBox, 0, 152, 152, 73, 20, Backdrop::Menu},
    {kAutoRun, WC_BUTTONW, L"自动启动", kCheckBox, 0, 80, 152, 73, 20, Backdrop::Menu},
    {kCommand2, WC_BUTTONW, L"启动(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 8, 8, 65, 17, Backdrop::Face},
    {kImage1, WC_STATICW, nullptr, SS_BITMAP | SS_REALSIZECONTROL, 0, 8, 128, kPictureWidth, kPictureHeight,
     Backdrop::Face},
};

const FormLayout kForm{kCaption,  233,
                       178,       WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                       kControls, sizeof kControls / sizeof kControls[0],
                       kCommand2};

}  // namespace

Form1::Form1(HINSTANCE instance, ListActions& actions, ConnectSequence& connect, ActiveEntries& active)
    : FormWindow(instance, kForm), actions_(actions), connect_(connect), active_(active) {}

Form1::~Form1() {
    Destroy();
    if (picture_) ::DeleteObject(picture_);
}

void Form1::SetOtherWindows(Form2& addWindow, Form3& aboutWindow) {
    addWindow_ = &addWindow;
    aboutWindow_ = &aboutWindow;
}

bool Form1::Load() { return Create(); }

void Form1::OnCreated() {
    picture_ = static_cast<HBITMAP>(::LoadImageW(instance(), MAKEINTRESOURCEW(IDB_IMAGE1), IMAGE_BITMAP,
                                                 Scale(kPictureWidth), Scale(kPictureHeight), 0));
    ::SendDlgItemMessageW(hwnd(), kImage1, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    ::CheckDlgButton(hwnd(), kAutoRun, BST_CHECKED);
    // A list that cannot be kept is not fatal: the fixed item stands alone,
    // the user is told why once the program is up, and the file is left as
    // it is.
    StartupList start = actions_.Open();
    FillList(start.entries);
    startupMessage_ = MessageFor(start);
    // The tool goes on after the list is filled and is fed by relaying, not
    // by subclassing the list box, which would slow down every added item.
    // It is not needed to show the window, so it waits until the window is up.
    ::PostMessageW(hwnd(), kAddToolTipMessage, 0, 0);
}

bool Form1::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == kAddToolTipMessage) {
        AddToolTip();
    } else if (message == WM_DRAWITEM && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlID == kList1) {
        DrawRow(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    } else {
        return false;
    }
    result = TRUE;
    return true;
}

// A list that draws its rows measures them once: their height follows the
// font, as a plain list box's does, at creation and after a change of DPI.
void Form1::OnFontApplied() {
    HWND listBox = Control(kList1);
    HDC dc = ::GetDC(listBox);
    HGDIOBJ old = ::SelectObject(dc, font());
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(listBox, dc);
    ::SendMessageW(listBox, LB_SETITEMHEIGHT, 0, metrics.tmHeight);
}

// A row as a plain list box draws it, after a margin that holds a dot on the
// entries the game will connect to. In system colours only, the dot in the
// text's, so it shows on selected rows and in high-contrast themes.
void Form1::DrawRow(const DRAWITEMSTRUCT& row) {
    HDC dc = row.hDC;
    RECT area = row.rcItem;
    if (row.itemID != static_cast<UINT>(-1)) {
        bool selected = (row.itemState & ODS_SELECTED) != 0;
        COLORREF text = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        ::FillRect(dc, &area, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        int margin = Scale(kMarkMargin);
        if (active_.IsActive(row.itemID)) {
            int size = Scale(kMarkSize);
            int left = area.left + (margin - size) / 2, top = (area.top + area.bottom - size) / 2;
            HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
            HGDIOBJ oldPen = ::SelectObject(dc, ::GetStockObject(DC_PEN));
            ::SetDCBrushColor(dc, text);
            ::SetDCPenColor(dc, text);
            ::Ellipse(dc, left, top, left + size, top + size);
            ::SelectObject(dc, oldPen);
            ::SelectObject(dc, oldBrush);
        }
        std::wstring name = ItemText(row.itemID).value_or(L"");
        HGDIOBJ oldFont = ::SelectObject(dc, font());
        ::SetTextColor(dc, text);
        ::SetBkMode(dc, TRANSPARENT);
        RECT textArea{area.left + margin, area.top, area.right, area.bottom};
        ::DrawTextW(dc, name.c_str(), std::min(static_cast<int>(name.size()), kDrawnCharacters), &textArea,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        ::SelectObject(dc, oldFont);
    }
    if ((row.itemState & ODS_FOCUS) && !(row.itemState & ODS_NOFOCUSRECT)) ::DrawFocusRect(dc, &area);
}

void Form1::Show() {
    // Before the window, which then comes up as usual.
    if (startupMessage_) ShowMessage(nullptr, *startupMessage_, MessageButtons::Ok);
    ShowCentred(nullptr);
}

// The fixed item, then the records' names, with the entries the game will
// connect to worked out anew; without selection.
void Form1::FillList(const std::vector<ServerEntry>& entries) {
    HWND listBox = Control(kList1);
    std::size_t characters = 0;
    std::vector<std::wstring> addresses;
    addresses.reserve(entries.size());
    for (const auto& entry : entries) {
        characters += entry.name.size() + 1;
        addresses.push_back(entry.address);
    }
    active_.Fill(std::move(addresses));
    ::SendMessageW(listBox, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    ::SendMessageW(listBox, LB_INITSTORAGE, entries.size() + 1, (characters + 8) * sizeof(wchar_t));
    ::SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(OfficialEntryLabel));
    for (const auto& entry : entries)
        ::SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
    ::SendMessageW(listBox, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(listBox, nullptr, TRUE);
}

void Form1::AddToolTip() {
    toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, instance(), nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(kList1));
    tool.lpszText = const_cast<wchar_t*>(kToolTip);
    ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool Form1::PreTranslate(MSG& message) {
    if (toolTip_ && message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST &&
        message.hwnd == Control(kList1))
        ::SendMessageW(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message));
    return FormWindow::PreTranslate(message);
}

void Form1::AddName(const std::wstring& name, const std::wstring& address) {
    active_.Append(address);
    ::SendDlgItemMessageW(hwnd(), kList1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void Form1::ShowHome() {
    ::ShowWindow(hwnd(), SW_SHOW);
    ::SetForegroundWindow(hwnd());
}

void Form1::OnCommand(int id, int notification) {
    switch (id) {
        case kList1:
            if (notification == LBN_DBLCLK) Connect();
            break;
        case kCommand2:
            Connect();
            break;
        case kCommand1:
            OpenAddWindow();
            break;
        case kCommand3:
            Delete();
            break;
        case kCommand5:
            OpenAboutWindow();
            break;
        case kAutoRun:
            AutoRunClicked();
            break;
        case kCommand4:
        case IDCANCEL:  // Esc
            Exit();
            break;
        default:
            break;
    }
}

// An item's text, however long: its length is asked first.
std::optional<std::wstring> Form1::ItemText(LRESULT index) const {
    HWND listBox = Control(kList1);
    LRESULT length = ::SendMessageW(listBox, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied = ::SendMessageW(listBox, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR) return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

// An item that cannot be read is no selection, never the empty name.
Selection Form1::SelectedItem() const {
    LRESULT index = ::SendDlgItemMessageW(hwnd(), kList1, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? std::nullopt : ItemText(index);
}

void Form1::Connect() {
    Selection selected = SelectedItem();
    ConnectResult result = connect_.Run(selected, IsChecked(kAutoRun), IsChecked(kWindow));
    // A name the file no longer holds: the list shows what is stored, as after
    // a deletion. Either way the marks show what the game will now read,
    // whatever the outcome.
    if (result.outcome == ConnectOutcome::ServerLeftList) {
        FillList(actions_.Entries());
    } else {
        active_.Refresh();
        ::InvalidateRect(Control(kList1), nullptr, TRUE);
    }
    if (auto message = MessageFor(result, selected.value_or(L"")))
        ShowMessage(hwnd(), *message, MessageButtons::Ok);
}

void Form1::Delete() {
    DeleteOutcome outcome = actions_.Delete(SelectedItem(), [this] {
        return ShowMessage(hwnd(), kConfirmDelete, MessageButtons::YesNo) == MessageAnswer::Yes;
    });
    // Once confirmed, the list is rebuilt from the file whatever happened, so
    // it shows what is stored; unasked, nothing was touched.
    if (outcome != DeleteOutcome::Protected && outcome != DeleteOutcome::Declined &&
        outcome != DeleteOutcome::NothingSelected)
        FillList(actions_.Entries());
    if (auto message = MessageFor(outcome)) ShowMessage(hwnd(), *message, MessageButtons::Ok);
}

void Form1::OpenAddWindow() {
    if (addWindow_->Open(hwnd())) Hide();
}

void Form1::OpenAboutWindow() {
    if (aboutWindow_->Open(hwnd())) Hide();
}

void Form1::AutoRunClicked() {
    // The window mode only means something when the game is started.
    if (IsChecked(kAutoRun)) {
        ::EnableWindow(Control(kWindow), TRUE);
    } else {
        ::CheckDlgButton(hwnd(), kWindow, BST_UNCHECKED);
        ::EnableWindow(Control(kWindow), FALSE);
    }
}

void Form1::Exit() {
    // The window goes first, so no further event of it is handled; then the
    // message loop ends and the process with it.
    Destroy();
    ::PostQuitMessage(0);
}

}  // namespace tolvane::ui
