// The list file, the server list and the list actions the windows start, on the in-memory host.
#include <gtest/gtest.h>

#include <cstdio>

#include "MemoryHostServices.h"
#include "serverlist/ListActions.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {

void PrintTo(const ServerEntry& entry, std::ostream* out) {
    *out << ::testing::PrintToString(entry.name) << "," << ::testing::PrintToString(entry.address);
}

namespace testing {
namespace {

const std::wstring kList = L"diablo.dat", kCopy = L"diablo.new";
const std::string kOpenFails = "list file \"diablo.dat\": cannot open";
using Names = std::vector<std::wstring>;
using Entries = std::vector<ServerEntry>;
using Hold = MemoryHostServices::Hold;

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
    Entries Read(const std::string& bytes) {
        host.PutFile(kList, bytes);
        ServerListFile file(host);
        file.OpenForReading(kList);
        Entries entries;
        while (!file.AtEnd()) entries.push_back(file.ReadEntry());
        file.Close();
        return entries;
    }
    void Write(const Entries& entries, bool append = false) {
        ServerListFile file(host);
        append ? file.OpenForAppending(kList) : file.OpenForWriting(kList);
        for (const auto& entry : entries) file.WriteEntry(entry);
        file.Close();
    }
    // What the ListFileError that `call` throws says: the file and the operation.
    template <typename Call>
    static std::string FailureOf(Call call) {
        try {
            call();
        } catch (const ListFileError& error) {
            return error.what();
        }
        return "no ListFileError";
    }
    DeleteOutcome Delete(const Selection& selected, bool yes = true) {
        asked = false;
        return actions.Delete(selected, [&] { return asked = true, yes; });
    }

    MemoryHostServices host;
    ServerList list{host};
    ListActions actions{list, host};
    bool asked = false;
};

// The writer's layout byte for byte in code page 936; what it writes reads back unchanged.
TEST_F(ServerListTest, WritesTheLayoutAndReadsItBack) {
    Write({{L"abc", L"1.2.3.4"}, {L"官方战网", L"服务器"}});
    EXPECT_EQ(host.FileBytes(kList),
              "\"abc\",\"1.2.3.4\"\r\n\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"\xb7\xfe\xce\xf1\xc6\xf7\"\r\n");
    const Entries entries = {
        {L"a,b", L"1.2.3.4"}, {L"  spaced  ", L" 5.6.7.8 "}, {L"官方战网", L"服务,器"}, {L"", L""}};
    Write(entries);
    EXPECT_EQ(Read(*host.FileBytes(kList)), entries);
}

// Appending completes a last line that lacks its CR LF or only its LF; texts that would not read
// back (a forged record, a split one, another character, a cut one) are refused, the file untouched.
TEST_F(ServerListTest, AppendsOnANewLineAndRefusesWhatWouldNotReadBack) {
    for (const auto& [old, completion] : {std::pair<std::string, std::string>{"\"a\",\"1\"", "\r\n"},
                                          {"\"a\",\"1\"\r", "\n"},
                                          {"\"a\",\"1\"\n", ""}}) {
        host.PutFile(kList, old);
        Write({{L"b", L"2"}}, true);
        EXPECT_EQ(host.FileBytes(kList), old + completion + "\"b\",\"2\"\r\n");
        EXPECT_EQ(Read(*host.FileBytes(kList)), (Entries{{L"a", L"1"}, {L"b", L"2"}}));
    }
    for (const ServerEntry& entry : Entries{{L"x\n\"forged\",\"6.6.6.6", L"1"},
                                            {L"a\",\"b", L"1"},
                                            {L"a", L"한국"},
                                            {{L"nul\0", 4}, L"1"}}) {
        host.PutFile(kList, "\"a\",\"1\"\r\n");
        EXPECT_EQ(FailureOf([&] { Write({entry}, true); }), "list file \"diablo.dat\": cannot write");
        EXPECT_EQ(host.FileBytes(kList), "\"a\",\"1\"\r\n");
    }
}

// Hand-edited and damaged files: what reads as a record, what is skipped.
TEST_F(ServerListTest, ReadsHandEditedLinesLeniently) {
    const std::string big(1 << 20, 'x');
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 167 + i / 256) & 0xFF);
    const std::pair<std::string, Entries> cases[] = {
        {"\"a\",\"1\"\n\"b\",\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},  // LF only, no final line end
        {"a,1\r\nb,2,3\r\n", {{L"a", L"1"}, {L"b", L"2,3"}}},        // unquoted
        {"\"a\",\"b\"c\"\r\n", {{L"a", L"b\"c"}}},                   // a quote in the address
        {"\xb9\xd9,\"\xb7\xbd\"\r\n\"\xd5\xbd\",\"\xcd\xf8\"\r\n", {{L"战", L"网"}}},  // mixed forms skipped
        {"\r\n\n\r\nsingle\r\n\"single\"\r\n,1\r\na,\r\n\"\"\r\n", {}},  // blank, one field, an empty one
        {"\"a,\"1\"\r\n\"a\",\"1\r\n\"a\",1\"\r\n", {}},                 // stray quotes
        {"\"\x81\",\"1\"\r\n\"a\",\"\x81\"\r\n\"\x81\x7f\",\"1\"\r\n",
         {}},                                                         // bytes the code page does not map
        {std::string("\"a\0\",\"1\"\r\n\"a\",\"1\"\r\r\n", 20), {}},  // a NUL; a second CR
        {junk + "\r\n\"a\",\"1\"\r\n", {{L"a", L"1"}}},
        {big + "\r\n\"" + big + "\",\"2\"",
         {{std::wstring(big.begin(), big.end()), L"2"}}},  // megabyte lines
    };
    for (const auto& [bytes, entries] : cases)
        EXPECT_EQ(Read(bytes), entries) << ::testing::PrintToString(bytes.substr(0, 60));
}

// Exact names, the last match wins; a clash is a stored name or address, the fixed item only once stored.
TEST_F(ServerListTest, FindAddressAndHasConflictCompareExactly) {
    host.PutFile(kList, kMixed);
    EXPECT_EQ(list.FindAddress(L"abc"), L"2.2.2.2");
    EXPECT_EQ(list.FindAddress(L"逗,号"), L" 5.6.7.8 ");
    EXPECT_EQ(list.FindAddress(L"ABC"), std::nullopt);
    EXPECT_TRUE(list.HasConflict(L"abc", L"new address"));
    EXPECT_TRUE(list.HasConflict(L"new name", L" 5.6.7.8 "));
    EXPECT_FALSE(list.HasConflict(L"new name", L"5.6.7.8") || list.HasConflict(L"ABC", L"new address"));
    EXPECT_FALSE(list.HasConflict(OfficialEntryLabel, L"new address"));
    list.AppendEntry(OfficialEntryLabel, L"4.4.4.4");
    EXPECT_TRUE(list.HasConflict(OfficialEntryLabel, L"new address"));
}

// Every record of the name goes, every other line stays, no copy is left; a missing or locked list
// file is a failure naming it, and nothing is created or overwritten.
TEST_F(ServerListTest, RemoveEntriesRemovesEveryMatchAndNothingElse) {
    host.PutFile(kList, kMixed);
    list.RemoveEntries(L"abc");
    EXPECT_EQ(host.FileBytes(kList),
              "\r\n\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\r\n\"plain\",\"9.9.9.9\"\r\njust one "
              "field\r\n\"stray \"quote\r\n\"\x81\",\"1.1.1.1\"\r\n\"last\",\"3.3.3.3\"\r\n");
    host.PutFile(kList, "\"b\",\"2\"\r\n\"a\",\"1\"\r\n");
    for (const wchar_t* name : {L"x", L"", L"A"}) list.RemoveEntries(name);
    EXPECT_EQ(host.FileBytes(kList), "\"b\",\"2\"\r\n\"a\",\"1\"\r\n");
    EXPECT_FALSE(host.FileBytes(kCopy));

    host.HoldFile(kList, Hold::Exclusive);
    list.EnsureListFile();
    for (auto call : std::vector<std::function<void()>>{
             [&] { list.LoadNames(); }, [&] { list.FindAddress(L"a"); },
             [&] { list.AppendEntry(L"a", L"1"); }, [&] { list.RemoveEntries(L"b"); }})
        EXPECT_EQ(FailureOf(call), kOpenFails);
    EXPECT_EQ(host.FileBytes(kList), "\"b\",\"2\"\r\n\"a\",\"1\"\r\n");
    host.HoldFile(kList, Hold::None);
    host.RemoveFile(kList);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), kOpenFails);
    EXPECT_FALSE(host.FileBytes(kList) || host.FileBytes(kCopy));
}

// A failure, kill or power cut (the file cut back, or its unwritten blocks NUL) at any step of a removal
// from a hidden list, or a power cut after it: the next operation shows the list byte for byte as
// before or after, still hidden, "diablo.new" gone and no file left open.
TEST_F(ServerListTest, NoStepOfARemovalLosesTheList) {
    const char* const lines[] = {"\"gone\",\"%d.removed.gateway.example.net:6112/and/a/path\"\r\n",
                                 "\"\xb7\xfe%d\",\"10.0.0.1, a gateway with a Chinese name\"\r\n",
                                 "plain%d,an unquoted record with a bare line feed\n",
                                 "junk line %d: no record but it survives as it is\r\n",
                                 "\"s%d\",\"a quoted record that stays where it is\"\r\n"};
    std::string before;  // written in several chunks a file; one line in five is removed
    for (int i = 0; i < 2000; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, lines[i % 5], i);
        before += line;
    }
    before += "\"tail\",\"z\"";
    host.PutFile(kList, before);
    list.RemoveEntries(L"gone");
    const std::string after = *host.FileBytes(kList);
    for (Fault fault : {Fault::Fail, Fault::Kill, Fault::PowerCut, Fault::NtfsPowerCut}) {
        int step = 1;
        for (bool done = false; !done; ++step) {
            MemoryHostServices disturbed;
            disturbed.PutFile(kList, before, kAttributeHidden);
            disturbed.fault = fault;
            disturbed.faultStep = step;
            disturbed.blocksWritten = 0x9E3779B9u * static_cast<std::uint32_t>(step);  // blocks in any order
            try {
                ServerList(disturbed).RemoveEntries(L"gone");
                done = true;  // every step has had its turn
                disturbed.PowerCut(fault == Fault::NtfsPowerCut);
            } catch (const SimulatedCrash&) {
                EXPECT_NE(fault, Fault::Fail);
            } catch (const ListFileError&) {
                EXPECT_EQ(fault, Fault::Fail);
            }
            disturbed.fault = Fault::None;
            EXPECT_EQ(disturbed.openFiles, 0);
            std::size_t names = ServerList(disturbed).LoadNames().size();
            std::string bytes = disturbed.FileBytes(kList).value_or("(none)");
            EXPECT_TRUE((bytes == before && names == 1601) || (bytes == after && names == 1201))
                << "fault " << static_cast<int>(fault) << " at step " << step << ": " << bytes.size()
                << " bytes";
            EXPECT_FALSE(disturbed.FileBytes(kCopy)) << "step " << step;
            EXPECT_EQ(disturbed.Attributes(kList), kAttributeHidden);
        }
        EXPECT_GE(step, 10);  // two opens, two writes a file, two flushes, the deletion
    }
}

// A leftover "diablo.new": a list no longer than it that agrees with it wherever the list is not NUL is
// finished from it, any other sound list stands. Held by another program, it blocks only removal; let
// go, the next operation deletes it. A list whose NUL bytes it does not account for stays with it as
// they are: read, reported at start, never written.
TEST_F(ServerListTest, LeftoverCopyIsFinishedDroppedOrKept) {
    const std::string a = "\"a\",\"1\"\r\n", b = "\"b\",\"2\"\r\n", c = "\"c\",\"3\"\r\n", nul(9, '\0');
    const Names shown{L"a", L"b"};
    const std::tuple<std::string, std::string, std::string, Names> cases[] = {
        // list, copy, settled, shown
        {a, b, a, {L"a"}},                                   // a stale copy
        {a, "\"b\"" + nul, a, {L"a"}},                       // cut while it was written
        {"\"a\",\"1", a + b, a + b, shown},                  // the copy-back cut short
        {a + nul, a + b, a + b, shown},                      // its tail lost
        {nul + b, a + b, a + b, shown},                      // a block lost before one written
        {a + nul + '\0', a + b, "damage", {L"a"}},           // longer
        {"\"d\",\"4\"\r\n" + nul, a + b, "damage", {L"d"}},  // other bytes
    };
    for (const auto& [before, copy, settled, names] : cases) {
        SCOPED_TRACE(::testing::PrintToString(before));
        const bool damaged = settled == "damage";
        host.PutFile(kList, before);
        host.PutFile(kCopy, copy);
        host.HoldFile(kCopy, Hold::ShareRead);
        StartupList start = actions.Open();
        EXPECT_EQ(start.problem, damaged ? ListProblem::Damaged : ListProblem::None);
        EXPECT_EQ(start.names, names);
        EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }),
                  damaged ? "list file \"diablo.dat\": holds NUL bytes that diablo.new does not account for"
                          : "list file \"diablo.new\": cannot open");
        EXPECT_EQ(actions.Add(L"c", L"3"), damaged ? AddOutcome::ListDamaged : AddOutcome::Added);
        host.HoldFile(kCopy, Hold::None);
        EXPECT_EQ(Delete(L"a"), damaged ? DeleteOutcome::ListDamaged : DeleteOutcome::Removed);
        EXPECT_EQ(host.FileBytes(kList), damaged ? before : settled.substr(a.size()) + c);
        EXPECT_EQ(host.FileBytes(kCopy), damaged ? std::optional<std::string>(copy) : std::nullopt);
    }
    host.RemoveFile(kCopy);  // once the user has sorted it out
    EXPECT_EQ(Delete(L"c"), DeleteOutcome::Removed);
}

// A missing list file is created empty, "DIABLO.DAT" counts as there; a list that cannot be kept (no
// new file, a folder of its name, held) is named with its folder, its file left as it was.
TEST_F(ServerListTest, OpenKeepsTheListOrSaysWhyItCannot) {
    EXPECT_EQ(actions.Open().names, Names{});
    EXPECT_EQ(host.FileBytes(kList), "");
    host.RemoveFile(kList);
    host.PutFile(L"DIABLO.DAT", kMixed);
    EXPECT_EQ(actions.Open().names, (Names{L"abc", L"逗,号", L"plain", L"abc", L"last"}));
    list.RemoveEntries(L"plain");
    EXPECT_EQ(host.FindFile(kList), L"DIABLO.DAT");
    host.RemoveFile(kList);
    host.readOnly = true;
    StartupList start = actions.Open();
    EXPECT_EQ(start.problem, ListProblem::CannotCreate);
    EXPECT_EQ(start.folder, L"C:\\work");
    host.readOnly = false;
    host.AddDirectory(kList);
    EXPECT_EQ(actions.Open().problem, ListProblem::NotAFile);
    EXPECT_FALSE(host.FileBytes(kList));
    host = MemoryHostServices();
    host.PutFile(kList, "\"a\",\"1\"\r\n");
    host.HoldFile(kList, Hold::Exclusive);
    EXPECT_EQ(actions.Open().problem, ListProblem::CannotRead);
    EXPECT_EQ(host.FileBytes(kList), "\"a\",\"1\"\r\n");
    host = MemoryHostServices();  // no list, and a leftover copy nobody may read: not a read-only folder
    host.PutFile(kCopy, "\"a\",\"1\"\r\n");
    host.HoldFile(kCopy, Hold::Exclusive);
    start = actions.Open();
    EXPECT_EQ(std::make_pair(start.problem, start.file), std::make_pair(ListProblem::CannotRead, kCopy));
}

// Refusals come in a fixed order, each before the file is touched; a clash or an unreadable file
// writes nothing; an add appends exactly one record.
TEST_F(ServerListTest, AddRefusesInOrderAndAppendsOnce) {
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
    for (const auto& [name, address, outcome] : refused)
        EXPECT_EQ(actions.Add(name, address), outcome) << ::testing::PrintToString(std::wstring(name));
    host.HoldFile(kList, Hold::ShareRead);
    EXPECT_EQ(actions.Add(L"新服", L"5.6.7.8"), AddOutcome::ListFileFailed);
    host.HoldFile(kList, Hold::None);
    EXPECT_EQ(host.FileBytes(kList), file);
    EXPECT_EQ(actions.Add(L"ABC", L" 1.2.3.4"), AddOutcome::Added);
    EXPECT_EQ(host.FileBytes(kList), file + "\"ABC\",\" 1.2.3.4\"\r\n");
}

// The fixed item is refused unasked; No keeps everything; Yes with nothing selected keeps a record
// with an empty name, byte for byte, which goes only when its own item is selected.
TEST_F(ServerListTest, DeleteAsksThenRemovesOnlyTheSelectedName) {
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
    host.HoldFile(kList, Hold::ShareRead);
    EXPECT_EQ(Delete(L"abc"), DeleteOutcome::ListFileFailed);  // the list shows the file
    host.HoldFile(kList, Hold::Exclusive);
    EXPECT_EQ(Delete(L"abc"), DeleteOutcome::ListUnreadable);  // it shows only the fixed item
}

}  // namespace
}  // namespace testing
}  // namespace tolvane
