#include <gtest/gtest.h>

#include "MemoryHostServices.h"
#include "MemoryRegistry.h"
#include "gateway/ConnectSequence.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "serverlist/ServerEntry.h"
#include "serverlist/ServerList.h"

namespace tolvane {
namespace {

using testing::MemoryHostServices;
using testing::MemoryRegistry;
using testing::SimulatedCrash;

const std::string kKey = GameKeyPath;
const std::wstring kInstallDir = L"C:\\Program Files\\Diablo II\\";

class ConnectSequenceTest : public ::testing::Test {
protected:
    void SetUp() override { WriteList({{L"Alpha", L"1.2.3.4"}, {L"Beta", L"5.6.7.8"}}); }

    // The list file as the writer stores it.
    void WriteList(const std::vector<ServerEntry>& entries) {
        std::string bytes;
        for (const auto& entry : entries)
            bytes += "\"" + host.ToAnsi(entry.name) + "\",\"" + host.ToAnsi(entry.address) + "\"\r\n";
        host.PutFile(kListFileName, bytes);
    }
    void InstallGame() {
        host.AddDirectory(kInstallDir);
        host.PutFile(kInstallDir + L"Diablo II.exe", "MZ");
        registry.PutValue(kKey, kInstallPathValueName, kRegSz, host.ToAnsi(kInstallDir) + '\0');
    }
    std::string StoredGateway() const {
        auto value = registry.GetValue(kKey, kGatewayValueName);
        return value ? value->bytes : "<absent>";
    }
    // Whether the registry calls so far include one starting with `prefix`.
    bool Called(const std::string& prefix) const {
        for (const auto& call : registry.calls) {
            if (call.rfind(prefix, 0) == 0) return true;
        }
        return false;
    }

    MemoryRegistry registry;
    MemoryHostServices host;
    ServerList list{host};
    GatewaySetting gateway{registry, host};
    GameLauncher launcher{registry, host};
    ConnectSequence sequence{list, gateway, launcher};
};

// A user's entry: its address is written, nothing is started, the list file
// is closed again.
TEST_F(ConnectSequenceTest, UserEntryIsRegistered) {
    EXPECT_EQ(sequence.Run(L"Beta", false, false), ConnectOutcome::Registered);
    EXPECT_EQ(StoredGateway(), std::string("5.6.7.8\0", 8));
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.openFiles(), 0);
    EXPECT_EQ(registry.openHandles(), 0);
}

// The fixed first item, and a user's entry of the same name, remove the
// override instead of writing an address; the first needs no list file.
TEST_F(ConnectSequenceTest, OfficialEntryClearsOverride) {
    registry.PutValue(kKey, kGatewayValueName, kRegSz, std::string("1.2.3.4\0", 8));
    host.RemoveFile(kListFileName);
    EXPECT_EQ(sequence.Run(OfficialEntryLabel, false, false), ConnectOutcome::Registered);
    EXPECT_EQ(StoredGateway(), "<absent>");

    WriteList({{L"官方战网", L"9.9.9.9"}});
    registry.PutValue(kKey, kGatewayValueName, kRegSz, std::string("1.2.3.4\0", 8));
    EXPECT_EQ(sequence.Run(L"官方战网", false, false), ConnectOutcome::Registered);
    EXPECT_EQ(StoredGateway(), "<absent>");
    EXPECT_FALSE(Called("RegSetValueExA"));
}

// No selection, or a name no longer in the file: nothing is written, not even
// from a hand-edited record with an empty name, and the outcome stands.
TEST_F(ConnectSequenceTest, NoSelectionOrUnknownNameWritesNothing) {
    WriteList({{L"", L"6.6.6.6"}, {L"Alpha", L"1.2.3.4"}});
    EXPECT_EQ(sequence.Run(L"", false, false), ConnectOutcome::Registered);
    EXPECT_EQ(sequence.Run(L"Gone", false, false), ConnectOutcome::Registered);
    EXPECT_EQ(sequence.Run(L"alpha", false, false), ConnectOutcome::Registered);
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(host.openFiles(), 0);
}

// Without the game's key: the official item or no selection leave it absent
// and nothing starts; a user's entry creates it, so the launcher finds no
// InstallPath and fails.
TEST_F(ConnectSequenceTest, AutoStartWithoutGameKey) {
    EXPECT_EQ(sequence.Run(OfficialEntryLabel, true, false), ConnectOutcome::NothingStarted);
    EXPECT_EQ(sequence.Run(L"", true, false), ConnectOutcome::NothingStarted);
    EXPECT_FALSE(registry.HasKey(kKey));

    EXPECT_EQ(sequence.Run(L"Alpha", true, false), ConnectOutcome::Failed);
    EXPECT_EQ(StoredGateway(), std::string("1.2.3.4\0", 8));
    EXPECT_TRUE(host.started.empty());
    EXPECT_EQ(host.GetWorkingDirectory(), L"C:\\work");
}

// The gateway is written before the launcher looks at the game's key, and the
// game starts windowed when asked.
TEST_F(ConnectSequenceTest, AutoStartWritesGatewayThenStartsGame) {
    InstallGame();
    EXPECT_EQ(sequence.Run(L"Alpha", true, true), ConnectOutcome::Started);

    EXPECT_EQ(registry.calls[1], "RegSetValueExA BNETIP = 0");
    EXPECT_EQ(registry.calls[3], "RegOpenKeyA " + kKey + " = 0");
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0].commandLine, L"\"" + kInstallDir + L"Diablo II.exe\" -w  -skiptobnet");
    EXPECT_EQ(host.GetWorkingDirectory(), L"C:\\work");
}

// A list file that is missing, cannot be opened, or fails while being read
// ends the action with Failed, the file closed and nothing written.
TEST_F(ConnectSequenceTest, ListFileFailureFails) {
    host.LockFile(kListFileName);
    EXPECT_EQ(sequence.Run(L"Alpha", true, false), ConnectOutcome::Failed);

    MemoryHostServices readFails;
    readFails.PutFile(kListFileName, "\"Alpha\",\"1.2.3.4\"\r\n");
    readFails.failNextRead = true;
    ServerList failingList(readFails);
    ConnectSequence other(failingList, gateway, launcher);
    EXPECT_EQ(other.Run(L"Alpha", false, false), ConnectOutcome::Failed);
    EXPECT_EQ(readFails.openFiles(), 0);

    MemoryHostServices noFile;
    ServerList missingList(noFile);
    ConnectSequence third(missingList, gateway, launcher);
    EXPECT_EQ(third.Run(L"Alpha", false, false), ConnectOutcome::Failed);

    EXPECT_TRUE(registry.calls.empty());
}

// After a failed start the working directory is back, so the list file is
// found by the next run.
TEST_F(ConnectSequenceTest, FailedStartLeavesListFileReachable) {
    InstallGame();
    host.startProcessFails = true;
    EXPECT_EQ(sequence.Run(L"Alpha", true, false), ConnectOutcome::Failed);
    EXPECT_EQ(host.GetWorkingDirectory(), L"C:\\work");
    EXPECT_EQ(sequence.Run(L"Beta", false, false), ConnectOutcome::Registered);
    EXPECT_EQ(StoredGateway(), std::string("5.6.7.8\0", 8));
}

// Only std exceptions are the action's failures: a kill (modelled by the test
// host's SimulatedCrash, here while an interrupted removal is being finished)
// is not swallowed.
TEST_F(ConnectSequenceTest, NonStandardThrowPassesThrough) {
    host.PutFile(kTemporaryListFileName, host.FileBytes(kListFileName));
    host.crashAtStep = 1;
    EXPECT_THROW(sequence.Run(L"Alpha", false, false), SimulatedCrash);
}

}  // namespace
}  // namespace tolvane
