#include <gtest/gtest.h>

#include "MemoryHostServices.h"
#include "MemoryRegistry.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"

namespace tolvane {
namespace {

using testing::MemoryHostServices;
using testing::MemoryRegistry;
using Status = GameLauncher::InstallPath::Status;

const std::string kKey = GameKeyPath;
const std::wstring kInstallDir = L"C:\\Program Files\\Diablo II\\";
const std::wstring kCallerDir = L"C:\\work";

class GameLauncherTest : public ::testing::Test {
protected:
    // Records the directory text as InstallPath, with its NUL.
    void SetInstallPath(const std::wstring& directory) {
        registry.PutValue(kKey, kInstallPathValueName, kRegSz, host.ToAnsi(directory) + '\0');
    }
    // A game directory holding the given files, and its InstallPath.
    void InstallGame(std::initializer_list<const wchar_t*> files) {
        host.AddDirectory(kInstallDir);
        for (const wchar_t* file : files) host.PutFile(kInstallDir + file, "MZ");
        SetInstallPath(kInstallDir);
    }

    MemoryRegistry registry;
    MemoryHostServices host;
    GameLauncher launcher{registry, host};
};

// The size is asked first, then exactly that many bytes are read; the text
// ends at the first NUL whatever follows, and the key is closed.
TEST_F(GameLauncherTest, ReadInstallPathUsesSizeQueryAndFirstNul) {
    registry.PutValue(kKey, kInstallPathValueName, kRegSz, std::string("D:\\Game\\\0old\0", 13));

    auto path = launcher.ReadInstallPath();

    EXPECT_EQ(path.status, Status::Found);
    EXPECT_EQ(path.directory, L"D:\\Game\\");
    EXPECT_EQ(registry.calls, (std::vector<std::string>{
                                  "RegOpenKeyA " + kKey + " = 0", "RegQueryValueExA InstallPath size = 0",
                                  "RegQueryValueExA InstallPath buffer = 0", "RegCloseKey = 0"}));
}

// A Chinese directory comes back from code page 936; the stored type is not
// looked at, only the bytes.
TEST_F(GameLauncherTest, ReadInstallPathConvertsFromAnsiAndIgnoresType) {
    registry.PutValue(kKey, kInstallPathValueName, 3 /* REG_BINARY */,
                      std::string("C:\\\xD3\xCE\xCF\xB7\\\0", 9));
    auto path = launcher.ReadInstallPath();
    EXPECT_EQ(path.status, Status::Found);
    EXPECT_EQ(path.directory, L"C:\\游戏\\");
}

// Key absent, value absent, value without NUL, or a failed read: each is told
// apart from success, and an opened key is always closed.
TEST_F(GameLauncherTest, ReadInstallPathFailures) {
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::NoGameKey);
    EXPECT_EQ(registry.calls.size(), 1u);

    registry.PutKey(kKey);
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::Unreadable);
    EXPECT_EQ(registry.openHandles(), 0);

    registry.PutValue(kKey, kInstallPathValueName, kRegSz, "C:\\Game\\");
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::Unreadable);
    EXPECT_EQ(registry.openHandles(), 0);

    SetInstallPath(L"C:\\Game\\");
    registry.FailCall("RegQueryValueExA", 5, 2);  // the second query of this read
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::Unreadable);
    EXPECT_EQ(registry.openHandles(), 0);
}

// The loader wins under the letter case it is stored in; without it the game
// itself is named, whether or not it exists.
TEST_F(GameLauncherTest, ChooseExecutablePrefersLoaderUnderStoredName) {
    host.PutFile(L"C:\\A\\D2LOAD.EXE", "MZ");
    host.PutFile(L"C:\\B\\D2Load.Exe", "MZ");
    EXPECT_EQ(launcher.ChooseExecutable(L"C:\\A\\"), L"D2LOAD.EXE");
    EXPECT_EQ(launcher.ChooseExecutable(L"C:\\B\\"), L"D2Load.Exe");
    EXPECT_EQ(launcher.ChooseExecutable(L"C:\\Empty\\"), L"Diablo II.exe");
    // No separator is inserted: "C:\A" + "d2load.exe" names no file.
    EXPECT_EQ(launcher.ChooseExecutable(L"C:\\A"), L"Diablo II.exe");
}

// The loader is started minimized from the game directory, under its full
// path as application name and quoted in the command line; without it the
// game itself, windowed when asked. The caller's directory is back each time.
TEST_F(GameLauncherTest, LaunchStartsLoaderOrGameInGameDirectory) {
    InstallGame({L"Diablo II.exe", L"D2LOAD.EXE"});
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Started);

    host.RemoveFile(kInstallDir + L"D2LOAD.EXE");
    EXPECT_EQ(launcher.Launch(true), LaunchOutcome::Started);

    ASSERT_EQ(host.started.size(), 2u);
    EXPECT_EQ(host.started[0].applicationName, kInstallDir + L"D2LOAD.EXE");
    EXPECT_EQ(host.started[0].commandLine, L"\"" + kInstallDir + L"D2LOAD.EXE\"  -skiptobnet");
    EXPECT_EQ(host.started[0].showWindow, 2);
    EXPECT_EQ(host.started[0].workingDirectory, L"C:\\Program Files\\Diablo II");
    EXPECT_EQ(host.started[1].applicationName, kInstallDir + L"Diablo II.exe");
    EXPECT_EQ(host.started[1].commandLine, L"\"" + kInstallDir + L"Diablo II.exe\" -w  -skiptobnet");
    EXPECT_EQ(host.GetWorkingDirectory(), kCallerDir);
    EXPECT_EQ(registry.openHandles(), 0);
}

// Without the game's key nothing is tried: the directory is never touched.
TEST_F(GameLauncherTest, LaunchWithoutKeyStartsNothing) {
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::NoGameKey);
    EXPECT_TRUE(host.started.empty());
    EXPECT_TRUE(host.directoryChanges.empty());
}

// Every failure after the directory was remembered leaves the caller's
// directory in place: value absent, directory missing, no separator at the
// end, the process not starting.
TEST_F(GameLauncherTest, LaunchFailuresRestoreWorkingDirectory) {
    registry.PutKey(kKey);
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    EXPECT_TRUE(host.directoryChanges.empty());

    SetInstallPath(L"C:\\Missing\\");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    EXPECT_EQ(host.GetWorkingDirectory(), kCallerDir);

    InstallGame({L"Diablo II.exe", L"d2load.exe"});
    SetInstallPath(L"C:\\Program Files\\Diablo II");
    host.directoryChanges.clear();
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    EXPECT_EQ(host.directoryChanges,
              (std::vector<std::wstring>{L"C:\\Program Files\\Diablo II", kCallerDir}));

    SetInstallPath(kInstallDir);
    host.startProcessFails = true;
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    EXPECT_EQ(host.GetWorkingDirectory(), kCallerDir);
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(registry.openHandles(), 0);
}

}  // namespace
}  // namespace tolvane
