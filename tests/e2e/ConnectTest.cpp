// The main action from the main window: the registry value it writes or
// removes, the game it starts, and the message of each outcome. These tests
// write the game's real key, so they run only in the scratch prefix.
#include "Driver.h"
#include "GameKey.h"
#include "ui/ControlIds.h"

namespace tolvane::e2e {
namespace {

using namespace ui::form1;
using tolvane::testing::ReadGameValue;
using tolvane::testing::WriteGameValue;

class ConnectTest : public TolvaneTest {
protected:
    void SetUp() override {
        if (!tolvane::testing::InScratchPrefix()) GTEST_SKIP() << tolvane::testing::kNotScratchReason;
        tolvane::testing::DeleteGameKeyPath();
        directory_.Write(L"diablo.dat", Record(L"abc", L"1.2.3.4") + Record(L"电信", L"5.6.7.8"));
    }
    void TearDown() override {
        if (tolvane::testing::InScratchPrefix()) tolvane::testing::DeleteGameKeyPath();
    }

    // A game directory holding the stand-in under `executable`, named by the
    // game's "InstallPath".
    void InstallGame(const wchar_t* executable) {
        ASSERT_TRUE(
            ::CopyFileW(FromUnixPath(TOLVANE_STANDIN_EXE).c_str(), game_.File(executable).c_str(), FALSE));
        ASSERT_NO_FATAL_FAILURE(WriteGameValue("InstallPath", REG_SZ, Ansi(game_.path()) + '\0'));
    }
    // Selects list item `index` with a click.
    void Select(int index) {
        HWND list = MainControl(kList1);
        int itemHeight = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        RECT rect;
        ::GetWindowRect(list, &rect);
        ClickAtScreen({rect.left + 20, rect.top + 2 + itemHeight * index + itemHeight / 2});
        ASSERT_TRUE(WaitUntil([&] { return ListSelection(list) == index; }));
    }
    void UncheckAutoRun() {
        Click(MainControl(kAutoRun));
        ASSERT_TRUE(WaitUntil([&] { return !IsChecked(MainControl(kAutoRun)); }));
    }
    // The stand-in's record: command line, tab, working directory. Wine puts
    // quotes around the program path in the child's command line when the
    // parent named the program separately, as the launcher does; Windows
    // passes the text unchanged. The quotes are taken off here only.
    std::string WaitForGameRecord() {
        std::string record;
        WaitUntil([&] {
            record = game_.Read(L"standin-record.txt").value_or("");
            return !record.empty();
        });
        std::string::size_type close;
        if (!record.empty() && record[0] == '"' && (close = record.find('"', 1)) != std::string::npos)
            record = record.substr(1, close - 1) + record.substr(close + 1);
        return record;
    }
    void ExpectMessage(const wchar_t* title, const wchar_t* text) {
        MessageBoxSeen box = program_->WaitForMessageBox();
        ASSERT_NE(box.hwnd, nullptr);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        ASSERT_NO_FATAL_FAILURE(Answer(box, VK_RETURN));
    }
    std::string Utf8(const std::wstring& text) {
        int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
        std::string out(static_cast<std::size_t>(size), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                              nullptr, nullptr);
        return out;
    }

    TempDirectory game_;
};

// A double click with auto start off writes the entry's address and reports success.
TEST_F(ConnectTest, DoubleClickRegistersTheAddress) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(UncheckAutoRun());
    HWND list = MainControl(kList1);
    int itemHeight = static_cast<int>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    DoubleClickAt(list, 20, itemHeight * 2 + itemHeight / 2);  // the third item
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(L"成功", L"注册成功！"));
    auto stored = ReadGameValue("BNETIP");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->bytes, Ansi(L"5.6.7.8") + '\0');
    EXPECT_EQ(ListSelection(list), 2);
}

// With auto start and window mode on, the launch button writes the address,
// then starts the loader windowed from the game directory; no message, the
// window stays.
TEST_F(ConnectTest, LaunchStartsTheLoaderWindowedInTheGameDirectory) {
    ASSERT_NO_FATAL_FAILURE(InstallGame(L"d2load.exe"));
    ASSERT_NO_FATAL_FAILURE(Start());
    Click(MainControl(kWindow));
    ASSERT_TRUE(WaitUntil([&] { return IsChecked(MainControl(kWindow)); }));
    ASSERT_NO_FATAL_FAILURE(Select(1));
    PressAltKey('O');
    std::string record = WaitForGameRecord();
    std::wstring directory = game_.path().substr(0, game_.path().size() - 1);
    EXPECT_EQ(record, Utf8(game_.path() + L"d2load.exe -w  -skiptobnet\t" + directory + L"\n"));
    EXPECT_EQ(ReadGameValue("BNETIP")->bytes, std::string("1.2.3.4") + '\0');
    program_->Settle();
    EXPECT_EQ(program_->VisibleWindows(), std::vector<HWND>{main_});
}

// A game key without an install path: the failure message.
TEST_F(ConnectTest, MissingGameDirectoryShowsTheFailureMessage) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Select(1));
    PressKey(VK_RETURN);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(L"失败", L"未发现游戏目录，请先运行一次暗黑破坏神II。"));
    EXPECT_EQ(ReadGameValue("BNETIP")->bytes, std::string("1.2.3.4") + '\0');
    EXPECT_TRUE(::IsWindowVisible(main_));
}

}  // namespace
}  // namespace tolvane::e2e
