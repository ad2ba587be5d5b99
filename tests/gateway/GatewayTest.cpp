// The gateway setting, the launcher and the connect sequence on the in-memory registry and host:
// refused registry calls and every outcome.
#include <gtest/gtest.h>

#include <functional>

#include "MemoryHostServices.h"
#include "MemoryRegistry.h"
#include "gateway/ActiveEntries.h"
#include "gateway/ConnectSequence.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "serverlist/ServerList.h"

namespace tolvane {
namespace {

using Hold = testing::MemoryHostServices::Hold;
using O = ConnectOutcome;
const std::string kKey = GameKeyPath;
const std::wstring kGameDir = L"C:\\Program Files\\Diablo II\\";
const std::string kAddress("1.2.3.4\0", 8);

class GatewayTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.PutFile(kListFileName, "\"Alpha\",\"1.2.3.4\"\r\n\"Beta\",\"5.6.7.8\"\r\n");
    }
    void InstallGame(const wchar_t* file = L"Diablo II.exe") {
        host.AddDirectory(kGameDir);
        host.PutFile(kGameDir + file, "MZ");
        registry.CreateKey(kKey)[kInstallPathValueName] = {kRegSz, host.ToAnsi(kGameDir) + '\0'};
    }
    std::string Gateway() {
        auto* key = registry.Key(kKey);
        return key && key->count(kGatewayValueName) ? key->at(kGatewayValueName).bytes : "<absent>";
    }

    testing::MemoryRegistry registry;
    testing::MemoryHostServices host;
    ServerList list{host};
    GatewaySetting gateway{registry, host};
    GameLauncher launcher{registry, host};
    ConnectSequence sequence{list, gateway, launcher};
};

// Each registry call of the main action refused in turn: a refused gateway change ends it with its
// own outcome, nothing started (nor registered: see the marks); a refused close does not matter.
TEST_F(GatewayTest, RefusedRegistryCallsInTurn) {
    InstallGame();
    // Create or open, set or delete, close; then the launcher's open, two queries, close.
    const O outcomes[] = {
        O::GatewayNotChanged, O::GatewayNotChanged, O::Started, O::Failed, O::Failed, O::Failed, O::Started};
    registry.CreateKey(kKey)[kGatewayValueName] = {kRegSz, "old"};
    int leaked = 0;  // a handle whose close was refused stays open
    for (const Selection selected : {L"Alpha", OfficialEntryLabel}) {
        for (std::size_t call = 1; call <= std::size(outcomes); ++call) {
            SCOPED_TRACE(call);
            host.started.clear();
            registry.FailCall(static_cast<int>(call), 5);  // ERROR_ACCESS_DENIED
            EXPECT_EQ(sequence.Run(selected, true, false), outcomes[call - 1]);
            EXPECT_EQ(host.started.size(), outcomes[call - 1] == O::Started ? 1u : 0u);
            leaked += call == 3 || call == 7;
            EXPECT_EQ(registry.openHandles(), leaked);
        }
    }
}

// The text ends at the first NUL or where the data ends, from code page 936, any type. No key, or
// no value: not found, and the key closed.
TEST_F(GatewayTest, ReadInstallPath) {
    using Status = GameLauncher::InstallPath::Status;
    registry.CreateKey(kKey)[kInstallPathValueName] = {3, std::string("C:\\\xD3\xCE\xCF\xB7\\\0old\0", 13)};
    EXPECT_EQ(launcher.ReadInstallPath().directory, L"C:\\游戏\\");
    registry.CreateKey(kKey)[kInstallPathValueName] = {kRegSz, "C:\\Game\\"};
    EXPECT_EQ(launcher.ReadInstallPath().directory, L"C:\\Game\\");
    registry = {};
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::NoGameKey);
    registry.CreateKey(kKey)[kGatewayValueName] = {kRegSz, kAddress};
    EXPECT_EQ(launcher.ReadInstallPath().status, Status::Unreadable);
    EXPECT_EQ(registry.openHandles(), 0);
}

// The loader starts minimized under its stored name, quoted, in the game's folder, else the game,
// windowed when asked; an empty folder text starts nothing, not even a game in our own folder.
TEST_F(GatewayTest, LaunchStartsTheQuotedProgramInTheGameFolder) {
    InstallGame(L"D2LOAD.EXE");
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Started);
    host.RemoveFile(kGameDir + L"D2LOAD.EXE");
    host.PutFile(kGameDir + L"Diablo II.exe", "MZ");
    EXPECT_EQ(launcher.Launch(true), LaunchOutcome::Started);
    host.PutFile(L"Diablo II.exe", "MZ");
    registry.CreateKey(kKey)[kInstallPathValueName] = {kRegSz, std::string(1, '\0')};
    EXPECT_EQ(launcher.Launch(false), LaunchOutcome::Failed);
    ASSERT_EQ(host.started.size(), 2u);
    EXPECT_EQ(host.started[0].applicationName, kGameDir + L"D2LOAD.EXE");
    EXPECT_EQ(host.started[0].commandLine, L"\"" + kGameDir + L"D2LOAD.EXE\"  -skiptobnet");
    EXPECT_EQ(host.started[0].showWindow, 2);
    EXPECT_EQ(host.started[0].workingDirectory, L"C:\\Program Files\\Diablo II");
    EXPECT_EQ(host.started[1].commandLine, L"\"" + kGameDir + L"Diablo II.exe\" -w  -skiptobnet");
}

// Without auto start: an address written, the official name clearing it, or nothing written, also
// when the chosen name has left the file.
TEST_F(GatewayTest, SelectionsWithoutAutoStart) {
    const std::tuple<Selection, std::string, std::string, O> cases[] = {
        {L"Beta", "\"Beta\",\"5.6.7.8\"\r\n", std::string("5.6.7.8\0", 8), O::Registered},
        {OfficialEntryLabel, "<none>", "<absent>", O::Registered},
        {L"官方战网", "\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"9.9.9.9\"\r\n", "<absent>", O::Registered},
        {std::nullopt, "\"\",\"6.6.6.6\"\r\n", kAddress, O::Registered},
        {L"", "\"\",\"6.6.6.6\"\r\n", std::string("6.6.6.6\0", 8), O::Registered},
        {L"Gone", "\"Alpha\",\"6.6.6.6\"\r\n", kAddress, O::ServerLeftList},
    };
    for (const auto& [selected, file, gatewayAfter, outcome] : cases) {
        SCOPED_TRACE(::testing::PrintToString(file));
        registry.CreateKey(kKey)[kGatewayValueName] = {kRegSz, kAddress};
        file == "<none>" ? (void)host.RemoveFile(kListFileName) : host.PutFile(kListFileName, file);
        EXPECT_EQ(sequence.Run(selected, false, false), outcome);
        EXPECT_EQ(Gateway(), gatewayAfter);
        EXPECT_EQ(host.openFiles + registry.openHandles(), 0);
    }
    EXPECT_TRUE(host.started.empty());
}

// Without the game's key: the game is not found, and no key is made unless a gateway is written.
// (With it, every outcome comes in MarksTheEntriesTheGameWillUse.)
TEST_F(GatewayTest, AutoStart) {
    EXPECT_EQ(sequence.Run(OfficialEntryLabel, true, false), O::Failed);
    EXPECT_EQ(sequence.Run(std::nullopt, true, false), O::Failed);
    EXPECT_FALSE(registry.Key(kKey));
    EXPECT_EQ(sequence.Run(L"Alpha", true, false), O::Failed);
    EXPECT_EQ(Gateway(), kAddress);  // here: the registry under Wine adds a missing NUL itself
    EXPECT_EQ(registry.Key(kKey)->at(kGatewayValueName).type, kRegSz);
    EXPECT_TRUE(host.started.empty());
}

// A list file failing while read, or missing: its own outcome, the file closed, nothing
// written or started. A missing list beside a leftover "diablo.new" is restored from it.
TEST_F(GatewayTest, ListFileFailure) {
    InstallGame();
    host.failNextRead = true;
    EXPECT_EQ(sequence.Run(L"Alpha", false, false), O::ListFileFailed);
    EXPECT_EQ(host.openFiles, 0);
    host.RemoveFile(kListFileName);
    EXPECT_EQ(sequence.Run(L"Alpha", true, false), O::ListFileFailed);
    EXPECT_EQ(Gateway(), "<absent>");
    host.PutFile(kTemporaryListFileName, "\"Alpha\",\"1.2.3.4\"\r\n");
    EXPECT_EQ(sequence.Run(L"Alpha", false, false), O::Registered);
    EXPECT_EQ(Gateway(), kAddress);
}

// Marked: the fixed item while no override is set (no key, no value), else every record holding the
// override's text (read up to a NUL or the data's end, from code page 936); none when it names no
// record or cannot be read. Reading never creates the key; an appended record is marked unread.
TEST_F(GatewayTest, MarksTheEntriesTheGameWillUse) {
    ActiveEntries active{gateway};
    auto marks = [&] {
        std::string rows;
        for (std::size_t row = 0; row < 6; ++row) rows += active.IsActive(row) ? '*' : '.';
        return rows;
    };
    active.Fill({L"1.2.3.4", L"5.6.7.8", L"1.2.3.4", L"网关.example"});
    EXPECT_EQ(marks(), "*.....");
    EXPECT_FALSE(registry.Key(kKey));
    const std::pair<std::string, std::string> states[] = {
        {"<absent>", "*....."},
        {std::string("1.2.3.4\0", 8), ".*.*.."},
        {"5.6.7.8", "..*..."},
        {host.ToAnsi(L"网关.example") + '\0', "....*."},
        {std::string("\0", 1), "......"},
        {std::string("9.9.9.9\0", 8), "......"},
    };
    for (const auto& [value, rows] : states) {
        auto& key = registry.CreateKey(kKey);
        value == "<absent>" ? (void)key.erase(kGatewayValueName)
                            : (void)(key[kGatewayValueName] = {kRegSz, value});
        active.Refresh();
        EXPECT_EQ(marks(), rows) << ::testing::PrintToString(value);
    }
    int calls = registry.calls;
    active.Append(L"9.9.9.9");
    EXPECT_EQ(marks(), ".....*");
    EXPECT_EQ(registry.calls, calls);
    for (int refused : {1, 2, 3}) {  // the open, either query
        registry.FailCall(refused, 5);
        active.Refresh();
        EXPECT_EQ(marks(), "......") << refused;
    }
    EXPECT_EQ(registry.openHandles(), 0);

    // Every outcome with the game installed, the setting read again after each: the mark goes where
    // the setting went, also when the start failed after the write, and stays when nothing was written.
    InstallGame();
    active.Fill({L"1.2.3.4", L"5.6.7.8"});  // the list file's Alpha and Beta
    const std::tuple<Selection, bool, std::function<void()>, O, std::string> connects[] = {
        {L"Beta", false, [] {}, O::Registered, "..*..."},
        {OfficialEntryLabel, false, [] {}, O::Registered, "*....."},
        {L"Alpha", true, [] {}, O::Started, ".*...."},
        {L"Beta", true, [&] { host.startProcessFails = true; }, O::Failed, "..*..."},
        {L"Alpha", false, [&] { registry.FailCall(2, 5); }, O::GatewayNotChanged, "..*..."},
        {L"Gone", true, [] {}, O::ServerLeftList, "..*..."},
        {L"Alpha", true, [&] { host.HoldFile(kListFileName, Hold::Exclusive); }, O::ListFileFailed, "..*..."},
    };
    for (const auto& [selected, autoStart, before, outcome, rows] : connects) {
        before();
        EXPECT_EQ(sequence.Run(selected, autoStart, false), outcome);
        active.Refresh();
        EXPECT_EQ(marks(), rows) << static_cast<int>(outcome);
    }
    EXPECT_EQ(host.started.size(), 1u);
}

}  // namespace
}  // namespace tolvane
