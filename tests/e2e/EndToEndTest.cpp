// Tolvane.exe end to end under Wine: each window worked through by real keystrokes and clicks, the
// messages it shows, the list file and registry values it leaves, the game it starts, and what the
// exe carries besides code.
#include <gtest/gtest.h>

#include <cwctype>
#include <initializer_list>
#include <memory>
#include <tuple>

#include "Driver.h"
#include "gateway/ActiveEntries.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"
#include "serverlist/ListActions.h"
#include "serverlist/ServerList.h"
#include "ui/ControlIds.h"
#include "ui/Form1.h"
#include "ui/Form3.h"

namespace tolvane::e2e {
namespace {

namespace f1 = ui::form1;
namespace f2 = ui::form2;
namespace f3 = ui::form3;
using Items = std::vector<std::wstring>;
using Rows = std::vector<std::vector<COLORREF>>;
const std::wstring kOfficial = L"官方战网";
const std::wstring kConfirm = L"确定删除？删除后不可恢复！";
const wchar_t* const kTip = L"双击选择的服务器进入";

// The rows that look different in two views of the list, by index.
std::string Differing(const Rows& a, const Rows& b) {
    std::string rows;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) rows += std::to_string(i);
    return rows;
}

// Another program's handle on a file, shared as given; closed with the object.
struct HeldFile {
    HeldFile(const std::wstring& path, DWORD share)
        : handle(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { ::CloseHandle(handle); }
    HANDLE handle;
};

class TolvaneTest : public ::testing::Test {
protected:
    // Starts the program and waits for its main window, in front.
    void Start() {
        program_ = std::make_unique<TolvaneProcess>(directory_.path());
        ASSERT_NE(main_ = program_->WaitForWindow(kMainCaption), nullptr) << "no main window";
        ASSERT_TRUE(program_->WaitForIdle() && BringToFront(main_));
    }
    HWND MainControl(int id) const { return ::GetDlgItem(main_, id); }
    void Write(const std::wstring& name, const std::string& bytes) {
        ASSERT_TRUE(WriteWholeFile(directory_.File(name), bytes));
    }
    // Alt+`letter` in the main window opens the window titled `caption` in its place.
    // An Alt+letter that arrives while the window is still gaining the focus may be lost: it goes again
    // while no window has come.
    HWND OpenFromMain(WORD letter, const wchar_t* caption) {
        HWND window = nullptr;
        WaitUntil([&] {
            BringToFront(main_);
            PressKey(letter, VK_MENU);
            return (window = program_->WaitForWindow(caption, L"#32770", 2000)) != nullptr;
        });
        EXPECT_TRUE(window && program_->WaitForOnlyVisible(window)) << "Alt+" << static_cast<char>(letter);
        return window;
    }
    MessageBoxSeen ExpectMessage(const wchar_t* title, const std::wstring& text) {
        MessageBoxSeen box = program_->WaitForMessageBox();
        EXPECT_NE(box.hwnd, nullptr) << "no message box for: " << ::testing::PrintToString(text);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        return box;
    }
    // The box goes on `key`, and `next` gets the focus back (none: another box follows).
    void Answer(const MessageBoxSeen& box, HWND next, WORD key = VK_RETURN) {
        ASSERT_TRUE(box.hwnd && BringToFront(box.hwnd));
        PressKey(key);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd); })) << "the message box stayed";
        ASSERT_TRUE(!next || BringToFront(next)) << "the focus did not come back";
    }
    void Answer(const wchar_t* title, const std::wstring& text, HWND next) {
        Answer(ExpectMessage(title, text), next);
    }
    void ExpectExitCleanly() { EXPECT_EQ(program_->WaitForExit(), std::optional<DWORD>(0)); }
    // Each row of the main list as it shows on screen, once two looks agree, the pointer (and the tip
    // it shows) away.
    Rows ShownRows() {
        HWND list = MainControl(f1::kList1);
        MoveMouse({1, 1});
        int height = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        RECT client{};
        ::GetClientRect(list, &client);
        Rows rows, before;
        EXPECT_TRUE(WaitUntil([&] {
            before = std::exchange(rows, {});
            for (std::size_t i = 0; i < ListItems(list).size(); ++i) {
                RECT row{0, static_cast<int>(i) * height, client.right, static_cast<int>(i + 1) * height};
                ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&row), 2);
                rows.push_back(ScreenPixels(row));
            }
            return rows == before && !program_->WaitForWindow(kTip, L"tooltips_class32", 0);
        }));
        return rows;
    }

    // The add window's fields, and a refusal: Enter brings an error box, the window keeps its fields.
    HWND AddControl(int id) const { return ::GetDlgItem(add_, id); }
    void SetFields(const std::wstring& name, const std::wstring& address) {
        ::SendMessageW(AddControl(f2::kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        ::SendMessageW(AddControl(f2::kText2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(address.c_str()));
    }
    std::wstring Fields() const {
        return TextOf(AddControl(f2::kText1)) + L"|" + TextOf(AddControl(f2::kText2));
    }
    void ExpectRefusal(const std::wstring& text) {
        std::wstring fields = Fields();
        ASSERT_TRUE(BringToFront(add_));
        PressKey(VK_RETURN);
        ASSERT_NO_FATAL_FAILURE(Answer(L"错误", text, add_));
        EXPECT_EQ(Fields(), fields);
    }
    void Toggle(int id, bool checked) {
        Click(MainControl(id));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(MainControl(id)) == checked; })) << "control " << id;
    }

    TempDirectory directory_;
    std::unique_ptr<TolvaneProcess> program_;
    HWND main_ = nullptr, add_ = nullptr;
};

// The client size, and each control's rectangle in its parent's client pixels at 96 DPI (the test
// prefix's) with its text (null: not checked).
struct Placement {
    int id;
    RECT rect;
    const wchar_t* text;
};
void ExpectLayout(HWND window, SIZE client, std::initializer_list<Placement> controls) {
    RECT area{};
    ::GetClientRect(window, &area);
    EXPECT_EQ(std::make_pair(area.right, area.bottom), std::make_pair(client.cx, client.cy));
    for (const auto& [id, want, text] : controls) {
        HWND control = ::GetDlgItem(window, id);
        RECT r{};
        ::GetWindowRect(control, &r);
        ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(std::tie(r.left, r.top, r.right, r.bottom),
                  std::tie(want.left, want.top, want.right, want.bottom))
            << "control " << id;
        EXPECT_EQ(text ? TextOf(control) : L"", text ? text : L"") << "control " << id;
    }
}

// First start (the empty list file and the check boxes' first states and interlock are the tour's):
// nothing selected, rows as tall as a plain list box's, layout, tip, tab order; the about window, its
// links and its three ways home; Esc ends the program.
TEST_F(TolvaneTest, FirstStartAndAbout) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(f1::kList1);
    EXPECT_EQ(ListSelection(list), LB_ERR);
    // The window's font is the message font at 9 pt.
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight = -12;
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    HWND plain = ::CreateWindowW(L"LISTBOX", L"", WS_POPUP, 0, 0, 99, 99, nullptr, nullptr, nullptr, nullptr);
    ::SendMessageW(plain, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EXPECT_EQ(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), ::SendMessageW(plain, LB_GETITEMHEIGHT, 0, 0));
    ::DestroyWindow(plain);
    ::DeleteObject(font);
    EXPECT_TRUE(program_->WaitForOnlyVisible(main_));
    ExpectLayout(main_, {233, 178},
                 {{f1::kList1, {80, 8, 225, 154}, nullptr},
                  {f1::kCommand1, {8, 32, 73, 49}, L"新增(&N)"},
                  {f1::kCommand3, {8, 56, 73, 73}, L"删除(&D)"},
                  {f1::kCommand4, {8, 104, 73, 121}, L"退出(&Q)"},
                  {f1::kCommand5, {8, 80, 73, 97}, L"关于(&A)"},
                  {f1::kWindow, {152, 152, 225, 172}, L"窗口模式"},
                  {f1::kAutoRun, {80, 152, 153, 172}, L"自动启动"},
                  {f1::kCommand2, {8, 8, 73, 25}, L"启动(&O)"},
                  {f1::kImage1, {8, 128, 73, 170}, nullptr}});
    // Resting over the list shows its tip.
    RECT area;
    ::GetWindowRect(list, &area);
    EXPECT_TRUE(WaitUntil([&, nudge = 0]() mutable {
        MoveMouse({area.left + 30 + (++nudge % 2), area.top + 60});
        return program_->WaitForWindow(kTip, L"tooltips_class32", 0) != nullptr;
    }));

    // Focus starts in the list; Tab walks the tab order and wraps round, Shift+Tab goes back.
    ASSERT_TRUE(BringToFront(main_));
    EXPECT_EQ(FocusOf(main_), list);
    for (int id : {f1::kCommand1, f1::kCommand3, f1::kCommand4, f1::kCommand5, f1::kWindow, f1::kAutoRun,
                   f1::kCommand2, f1::kList1}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(id); })) << "control " << id;
    }
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(f1::kCommand2); }));

    HWND about = OpenFromMain('A', kAboutCaption);
    ASSERT_NE(about, nullptr);
    ExpectLayout(about, {179, 103},
                 {{f3::kFrame1, {8, 8, 169, 89}, L"Tolvane"},
                  {f3::kLabel1, {24, 32, 145, 49}, nullptr},
                  {f3::kLabel2, {24, 48, 137, 65}, nullptr},
                  {f3::kLabel3, {24, 64, 121, 81}, nullptr},
                  {f3::kCommand1, {104, 64, 161, 81}, L"确定(&O)"}});
    std::wstring homePage = TextOf(::GetDlgItem(about, f3::kLabel2));
    EXPECT_EQ(homePage.rfind(L"http", 0), 0u);
    std::wstring record = FromUnixPath(TOLVANE_BROWSER_RECORD);  // the URLs the browser was asked to open
    for (int id : {f3::kLabel2, f3::kLabel3}) {
        ::DeleteFileW(record.c_str());
        Click(::GetDlgItem(about, id));
        EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(record) == Ansi(homePage) + "\n"; })) << id;
        EXPECT_TRUE(program_->WaitForOnlyVisible(about));
    }
    for (auto [key, modifier] : {std::pair<WORD, WORD>{VK_RETURN, 0}, {VK_ESCAPE, 0}, {VK_F4, VK_MENU}}) {
        ASSERT_TRUE(BringToFront(about));
        PressKey(key, modifier);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_)) << key;
        ASSERT_TRUE(key == VK_F4 || (about = OpenFromMain('A', kAboutCaption)));
    }
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_ESCAPE);
    ExpectExitCleanly();
}

// The about window's links show the hand pointer, the rest the arrow (in-process: handles are per process).
TEST(AboutWindowTest, LinksShowTheHandPointer) {
    Win32HostServices host;
    Win32Module1 registry;
    ServerList list(host);
    GatewaySetting gateway(registry, host);
    GameLauncher launcher(registry, host);
    ConnectSequence connect(list, gateway, launcher, host);
    ListActions actions(list, host);
    ActiveEntries active(gateway);
    ui::Form1 home(nullptr, actions, connect, active);
    ui::Form3 about(::GetModuleHandleW(nullptr), home, host);
    ASSERT_TRUE(about.Open(nullptr));
    for (int id : {f3::kLabel2, f3::kLabel3, f3::kCommand1}) {
        ::SendMessageW(about.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(::GetDlgItem(about.hwnd(), id)),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, id == f3::kCommand1 ? IDC_ARROW : IDC_HAND)) << id;
    }
}

// A leftover copy another program holds, a folder of the list file's name, or a copy-back cut with the
// old bytes of a removal: the error naming them comes first, then the list as it can be read, the files
// as they were.
TEST_F(TolvaneTest, StartupSaysWhyTheListCannotBeKept) {
    const std::wstring folder =
        L"文件夹“" + directory_.path().substr(0, directory_.path().size() - 1) + L"”中的";
    const std::wstring held =
        L"，它可能正被其他程序占用。\n\n请关闭正在使用这个文件的程序，然后重新启动 Tolvane。";
    std::string old, copy;
    for (const wchar_t* name : {L"one", L"two", L"three", L"four", L"five"}) {
        old += Record(name, L"1.2.3.4");
        if (name != std::wstring(L"two")) copy += Record(name, L"1.2.3.4");
    }
    const std::string file = Record(L"abc", L"1.2.3.4"), cut = old.substr(0, copy.size());
    enum Case { HeldCopy, OldBytes, Folder };
    const std::wstring texts[] = {
        L"无法读取" + folder + L"服务器列表的临时文件 diablo.new" + held,
        folder +
            L"服务器列表文件 diablo.dat 和同一文件夹中的临时文件 diablo.new "
            L"对不上：上次新增或删除服务器时没有完成"
            L"（可能是断电或程序被强行关闭），Tolvane 无法判断哪一个是完整的列表。两个文件都保持原样。\n\n"
            L"请用记事本打开这两个文件对照：把只在 diablo.new 中有的服务器复制到 diablo.dat，删掉 diablo.dat "
            L"中"
            L"残缺或错乱的行，保存后删除 diablo.new。在此之前，列表只显示 diablo.dat 中能读出的服务器，"
            L"不能新增或删除服务器。",
        folder +
            L" diablo.dat 是一个文件夹，不是服务器列表文件。\n\n请把这个文件夹改名或移走，然后重新启动 "
            L"Tolvane。"};
    for (Case state : {HeldCopy, OldBytes, Folder}) {
        SCOPED_TRACE(state);
        Write(L"diablo.dat", state == OldBytes ? cut : file);
        Write(L"diablo.new", copy);
        std::unique_ptr<HeldFile> lock;
        if (state == HeldCopy) lock = std::make_unique<HeldFile>(directory_.File(L"diablo.new"), 0);
        if (state == Folder) {
            ASSERT_TRUE(::DeleteFileW(directory_.File(L"diablo.dat").c_str()) &&
                        ::DeleteFileW(directory_.File(L"diablo.new").c_str()) &&
                        ::CreateDirectoryW(directory_.File(L"diablo.dat").c_str(), nullptr));
        }
        program_ = std::make_unique<TolvaneProcess>(directory_.path());
        MessageBoxSeen box = ExpectMessage(L"错误", texts[state]);
        EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{box.hwnd}) << "the box comes first";
        ASSERT_NO_FATAL_FAILURE(Answer(box, nullptr));
        ASSERT_NE(main_ = program_->WaitForWindow(kMainCaption), nullptr);
        EXPECT_EQ(
            ListItems(MainControl(f1::kList1)),
            (state == OldBytes ? Items{kOfficial, L"one", L"two", L"three", L"four"} : Items{kOfficial}));
        // Keys reach it once Tab has moved the focus: a modifier sent while it gains the focus may be lost.
        ASSERT_TRUE(BringToFront(main_));
        PressKey(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(f1::kCommand1); }));
        PressKey(VK_F4, VK_MENU);
        ExpectExitCleanly();
        lock.reset();
        using Bytes = std::optional<std::string>;
        EXPECT_EQ(directory_.Read(L"diablo.dat"),
                  state == Folder ? std::nullopt : Bytes(state == OldBytes ? cut : file));
        EXPECT_EQ(directory_.Read(L"diablo.new"), state == Folder ? std::nullopt : Bytes(copy));
    }
}

// Lists in each encoding through an add and a delete of the second name: every other name as before,
// the encoding kept, nothing left selected. A held whole copy fails the delete until let go (No first);
// a cut copy-back (NUL after the first line) and a stale copy from before the last add are settled.
TEST_F(TolvaneTest, DeleteFlow) {
    using Store = std::string (*)(const std::wstring&);
    Store u16 = [](const std::wstring& t) {
        return std::string(reinterpret_cast<const char*>(t.data()), t.size() * 2);
    };
    auto r = [](const std::wstring& name, const wchar_t* address = L"1.1.1.1") {
        return L"\"" + name + L"\",\"" + address + L"\"\r\n";
    };
    struct Form {
        std::string mark;
        Items names;
        Store encode;  // the mixed form stores the second in the code page, a NUL line after it
        enum { Held, Cut, Whole, Mixed } state;
    } const forms[] = {{"\xEF\xBB\xBF", {L"国服", L"电信一区", L"网通"}, Utf8, Form::Held},
                       {"", {L"战网·一区", L"电信—二区", L"“官方”服…"}, Utf8, Form::Cut},
                       {"\xFF\xFE", {L"国服😀", L"电信", L"网通"}, u16, Form::Whole},
                       {"", {L"国服", L"电信", L"网通", L"后来"}, Utf8, Form::Mixed}};
    for (const Form& form : forms) {
        std::vector<std::string> lines;
        for (const std::wstring& name : form.names) lines.push_back(form.encode(r(name)));
        if (form.state == Form::Mixed) {
            lines[1] = Ansi(r(form.names[1]));
            lines.insert(lines.begin() + 2, std::string(8, '\0') + "\r\n");
        }
        std::string whole = form.mark, kept = form.mark;
        for (std::size_t i = 0; i < lines.size(); ++i) whole += lines[i], kept += i == 1 ? "" : lines[i];
        Items shown{kOfficial};
        shown.insert(shown.end(), form.names.begin(), form.names.end());
        const std::size_t first = form.mark.size() + lines[0].size();
        Write(L"diablo.dat", form.state == Form::Cut
                                 ? whole.substr(0, first) + std::string(whole.size() - first, '\0')
                                 : whole);
        if (form.state != Form::Whole)
            Write(L"diablo.new",
                  form.state == Form::Mixed ? whole.substr(0, whole.size() - lines.back().size()) : whole);
        std::unique_ptr<HeldFile> held;
        if (form.state == Form::Held)
            held = std::make_unique<HeldFile>(directory_.File(L"diablo.new"), FILE_SHARE_READ);
        ASSERT_NO_FATAL_FAILURE(Start());
        HWND list = MainControl(f1::kList1);
        EXPECT_EQ(ListItems(list), shown);
        EXPECT_EQ(directory_.Read(L"diablo.dat"), whole);
        if (held) {
            ClickListItem(list, 2);
            ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 2; }));
            PressKey('D', VK_MENU);
            ASSERT_NO_FATAL_FAILURE(Answer(ExpectMessage(L"删除", kConfirm), main_, 'N'));
            PressKey('D', VK_MENU);
            ASSERT_NO_FATAL_FAILURE(Answer(L"删除", kConfirm, nullptr));
            ASSERT_NO_FATAL_FAILURE(
                Answer(L"错误", L"删除失败：服务器列表文件无法读写。列表显示的是文件现在的内容。", main_));
            EXPECT_EQ(ListItems(list), shown);
            held.reset();
        }
        ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
        SetFields(L"亚服", L"4.4.4.4");
        PressKey('O', VK_MENU);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_));
        ClickListItem(list, 2);
        ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 2; }));
        PressKey('D', VK_MENU);
        ASSERT_NO_FATAL_FAILURE(Answer(L"删除", kConfirm, main_));
        shown.erase(shown.begin() + 2);
        shown.push_back(L"亚服");
        EXPECT_TRUE(WaitUntil([&] { return ListItems(list) == shown; }));
        EXPECT_EQ(ListSelection(list), LB_ERR);
        EXPECT_EQ(directory_.Read(L"diablo.dat"), kept + form.encode(r(L"亚服", L"4.4.4.4")));
        EXPECT_EQ(directory_.Read(L"diablo.new"), std::nullopt);
        PressKey('Q', VK_MENU);
        ExpectExitCleanly();
    }
}

// Common controls 6, the exe's architecture, per-monitor DPI, no execution level (so Windows redirects
// writes under Program Files, as for the game), no UTF-8 code page, no installer word to elevate it for,
// the icons.
TEST(ResourcesTest, ManifestVersionAndIcon) {
    std::wstring path = FromUnixPath(TOLVANE_EXE);
    HMODULE exe =
        ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr);
    auto resource = [&](const wchar_t* type) {
        HRSRC found = ::FindResourceW(exe, MAKEINTRESOURCEW(1), type);
        return found ? std::string(static_cast<const char*>(::LockResource(::LoadResource(exe, found))),
                                   ::SizeofResource(exe, found))
                     : std::string();
    };
    std::string manifest = resource(MAKEINTRESOURCEW(24));
    // Its own architecture, and Common Controls of any: a 64-bit exe bound to x86 ones does not start.
    EXPECT_NE(manifest.find(sizeof(void*) == 8 ? "=\"amd64\"" : "=\"x86\""), std::string::npos);
    EXPECT_NE(manifest.find("processorArchitecture=\"*\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_EQ(manifest.find("<requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);

    std::string version = resource(RT_VERSION);
    std::wstring texts(reinterpret_cast<const wchar_t*>(version.data()), version.size() / sizeof(wchar_t));
    EXPECT_NE(texts.find(L"Tolvane 战网服务器切换工具"), std::wstring::npos);
    texts += path.substr(path.rfind(L'\\')) + std::wstring(manifest.begin(), manifest.end());
    for (wchar_t& c : texts) c = static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* word : {L"instal", L"setup", L"update", L"patch"})
        EXPECT_EQ(texts.find(word), std::wstring::npos) << ::testing::PrintToString(std::wstring(word));

    std::string group =
        resource(RT_GROUP_ICON);  // a 6-byte header, then 14 bytes per image: size, -, colours
    std::vector<std::pair<int, int>> images;
    for (std::size_t at = 6; at + 14 <= group.size(); at += 14)
        images.emplace_back(static_cast<unsigned char>(group[at]), static_cast<unsigned char>(group[at + 2]));
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{32, 16}, {16, 16}}));
    ::FreeLibrary(exe);
}

// The add window: layout, refusals in order (the fixed item's name clashes), a new server appended to
// the file and to the list as shown (no reload, nor by a delete with nothing selected), its ways home.
TEST_F(TolvaneTest, AddFlow) {
    std::string file = Record(L"abc", L"1.2.3.4");
    Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
    ExpectLayout(add_, {249, 148},
                 {{f2::kAg, {8, 8, 241, 137}, L""},
                  {f2::kLabel1Name, {24, 34, 89, 48}, L"服务器名称"},
                  {f2::kText1, {96, 32, 225, 50}, L""},
                  {f2::kLabel1Address, {24, 65, 89, 82}, L"ＩＰ　地址"},
                  {f2::kText2, {96, 64, 225, 82}, L""},
                  {f2::kCommand4, {24, 104, 113, 121}, L"确定(&O)"},
                  {f2::kCommand1, {136, 104, 225, 121}, L"取消(&C)"}});
    EXPECT_EQ(FocusOf(add_), AddControl(f2::kText1));
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(add_) == AddControl(f2::kText2); }));
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(add_) == AddControl(f2::kText1); }));

    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器名称"));
    TypeText(L"新服");
    ASSERT_TRUE(WaitUntil([&] { return Fields() == L"新服|"; }));
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"请输入服务器IP地址"));
    SetFields(L"a\"b", L"1.2.3.4\"");
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusal(L"服务器名称不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。"));
    SetFields(L"ab", L"1.2\r\n");
    ASSERT_NO_FATAL_FAILURE(
        ExpectRefusal(L"服务器IP地址不能含有双引号、换行符或本系统编码无法表示的字符，请修改后再试。"));
    SetFields(L"新服", L"1.2.3.4");
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"有相同的服务器名或是IP已经存在"));
    SetFields(kOfficial, L"7.7.7.7");
    ASSERT_NO_FATAL_FAILURE(ExpectRefusal(L"有相同的服务器名或是IP已经存在"));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);

    std::string behind = Record(L"behind", L"9.9.9.9");  // written behind its back: a reload would show it
    Write(L"diablo.dat", file + behind);
    SetFields(L"电信 二区", L"5.6.7.8");
    PressKey('O', VK_MENU);
    ASSERT_TRUE(program_->WaitForOnlyVisible(main_) && BringToFront(main_));
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"错误", L"请先在列表中选择要删除的服务器。", main_));
    EXPECT_EQ(ListItems(MainControl(f1::kList1)),
              (std::vector<std::wstring>{L"官方战网", L"abc", L"电信 二区"}));
    // Esc (the cancel button) and the close box each go back home, write nothing, and leave the fields
    // empty, the caret in the name, when the window opens again. The program ends cleanly after.
    for (auto [key, modifier] : {std::pair<WORD, WORD>{VK_ESCAPE, 0}, {VK_F4, VK_MENU}, {VK_ESCAPE, 0}}) {
        ASSERT_NE(add_ = OpenFromMain('N', kAddCaption), nullptr);
        EXPECT_EQ(Fields(), L"|");
        EXPECT_EQ(FocusOf(add_), AddControl(f2::kText1));
        SetFields(L"abc", L"1.2.3.4");
        ASSERT_TRUE(BringToFront(add_));
        PressKey(key, modifier);
        ASSERT_TRUE(program_->WaitForOnlyVisible(main_)) << key << "/" << modifier;
    }
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file + behind + Record(L"电信 二区", L"5.6.7.8"));
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_ESCAPE);
    ExpectExitCleanly();
}

// Without the game's key, auto start says the game is not found and writes nothing (an empty name is
// no selection); without auto start, nothing selected asks for a server. An address registered; the
// list file held: its own message; a server that left the file: its message, the list reloaded,
// nothing written or started. A game folder stored without its final backslash: no program, then one
// the system refuses, each message naming the server set; then the loader started windowed, under its
// stored name and quoted path, in a Chinese game folder.
TEST_F(TolvaneTest, RegisterFailAndLaunch) {
    if (!InScratchPrefix()) GTEST_SKIP() << "writes the game's registry key; only in scripts/test's prefix";
    DeleteGameKeyPath();
    TempDirectory game{L"游戏\\暗黑破坏神II"};  // a game folder as many players have it
    const std::string kept = Record(L"", L"6.6.6.6") + Record(L"abc", L"1.2.3.4");
    Write(L"diablo.dat", kept + Record(L"电信", L"网关.example"));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(f1::kList1);
    const Rows official = ShownRows();  // as started: the fixed item marked, the game has no override
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(Answer(L"失败", L"未发现游戏目录，请先运行一次暗黑破坏神II。", main_));
    ASSERT_NO_FATAL_FAILURE(Toggle(f1::kAutoRun, false));
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(Answer(L"错误", L"请先在列表中选择要连接的服务器。", main_));
    EXPECT_EQ(GameValue("BNETIP"), "(none)");

    ClickListItem(list, 3);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 3; }));
    const Rows chosen = ShownRows();
    ClickListItem(list, 3, 2);
    ASSERT_NO_FATAL_FAILURE(Answer(L"成功", L"注册成功！", main_));
    EXPECT_EQ(ListSelection(list), 3);
    const std::string gateway = Ansi(L"网关.example") + '\0';
    EXPECT_EQ(GameValue("BNETIP"), gateway);
    EXPECT_EQ(Differing(chosen, ShownRows()), "03");  // the mark moved to the server registered
    auto held = std::make_unique<HeldFile>(directory_.File(L"diablo.dat"), 0);
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(
        Answer(L"错误", L"服务器列表文件无法读取，它可能正被其他程序占用。服务器没有切换。", main_));
    held.reset();

    // The game's folder as stored without its final backslash, with no program in it yet.
    const std::wstring folder = game.path().substr(0, game.path().size() - 1);
    ASSERT_TRUE(SetGameValue("InstallPath", Ansi(folder) + '\0'));
    ASSERT_NO_FATAL_FAILURE(Toggle(f1::kAutoRun, true));
    Write(L"diablo.dat", kept);  // 电信 removed behind its back, still selected
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(Answer(
        L"失败", L"服务器“电信”已不在服务器列表文件中，服务器没有切换。\n\n列表已按文件现在的内容重新载入。",
        main_));
    EXPECT_EQ(ListItems(list), (Items{kOfficial, L"", L"abc"}));
    EXPECT_EQ(GameValue("BNETIP"), gateway);

    // abc is set but the game cannot start: the message says both, as "BNETIP" and the mark do.
    ASSERT_NO_FATAL_FAILURE(Toggle(f1::kWindow, true));
    ClickListItem(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 2; }));
    const Rows unset = ShownRows();
    ClickListItem(list, 2, 2);
    const std::wstring abcSet = L"服务器已设为“abc”，但游戏没有启动。\n\n";
    ASSERT_NO_FATAL_FAILURE(Answer(
        L"失败", abcSet + L"游戏目录“" + folder + L"”中既没有 d2load.exe，也没有 Diablo II.exe。", main_));
    EXPECT_EQ(GameValue("BNETIP"), std::string("1.2.3.4") + '\0');
    EXPECT_EQ(Differing(unset, ShownRows()), "2");
    // A program the system will not start: why, in its words (Wine's here), with the program's name.
    ASSERT_TRUE(WriteWholeFile(game.File(L"Diablo II.exe"), "not a program"));
    PressKey('O', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"失败",
                                   abcSet + L"Windows 无法运行“" + game.path() +
                                       L"Diablo II.exe”：Diablo II.exe 的 EXE 格式无效。（错误代码 193）",
                                   main_));
    ASSERT_TRUE(
        ::CopyFileW(FromUnixPath(TOLVANE_STANDIN_EXE).c_str(), game.File(L"D2LOAD.EXE").c_str(), FALSE));
    PressKey('O', VK_MENU);
    // The stand-in's record: its command line, a tab, its working directory, in UTF-8; one line a
    // start, so a start without the window switch above would show first.
    std::string record;
    WaitUntil([&] { return !(record = game.Read(L"standin-record.txt").value_or("")).empty(); });
    EXPECT_EQ(record, Utf8(L"\"" + game.path() + L"D2LOAD.EXE\" -w  -skiptobnet\t" + folder + L"\n"));
    EXPECT_TRUE(program_->WaitForOnlyVisible(main_));

    // Started again with that override, the same names: only abc and the fixed item look changed.
    // A megabyte of a name is drawn too, as far as it shows.
    const std::wstring longName(1 << 20, L'x');
    Write(L"diablo.dat", kept + Record(longName, L"7.7.7.7"));
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(ListItems(MainControl(f1::kList1)), (Items{kOfficial, L"", L"abc", longName}));
    EXPECT_EQ(Differing(Rows(official.begin(), official.begin() + 3), ShownRows()), "02");
    DeleteGameKeyPath();
}

}  // namespace
}  // namespace tolvane::e2e
