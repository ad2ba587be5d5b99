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
    void InstallGame() {
        host.AddDirectory(kGameDir);
        host.PutFile(kGameDir + L"Diablo II.exe", "MZ");
        registry.CreateKey(kKey)[kInstallPathValueName] = {kRegSz, host.ToAnsi(kGameDir) + '\0'};
    }
    std::string Gateway() {
        auto* key = registry.Key(kKey);
        if (!key || !key->count(kGatewayValueName)) return key ? "<absent>" : "<no key>";
        return key->at(kGatewayValueName).type == kRegSz ? key->at(kGatewayValueName).bytes : "<type>";
    }

    O Run(const Selection& selected, bool autoStart, bool windowMode = false) {
        return (result = sequence.Run(selected, autoStart, windowMode)).outcome;
    }

    testing::MemoryRegistry registry;
    testing::MemoryHostServices host;
    ServerList list{host};
    GatewaySetting gateway{registry, host};
    GameLauncher launcher{registry, host};
    ConnectSequence sequence{list, gateway, launcher, host};
    ConnectResult result;  // of the last Run
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
            EXPECT_EQ(Run(selected, true, false), outcomes[call - 1]);
            EXPECT_EQ(host.started.size(), outcomes[call - 1] == O::Started ? 1u : 0u);
            leaked += call == 3 || call == 7;
            EXPECT_EQ(registry.openHandles(), leaked);
        }
    }
}

// "InstallPath" (any type, up to a NUL or the data's end, code page 936), with or without its final
// backslash, joined to a file name by one backslash for the loader's lookup, the program, its quoted
// command line and its folder: the loader under its stored name, else the game, minimized, windowed
// when asked. Else why not: no key, no folder text, no such folder, neither program, the system's refusal.
TEST_F(GatewayTest, Launch) {
    using L = LaunchOutcome;
    const std::string dir = "C:\\Program Files\\Diablo II", nul(1, '\0');
    const std::tuple<std::string, const wchar_t*, std::uint32_t, L, const wchar_t*> cases[] = {
        {dir + "\\" + nul + "old", L"D2LOAD.EXE", 0, L::Started, L"D2LOAD.EXE"},
        {dir, L"D2LOAD.EXE", 0, L::Started, L"D2LOAD.EXE"},
        {dir + "\\" + nul, L"Diablo II.exe", 0, L::Started, L"Diablo II.exe"},
        {dir + nul, L"Diablo II.exe", 0, L::Started, L"Diablo II.exe"},
        {dir + nul, L"Diablo II.exe", 5, L::Refused, L"Diablo II.exe"},
        {dir + nul, L"d2load.txt", 0, L::NoProgram, L"Diablo II.exe"},
        {"C:\\\xD3\xCE\xCF\xB7" + nul, L"Diablo II.exe", 0, L::NoFolder, L""},  // C:\游戏
        {nul, L"Diablo II.exe", 0, L::NoInstallPath, L""},
        {"<no value>", L"Diablo II.exe", 0, L::NoInstallPath, L""},
        {"<no key>", L"Diablo II.exe", 0, L::NoGameKey, L""},
    };
    host.AddDirectory(kGameDir);
    for (const auto& [installPath, file, refusal, outcome, program] : cases) {
        SCOPED_TRACE(installPath + host.ToAnsi(file));
        host.PutFile(kGameDir + file, "MZ");
        host.refuseStart = refusal;
        registry = {};
        if (installPath != "<no key>") registry.CreateKey(kKey);
        if (installPath[0] != '<') registry.CreateKey(kKey)[kInstallPathValueName] = {3, installPath};
        bool windowed = host.started.size() % 2;  // every other start
        LaunchResult launch = launcher.Launch(windowed);
        EXPECT_EQ(launch.outcome, outcome);
        EXPECT_EQ(launch.folder, installPath[0] == '<' ? L"" : host.FromAnsi(installPath.c_str()));
        EXPECT_EQ(launch.program, *program ? kGameDir + program : L"");
        EXPECT_EQ(launch.error, refusal);
        if (outcome == L::Started && !host.started.empty()) {
            const auto& [application, commandLine, show, folder] = host.started.back();
            EXPECT_EQ(application + L"|" + commandLine + L"|" + folder + L"|" + std::to_wstring(show),
                      kGameDir + program + L"|\"" + kGameDir + program + L"\"" +
                          (windowed ? L" -w  -skiptobnet|" : L"  -skiptobnet|") +
                          L"C:\\Program Files\\Diablo II|2");
        }
        host.RemoveFile(kGameDir + file);
    }
    EXPECT_EQ(host.started.size(), 4u);
    EXPECT_EQ(registry.openHandles(), 0);
}

// The game not installed. Without auto start: an address written, the official name clearing it, or
// nothing written (nothing selected, a name gone from the file). With it, and no game key: the game not
// found, no key made unless a gateway is written, as the result tells. (With the game: the marks' test.)
TEST_F(GatewayTest, Selections) {
    const std::tuple<Selection, bool, std::string, std::string, O> cases[] = {
        {L"Beta", false, "\"Beta\",\"5.6.7.8\"\r\n", std::string("5.6.7.8\0", 8), O::Registered},
        {OfficialEntryLabel, false, "<none>", "<absent>", O::Registered},
        {L"官方战网", false, "\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"9.9.9.9\"\r\n", "<absent>",
         O::Registered},
        {std::nullopt, false, "\"\",\"6.6.6.6\"\r\n", kAddress, O::NothingSelected},
        {L"", false, "\"\",\"6.6.6.6\"\r\n", std::string("6.6.6.6\0", 8), O::Registered},
        {L"Gone", false, "\"Alpha\",\"6.6.6.6\"\r\n", kAddress, O::ServerLeftList},
        {OfficialEntryLabel, true, "\"Alpha\",\"1.2.3.4\"\r\n", "<no key>", O::Failed},
        {std::nullopt, true, "\"Alpha\",\"1.2.3.4\"\r\n", "<no key>", O::Failed},
        {L"Alpha", true, "\"Alpha\",\"1.2.3.4\"\r\n", kAddress, O::Failed},
    };
    for (const auto& [selected, autoStart, file, gatewayAfter, outcome] : cases) {
        SCOPED_TRACE(::testing::PrintToString(file));
        registry = {};
        if (!autoStart) registry.CreateKey(kKey)[kGatewayValueName] = {kRegSz, kAddress};
        file == "<none>" ? (void)host.RemoveFile(kListFileName) : host.PutFile(kListFileName, file);
        EXPECT_EQ(Run(selected, autoStart), outcome);
        EXPECT_EQ(Gateway(), gatewayAfter);
        EXPECT_EQ(result.gatewaySet, selected && selected != L"Gone");
        EXPECT_EQ(host.openFiles + registry.openHandles(), 0);
    }
    EXPECT_TRUE(host.started.empty());
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
    // the setting went, also when the start failed after the write, and stays when nothing was written;
    // the result says which (its message names the server set). Nothing selected starts the game on
    // the gateway it has. A list file failing while read, held or missing has an outcome of each, and is
    // closed; one missing beside a leftover "diablo.new" is restored from it.
    InstallGame();
    active.Fill({L"1.2.3.4", L"5.6.7.8"});  // the list file's Alpha and Beta
    const std::tuple<Selection, bool, std::function<void()>, O, bool, std::string> connects[] = {
        {L"Beta", false, [] {}, O::Registered, true, "..*..."},
        {OfficialEntryLabel, false, [] {}, O::Registered, true, "*....."},
        {L"Alpha", true, [] {}, O::Started, true, ".*...."},
        {std::nullopt, true, [] {}, O::Started, false, ".*...."},
        {L"Beta", true, [&] { host.refuseStart = 5; }, O::Failed, true, "..*..."},
        {L"Alpha", false, [&] { registry.FailCall(2, 5); }, O::GatewayNotChanged, false, "..*..."},
        {L"Gone", true, [] {}, O::ServerLeftList, false, "..*..."},
        {L"Alpha", false, [&] { host.failNextRead = true; }, O::ListFileFailed, false, "..*..."},
        {L"Alpha", true, [&] { host.RemoveFile(kListFileName); }, O::ListFileMissing, false, "..*..."},
        {L"Alpha", false, [&] { host.PutFile(kTemporaryListFileName, "\"Alpha\",\"1.2.3.4\"\r\n"); },
         O::Registered, true, ".*...."},
        {L"Alpha", true, [&] { host.HoldFile(kListFileName, Hold::Exclusive); }, O::ListFileFailed, false,
         ".*...."},
    };
    for (const auto& [selected, autoStart, before, outcome, set, rows] : connects) {
        before();
        EXPECT_EQ(Run(selected, autoStart, false), outcome);
        EXPECT_EQ(result.gatewaySet, set);
        EXPECT_EQ(host.openFiles + registry.openHandles(), 0);
        active.Refresh();
        EXPECT_EQ(marks(), rows) << static_cast<int>(outcome);
    }
    EXPECT_EQ(host.started.size(), 2u);
}

}  // namespace
}  // namespace tolvane
