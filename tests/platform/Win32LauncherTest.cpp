// GameLauncher on the real registry and process creation, with the stand-in
// game copied into an install directory whose path holds spaces.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "GameKey.h"
#include "gateway/GameLauncher.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"

namespace tolvane::testing {
namespace {

namespace fs = std::filesystem;
constexpr const wchar_t* kRecord = L"standin-record.txt";  // what a started stand-in received

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Win32LauncherTest : public GameKeyTest {
protected:
    void SetUp() override {
        GameKeyTest::SetUp();
        if (IsSkipped()) return;
        root_ = fs::temp_directory_path() / (L"Tolvane Launch " + std::to_wstring(::GetCurrentProcessId()));
        game_ = root_ / L"Diablo II";
        fs::remove_all(root_);
        fs::create_directories(game_);
        fs::create_directories(root_ / L"caller");
        Plant(root_ / L"Diablo.exe");  // what an unquoted path would run first: it must never run
        previous_ = fs::current_path();
        fs::current_path(root_ / L"caller");
    }
    void TearDown() override {
        if (!root_.empty()) {
            fs::current_path(previous_);
            fs::remove_all(root_);
        }
        GameKeyTest::TearDown();
    }

    void Plant(const fs::path& target) {
        std::string standin = TOLVANE_STANDIN_EXE;  // under Wine a Unix path, on drive Z:
        fs::copy_file(standin[0] == '/' ? "Z:" + standin : standin, target);
    }
    void SetInstallPath(const std::wstring& directory) {
        WriteGameValue(kInstallPathValueName, REG_SZ, host.ToAnsi(directory) + '\0');
    }

    // Exactly `program` ran once, with `switches`, in the install directory;
    // the caller's directory is back and the planted file stayed idle.
    void ExpectStartsOnce(bool windowMode, const std::string& program, const std::string& switches) {
        SetInstallPath(game_.wstring() + L"\\");
        EXPECT_EQ(launcher.Launch(windowMode), LaunchOutcome::Started);
        EXPECT_EQ(fs::current_path(), root_ / L"caller");
        std::string record;
        for (int i = 0; i < 500 && (record.empty() || record.back() != '\n'); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            record = ReadWholeFile(game_ / kRecord);
        }
        std::string game = game_.u8string();
        EXPECT_EQ(record, "\"" + game + "\\" + program + "\"" + switches + "\t" + game + "\n");
        EXPECT_EQ(ReadWholeFile(root_ / kRecord), "");
    }

    fs::path root_, game_, previous_;
    Win32Module1 registry;
    Win32HostServices host;
    GameLauncher launcher{registry, host};
};

// The loader, stored in upper case, is started under that name.
TEST_F(Win32LauncherTest, StartsLoaderUnderStoredNameInInstallDirectory) {
    Plant(game_ / L"Diablo II.exe");
    Plant(game_ / L"D2LOAD.EXE");
    ExpectStartsOnce(false, "D2LOAD.EXE", "  -skiptobnet");
}

// Without a loader the game itself starts, windowed when asked.
TEST_F(Win32LauncherTest, StartsGameWindowedWithoutLoader) {
    Plant(game_ / L"Diablo II.exe");
    ExpectStartsOnce(true, "Diablo II.exe", " -w  -skiptobnet");
}

// No key, no InstallPath, a missing directory or no trailing separator: nothing runs, directory kept.
TEST_F(Win32LauncherTest, NothingStartsWithoutUsableInstallPath) {
    Plant(game_ / L"Diablo II.exe");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::NoGameKey);
    HKEY key;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, GameKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    WriteGameValue(kGatewayValueName, REG_SZ, std::string("1.2.3.4\0", 8));
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    SetInstallPath(root_.wstring() + L"\\Missing\\");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    SetInstallPath(game_.wstring());
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    EXPECT_EQ(fs::current_path(), root_ / L"caller");
    EXPECT_EQ(ReadWholeFile(root_ / kRecord) + ReadWholeFile(game_ / kRecord), "");
}

}  // namespace
}  // namespace tolvane::testing
