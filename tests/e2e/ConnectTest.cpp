// The main action from the main window: the registry value it writes, the
// game it starts, and the message of each outcome. It writes the game's real
// key, so it runs only in the scratch prefix.
#include <filesystem>

#include "Driver.h"
#include "GameKey.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;
using tolvane::testing::ReadGameValue;

class ConnectTest : public TolvaneTest {
protected:
    void SetUp() override {
        if (!tolvane::testing::InScratchPrefix()) GTEST_SKIP() << tolvane::testing::kNotScratchReason;
        tolvane::testing::DeleteGameKeyPath();
    }
    void TearDown() override {
        if (tolvane::testing::InScratchPrefix()) tolvane::testing::DeleteGameKeyPath();
    }
    void Toggle(int id, bool checked) {
        Click(MainControl(id));
        ASSERT_TRUE(WaitUntil([&] { return IsChecked(MainControl(id)) == checked; })) << "control " << id;
    }
    std::string Gateway() const {
        auto stored = ReadGameValue("BNETIP");
        return !stored ? "(none)" : stored->type != REG_SZ ? "(not REG_SZ)" : stored->bytes;
    }
    // The stand-in's record: command line, tab, working directory, in UTF-8.
    // Wine puts quotes around the program path in the child's command line
    // when the parent named the program separately, as the launcher does;
    // Windows passes the text unchanged. The quotes are taken off here only.
    std::wstring WaitForGameRecord() {
        std::string record;
        WaitUntil([&] { return !(record = game_.Read(L"standin-record.txt").value_or("")).empty(); });
        std::wstring text = std::filesystem::u8path(record).wstring();  // from UTF-8
        std::wstring::size_type close;
        if (!text.empty() && text[0] == L'"' && (close = text.find(L'"', 1)) != std::wstring::npos)
            text = text.substr(1, close - 1) + text.substr(close + 1);
        return text;
    }

    TempDirectory game_;
};

// With auto start off, Enter with nothing selected writes nothing and a double
// click writes the item's address; both report success. With auto start on
// and no game folder known, the failure message follows the written address.
// With the game installed and window mode on, the launch button starts the
// loader windowed from the game folder, without a message; the window stays.
TEST_F(ConnectTest, RegisterFailAndLaunch) {
    directory_.Write(L"diablo.dat", Record(L"abc", L"1.2.3.4") + Record(L"电信", L"5.6.7.8"));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND list = MainControl(kList1);
    ASSERT_NO_FATAL_FAILURE(Toggle(kAutoRun, false));
    BringToFront(main_);
    PressKey(VK_RETURN);
    MessageBoxSeen box = ExpectMessage(L"成功", L"注册成功！");
    EXPECT_EQ(::GetWindow(box.hwnd, GW_OWNER), main_);
    ASSERT_NO_FATAL_FAILURE(Answer(box));
    EXPECT_EQ(Gateway(), "(none)");

    ClickListItem(list, 2, 2);
    ASSERT_NO_FATAL_FAILURE(Answer(ExpectMessage(L"成功", L"注册成功！")));
    EXPECT_EQ(ListSelection(list), 2);
    EXPECT_EQ(Gateway(), Ansi(L"5.6.7.8") + '\0');

    ASSERT_NO_FATAL_FAILURE(Toggle(kAutoRun, true));
    ClickListItem(list, 1);
    ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == 1; }));
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(Answer(ExpectMessage(L"失败", L"未发现游戏目录，请先运行一次暗黑破坏神II。")));
    EXPECT_EQ(Gateway(), std::string("1.2.3.4") + '\0');
    EXPECT_TRUE(::IsWindowVisible(main_));

    ASSERT_TRUE(
        ::CopyFileW(FromUnixPath(TOLVANE_STANDIN_EXE).c_str(), game_.File(L"d2load.exe").c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(
        tolvane::testing::WriteGameValue("InstallPath", REG_SZ, Ansi(game_.path()) + '\0'));
    ASSERT_NO_FATAL_FAILURE(Toggle(kWindow, true));
    BringToFront(main_);
    PressKey('O', VK_MENU);
    std::wstring folder = game_.path().substr(0, game_.path().size() - 1);
    EXPECT_EQ(WaitForGameRecord(), game_.path() + L"d2load.exe -w  -skiptobnet\t" + folder + L"\n");
    EXPECT_EQ(Gateway(), std::string("1.2.3.4") + '\0');
    program_->Settle();
    ExpectOnlyVisible(main_);
}

}  // namespace
}  // namespace tolvane::e2e
