#include <gtest/gtest.h>

#include "ListDirectory.h"
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
    ListDirectory dir;
    ServerList list{dir.host()};
};

// First start in an empty directory: an empty list file and no names.
TEST_F(ServerListTest, FirstStartCreatesAnEmptyList) {
    list.EnsureListFile();
    EXPECT_EQ(dir.Stored(), Names{kList});
    EXPECT_EQ(dir.Bytes(kList), std::string());
    EXPECT_EQ(list.LoadNames(), Names{});
}

// A list stored as "DIABLO.DAT" counts as existing: kept, not doubled, its name kept by removal.
TEST_F(ServerListTest, ExistingListIsKept) {
    dir.Put(L"DIABLO.DAT", kMixed);
    list.EnsureListFile();
    EXPECT_EQ(dir.Bytes(kList), kMixed);
    EXPECT_EQ(list.LoadNames(), (Names{L"abc", L"逗,号", L"plain", L"abc", L"last"}));
    list.RemoveEntries(L"plain");
    EXPECT_EQ(dir.Stored(), Names{L"DIABLO.DAT"});
}

// Exact names, the last match wins; a clash is a stored name or address, the fixed item only once stored.
TEST_F(ServerListTest, FindAddressAndHasConflictCompareExactly) {
    dir.Put(kList, kMixed);
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

// Removing a name nobody has rewrites the same records in order and leaves no copy.
TEST_F(ServerListTest, RemovingAMissingNameKeepsTheList) {
    const std::string written = "\"b\",\"2\"\r\n\"a\",\"1\"\r\n\"c\",\"3\"\r\n";
    dir.Put(kList, written);
    for (const wchar_t* name : {L"x", L"", L"A"}) {
        list.RemoveEntries(name);
        EXPECT_EQ(dir.Bytes(kList), written);
        EXPECT_EQ(dir.Stored(), Names{kList});
    }
}

// Every record of the name goes; other lines survive byte for byte, records in the writer's form.
TEST_F(ServerListTest, RemoveEntriesRemovesEveryMatch) {
    dir.Put(kList, kMixed);
    list.RemoveEntries(L"abc");
    EXPECT_EQ(dir.Bytes(kList),
              std::string("\r\n\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\r\n\"plain\",\"9.9.9.9\"\r\n"
                          "just one field\r\n\"stray \"quote\r\n\"\x81\",\"1.1.1.1\"\r\n"
                          "\"last\",\"3.3.3.3\"\r\n"));
    EXPECT_EQ(dir.Stored(), Names{kList});
}

// A missing or locked list file is a failure naming it; nothing created, overwritten or left behind.
TEST_F(ServerListTest, FileFailuresReachTheCaller) {
    EXPECT_EQ(FailureOf([&] { list.FindAddress(L"a"); }), ListFileOperation::Open);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), ListFileOperation::Open);
    EXPECT_EQ(dir.Stored(), Names{});

    dir.Put(kList, kMixed);
    {
        auto lock = dir.Lock(kList);
        list.EnsureListFile();
        EXPECT_EQ(FailureOf([&] { list.LoadNames(); }), ListFileOperation::Open);
        EXPECT_EQ(FailureOf([&] { list.AppendEntry(L"a", L"1"); }), ListFileOperation::Open);
        EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"abc"); }), ListFileOperation::Open);
    }
    EXPECT_EQ(dir.Stored(), Names{kList});
    EXPECT_EQ(dir.Bytes(kList), kMixed);
}

}  // namespace
}  // namespace tolvane::testing
