// GameLauncher on the real registry and process creation, with the stand-in
// game copied into an install directory whose path holds spaces.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "GameKey.h"
#include "gateway/GameLauncher.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"

namespace tolvane::testing {
namespace {

constexpr const wchar_t* kRecordFileName = L"standin-record.txt";

// The build tree path as CMake knows it. Under Wine it is a Unix path, which
// Windows programs see on drive Z:.
std::wstring StandinPath() {
    std::string path = TOLVANE_STANDIN_EXE;
    std::wstring out(path.begin(), path.end());
    for (auto& c : out) {
        if (c == L'/') c = L'\\';
    }
    if (!out.empty() && out[0] == L'\\') out = L"Z:" + out;
    return out;
}

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    return std::wstring(buffer, length);
}

std::string ToUtf8(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size > 0 ? size - 1 : 0));
    return out;
}

std::string ToAnsi(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;  // NUL included
}

std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void RemoveTree(const std::wstring& directory) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((directory + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = directory + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(directory.c_str());
}

// One line of the stand-in's record: what the started program received.
struct Record {
    std::string commandLine;
    std::string workingDirectory;
};

class Win32LauncherTest : public GameKeyTest {
protected:
    void SetUp() override {
        GameKeyTest::SetUp();
        if (IsSkipped()) return;
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"Tolvane Launch " + std::to_wstring(::GetCurrentProcessId());
        installDir_ = root_ + L"\\Diablo II\\";
        RemoveTree(root_);  // left by an earlier process of the same id
        ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr)) << "error " << ::GetLastError();
        ASSERT_TRUE(::CreateDirectoryW(installDir_.c_str(), nullptr));
        // Beside the install directory: what an unquoted path with spaces
        // would run first. It must never run.
        ASSERT_TRUE(::CopyFileW(StandinPath().c_str(), (root_ + L"\\Diablo.exe").c_str(), TRUE));
        // The caller works in a directory of its own, to be found again.
        callerDir_ = root_ + L"\\caller";
        ASSERT_TRUE(::CreateDirectoryW(callerDir_.c_str(), nullptr));
        previousDir_ = CurrentDirectory();
        ASSERT_TRUE(::SetCurrentDirectoryW(callerDir_.c_str()));
    }

    void TearDown() override {
        if (!root_.empty()) {
            ::SetCurrentDirectoryW(previousDir_.c_str());
            RemoveTree(root_);
        }
        GameKeyTest::TearDown();
    }

    void PutGame(const wchar_t* fileName) {
        ASSERT_TRUE(::CopyFileW(StandinPath().c_str(), (installDir_ + fileName).c_str(), TRUE));
    }

    void SetInstallPath(const std::wstring& directory) {
        WriteGameValue(kInstallPathValueName, REG_SZ, ToAnsi(directory));
    }

    // Waits (bounded) for the started game's record and returns its lines.
    std::vector<Record> WaitForRecords() {
        std::wstring path = installDir_ + kRecordFileName;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string bytes;
        while (std::chrono::steady_clock::now() < deadline) {
            bytes = ReadWholeFile(path);
            if (!bytes.empty() && bytes.back() == '\n') break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::vector<Record> records;
        std::istringstream lines(bytes);
        std::string line;
        while (std::getline(lines, line)) {
            auto tab = line.find('\t');
            records.push_back({line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1)});
            std::printf("[ observed ] command line: %s\n[ observed ] working directory: %s\n",
                        records.back().commandLine.c_str(), records.back().workingDirectory.c_str());
        }
        return records;
    }

    // What the file planted beside the install directory recorded: empty
    // unless it ran.
    std::string PlantedRecord() const { return ReadWholeFile(root_ + L"\\" + kRecordFileName); }
    std::string GameRecord() const { return ReadWholeFile(installDir_ + kRecordFileName); }

    // Launches and checks that exactly the expected program ran once, in the
    // install directory, while the caller's directory is back and the planted
    // file stayed idle.
    void ExpectStartsOnce(bool windowMode, const std::string& program, const std::string& switches) {
        SetInstallPath(installDir_);
        EXPECT_EQ(launcher.Launch(windowMode), LaunchOutcome::Started);
        EXPECT_EQ(CurrentDirectory(), callerDir_);
        auto records = WaitForRecords();
        EXPECT_EQ(PlantedRecord(), "");
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].commandLine, "\"" + ToUtf8(installDir_) + program + "\"" + switches);
        EXPECT_EQ(records[0].workingDirectory, ToUtf8(root_ + L"\\Diablo II"));
    }

    std::wstring root_, installDir_, callerDir_, previousDir_;
    Win32Module1 registry;
    Win32HostServices host;
    GameLauncher launcher{registry, host};
};

// The loader, stored in upper case, is started under that name.
TEST_F(Win32LauncherTest, StartsLoaderUnderStoredNameInInstallDirectory) {
    PutGame(L"Diablo II.exe");
    PutGame(L"D2LOAD.EXE");
    ExpectStartsOnce(false, "D2LOAD.EXE", "  -skiptobnet");
}

// Without a loader the game itself starts, windowed when asked.
TEST_F(Win32LauncherTest, StartsGameWindowedWithoutLoader) {
    PutGame(L"Diablo II.exe");
    ExpectStartsOnce(true, "Diablo II.exe", " -w  -skiptobnet");
}

// No key: nothing is tried. A key without InstallPath, a missing directory,
// or one without its trailing separator: Failed. The caller's directory
// stays in every case and no program runs.
TEST_F(Win32LauncherTest, NothingStartsWithoutUsableInstallPath) {
    PutGame(L"Diablo II.exe");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::NoGameKey);
    EXPECT_FALSE(GameKeyExists());

    WriteGameValue("BNETIP", REG_SZ, std::string("1.2.3.4\0", 8));
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);

    SetInstallPath(root_ + L"\\Missing\\");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);

    SetInstallPath(root_ + L"\\Diablo II");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);

    EXPECT_EQ(CurrentDirectory(), callerDir_);
    EXPECT_EQ(PlantedRecord(), "");
    EXPECT_EQ(GameRecord(), "");
}

}  // namespace
}  // namespace tolvane::testing
