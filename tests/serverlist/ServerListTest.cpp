#include <gtest/gtest.h>

#include "ListDirectory.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

using Names = std::vector<std::wstring>;

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
const Names kMixedNames = {L"abc", L"逗,号", L"plain", L"abc", L"last"};

class ServerListTest : public ::testing::Test {
protected:
    ListDirectory dir;
    ServerList list{dir.host()};
};

// First start in an empty directory: an empty list file and no names.
TEST_F(ServerListTest, FirstStartCreatesAnEmptyList) {
    list.EnsureListFile();
    EXPECT_EQ(dir.Names(), Names{kList});
    EXPECT_EQ(dir.Bytes(kList), std::string());
    EXPECT_EQ(list.LoadNames(), Names{});
}

// An existing list, under any letter case, is neither touched nor doubled,
// and removal keeps its stored name.
TEST_F(ServerListTest, ExistingListIsKept) {
    dir.Put(L"DIABLO.DAT", kMixed);
    list.EnsureListFile();
    EXPECT_EQ(dir.Names(), Names{L"DIABLO.DAT"});
    EXPECT_EQ(dir.Bytes(kList), kMixed);
    EXPECT_EQ(list.LoadNames(), kMixedNames);

    list.RemoveEntries(L"plain");
    EXPECT_EQ(dir.Names(), Names{L"DIABLO.DAT"});
}

// Appended records come last, in the writer's form.
TEST_F(ServerListTest, AppendEntryWritesAtTheEnd) {
    list.EnsureListFile();
    list.AppendEntry(L"abc", L"1.2.3.4");
    list.AppendEntry(L"官方战网", L"x");
    EXPECT_EQ(dir.Bytes(kList),
              std::string("\"abc\",\"1.2.3.4\"\r\n\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"x\"\r\n"));
    EXPECT_EQ(list.LoadNames(), (Names{L"abc", L"官方战网"}));
}

// The last record of a name wins; names match exactly.
TEST_F(ServerListTest, FindAddressTakesTheLastMatch) {
    dir.Put(kList, kMixed);
    EXPECT_EQ(list.FindAddress(L"abc"), L"2.2.2.2");
    EXPECT_EQ(list.FindAddress(L"逗,号"), L" 5.6.7.8 ");
    EXPECT_EQ(list.FindAddress(L"last"), L"3.3.3.3");
    EXPECT_EQ(list.FindAddress(L"ABC"), std::nullopt);
    EXPECT_EQ(list.FindAddress(L"abc "), std::nullopt);
    EXPECT_EQ(list.FindAddress(L"just one field"), std::nullopt);
}

// A clash is a stored name or a stored address, compared exactly; the fixed
// first item clashes only once it is stored.
TEST_F(ServerListTest, HasConflictOnNameOrAddress) {
    dir.Put(kList, kMixed);
    EXPECT_TRUE(list.HasConflict(L"abc", L"new address"));
    EXPECT_TRUE(list.HasConflict(L"new name", L"3.3.3.3"));
    EXPECT_TRUE(list.HasConflict(L"new name", L" 5.6.7.8 "));
    EXPECT_FALSE(list.HasConflict(L"new name", L"5.6.7.8"));
    EXPECT_FALSE(list.HasConflict(L"ABC", L"new address"));
    EXPECT_FALSE(list.HasConflict(OfficialEntryLabel, L"new address"));
    list.AppendEntry(OfficialEntryLabel, L"4.4.4.4");
    EXPECT_TRUE(list.HasConflict(OfficialEntryLabel, L"new address"));
}

// Removing a name nobody has (the empty one too) rewrites the same records in
// the same order, and the temporary copy is gone.
TEST_F(ServerListTest, RemovingAMissingNameKeepsTheList) {
    const std::string written = "\"b\",\"2\"\r\n\"a\",\"1\"\r\n\"c\",\"3\"\r\n";
    dir.Put(kList, written);
    for (const wchar_t* name : {L"x", L"", L"A"}) {
        list.RemoveEntries(name);
        EXPECT_EQ(dir.Bytes(kList), written);
        EXPECT_EQ(dir.Names(), Names{kList});
    }
}

// Every record of the name goes; the rest keep their order. On a hand-edited
// list, lines that are no record survive byte for byte and records are
// rewritten in the writer's form.
TEST_F(ServerListTest, RemoveEntriesRemovesEveryMatch) {
    dir.Put(kList, kMixed);
    list.RemoveEntries(L"abc");
    EXPECT_EQ(dir.Bytes(kList), std::string("\r\n"
                                            "\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\r\n"
                                            "\"plain\",\"9.9.9.9\"\r\n"
                                            "just one field\r\n"
                                            "\"stray \"quote\r\n"
                                            "\"\x81\",\"1.1.1.1\"\r\n"
                                            "\"last\",\"3.3.3.3\"\r\n"));
    EXPECT_EQ(dir.Names(), Names{kList});
    EXPECT_EQ(list.LoadNames(), (Names{L"逗,号", L"plain", L"last"}));
}

// A missing or locked list file is a failure naming it; nothing is created or
// overwritten, and no temporary copy is left behind.
TEST_F(ServerListTest, FileFailuresReachTheCaller) {
    EXPECT_EQ(FailureOf([&] { list.LoadNames(); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.FindAddress(L"a"); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.HasConflict(L"a", L"1"); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), ListFileOperation::Open);
    EXPECT_EQ(dir.Names(), Names{});

    dir.Put(kList, kMixed);
    dir.Lock(kList);
    list.EnsureListFile();
    EXPECT_EQ(FailureOf([&] { list.LoadNames(); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.AppendEntry(L"a", L"1"); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"abc"); }), ListFileOperation::Open);
    dir.Unlock();
    EXPECT_EQ(dir.Names(), Names{kList});
    EXPECT_EQ(dir.Bytes(kList), kMixed);
}

// A temporary copy left by an interrupted removal: when the list file is a
// start of it (or missing), the copy was complete and is copied back;
// otherwise the list file was never touched and the copy is dropped.
TEST_F(ServerListTest, StartUpFinishesAnInterruptedRemoval) {
    const std::string copy = "\"a\",\"1\"\r\njunk\n\"c\",\"3\"\r\n";
    dir.Put(kCopy, copy);
    list.EnsureListFile();
    EXPECT_EQ(dir.Bytes(kList), copy);
    EXPECT_EQ(dir.Names(), Names{kList});

    for (const std::string& cut : {std::string(), copy.substr(0, 13), copy}) {
        dir.Put(kList, cut);
        dir.Put(kCopy, copy);
        list.EnsureListFile();
        EXPECT_EQ(dir.Bytes(kList), copy);
        EXPECT_EQ(dir.Names(), Names{kList});
    }

    const std::string old = "\"a\",\"1\"\r\n\"b\",\"2\"\r\n";
    dir.Put(kList, old);
    dir.Put(kCopy, "\"a\",\"1\"\r\n");
    EXPECT_EQ(list.LoadNames(), (Names{L"a", L"b"}));
    EXPECT_EQ(dir.Bytes(kList), old);
    EXPECT_EQ(dir.Names(), Names{kList});
}

}  // namespace
}  // namespace tolvane::testing
