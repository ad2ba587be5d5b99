// The list file, the server list and the list actions the windows start, on the in-memory host.
#include <gtest/gtest.h>

#include <array>
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
// In UTF-8: the mark, 国服 (whose bytes are also code page 936: 鍥芥湇) and 电信.
const std::string kMark = "\xEF\xBB\xBF", kGuofu = "\xe5\x9b\xbd\xe6\x9c\x8d",
                  kDianxin = "\xe7\x94\xb5\xe4\xbf\xa1";
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

// Appending completes a last line that lacks its CR LF or only its LF (a lone mark is none) and writes
// in the file's encoding; texts that would not read back (a forged record, a split one, another
// character, a cut one) are refused, the file untouched.
TEST_F(ServerListTest, AppendsOnANewLineAndRefusesWhatWouldNotReadBack) {
    const std::string inCodePage = "\"\xb5\xe7\xd0\xc5\",\"2\"\r\n",
                      inUtf8 = "\"" + kDianxin + "\",\"2\"\r\n";
    for (const auto& [old, completion, utf8] :
         {std::tuple<std::string, std::string, bool>{"\"a\",\"1\"", "\r\n", false},
          {"\"a\",\"1\"\r", "\n", false},
          {"\"a\",\"1\"\n", "", false},
          {kMark, "", true},
          {kMark + "\"a\",\"1\"", "\r\n", true},
          {"\"" + kGuofu + "\",\"1\"\n", "", true}}) {
        host.PutFile(kList, old);
        Write({{L"电信", L"2"}}, true);
        EXPECT_EQ(host.FileBytes(kList), old + completion + (utf8 ? inUtf8 : inCodePage));
        EXPECT_EQ(Read(*host.FileBytes(kList)).back(), (ServerEntry{L"电信", L"2"}));
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
        // UTF-8 with the mark: any character, an address only in the code page, nothing malformed.
        {kMark + "\"\xed\x95\x9c\xf0\x9f\x98\x80\",\"\xe7\xbd\x91\"\r\n\"a\","
                 "\"\xed\x95\x9c\"\r\n\"\xc0\xaf\",\"1\"\r\n"
                 "\"\xed\xa0\x80\",\"1\"\r\n\"\xe4\xb8\",\"1\"\r\n",
         {{L"한😀", L"网"}}},
        // Without it: UTF-8 where a line holding a NUL is not judged, or the code page (a character
        // outside CJK, a lone continuation byte).
        {"\"" + kGuofu + "\",\"" + kDianxin + "\"\r\n" + std::string("\"\xe4\xb8\0\r\n", 6),
         {{L"国服", L"电信"}}},
        {"\"" + kGuofu + "\",\"1\"\r\n\"\xc3\xa9\",\"2\"\r\n", {{L"鍥芥湇", L"1"}, {L"茅", L"2"}}},
        {"\"\xb5\xe7\xd0\xc5\",\"1\"\r\n", {{L"电信", L"1"}}},
        {junk + "\r\n\"a\",\"1\"\r\n", {{L"a", L"1"}}},
        {big + "\r\n\"" + big + "\",\"2\"",
         {{std::wstring(big.begin(), big.end()), L"2"}}},  // megabyte lines
    };
    for (const auto& [bytes, entries] : cases)
        EXPECT_EQ(Read(bytes), entries) << ::testing::PrintToString(bytes.substr(0, 60));
    host.codePage = 1252;  // elsewhere, only the mark makes a file UTF-8
    EXPECT_EQ(Read("\"\xe4\xb8\xad\xe5\x9b\xbd\",\"1\"\r\n"), (Entries{{L"ä¸\u00ADå›½", L"1"}}));
    EXPECT_EQ(Read(kMark + "\"" + kGuofu + "\",\"1\"\r\n"), (Entries{{L"国服", L"1"}}));
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
    for (const std::string& mark : {kMark, std::string()}) {  // UTF-8 stays UTF-8, the mark is kept
        host.PutFile(kList, mark + "\"" + kGuofu + "\",\"1\"\r\n\"" + kDianxin + "\",\"2\"\r\n");
        list.RemoveEntries(L"电信");
        EXPECT_EQ(host.FileBytes(kList), mark + "\"" + kGuofu + "\",\"1\"\r\n");
    }
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
            ASSERT_LT(step, 64) << "the removal never completes";
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
        EXPECT_EQ(actions.Open().problem, damaged ? ListProblem::Damaged : ListProblem::None);
        EXPECT_EQ(list.LoadNames(), names);
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
    EXPECT_EQ(actions.Open().entries, Entries{});
    EXPECT_EQ(host.FileBytes(kList), "");
    host.RemoveFile(kList);
    host.PutFile(L"DIABLO.DAT", kMixed);
    EXPECT_EQ(actions.Open().entries.size(), 5u);
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

// Refusals come in a fixed order, each before the file is written, the name's by the file's encoding;
// a clash or an unreadable file writes nothing; an add appends one record, in the encoding, flushed.
TEST_F(ServerListTest, AddRefusesInOrderAndAppendsOnce) {
    using O = AddOutcome;
    const std::string head = "\"abc\",\"1.2.3.4\"\r\n\"", tail = "\",\"5.5.5.5\"\r\n";  // and 国服
    const std::string files[] = {head + "\xb9\xfa\xb7\xfe" + tail, kMark + head + kGuofu + tail,
                                 head + kGuofu + tail};
    const ListEncoding encodings[] = {ListEncoding::CodePage, ListEncoding::Utf8WithMark, ListEncoding::Utf8};
    const std::tuple<const wchar_t*, const wchar_t*, std::array<O, 3>> cases[] = {
        {L"", L"", {O::NameMissing, O::NameMissing, O::NameMissing}},
        {L"", L"\"", {O::NameMissing, O::NameMissing, O::NameMissing}},
        {L"a\"b", L"", {O::AddressMissing, O::AddressMissing, O::AddressMissing}},
        {L"a\"b", L"1\n", {O::NameNotStorable, O::NameNotStorableInUtf8, O::NameNotStorableInUnmarkedUtf8}},
        {L"a\rb", L"1", {O::NameNotStorable, O::NameNotStorableInUtf8, O::NameNotStorableInUnmarkedUtf8}},
        {L"한국😀", L"1", {O::NameNotStorable, O::Added, O::NameNotStorableInUnmarkedUtf8}},
        {L"é", L"1", {O::Added, O::Added, O::NameNotStorableInUnmarkedUtf8}},
        {L"abc", L"1\"", {O::AddressNotStorable, O::AddressNotStorable, O::AddressNotStorable}},
        {L"abc", L"ü.€.😀", {O::AddressNotStorable, O::AddressNotStorable, O::AddressNotStorable}},
        {L"abc", L"é.cn", {O::Conflict, O::Conflict, O::AddressNotStorableInUnmarkedUtf8}},
        {L"国服", L"9.9.9.9", {O::Conflict, O::Conflict, O::Conflict}},
        {L"新服", L"1.2.3.4", {O::Conflict, O::Conflict, O::Conflict}},
        {OfficialEntryLabel, L"7.7.7.7", {O::Conflict, O::Conflict, O::Conflict}},  // the fixed item's
    };
    for (int form = 0; form < 3; ++form) {
        for (const auto& [name, address, outcomes] : cases) {
            host.PutFile(kList, files[form]);
            EXPECT_EQ(actions.Add(name, address), outcomes[form]) << form << ::testing::PrintToString(name);
            if (outcomes[form] != O::Added) {
                EXPECT_EQ(host.FileBytes(kList), files[form]);
            } else {
                EXPECT_EQ(list.LoadNames().back(), name);
                EXPECT_EQ(list.Encoding(), encodings[form]);
            }
        }
    }
    host.PutFile(kList, files[0]);
    host.HoldFile(kList, Hold::ShareRead);
    EXPECT_EQ(actions.Add(L"新服", L"5.6.7.8"), O::ListFileFailed);
    host.HoldFile(kList, Hold::None);
    EXPECT_EQ(host.FileBytes(kList), files[0]);
    EXPECT_EQ(actions.Add(L"ABC", L" 1.2.3.4"), O::Added);
    host.PowerCut(true);  // the record is on the disk once added
    EXPECT_EQ(host.FileBytes(kList), files[0] + "\"ABC\",\" 1.2.3.4\"\r\n");
}

// The fixed item and no selection are refused unasked; No keeps everything; a record with an empty
// name goes only when its own item is selected.
TEST_F(ServerListTest, DeleteAsksThenRemovesOnlyTheSelectedName) {
    const std::string file = "\"\",\"6.6.6.6\"\r\nplain,1\n\"abc\",\"2\"\r\n";
    host.PutFile(kList, file);
    EXPECT_EQ(Delete(OfficialEntryLabel), DeleteOutcome::Protected);
    EXPECT_FALSE(asked);
    EXPECT_EQ(Delete(L"abc", false), DeleteOutcome::Declined);
    EXPECT_TRUE(asked);
    EXPECT_EQ(Delete(std::nullopt), DeleteOutcome::NothingSelected);
    EXPECT_FALSE(asked);
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
