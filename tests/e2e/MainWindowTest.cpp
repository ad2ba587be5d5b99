// The main window: start-up, layout, keyboard, the check boxes, deletion and
// the ways out.
#include "Driver.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;
using MainWindowTest = TolvaneTest;
using Items = std::vector<std::wstring>;

const std::wstring kOfficial = L"官方战网";

// First start in an empty folder: an empty list file, the fixed item alone
// and unselected, the window centred with its layout, tip, check boxes and tab
// order; the check boxes' interlock; Esc ends the program.
TEST_F(MainWindowTest, FirstStartShowsTheHomeWindowReadyForUse) {
    COLORREF menu = ::GetSysColor(COLOR_MENU);
    ASSERT_NE(menu, ::GetSysColor(COLOR_BTNFACE)) << "the prefix needs a menu colour of its own";
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
    EXPECT_EQ(ListItems(MainControl(kList1)), Items{kOfficial});
    EXPECT_EQ(ListSelection(MainControl(kList1)), LB_ERR);
    ExpectOnlyVisible(main_);

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
    program_->Settle();
    for (int id : {kWindow, kAutoRun}) {
        RECT box;
        ::GetWindowRect(MainControl(id), &box);
        for (COLORREF pixel : ScreenPixels({box.right - 4, box.top + 1, box.right - 1, box.bottom - 1}))
            ASSERT_EQ(pixel, menu) << "check box " << id;
    }

    // Resting over the list shows its tip.
    RECT list;
    ::GetWindowRect(MainControl(kList1), &list);
    ::SetCursorPos(list.left + 30, list.top + 60);
    ::Sleep(100);
    ::SetCursorPos(list.left + 32, list.top + 62);
    EXPECT_NE(program_->WaitForWindow(L"双击选择的服务器进入", 5000, L"tooltips_class32"), nullptr);

    // Focus starts in the list; Tab walks the tab order and wraps round, Shift+Tab goes back.
    BringToFront(main_);
    EXPECT_EQ(FocusOf(main_), MainControl(kList1));
    for (int id : {kCommand1, kCommand3, kCommand4, kCommand5, kWindow, kAutoRun, kCommand2, kList1}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(id); })) << "control " << id;
    }
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(kCommand2); }));

    // Unchecking auto start clears and greys window mode; checking it enables
    // window mode again, still unchecked.
    HWND autoRun = MainControl(kAutoRun), windowMode = MainControl(kWindow);
    EXPECT_TRUE(IsChecked(autoRun));
    EXPECT_FALSE(IsChecked(windowMode));
    EXPECT_TRUE(::IsWindowEnabled(windowMode));
    Click(windowMode);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(windowMode); }));
    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return !IsChecked(autoRun); }));
    EXPECT_FALSE(IsChecked(windowMode));
    EXPECT_FALSE(::IsWindowEnabled(windowMode));
    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(autoRun); }));
    EXPECT_TRUE(::IsWindowEnabled(windowMode));
    EXPECT_FALSE(IsChecked(windowMode));

    BringToFront(main_);
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(program_->WaitForExit());
}

// A list file another program holds open cannot be read: the window still
// comes up with the fixed item, and the file keeps its bytes. The close box
// ends the program.
TEST_F(MainWindowTest, UnreadableListFileLeavesTheFixedItemAndTheFileUntouched) {
    std::string file = Record(L"abc", L"1.2.3.4");
    directory_.Write(L"diablo.dat", file);
    HANDLE lock = ::CreateFileW(directory_.File(L"diablo.dat").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(ListItems(MainControl(kList1)), Items{kOfficial});
    ::CloseHandle(lock);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
    PressKey(VK_F4, VK_MENU);
    EXPECT_TRUE(program_->WaitForExit());
}

// The names follow the fixed item in file order. Deleting the fixed item is
// refused; the confirmation defaults to Yes, and No keeps the entry; Yes
// removes every record of that name and rebuilds the list from the file with
// nothing selected. The exit button ends the program.
TEST_F(MainWindowTest, DeleteFlow) {
    std::string file = Record(L"电信", L"1.1.1.1") + Record(L"abc", L"1.2.3.4") +
                       Record(L"电信", L"2.2.2.2") + Record(L"b, 2", L" x ");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(kList1);
    const Items all{kOfficial, L"电信", L"abc", L"电信", L"b, 2"};
    EXPECT_EQ(ListItems(list), all);

    PressKey(VK_END);
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 0; }));
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(ExpectMessage(L"失败", L"此项不能删除！")));
    EXPECT_EQ(ListItems(list), all);

    ClickListItem(list, 1);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 1; }));
    PressKey('D', VK_MENU);
    MessageBoxSeen box = ExpectMessage(L"删除", L"确定删除？删除后不可恢复！");
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_TRUE(IsDefaultButton(::GetDlgItem(box.hwnd, IDYES)));
    Click(::GetDlgItem(box.hwnd, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd); }));
    program_->Settle();
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
    EXPECT_EQ(ListItems(list), all);

    BringToFront(main_);
    PressKey('D', VK_MENU);
    ASSERT_NO_FATAL_FAILURE(Answer(ExpectMessage(L"删除", L"确定删除？删除后不可恢复！")));
    EXPECT_TRUE(WaitUntil([&] { return ListItems(list) == Items{kOfficial, L"abc", L"b, 2"}; }));
    EXPECT_EQ(ListSelection(list), LB_ERR);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), Record(L"abc", L"1.2.3.4") + Record(L"b, 2", L" x "));
    EXPECT_EQ(directory_.Read(L"diablo.new"), std::nullopt);

    PressKey('Q', VK_MENU);
    EXPECT_TRUE(program_->WaitForExit());
}

}  // namespace
}  // namespace tolvane::e2e
