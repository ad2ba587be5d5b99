// The list actions the windows start: start-up, add and delete.
#include "ListTest.h"
#include "serverlist/ListActions.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

class ListActionsTest : public ::testing::Test {
protected:
    DeleteOutcome Delete(const Selection& selected, bool yes = true) {
        asked = false;
        return actions.Delete(selected, [&] { return asked = true, yes; });
    }

    MemoryHostServices host;
    ServerList list{host};
    ListActions actions{list, host};
    bool asked = false;
};

// A list that cannot be kept is named with its folder, its file left as it was: a folder of its name,
// a folder that takes no new file, a file another program holds.
TEST_F(ListActionsTest, OpenSaysWhyTheListCannotBeKept) {
    host.readOnly = true;
    StartupList start = actions.Open();
    EXPECT_EQ(start.problem, ListProblem::CannotCreate);
    EXPECT_EQ(start.folder, L"C:\\work");
    host.readOnly = false;
    host.AddDirectory(kList);
    EXPECT_EQ(actions.Open().problem, ListProblem::NotAFile);
    EXPECT_EQ(host.FileNames(), Names{});

    host = MemoryHostServices();
    host.PutFile(kList, "\"a\",\"1\"\r\n");
    host.HoldFile(kList, Hold::Exclusive);
    EXPECT_EQ(actions.Open().problem, ListProblem::CannotRead);
    host.HoldFile(kList, Hold::None);
    start = actions.Open();
    EXPECT_EQ(start.problem, ListProblem::None);
    EXPECT_EQ(start.names, Names{L"a"});
    EXPECT_EQ(host.FileBytes(kList), "\"a\",\"1\"\r\n");
}

// Refusals come in a fixed order, each before the file is touched; a clash or
// an unreadable file writes nothing; an add appends exactly one record.
TEST_F(ListActionsTest, AddRefusesInOrderAndAppendsOnce) {
    const std::string file = "\"abc\",\"1.2.3.4\"\r\n";
    host.PutFile(kList, file);
    const std::tuple<const wchar_t*, const wchar_t*, AddOutcome> refused[] = {
        {L"", L"", AddOutcome::NameMissing},
        {L"", L"\"", AddOutcome::NameMissing},
        {L"a\"b", L"", AddOutcome::AddressMissing},
        {L"a\"b", L"1\n", AddOutcome::NameNotStorable},
        {L"a\rb", L"1", AddOutcome::NameNotStorable},
        {L"한국", L"1", AddOutcome::NameNotStorable},
        {L"abc", L"1\"", AddOutcome::AddressNotStorable},
        {L"abc", L"ü.€.😀", AddOutcome::AddressNotStorable},
        {L"abc", L"9.9.9.9", AddOutcome::Conflict},
        {L"新服", L"1.2.3.4", AddOutcome::Conflict},
    };
    for (const auto& [name, address, outcome] : refused) {
        EXPECT_EQ(actions.Add(name, address), outcome) << ::testing::PrintToString(std::wstring(name));
    }
    host.HoldFile(kList, Hold::ShareRead);
    EXPECT_EQ(actions.Add(L"新服", L"5.6.7.8"), AddOutcome::ListFileFailed);
    host.HoldFile(kList, Hold::None);
    EXPECT_EQ(host.FileBytes(kList), file);
    EXPECT_EQ(actions.Add(L"ABC", L" 1.2.3.4"), AddOutcome::Added);
    EXPECT_EQ(host.FileBytes(kList), file + "\"ABC\",\" 1.2.3.4\"\r\n");
}

// The fixed item is refused unasked; No keeps everything; Yes with nothing selected keeps a record
// with an empty name, byte for byte, which goes only when its own item is selected.
TEST_F(ListActionsTest, DeleteAsksThenRemovesOnlyTheSelectedName) {
    const std::string file = "\"\",\"6.6.6.6\"\r\nplain,1\n\"abc\",\"2\"\r\n";
    host.PutFile(kList, file);
    EXPECT_EQ(Delete(OfficialEntryLabel), DeleteOutcome::Protected);
    EXPECT_FALSE(asked);
    EXPECT_EQ(Delete(L"abc", false), DeleteOutcome::Declined);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Delete(std::nullopt), DeleteOutcome::NothingSelected);
    EXPECT_TRUE(asked);
    EXPECT_EQ(host.FileBytes(kList), file);
    EXPECT_EQ(Delete(L""), DeleteOutcome::Removed);
    EXPECT_EQ(host.FileBytes(kList), "\"plain\",\"1\"\r\n\"abc\",\"2\"\r\n");
    host.HoldFile(kList, Hold::Exclusive);
    EXPECT_EQ(Delete(L"abc"), DeleteOutcome::ListFileFailed);
}

}  // namespace
}  // namespace tolvane::testing
