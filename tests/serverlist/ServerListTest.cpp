// ServerList: the operations on the list file, and a leftover "diablo.new".
#include "ListTest.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

// A hand-edited list: records in several forms among lines that are none.
const std::string kMixed =
    "\"abc\",\"1.2.3.4\"\r\n"
    "\r\n"
    "\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\n"  // 逗,号 (a comma in the name), LF only
    "plain,9.9.9.9\r\n"
    "just one field\r\n"
    "\"stray \"quote\r\n"
    "\"\x81\",\"1.1.1.1\"\r\n"
    "\"abc\",\"2.2.2.2\"\r\n"
    "\"last\",\"3.3.3.3\"";

class ServerListTest : public ::testing::Test {
protected:
    MemoryHostServices host;
    ServerList list{host};
};

// First start creates an empty file; a list stored as "DIABLO.DAT" counts as there and stays as it is.
TEST_F(ServerListTest, EnsureListFileCreatesOnlyWhenMissing) {
    list.EnsureListFile();
    EXPECT_EQ(host.FileNames(), Names{kList});
    EXPECT_EQ(host.FileBytes(kList), "");
    EXPECT_EQ(list.LoadNames(), Names{});

    host.RemoveFile(kList);
    host.PutFile(L"DIABLO.DAT", kMixed);
    list.EnsureListFile();
    EXPECT_EQ(host.FileBytes(kList), kMixed);
    EXPECT_EQ(list.LoadNames(), (Names{L"abc", L"逗,号", L"plain", L"abc", L"last"}));
    list.RemoveEntries(L"plain");
    EXPECT_EQ(host.FileNames(), Names{L"DIABLO.DAT"});
}

// Exact names, the last match wins; a clash is a stored name or address, the fixed item only once stored.
TEST_F(ServerListTest, FindAddressAndHasConflictCompareExactly) {
    host.PutFile(kList, kMixed);
    EXPECT_EQ(list.FindAddress(L"abc"), L"2.2.2.2");
    EXPECT_EQ(list.FindAddress(L"逗,号"), L" 5.6.7.8 ");
    EXPECT_EQ(list.FindAddress(L"ABC"), std::nullopt);
    EXPECT_EQ(list.FindAddress(L"just one field"), std::nullopt);
    EXPECT_TRUE(list.HasConflict(L"abc", L"new address"));
    EXPECT_TRUE(list.HasConflict(L"new name", L" 5.6.7.8 "));
    EXPECT_FALSE(list.HasConflict(L"new name", L"5.6.7.8"));
    EXPECT_FALSE(list.HasConflict(L"ABC", L"new address"));
    EXPECT_FALSE(list.HasConflict(OfficialEntryLabel, L"new address"));
    list.AppendEntry(OfficialEntryLabel, L"4.4.4.4");
    EXPECT_TRUE(list.HasConflict(OfficialEntryLabel, L"new address"));
    EXPECT_EQ(list.FindAddress(OfficialEntryLabel), L"4.4.4.4");
}

// Every record of the name goes and no copy stays; other lines survive byte for byte, records in
// the writer's form; a name nobody has leaves a writer-form list as it was.
TEST_F(ServerListTest, RemoveEntriesRemovesEveryMatchAndNothingElse) {
    host.PutFile(kList, kMixed);
    list.RemoveEntries(L"abc");
    EXPECT_EQ(host.FileBytes(kList),
              "\r\n\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\r\n\"plain\",\"9.9.9.9\"\r\n"
              "just one field\r\n\"stray \"quote\r\n\"\x81\",\"1.1.1.1\"\r\n"
              "\"last\",\"3.3.3.3\"\r\n");
    const std::string written = "\"b\",\"2\"\r\n\"a\",\"1\"\r\n";
    host.PutFile(kList, written);
    for (const wchar_t* name : {L"x", L"", L"A"}) {
        list.RemoveEntries(name);
        EXPECT_EQ(host.FileBytes(kList), written);
    }
    EXPECT_EQ(host.FileNames(), Names{kList});
}

// A missing or locked list file is a failure naming it; nothing created, overwritten or left behind.
TEST_F(ServerListTest, FileFailuresReachTheCaller) {
    EXPECT_EQ(FailureOf([&] { list.FindAddress(L"a"); }), kListOpenFails);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), kListOpenFails);
    EXPECT_EQ(host.FileNames(), Names{});
    host.PutFile(kList, kMixed);
    host.HoldFile(kList, Hold::Exclusive);
    list.EnsureListFile();
    EXPECT_EQ(FailureOf([&] { list.LoadNames(); }), kListOpenFails);
    EXPECT_EQ(FailureOf([&] { list.AppendEntry(L"a", L"1"); }), kListOpenFails);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"abc"); }), kListOpenFails);
    EXPECT_EQ(host.FileNames(), Names{kList});
    EXPECT_EQ(host.FileBytes(kList), kMixed);
}

// A "diablo.new" another program holds: once the list is settled (the copy finished, or the leftover
// judged stale) reading and adding work; only a removal, which needs the copy, fails; the next
// operation after its release deletes it.
TEST_F(ServerListTest, HeldLeftoverCopyBlocksOnlyRemoval) {
    for (const bool stale : {true, false}) {
        SCOPED_TRACE(stale ? "a stale leftover" : "a copy-back cut short");
        host.PutFile(kList, stale ? "\"a\",\"1\"\r\n" : "\"a\",\"1");
        host.PutFile(kCopy, stale ? "\"b\",\"2\"\r\n" : "\"a\",\"1\"\r\n\"b\",\"2\"\r\n");
        host.HoldFile(kCopy, Hold::ShareRead);
        EXPECT_EQ(list.LoadNames(), stale ? Names{L"a"} : (Names{L"a", L"b"}));
        EXPECT_EQ(list.FindAddress(L"a"), L"1");
        list.AppendEntry(L"c", L"3");
        EXPECT_EQ(list.LoadNames(), stale ? (Names{L"a", L"c"}) : (Names{L"a", L"b", L"c"}));
        std::string bytes = *host.FileBytes(kList);
        EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), "list file \"diablo.new\": cannot open");
        EXPECT_EQ(host.FileBytes(kList), bytes);
        host.HoldFile(kCopy, Hold::None);
        list.RemoveEntries(L"a");
        EXPECT_EQ(list.LoadNames(), stale ? Names{L"c"} : (Names{L"b", L"c"}));
        EXPECT_EQ(host.FileNames(), Names{kList});
    }
}

}  // namespace
}  // namespace tolvane::testing
