// The main action from the main window: the registry value it writes, the game it starts, and the
// message of each outcome. It writes the game's real key, so it runs only in the scratch prefix.
#include "E2eTest.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;

class ConnectTest : public TolvaneTest {
protected:
    void SetUp() override {
        if (!InScratchPrefix())
            GTEST_SKIP() << "writes the game's registry key; only in scripts/test's prefix";
        DeleteGameKeyPath();
    }
    void TearDown() override {
        if (InScratchPrefix()) DeleteGameKeyPath();
    }
    void Toggle(int id, bool checked) {
        Click(MainControl(id));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(MainControl(id)) == checked; })) << "control " << id;
    }

    TempDirectory game_{L"游戏\\暗黑破坏神II"};  // a game folder as many players have it
};

// With auto start off, Enter with nothing selected writes nothing and a double click writes the
// item's address in the ANSI code page; both report success. With auto start on and no game folder
// known, the failure message follows the written address. With the game installed and window mode
// on, the launch button starts the loader, under its stored name and its path quoted, windowed from
// the game folder, without a message; the window stays.
TEST_F(ConnectTest, RegisterFailAndLaunch) {
    Write(L"diablo.dat", Record(L"abc", L"1.2.3.4") + Record(L"电信", L"网关.example"));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(kList1);
    ASSERT_NO_FATAL_FAILURE(Toggle(kAutoRun, false));
    ASSERT_TRUE(BringToFront(main_));
    PressKey(VK_RETURN);
    MessageBoxSeen box = ExpectMessage(L"成功", L"注册成功！");
    EXPECT_EQ(::GetWindow(box.hwnd, GW_OWNER), main_);
    ASSERT_NO_FATAL_FAILURE(Answer(box, main_));
    EXPECT_EQ(GameValue("BNETIP"), "(none)");

    ClickListItem(list, 2, 2);
    ASSERT_NO_FATAL_FAILURE(Answer(L"成功", L"注册成功！", main_));
    EXPECT_EQ(ListSelection(list), 2);
    EXPECT_EQ(GameValue("BNETIP"), Ansi(L"网关.example") + '\0');

    ASSERT_NO_FATAL_FAILURE(Toggle(kAutoRun, true));
    ClickListItem(list, 1);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 1; }));
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(Answer(L"失败", L"未发现游戏目录，请先运行一次暗黑破坏神II。", main_));
    EXPECT_EQ(GameValue("BNETIP"), std::string("1.2.3.4") + '\0');

    ASSERT_TRUE(
        ::CopyFileW(FromUnixPath(TOLVANE_STANDIN_EXE).c_str(), game_.File(L"D2LOAD.EXE").c_str(), FALSE));
    ASSERT_TRUE(SetGameValue("InstallPath", Ansi(game_.path()) + '\0'));
    ASSERT_NO_FATAL_FAILURE(Toggle(kWindow, true));
    ASSERT_TRUE(BringToFront(main_));
    PressKey('O', VK_MENU);
    std::string record;  // the stand-in's: its command line, a tab, its working directory, in UTF-8
    WaitUntil([&] { return !(record = game_.Read(L"standin-record.txt").value_or("")).empty(); });
    std::wstring folder = game_.path().substr(0, game_.path().size() - 1);
    EXPECT_EQ(record, Utf8(L"\"" + game_.path() + L"D2LOAD.EXE\" -w  -skiptobnet\t" + folder + L"\n"));
    EXPECT_EQ(GameValue("BNETIP"), std::string("1.2.3.4") + '\0');
    EXPECT_TRUE(program_->WaitForOnlyVisible(main_));
}

}  // namespace
}  // namespace tolvane::e2e
