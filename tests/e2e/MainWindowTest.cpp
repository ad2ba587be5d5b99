// The main window: start-up, layout, keyboard, the check boxes, deletion and
// the ways out.
#include "Driver.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;

const std::wstring kOfficial = L"官方战网";

bool ScreenIsAt96Dpi() {
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi == 96;
}

using MainWindowTest = TolvaneTest;

// First start in an empty directory: an empty list file and the fixed item alone, nothing selected.
TEST_F(MainWindowTest, FirstStartCreatesAnEmptyListFileAndShowsTheFixedItem) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(directory_.Read(L"diablo.dat"), std::string());
    EXPECT_EQ(ListItems(MainControl(kList1)), std::vector<std::wstring>{kOfficial});
    EXPECT_EQ(ListSelection(MainControl(kList1)), LB_ERR);
}

// The file's names follow the fixed item in file order; the file is not rewritten.
TEST_F(MainWindowTest, StartListsTheFileNamesInFileOrder) {
    std::string file =
        Record(L"电信一区", L"10.0.0.1") + Record(L"abc", L"1.2.3.4") + Record(L"b, 2", L" x ");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(ListItems(MainControl(kList1)),
              (std::vector<std::wstring>{kOfficial, L"电信一区", L"abc", L"b, 2"}));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
}

// A list file another program holds open cannot be read: the window still
// comes up with the fixed item, and the file keeps its bytes.
TEST_F(MainWindowTest, UnreadableListFileLeavesTheFixedItemAndTheFileUntouched) {
    std::string file = Record(L"abc", L"1.2.3.4");
    directory_.Write(L"diablo.dat", file);
    HANDLE lock = ::CreateFileW(directory_.File(L"diablo.dat").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(ListItems(MainControl(kList1)), std::vector<std::wstring>{kOfficial});
    ::CloseHandle(lock);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
}

// Caption, client size, centring and every control's place and caption at 96 DPI.
TEST_F(MainWindowTest, LayoutMatchesTheTable) {
    if (!ScreenIsAt96Dpi()) GTEST_SKIP() << "the table is in pixels at 96 DPI";
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(TextOf(main_), L"TolvaneV1.2");
    SIZE client = ClientSize(main_);
    EXPECT_EQ(client.cx, 233);
    EXPECT_EQ(client.cy, 178);

    RECT work, window;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(main_, &window);
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);

    struct {
        int id;
        RECT rect;
        const wchar_t* text;
    } const controls[] = {
        {kList1, {80, 8, 225, 154}, nullptr},         {kCommand1, {8, 32, 73, 49}, L"新增(&N)"},
        {kCommand3, {8, 56, 73, 73}, L"删除(&D)"},    {kCommand4, {8, 104, 73, 121}, L"退出(&Q)"},
        {kCommand5, {8, 80, 73, 97}, L"关于(&A)"},    {kWindow, {152, 152, 225, 172}, L"窗口模式"},
        {kAutoRun, {80, 152, 153, 172}, L"自动启动"}, {kCommand2, {8, 8, 73, 25}, L"启动(&O)"},
        {kImage1, {8, 128, 73, 170}, nullptr},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.id);
        HWND hwnd = MainControl(control.id);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_TRUE(IsPlacedAt(hwnd, control.rect));
        if (control.text) {
            EXPECT_EQ(TextOf(hwnd), control.text);
        }
    }
    EXPECT_EQ(::GetWindowLongW(MainControl(kCommand2), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{main_});
}

// Focus starts in the list; Tab walks the table's tab order and wraps round.
TEST_F(MainWindowTest, TabFollowsTheTabOrder) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(kList1); }));
    for (int id : {kCommand1, kCommand3, kCommand4, kCommand5, kWindow, kAutoRun, kCommand2, kList1}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(id); })) << "control " << id;
    }
    PressShiftKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(main_) == MainControl(kCommand2); }));
}

// Resting over the list shows its tip.
TEST_F(MainWindowTest, ListShowsItsToolTip) {
    ASSERT_NO_FATAL_FAILURE(Start());
    RECT list;
    ::GetWindowRect(MainControl(kList1), &list);
    ::SetCursorPos(list.left + 30, list.top + 60);
    ::Sleep(100);
    ::SetCursorPos(list.left + 32, list.top + 62);
    HWND tip = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        auto tips = TopLevelWindows(program_->id(), [](HWND window) {
            return ::IsWindowVisible(window) && ClassOf(window) == L"tooltips_class32";
        });
        tip = tips.empty() ? nullptr : tips.front();
        return tip != nullptr;
    }));
    if (tip) {
        EXPECT_EQ(TextOf(tip), L"双击选择的服务器进入");
    }
}

// Both check boxes sit on the system menu colour, not the window's face colour.
TEST_F(MainWindowTest, CheckBoxesAreDrawnOnTheMenuColour) {
    COLORREF menu = ::GetSysColor(COLOR_MENU);
    ASSERT_NE(menu, ::GetSysColor(COLOR_BTNFACE)) << "the prefix needs a menu colour of its own";
    ASSERT_NO_FATAL_FAILURE(Start());
    program_->Settle();
    for (int id : {kWindow, kAutoRun}) {
        RECT box;
        ::GetWindowRect(MainControl(id), &box);
        // The right end of the box is past its caption: background only.
        RECT strip{box.right - 4, box.top + 1, box.right - 1, box.bottom - 1};
        for (COLORREF pixel : ScreenPixels(strip)) ASSERT_EQ(pixel, menu) << "check box " << id;
    }
}

// Unchecking auto start clears and greys window mode; checking it enables
// window mode again, still unchecked.
TEST_F(MainWindowTest, AutoRunAndWindowModeInterlock) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND autoRun = MainControl(kAutoRun), window = MainControl(kWindow);
    EXPECT_TRUE(IsChecked(autoRun));
    EXPECT_FALSE(IsChecked(window));
    EXPECT_TRUE(::IsWindowEnabled(window));

    Click(window);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(window); }));
    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return !IsChecked(autoRun); }));
    EXPECT_FALSE(IsChecked(window));
    EXPECT_FALSE(::IsWindowEnabled(window));

    Click(autoRun);
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(autoRun); }));
    EXPECT_TRUE(::IsWindowEnabled(window));
    EXPECT_FALSE(IsChecked(window));
}

// Enter presses the launch button; with nothing selected and auto start off
// the action writes nothing and reports success.
TEST_F(MainWindowTest, EnterRunsTheMainActionWithNothingSelected) {
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(MainControl(kAutoRun));
    ASSERT_TRUE(WaitUntil([&] { return !IsChecked(MainControl(kAutoRun)); }));
    BringToFront(main_);
    PressKey(VK_RETURN);
    MessageBoxSeen box = program_->WaitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.title, L"成功");
    EXPECT_EQ(box.text, L"注册成功！");
    EXPECT_EQ(::GetWindow(box.hwnd, GW_OWNER), main_);
    ASSERT_NO_FATAL_FAILURE(Answer(box, VK_RETURN));
    EXPECT_TRUE(::IsWindowVisible(main_));
}

// Esc, Alt+Q (the exit button) and Alt+F4 (the close box) each end the program.
TEST_F(MainWindowTest, EscExitButtonAndCloseBoxEndTheProgram) {
    struct {
        WORD key;
        bool alt;
    } const ways[] = {{VK_ESCAPE, false}, {'Q', true}, {VK_F4, true}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.key);
        ASSERT_NO_FATAL_FAILURE(Start());
        way.alt ? PressAltKey(way.key) : PressKey(way.key);
        EXPECT_TRUE(program_->WaitForExit());
    }
}

// The fixed item cannot be deleted: a failure message, nothing changes.
TEST_F(MainWindowTest, DeletingTheFixedItemIsRefused) {
    std::string file = Record(L"abc", L"1.2.3.4");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    PressKey(VK_HOME);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(MainControl(kList1)) == 0; }));
    PressAltKey('D');
    MessageBoxSeen box = program_->WaitForMessageBox();
    EXPECT_EQ(box.title, L"失败");
    EXPECT_EQ(box.text, L"此项不能删除！");
    ASSERT_NO_FATAL_FAILURE(Answer(box, VK_RETURN));
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
    EXPECT_EQ(ListItems(MainControl(kList1)), (std::vector<std::wstring>{kOfficial, L"abc"}));
}

// The confirmation defaults to Yes; No keeps the entry.
TEST_F(MainWindowTest, AnsweringNoKeepsTheEntry) {
    std::string file = Record(L"abc", L"1.2.3.4") + Record(L"def", L"5.6.7.8");
    directory_.Write(L"diablo.dat", file);
    ASSERT_NO_FATAL_FAILURE(Start());
    PressKey(VK_HOME);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(MainControl(kList1)) == 2; }));
    PressAltKey('D');
    MessageBoxSeen box = program_->WaitForMessageBox();
    EXPECT_EQ(box.title, L"删除");
    EXPECT_EQ(box.text, L"确定删除？删除后不可恢复！");
    EXPECT_EQ(::GetWindowLongW(::GetDlgItem(box.hwnd, IDYES), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    Click(::GetDlgItem(box.hwnd, IDNO));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box.hwnd); }));
    program_->Settle();
    EXPECT_EQ(directory_.Read(L"diablo.dat"), file);
    EXPECT_EQ(ListItems(MainControl(kList1)).size(), 3u);
}

// Yes removes every record of that name and rebuilds the list from the file,
// with nothing selected.
TEST_F(MainWindowTest, AnsweringYesRemovesTheEntryAndRebuildsTheList) {
    directory_.Write(L"diablo.dat",
                     Record(L"电信", L"1.1.1.1") + Record(L"abc", L"1.2.3.4") + Record(L"电信", L"2.2.2.2"));
    ASSERT_NO_FATAL_FAILURE(Start());
    PressKey(VK_HOME);
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(MainControl(kList1)) == 1; }));
    PressAltKey('D');
    MessageBoxSeen box = program_->WaitForMessageBox();
    ASSERT_EQ(box.title, L"删除");
    ASSERT_NO_FATAL_FAILURE(Answer(box, VK_RETURN));
    ASSERT_TRUE(WaitUntil([&] { return ListItems(MainControl(kList1)).size() == 2; }));
    EXPECT_EQ(ListItems(MainControl(kList1)), (std::vector<std::wstring>{kOfficial, L"abc"}));
    EXPECT_EQ(ListSelection(MainControl(kList1)), LB_ERR);
    EXPECT_EQ(directory_.Read(L"diablo.dat"), Record(L"abc", L"1.2.3.4"));
    EXPECT_EQ(directory_.Read(L"diablo.new"), std::nullopt);
}

}  // namespace
}  // namespace tolvane::e2e
