#include <gtest/gtest.h>

#include "ListDirectory.h"
#include "serverlist/ServerListFile.h"

namespace tolvane::testing {
namespace {

class ListFileTest : public ::testing::Test {
protected:
    std::vector<ServerEntry> Read(const std::string& bytes) {
        dir.Put(kList, bytes);
        ServerListFile file(dir.host());
        file.OpenForReading(kList);
        std::vector<ServerEntry> entries;
        while (!file.AtEnd()) entries.push_back(file.ReadEntry());
        file.Close();
        return entries;
    }
    void Write(const std::vector<ServerEntry>& entries, bool append = false) {
        ServerListFile file(dir.host());
        append ? file.OpenForAppending(kList) : file.OpenForWriting(kList);
        for (const auto& entry : entries) file.WriteEntry(entry);
        file.Close();
    }

    ListDirectory dir;
};

// The writer's layout byte for byte in code page 936; what it writes reads back unchanged.
TEST_F(ListFileTest, WritesTheLayoutAndReadsItBack) {
    Write({{L"abc", L"1.2.3.4"}, {L"官方战网", L"服务器"}});
    EXPECT_EQ(dir.Bytes(kList),
              std::string("\"abc\",\"1.2.3.4\"\r\n"
                          "\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"\xb7\xfe\xce\xf1\xc6\xf7\"\r\n"));

    const std::vector<ServerEntry> entries = {
        {L"a,b", L"1.2.3.4"}, {L"  spaced  ", L" 5.6.7.8 "}, {L"官方战网", L"服务器,逗号"},
        {L"", L""},           {L"tab\tand", L"x"},
    };
    Write(entries);
    EXPECT_EQ(Read(*dir.Bytes(kList)), entries);
}

// Appending starts a new line after a last line without its line end.
TEST_F(ListFileTest, AppendsOnANewLine) {
    for (const std::string old : {"\"a\",\"1\"", "junk\n"}) {
        dir.Put(kList, old);
        Write({{L"b", L"2"}}, true);
        EXPECT_EQ(dir.Bytes(kList), old + (old.back() == '\n' ? "" : "\r\n") + "\"b\",\"2\"\r\n");
    }
}

// Texts that would not read back (a line feed could forge a record) are refused, the file untouched.
TEST_F(ListFileTest, RefusesTextsThatWouldNotReadBack) {
    const std::vector<ServerEntry> refused = {
        {L"x\n\"forged\",\"6.6.6.6", L"1"},
        {L"x", L"1\n"},
        {std::wstring(L"nul\0name", 8), L"1"},
        {L"a\",\"b", L"1"},
        {L"quo\"te", L"1"},
        {L"a", L"ad\"dr"},
        {L"cr\r", L"1"},
        {L"smile\U0001F600", L"1"},
        {L"a", L"한국"},
    };
    for (const auto& entry : refused) {
        dir.Put(kList, "\"a\",\"1\"\r\n");
        EXPECT_EQ(FailureOf([&] { Write({entry}, true); }), ListFileOperation::Write)
            << ::testing::PrintToString(entry);
        EXPECT_EQ(dir.Bytes(kList), std::string("\"a\",\"1\"\r\n"));
    }
}

// Hand-edited and damaged files: what reads as a record, what is skipped.
TEST_F(ListFileTest, ReadsHandEditedLinesLeniently) {
    const std::string big(1 << 20, 'x');
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 167 + i / 256) & 0xFF);
    const std::pair<std::string, std::vector<ServerEntry>> cases[] = {
        {"\"a\",\"1\"\n\"b\",\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},  // LF only, no final line end
        {"\"a\",\"1\"\r", {{L"a", L"1"}}},                           // cut before the LF
        {"a,1\r\nb,2,3\r\n", {{L"a", L"1"}, {L"b", L"2,3"}}},        // unquoted
        {"\"a\",\"b\"c\"\r\n", {{L"a", L"b\"c"}}},                   // quote in the address
        {"\xb9\xd9,\"\xb7\xbd\"\r\n\"\xd5\xbd\",\"\xcd\xf8\"\r\n", {{L"战", L"网"}}},  // mixed forms skipped
        {"\r\n\n\r\nsingle\r\n\"single\"\r\n,1\r\na,\r\n\"\"\r\n", {}},  // blank, one field, an empty one
        {"\"a,\"1\"\r\n\"a\",\"1\r\n\"a\",1\"\r\n", {}},                 // stray quotes
        {"\"\x81\",\"1\"\r\n\"\x81\x7f\",\"1\"\r\n", {}},                // bytes the code page does not map
        {std::string("\"a\0\",\"1\"\r\n\"a\",\"1\"\r\r\n", 20), {}},     // a NUL; a second CR
        {junk + "\r\n\"a\",\"1\"\r\n", {{L"a", L"1"}}},
        {big + "\r\n\"" + big + "\",\"2\"",
         {{std::wstring(big.begin(), big.end()), L"2"}}},  // megabyte lines
    };
    for (const auto& [bytes, entries] : cases)
        EXPECT_EQ(Read(bytes), entries) << ::testing::PrintToString(bytes.substr(0, 60));
}

}  // namespace
}  // namespace tolvane::testing
