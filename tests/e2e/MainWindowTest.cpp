// The main window: start-up, layout, keyboard, the check boxes, deletion and the ways out.
#include "E2eTest.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;
using MainWindowTest = TolvaneTest;
using Items = std::vector<std::wstring>;
const std::wstring kOfficial = L"官方战网";
const std::wstring kConfirm = L"确定删除？删除后不可恢复！";

// Another program's handle on a file, shared as given; closed with the object.
struct HeldFile {
    HeldFile(const std::wstring& path, DWORD share)
        : handle(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { ::CloseHandle(handle); }
    HANDLE handle;
};

// First start in an empty folder: an empty list file, the fixed item alone and unselected, the
// window centred with its layout, tip, check boxes and tab order; the check boxes' interlock; Esc
// ends the program.
TEST_F(MainWindowTest, FirstStartShowsTheHomeWindowReadyForUse) {
    COLORREF menu = ::GetSysColor(COLOR_MENU);
    ASSERT_NE(menu, ::GetSysColor(COLOR_BTNFACE)) << "the prefix needs a menu colour of its own";
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(kList1), autoRun = MainControl(kAutoRun), windowMode = MainControl(kWindow);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
    EXPECT_EQ(ListItems(list), Items{kOfficial});
    EXPECT_EQ(ListSelection(list), LB_ERR);
    EXPECT_TRUE(program_->WaitForOnlyVisible(main_));
    RECT work, window;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(main_, &window);
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);
    ExpectLayout(main_, {233, 178},
                 {{kList1, {80, 8, 225, 154}, nullptr},
                  {kCommand1, {8, 32, 73, 49}, L"新增(&N)"},
                  {kCommand3, {8, 56, 73, 73}, L"删除(&D)"},
                  {kCommand4, {8, 104, 73, 121}, L"退出(&Q)"},
                  {kCommand5, {8, 80, 73, 97}, L"关于(&A)"},
                  {kWindow, {152, 152, 225, 172}, L"窗口模式"},
                  {kAutoRun, {80, 152, 153, 172}, L"自动启动"},
                  {kCommand2, {8, 8, 73, 25}, L"启动(&O)"},
                  {kImage1, {8, 128, 73, 170}, nullptr}});
    EXPECT_TRUE(IsDefaultButton(MainControl(kCommand2)));

    // Both check boxes sit on the menu colour: the right end of each is past its caption.
    for (HWND box : {windowMode, autoRun}) {
        RECT rect;
        ::GetWindowRect(box, &rect);
        EXPECT_TRUE(WaitUntil([&] {
            auto pixels = ScreenPixels({rect.right - 4, rect.top + 1, rect.right - 1, rect.bottom - 1});
            return std::all_of(pixels.begin(), pixels.end(), [&](COLORREF pixel) { return pixel == menu; });
        }));
    }
    // Resting over the list shows its tip.
    RECT area;
    ::GetWindowRect(list, &area);
    EXPECT_TRUE(WaitUntil([&, nudge = 0]() mutable {
        MoveMouse({area.left + 30 + (++nudge % 2), area.top + 60});
        return program_->WaitForWindow(L"双击选择的服务器进入", L"tooltips_class32", 0) != nullptr;
    }));

    // Focus starts in the list; Tab walks the tab order and wraps round, Shift+Tab goes back.
    ASSERT_TRUE(BringToFront(main_));
    EXPECT_EQ(FocusOf(main_), list);
    for (int id : {kCommand1, kCommand3, kCommand4, kCommand5, kWindow, kAutoRun, kCommand2, kList1}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(id); })) << "control " << id;
    }
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(kCommand2); }));

    // Unchecking auto start clears and greys window mode; checking it enables window mode again, unchecked.
    EXPECT_TRUE(IsChecked(autoRun) && !IsChecked(windowMode) && ::IsWindowEnabled(windowMode));
    Click(windowMode);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(windowMode); }));
    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return !IsChecked(autoRun); }));
    EXPECT_FALSE(IsChecked(windowMode) || ::IsWindowEnabled(windowMode));
    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(autoRun); }));
    EXPECT_TRUE(::IsWindowEnabled(windowMode) && !IsChecked(windowMode));
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_ESCAPE);
    ExpectExitCleanly();
}

// A list file another program holds, or a folder of its name: an error naming the file and the
// folder comes first, then the main window with the fixed item; the file keeps its bytes. The close
// box ends the program.
TEST_F(MainWindowTest, StartupSaysWhyTheListCannotBeKept) {
    const std::wstring where = L"文件夹“" + directory_.path().substr(0, directory_.path().size() - 1) +
                               L"”中的服务器列表文件 diablo.dat";
    const std::string file = Record(L"abc", L"1.2.3.4");
    Write(L"diablo.dat", file);
    for (bool locked : {true, false}) {
        std::unique_ptr<HeldFile> lock;
        if (locked) {
            lock = std::make_unique<HeldFile>(directory_.File(L"diablo.dat"), 0);
        } else {
            ASSERT_TRUE(::DeleteFileW(directory_.File(L"diablo.dat").c_str()) &&
                        ::CreateDirectoryW(directory_.File(L"diablo.dat").c_str(), nullptr));
        }
        program_ = std::make_unique<TolvaneProcess>(directory_.path());
        MessageBoxSeen box =
            ExpectMessage(L"错误", locked ? L"无法读取" + where +
                                                L"，它可能正被其他程序占用。文件没有被改动。\n\n请关闭正在使"
                                                L"用这个文件的程序，然后重新启动 Tolvane。"
                                          : where +
                                                L"不是文件，而是一个同名的文件夹。\n\n请把这个文件夹改名或移"
                                                L"走，然后重新启动 Tolvane。");
        EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{box.hwnd}) << "the box comes first";
        ASSERT_NO_FATAL_FAILURE(Answer(box, nullptr));
        ASSERT_NE(main_ = program_->WaitForWindow(kMainCaption), nullptr);
        EXPECT_EQ(ListItems(MainControl(kList1)), Items{kOfficial});
        ASSERT_TRUE(BringToFront(main_));
        PressKey(VK_F4, VK_MENU);
        ExpectExitCleanly();
        lock.reset();
        EXPECT_EQ(directory_.Read(L"diablo.dat"), locked ? std::optional<std::string>(file) : std::nullopt);
    }
}

// With nothing selected, Yes keeps every record, one with an empty name included; deleting the fixed
// item is refused; the confirmation defaults to Yes, and No keeps the entry. A leftover diablo.new
// another program holds lets the list load; only a removal, which needs it, fails, and works once it
// is let go: every record of the name goes and the list is rebuilt unselected. Alt+Q ends the program.
TEST_F(MainWindowTest, DeleteFlow) {
    const std::string file = Record(L"", L"6.6.6.6") + Record(L"电信", L"1.1.1.1") +
                             Record(L"abc", L"1.2.3.4") + Record(L"电信", L"2.2.2.2");
    Write(L"diablo.dat", file);
    Write(L"diablo.new", Record(L"stale", L"9.9.9.9"));
    auto held = std::make_unique<HeldFile>(directory_.File(L"diablo.new"), FILE_SHARE_READ);
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(kList1);
    const Items all{kOfficial, L"", L"电信", L"abc", L"电信"};
    EXPECT_EQ(ListItems(list), all);
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"删除", kConfirm, main_));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);

    ClickListItem(list, 3);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 3; }));
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 0; }));
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"失败", L"此项不能删除！", main_));

    ClickListItem(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 2; }));
    PressKey('D', VK_MENU);
    MessageBoxSeen box = ExpectMessage(L"删除", kConfirm);
    EXPECT_TRUE(IsDefaultButton(::GetDlgItem(box.hwnd, IDYES)));
    ASSERT_NO_FATAL_FAILURE(Answer(box, main_, 'N'));
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"删除", kConfirm, nullptr));
    ASSERT_NO_FATAL_FAILURE(
        Answer(L"错误", L"删除失败：服务器列表文件无法读写。列表显示的是文件现在的内容。", main_));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
    EXPECT_EQ(ListItems(list), all);

    held.reset();
    ClickListItem(list, 2);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 2; }));
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(L"删除", kConfirm, main_));
    EXPECT_TRUE(WaitUntil([&] { return ListItems(list) == Items{kOfficial, L"", L"abc"}; }));
    EXPECT_EQ(ListSelection(list), LB_ERR);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), Record(L"", L"6.6.6.6") + Record(L"abc", L"1.2.3.4"));
    EXPECT_EQ(directory_.Read(L"diablo.new"), std::nullopt);
    PressKey('Q', VK_MENU);
    ExpectExitCleanly();
}

}  // namespace
}  // namespace tolvane::e2e
