#include <gtest/gtest.h>

#include "ListDirectory.h"
#include "serverlist/ServerListFile.h"

namespace tolvane::testing {
namespace {

class ListFileTest : public ::testing::Test {
protected:
    std::vector<ServerEntry> ReadAll(const std::wstring& name = kList) {
        ServerListFile file(dir.host());
        file.OpenForReading(name);
        std::vector<ServerEntry> entries;
        while (!file.AtEnd()) entries.push_back(file.ReadEntry());
        file.Close();
        return entries;
    }

    std::vector<ServerEntry> ReadBytes(const std::string& bytes) {
        dir.Put(kList, bytes);
        return ReadAll();
    }

    void WriteAll(const std::vector<ServerEntry>& entries, bool append = false) {
        ServerListFile file(dir.host());
        append ? file.OpenForAppending(kList) : file.OpenForWriting(kList);
        for (const auto& entry : entries) file.WriteEntry(entry);
        file.Close();
    }

    ListDirectory dir;
};

// The writer's layout, byte by byte, in the ANSI code page 936.
TEST_F(ListFileTest, WritesTheRecordLayout) {
    WriteAll({{L"abc", L"1.2.3.4"}});
    EXPECT_EQ(dir.Bytes(kList), std::string("\"abc\",\"1.2.3.4\"\r\n"));
    EXPECT_EQ(dir.Bytes(kList)->size(), 17u);

    WriteAll({{L"官方战网", L"服务器"}});
    EXPECT_EQ(dir.Bytes(kList),
              std::string("\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"\xb7\xfe\xce\xf1\xc6\xf7\"\r\n"));
}

// Whatever the writer accepts, the reader gives back unchanged and in order,
// whether written in one go or appended one by one.
TEST_F(ListFileTest, ReadsBackWhatWasWritten) {
    const std::vector<ServerEntry> entries = {
        {L"a,b", L"1.2.3.4"}, {L"  spaced  ", L" 5.6.7.8 "}, {L"官方战网", L"服务器,逗号"},
        {L"", L""},           {L"quo\"te", L"ad\"dr\",\"x"}, {L"tab\tand\rcr", L"x"},
    };
    WriteAll(entries);
    EXPECT_EQ(ReadAll(), entries);

    dir.Put(kList, "");
    for (const auto& entry : entries) WriteAll({entry}, true);
    EXPECT_EQ(ReadAll(), entries);
}

// A missing file is created by appending; an existing one is emptied by
// opening it for writing, before anything is written.
TEST_F(ListFileTest, OpenModesCreateAndTruncate) {
    WriteAll({{L"a", L"1"}}, true);
    EXPECT_EQ(dir.Bytes(kList), std::string("\"a\",\"1\"\r\n"));
    WriteAll({});
    EXPECT_EQ(dir.Bytes(kList), std::string());
}

// A zero-byte file holds no records; reading past the end and opening a
// missing file are failures naming the file.
TEST_F(ListFileTest, EmptyAndMissingFiles) {
    dir.Put(kList, "");
    ServerListFile file(dir.host());
    file.OpenForReading(kList);
    EXPECT_TRUE(file.AtEnd());
    EXPECT_EQ(FailureOf([&] { file.ReadEntry(); }), ListFileOperation::Read);
    file.Close();

    EXPECT_EQ(FailureOf([&] { ReadAll(L"diablo.new"); }, L"diablo.new"), ListFileOperation::Open);
}

// Appending to a file whose last line has no line end starts a new line
// instead of gluing the record onto that line.
TEST_F(ListFileTest, AppendsOnANewLine) {
    dir.Put(kList, "\"a\",\"1\"");
    WriteAll({{L"b", L"2"}}, true);
    EXPECT_EQ(dir.Bytes(kList), std::string("\"a\",\"1\"\r\n\"b\",\"2\"\r\n"));

    dir.Put(kList, "junk\n");
    WriteAll({{L"b", L"2"}}, true);
    EXPECT_EQ(dir.Bytes(kList), std::string("junk\n\"b\",\"2\"\r\n"));
}

// Texts that would not read back as written are refused and nothing of them
// reaches the file: a line feed could even forge a second record.
TEST_F(ListFileTest, RefusesTextsThatWouldNotReadBack) {
    const std::vector<ServerEntry> refused = {
        {L"x\n\"forged\",\"6.6.6.6", L"1"},
        {L"x", L"1\n"},
        {std::wstring(L"nul\0name", 8), L"1"},
        {L"a\",\"b", L"1"},
        {L"smile\U0001F600", L"1"},
    };
    for (const auto& entry : refused) {
        dir.Put(kList, "\"a\",\"1\"\r\n");
        EXPECT_EQ(FailureOf([&] { WriteAll({entry}, true); }), ListFileOperation::Write)
            << ::testing::PrintToString(entry);
        EXPECT_EQ(dir.Bytes(kList), std::string("\"a\",\"1\"\r\n"));
    }
}

// Hand-edited lines: what reads as a record, and what is skipped.
TEST_F(ListFileTest, ReadsHandEditedLinesLeniently) {
    struct Case {
        std::string bytes;
        std::vector<ServerEntry> entries;
    };
    const std::vector<Case> cases = {
        {"\"a\",\"1\"\n\"b\",\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},  // LF only, no final line end
        {"\"a\",\"1\"\r", {{L"a", L"1"}}},                           // cut before the LF
        {"a,1\r\nb,2,3\r\n", {{L"a", L"1"}, {L"b", L"2,3"}}},        // unquoted
        {"\"a\",\"b\"c\"\r\n", {{L"a", L"b\"c"}}},                   // quote in the address
        {"\xb9\xd9,\"\xb7\xbd\"\r\n\"\xd5\xbd\",\"\xcd\xf8\"\r\n", {{L"战", L"网"}}},  // mixed forms skipped
        {"\r\n\n\r\n", {}},                                                            // blank lines
        {"single\r\n\"single\"\r\n,1\r\na,\r\n\"\"\r\n", {}},  // one field or an empty one
        {"\"a,\"1\"\r\n\"a\",\"1\r\n\"a\",1\"\r\n", {}},       // stray quotes
        {"\"\x81\",\"1\"\r\n\"\x81\x7f\",\"1\"\r\n", {}},      // bytes the code page does not map
        {std::string("\"a\0\",\"1\"\r\n", 10), {}},            // NUL
        {"\"a\",\"1\"\r\r\n", {}},                             // a second CR is part of the line
    };
    for (const auto& c : cases) EXPECT_EQ(ReadBytes(c.bytes), c.entries) << ::testing::PrintToString(c.bytes);

    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 167 + i / 256) & 0xFF);
    EXPECT_EQ(ReadBytes(junk + "\r\n\"a\",\"1\"\r\n"), (std::vector<ServerEntry>{{L"a", L"1"}}));
}

// A line of a megabyte, record or not, is one line.
TEST_F(ListFileTest, ReadsMegabyteLines) {
    std::string big(1 << 20, 'x');
    std::vector<ServerEntry> expected = {
        {L"a", L"1"}, {std::wstring(big.begin(), big.end()), L"2"}, {L"b", L"3"}};
    EXPECT_EQ(ReadBytes("\"a\",\"1\"\r\n" + big + "\r\n\"" + big + "\",\"2\"\r\n\"b\",\"3\""), expected);
}

}  // namespace
}  // namespace tolvane::testing
