// The list file, the server list and the list actions the windows start, on the in-memory host.
#include <gtest/gtest.h>

#include <algorithm>
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
const std::string kMark = "\xEF\xBB\xBF", kLe = "\xFF\xFE", kBe = "\xFE\xFF";
using Entries = std::vector<ServerEntry>;
using Hold = MemoryHostServices::Hold;

// Text as an editor stores it in `charset` (iconv's name), not through the code under test.
std::string In(const char* charset, const std::wstring& text) {
    return MemoryHostServices::Convert(
        charset, "WCHAR_T", {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)}, "?",
        sizeof(wchar_t));
}
std::string Gbk(const std::wstring& text) { return In("CP936", text); }
std::string Utf8(const std::wstring& text) { return In("UTF-8", text); }
std::string Le(const std::wstring& text) { return In("UTF-16LE", text); }
std::string Be(const std::wstring& text) { return In("UTF-16BE", text); }

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

// Lists in each encoding as players leave them: NUL lines, a last line cut or without its end.
std::vector<std::string> ListFiles() {
    const std::string nul = std::string(6, '\0') + "\r\n";
    std::string big;  // about 100 KB, in several chunks a file; one line in five has the same name
    const char* const lines[] = {"\"gone\",\"%d.removed.gateway.example.net:6112/and/a/path\"\r\n",
                                 "\"\xb7\xfe%d\",\"10.0.0.1, a gateway with a Chinese name\"\r\n",
                                 "plain%d,an unquoted record with a bare line feed\n",
                                 "junk line %d: no record but it survives as it is\r\n",
                                 "\"s%d\",\"a quoted record that stays where it is\"\r\n"};
    char line[80];
    for (int i = 0; i < 2000; ++i) big.append(line, std::snprintf(line, sizeof line, lines[i % 5], i));
    return {
        Gbk(L"\"abc\",\"1.2.3.4\"\r\n\"电信\",\"2.2.2.2\"\r\nplain,3.3.3.3\n") + nul + Gbk(L"\"网通\",\"4\""),
        Utf8(L"\"战网·一区\",\"1\"\r\n\"电信—二区\",\"2\"\r\n\"“官方”服…\",\"3\"\r\n\"‘网通’\",\"4\""),
        Utf8(L"\"国服\",\"1\"\r\n") + Gbk(L"\"电信\",\"2\"\r\n路,3\r\n") + nul +
            Utf8(L"\"网通\",\"4\"\r\n一区,5") + "\xe4\xb8",
        kMark + Utf8(L"\"한국😀\",\"1\"\r\n\"电信\",\"2\"\r\n"),
        kLe +
            Le(L"\"😀服\",\"1\"\r\n\"电信\",\"2\"\r\n" + std::wstring(3, L'\0') +
               L"\r\n\"网通\",\"3\"\r\n\"a\",\"4\"") +
            '\x22',  // half of the last line's closing quote
        kBe + Be(L"\"😀服\",\"1\"\r\n\"电信\",\"2\"\r\n\"网通\",\"3\"\r"),
        big + "\"tail\",\"z\"",
    };
}

class ServerListTest : public ::testing::Test {
protected:
    Entries Read(const std::string& bytes) {
        host.PutFile(kList, bytes);
        return list.LoadEntries();
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
    // The outcome, and whether the player was asked.
    std::pair<DeleteOutcome, bool> Delete(const Selection& selected, bool yes = true) {
        bool asked = false;
        DeleteOutcome outcome = actions.Delete(selected, [&] { return asked = true, yes; });
        return {outcome, asked};
    }

    MemoryHostServices host;
    ServerList list{host};
    ListActions actions{list, host};
};

// Each line as its encoding holds it: hand-edited forms and damage; without the mark, UTF-8 only with an
// ideograph and nothing outside the ranges (their bounds pinned), whatever the lines around it; UTF-8 of
// any length and UTF-16 pairs under a mark, nothing malformed.
TEST_F(ServerListTest, ReadsEachLineAsItsEncodingHoldsIt) {
    const std::pair<std::string, Entries> cases[] = {
        {"\"a\",\"1\"\n\"b\",\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},      // LF only, no final line end
        {"a,1\r\nb,2,3\r\n", {{L"a", L"1"}, {L"b", L"2,3"}}},            // unquoted
        {"\"a\",\"b\"c\"\r\n", {{L"a", L"b\"c"}}},                       // a quote in the address
        {Gbk(L"战,\"网\"\r\n\"战\",\"网\"\r\n"), {{L"战", L"网"}}},      // mixed forms skipped
        {"\r\n\n\r\nsingle\r\n\"single\"\r\n,1\r\na,\r\n\"\"\r\n", {}},  // blank, one field, an empty one
        {"\"a,\"1\"\r\n\"a\",\"1\r\n\"a\",1\"\r\n", {}},                 // stray quotes
        {"\"\x81\",\"1\"\r\n\"a\",\"\x81\"\r\n\"\x81\x7f\",\"1\"\r\n",
         {}},                                                         // bytes the code page does not map
        {std::string("\"a\0\",\"1\"\r\n\"a\",\"1\"\r\r\n", 20), {}},  // a NUL; a second CR
        // Without the mark, line by line: UTF-8 punctuation by an ideograph; the code page, 路 included
        // (its bytes are the middle dot's UTF-8); a line cut inside a character, a NUL line.
        {Utf8(L"\"战网·一区\",\"网关—1\"\r\n") + Gbk(L"\"电信\",\"2\"\r\n\"路\",\"3\"\r\n") +
             Utf8(L"\"“官方”…\",\"4\"\r\n") + std::string("\"\xe4\xb8\0\r\n\"\xe7\x94", 9),
         {{L"战网·一区", L"网关—1"}, {L"电信", L"2"}, {L"路", L"3"}, {L"“官方”…", L"4"}}},
        // With the mark: UTF-8 of each length, its longest and shortest forms, an address that fits
        // the code page; overlong forms, a surrogate, one beyond U+10FFFF, a pair, a cut character.
        {kMark + "\"\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\","
                 "\"\xe7\xbd\x91\"\r\n"
                 "\"\xc0\x80\",\"1\"\r\n\"\xe0\x80\x80\",\"1\"\r\n\"\xf0\x80\x80\x80\","
                 "\"1\"\r\n\"\xed\xa0\x80\",\"1\"\r\n\"\xed\xbf\xbf\",\"1\"\r\n"
                 "\"\xf4\x90\x80\x80\",\"1\"\r\n\"\xed\xa0\xbd\xed\xb8\x80\",\"1\"\r\n\"a\","
                 "\"\xed\x95\x9c\"\r\n\"\xe4\xb8\",\"1\"",
         {{L"\u0080\u07ff\u0800\uffff\U00010000\U0010ffff", L"网"}}},
        // UTF-16 either way round: a pair; a lone surrogate, a NUL, half a unit.
        {kLe + Le(L"\"😀\U00010000\U0010FFFF\",\"1\"\r\n\"a") + std::string("\x3d\xd8\0\xe0", 4) +
             Le(L"\",\"1\"\r\n\"\t\",\"1\"\r\n\"b\",\"2\"") + '"',
         {{L"😀\U00010000\U0010FFFF", L"1"}, {L"\t", L"1"}}},
        {kLe + Le(std::wstring(L"\"\0\",\"1\"\r\n", 8)), {}},
        {kBe + Be(L"\"😀\",\"1\"\r\n\"a\",\"1") + std::string("\xdc\0", 2) + Be(L"\"\r\n\"b\",\"2\"\r\n"),
         {{L"😀", L"1"}, {L"b", L"2"}}},
    };
    for (const auto& [bytes, entries] : cases)
        EXPECT_EQ(Read(bytes), entries) << ::testing::PrintToString(bytes.substr(0, 60));
    // Beside an ideograph, each range's ends read as UTF-8, their neighbours do not; punctuation alone not.
    const std::pair<char32_t, char32_t> ranges[] = {{0xB7, 0xB7},     {0x2010, 0x2027}, {0x2030, 0x205E},
                                                    {0x3000, 0x303F}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
                                                    {0xFF00, 0xFFEF}};
    for (auto [first, last] : ranges) {
        for (char32_t c : {char32_t(first - 1), first, last, char32_t(last + 1)}) {
            const std::wstring name = {L'一', static_cast<wchar_t>(c)};
            EXPECT_EQ(Read("\"" + Utf8(name) + "\",\"1\"") == (Entries{{name, L"1"}}),
                      c >= first && c <= last)
                << std::hex << c;
        }
    }
    EXPECT_NE(Read(Utf8(L"\"——\",\"“…”\"")), (Entries{{L"——", L"“…”"}}));
    host.codePage = 1252;  // elsewhere, only the mark makes a file UTF-8
    EXPECT_EQ(Read(Utf8(L"\"中国\",\"1\"\r\n")), (Entries{{L"ä¸\u00ADå›½", L"1"}}));
}

// A name's address is the last record's of exactly that name. Every record of the name goes, every other
// line stays byte for byte or as a record in the writer's form, no copy is left; a missing list file is a
// failure naming it, and nothing is created.
TEST_F(ServerListTest, FindsAndRemovesExactlyTheName) {
    const std::string kept =
        "\r\n\"\xb6\xba,\xba\xc5\",\" 5.6.7.8 \"\r\n\"plain\",\"9.9.9.9\"\r\njust one "
        "field\r\n\"stray \"quote\r\n\"\x81\",\"1.1.1.1\"\r\n\"last\",\"3.3.3.3\"\r\n";
    host.PutFile(kList, kMixed);
    EXPECT_EQ(list.FindAddress(L"abc"), L"2.2.2.2");
    EXPECT_EQ(list.FindAddress(L"逗,号"), L" 5.6.7.8 ");
    EXPECT_EQ(list.FindAddress(L"ABC"), std::nullopt);
    list.RemoveEntries(L"abc");
    EXPECT_EQ(host.FileBytes(kList), kept);
    for (const wchar_t* name : {L"x", L"", L"A"}) list.RemoveEntries(name);
    EXPECT_EQ(host.FileBytes(kList), kept);

    host.RemoveFile(kList);
    EXPECT_EQ(FailureOf([&] { list.RemoveEntries(L"a"); }), "list file \"diablo.dat\": cannot open");
    EXPECT_FALSE(host.FileBytes(kList) || host.FileBytes(kCopy));
}

// An add, and a removal of each name (and of none), in lists of each encoding with NUL and cut lines:
// whole, failed, killed or cut by each power cut at each step. The next action finds the list as before
// or after, the copy gone and the outcome told true; or both files kept, one whole, and reported.
TEST_F(ServerListTest, NoStepOfAnEditLosesOrChangesARecord) {
    const ServerEntry added{L"新服—三区", L"7.7.7.7"};
    for (const std::string& bytes : ListFiles()) {
        const Entries before = Read(bytes);
        std::vector<Selection> ops{std::nullopt, before[0].name};  // the add, or a name to remove
        for (std::size_t i = 1; before.size() < 100 && i < before.size(); ++i) ops.push_back(before[i].name);
        if (before.size() < 100) ops.push_back(L"no such name");
        for (const Selection& op : ops) {
            Entries after = op ? Entries{} : before;
            for (const auto& e : before) {
                if (op && e.name != *op) after.push_back(e);
            }
            if (!op) after.push_back(added);
            host.PutFile(kList, bytes);
            op ? (void)list.RemoveEntries(*op) : (void)list.AppendEntry(added);
            const std::string edited = *host.FileBytes(kList);
            for (Fault fault : {Fault::None, Fault::Fail, Fault::Gone, Fault::Kill, Fault::PowerCut,
                                Fault::NtfsPowerCut, Fault::OldBytesPowerCut}) {
                for (int step = 1;; ++step) {
                    SCOPED_TRACE(::testing::PrintToString(bytes.substr(0, 12) + " fault ") +
                                 std::to_string(static_cast<int>(fault)) + " step " + std::to_string(step));
                    MemoryHostServices disturbed;
                    disturbed.PutFile(kList, bytes, kAttributeHidden);
                    disturbed.fault = fault;
                    disturbed.faultStep = step;
                    disturbed.blocksWritten = 0x9E3779B9u * static_cast<std::uint32_t>(step);  // in any order
                    ServerList target(disturbed);
                    ListActions edit(target, disturbed);
                    if (fault == Fault::Fail)  // another Tolvane acts just before the failure
                        disturbed.beforeFault = [&] { FailureOf([&] { target.SettleInterruptedEdit(); }); };
                    std::optional<bool> done;  // what the player is told; nothing when unfinished
                    try {
                        auto removed = op ? edit.Delete(op, [] { return true; }) : DeleteOutcome::Unfinished;
                        auto add = op ? AddOutcome::Unfinished : edit.Add(added.name, added.address);
                        if (removed != DeleteOutcome::Unfinished || add != AddOutcome::Unfinished)
                            done = removed == DeleteOutcome::Removed || add == AddOutcome::Added;
                        else  // told unfinished, the copy is left
                            EXPECT_TRUE(disturbed.FileBytes(kCopy));
                        if (disturbed.Steps() < step && fault > Fault::Kill) disturbed.PowerCut(fault);
                    } catch (const SimulatedCrash&) {
                    }
                    disturbed.fault = Fault::None;
                    EXPECT_EQ(disturbed.openFiles, 0);
                    if (edit.Open().problem == ListProblem::Unsettled) {
                        EXPECT_NE(fault, Fault::None);
                        EXPECT_TRUE(disturbed.FileBytes(kList) == bytes ||
                                    disturbed.FileBytes(kCopy) == edited);
                    } else {
                        disturbed.PowerCut();                // what was settled is on the disk
                        Entries got = target.LoadEntries();  // told done, it is; told not, as it was
                        EXPECT_EQ(got, done.value_or(got == after) ? after : before);
                        EXPECT_FALSE(disturbed.FileBytes(kCopy));
                    }
                    EXPECT_EQ(disturbed.Attributes(kList), kAttributeHidden);
                    if (fault == Fault::None || disturbed.Steps() < step) break;
                }
            }
        }
    }
}

// What the writer writes reads back; a forged record is refused unwritten. An add keeps the list, completes
// a last line lacking CR LF, LF or half a UTF-16 unit (a lone mark lacks nothing), writes in its encoding.
TEST_F(ServerListTest, WritesEachEncodingAndCompletesTheLastLine) {
    const Entries entries = {
        {L"a,b", L"1.2.3.4"}, {L"  spaced  ", L" 5.6.7.8 "}, {L"官方战网", L"服务,器"}, {L"", L""}};
    const ServerEntry forged{L"x\n\"forged\",\"6.6.6.6", L"1"};
    ServerListFile file(host);
    file.OpenForWriting(kList);
    for (const auto& entry : entries) file.WriteEntry(entry);
    EXPECT_EQ(FailureOf([&] { file.WriteEntry(forged); }), "list file \"diablo.dat\": cannot write");
    file.Close();
    EXPECT_EQ(list.LoadEntries(), entries);
    const std::wstring dx = L"\"电信\",\"2\"\r\n";
    const std::string half = "\1" + std::string(2, '\0') + Le(L"\r\n");  // completes half a UTF-16 unit
    const std::string record = "\"\xb5\xe7\xd0\xc5\",\"2\"\r\n";         // in the code page
    for (const auto& [old, completion, added] :
         {std::tuple<std::string, std::string, std::string>{"a,1", "\r\n", record},
          {"\"a\",\"1\"\r", "\n", record},
          {"\n", "", record},
          {kMark, "", Utf8(dx)},
          {kBe, "", Be(dx)},
          {Utf8(L"\"国服\",\"1\""), "\r\n", Utf8(dx)},
          {Utf8(L"\"国服\",\"1\"\r\n") + "\xe4\xb8", "\r\n", Utf8(dx)},  // cut: no vote
          {kLe + Le(L"\u0A61") + '\0', half, Le(dx)},                    // cut: ends "\n\0"
          {kLe + Le(L"\"a\",\"1\"\r") + '\n', half, Le(dx)},             // cut in its LF
          {kBe + Be(L"a,1\r"), Be(L"\n"), Be(dx)}}) {
        Entries after = Read(old);
        after.push_back({L"电信", L"2"});
        ASSERT_EQ(actions.Add(L"电信", L"2"), AddOutcome::Added);
        EXPECT_EQ(host.FileBytes(kList), old + completion + added);
        EXPECT_EQ(list.LoadEntries(), after);
    }
}

// A leftover copy goes when the list equals it or provably made it; a copy-back is finished where the list
// agrees but for NUL or a short end; any other pair stays, reported, edits refused unasked. Held, it stays.
TEST_F(ServerListTest, LeftoverCopyIsSettledOnlyOnProof) {
    using S = InterruptedEdit;
    const std::string a = "\"a\",\"1\"\r\n", b = "\"b\",\"2\"\r\n", c = "\"c\",\"3\"\r\n", nul(9, '\0'),
                      nulLine = std::string(4, '\0') + "\r\n", none = "(none)";
    const std::tuple<std::string, std::string, S, std::string> cases[] = {
        // list, copy, state, list after
        {a + b, a + b, S::Done, a + b},
        {"\"a\",\"1", a + b, S::Finished, a + b},              // the copy-back cut short
        {a + nul, a + b, S::Finished, a + b},                  // its tail lost
        {nul + b, a + b, S::Finished, a + b},                  // a block lost before one written
        {none, a + b, S::Finished, a + b},                     // no list at all
        {a + b + c, a + c, S::Undone, a + b + c},              // the copy of a removal, whole
        {a + b, "\"b\"" + nul.substr(3), S::Undone, a + b},    // cut while it was written
        {"a,1\nb,2\n", "a,1\n\0\0", S::Undone, "a,1\nb,2\n"},  // of a hand-edited list, as it stands
        {"a,1\nb,2\n", a, S::Undone, "a,1\nb,2\n"},            // rewritten, whole and longer
        {a, nul + nul, S::Undone, a},                          // NUL alone
        {a + nulLine + b + c, a + nulLine + b, S::Undone, a + nulLine + b + c},  // a later add, held copy
        {a + b, a + c, S::Unproven, a + b},                          // the copy-back left old bytes
        {kMark + a + b, a, S::Unproven, kMark + a + b},              // not the list's mark
        {a + b, a + nul, S::Unproven, a + b},                        // as long, NUL where the list is not
        {a + nul + '\0', a + b, S::Unproven, a + nul + '\0'},        // longer, NUL
        {a + b + c, a + "\"b\",\"9\"\r\n", S::Unproven, a + b + c},  // a record the list does not hold
    };
    for (const auto& [before, copy, state, after] : cases) {
        SCOPED_TRACE(::testing::PrintToString(before));
        host = MemoryHostServices();
        if (before != none) host.PutFile(kList, before);
        host.PutFile(kCopy, copy);
        host.HoldFile(kCopy, Hold::ShareRead);  // settled, it still cannot go
        EXPECT_EQ(list.SettleInterruptedEdit(), state);
        EXPECT_EQ(host.FileBytes(kList), after);
        EXPECT_EQ(host.FileBytes(kCopy), copy);
        const bool kept = state == S::Unproven;
        EXPECT_EQ(actions.Open().problem, kept ? ListProblem::Unsettled : ListProblem::None);
        EXPECT_EQ(actions.Add(L"d", L"4"), kept ? AddOutcome::ListUnsettled : AddOutcome::ListFileFailed);
        host.HoldFile(kCopy, Hold::None);
        EXPECT_EQ(Delete(L"a"),
                  std::pair(kept ? DeleteOutcome::ListUnsettled : DeleteOutcome::Removed, !kept));
        EXPECT_EQ(host.FileBytes(kList) == after, kept);
        EXPECT_EQ(host.FileBytes(kCopy).has_value(), kept);
    }
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

// Refusals in a fixed order, before a byte is written, by the list's encoding: what would not read back
// exactly (code page bytes read as UTF-8, UTF-8 read in the code page), then a clash (exact; the fixed
// item's).
TEST_F(ServerListTest, AddRefusesInOrderAndAppendsOnce) {
    using O = AddOutcome;
    const std::wstring records = L"\"abc\",\"1.2.3.4\"\r\n\"国服\",\"5.5.5.5\"\r\n";
    const std::string files[] = {Gbk(records), kMark + Utf8(records), Utf8(records), kLe + Le(records)};
    const O add = O::Added, clash = O::Conflict, name = O::NameMissing, cp = O::NameNotStorable,
            utf = O::NameNotStorableInUnicode, bare = O::NameNotStorableInUnmarkedUtf8,
            addr = O::AddressNotStorable;
    const std::tuple<const wchar_t*, const wchar_t*, std::array<O, 4>> cases[] = {
        // code page, UTF-8 with the mark, without it, UTF-16
        {L"", L"", {name, name, name, name}},
        {L"", L"\"", {name, name, name, name}},
        {L"a\"b", L"", {O::AddressMissing, O::AddressMissing, O::AddressMissing, O::AddressMissing}},
        {L"a\"b", L"1\n", {cp, utf, bare, utf}},
        {L"한국😀\u0800\uffff\U00010000", L"1", {cp, add, bare, add}},
        {L"鍥芥湇", L"1", {O::NameReadsAsUtf8, add, add, add}},  // 国服's UTF-8 in the code page
        {L"——", L"1", {add, add, bare, add}},
        {L"——", L"网关", {add, add, add, add}},
        {L"é", L"1", {add, add, bare, add}},
        {L"abc", L"1\"", {addr, addr, addr, addr}},
        {L"abc", L"ü.€.😀", {addr, addr, addr, addr}},
        {L"n", L"鍥芥湇", {O::AddressReadsAsUtf8, add, add, add}},
        {L"新", L"é.cn", {add, add, O::AddressNotStorableInUnmarkedUtf8, add}},
        {L"国服", L"9.9.9.9", {clash, clash, clash, clash}},
        {L"新服", L" 5.5.5.5", {add, add, add, add}},
        {L"新服", L"1.2.3.4", {clash, clash, clash, clash}},
        {L"ABC€", L"6", {add, add, bare, add}},  // € is one byte, 80, in the code page
        {OfficialEntryLabel, L"7.7.7.7", {clash, clash, clash, clash}},
    };
    for (int form = 0; form < 4; ++form) {
        for (const auto& [name, address, outcomes] : cases) {
            host.PutFile(kList, files[form]);
            EXPECT_EQ(actions.Add(name, address), outcomes[form]) << form << ::testing::PrintToString(name);
            if (outcomes[form] != O::Added) {
                EXPECT_EQ(host.FileBytes(kList), files[form]);
            } else {
                EXPECT_EQ(list.LoadEntries().back(), (ServerEntry{name, address}));
                EXPECT_EQ(host.FileBytes(kList)->substr(0, 2), files[form].substr(0, 2));
            }
        }
    }
}

// The fixed item and no selection are refused unasked; No keeps everything; a record with an empty
// name goes only when its own item is selected.
TEST_F(ServerListTest, DeleteAsksThenRemovesOnlyTheSelectedName) {
    const std::string file = "\"\",\"6.6.6.6\"\r\nplain,1\n\"abc\",\"2\"\r\n";
    host.PutFile(kList, file);
    using D = DeleteOutcome;
    EXPECT_EQ(Delete(OfficialEntryLabel), std::pair(D::Protected, false));
    EXPECT_EQ(Delete(L"abc", false), std::pair(D::Declined, true));
    EXPECT_EQ(Delete(std::nullopt), std::pair(D::NothingSelected, false));
    EXPECT_EQ(host.FileBytes(kList), file);
    EXPECT_EQ(Delete(L"").first, D::Removed);
    EXPECT_EQ(host.FileBytes(kList), "\"plain\",\"1\"\r\n\"abc\",\"2\"\r\n");
    host.HoldFile(kList, Hold::ShareRead);
    EXPECT_EQ(Delete(L"abc").first, D::ListFileFailed);  // the list shows the file
    host.HoldFile(kList, Hold::Exclusive);
    EXPECT_EQ(Delete(L"abc").first, D::ListUnreadable);  // it shows only the fixed item
}

}  // namespace
}  // namespace testing
}  // namespace tolvane
