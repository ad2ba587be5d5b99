// ServerListFile: the bytes written, what reads back, and hand-edited files.
#include "ListTest.h"
#include "serverlist/ServerListFile.h"

namespace tolvane::testing {
namespace {

class ListFileTest : public ::testing::Test {
protected:
    std::vector<ServerEntry> Read(const std::string& bytes) {
        host.PutFile(kList, bytes);
        ServerListFile file(host);
        file.OpenForReading(kList);
        std::vector<ServerEntry> entries;
        while (!file.AtEnd()) entries.push_back(file.ReadEntry());
        file.Close();
        return entries;
    }
    void Write(const std::vector<ServerEntry>& entries, bool append = false) {
        ServerListFile file(host);
        append ? file.OpenForAppending(kList) : file.OpenForWriting(kList);
        for (const auto& entry : entries) file.WriteEntry(entry);
        file.Close();
    }

    MemoryHostServices host;
};

// The writer's layout byte for byte in code page 936; what it writes reads back unchanged.
TEST_F(ListFileTest, WritesTheLayoutAndReadsItBack) {
    Write({{L"abc", L"1.2.3.4"}, {L"官方战网", L"服务器"}});
    EXPECT_EQ(host.FileBytes(kList),
              "\"abc\",\"1.2.3.4\"\r\n"
              "\"\xb9\xd9\xb7\xbd\xd5\xbd\xcd\xf8\",\"\xb7\xfe\xce\xf1\xc6\xf7\"\r\n");
    const std::vector<ServerEntry> entries = {
        {L"a,b", L"1.2.3.4"}, {L"  spaced  ", L" 5.6.7.8 "}, {L"官方战网", L"服务器,逗号"}, {L"", L""},
        {L"t\tb", L"x"},
    };
    Write(entries);
    EXPECT_EQ(Read(*host.FileBytes(kList)), entries);
}

// Appending completes a last line left open, whether it lacks its CR LF or only its LF,
// so the record on it still reads.
TEST_F(ListFileTest, AppendsOnANewLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"\"a\",\"1\"", "\"a\",\"1\"\r\n"},
        {"\"a\",\"1\"\r", "\"a\",\"1\"\r\n"},
        {"\"a\",\"1\"\n", "\"a\",\"1\"\n"},
    };
    for (const auto& [old, completed] : cases) {
        host.PutFile(kList, old);
        Write({{L"b", L"2"}}, true);
        EXPECT_EQ(host.FileBytes(kList), completed + "\"b\",\"2\"\r\n");
        EXPECT_EQ(Read(*host.FileBytes(kList)), (std::vector<ServerEntry>{{L"a", L"1"}, {L"b", L"2"}}));
    }
}

// Texts that would not read back are refused and the file is untouched: a line feed could forge a
// record, a quote split one, a NUL cut one short, a character outside the code page change.
TEST_F(ListFileTest, RefusesTextsThatWouldNotReadBack) {
    const std::vector<ServerEntry> refused = {
        {L"x\n\"forged\",\"6.6.6.6", L"1"}, {L"x", L"1\n"},     {L"cr\r", L"1"},
        {std::wstring(L"nul\0", 4), L"1"},  {L"a\",\"b", L"1"}, {L"a", L"ad\"dr"},
        {L"smile\U0001F600", L"1"},         {L"a", L"한국"},
    };
    for (const auto& entry : refused) {
        host.PutFile(kList, "\"a\",\"1\"\r\n");
        EXPECT_EQ(FailureOf([&] { Write({entry}, true); }), "list file \"diablo.dat\": cannot write")
            << ::testing::PrintToString(entry);
        EXPECT_EQ(host.FileBytes(kList), "\"a\",\"1\"\r\n");
    }
}

// Hand-edited and damaged files: what reads as a record, what is skipped.
TEST_F(ListFileTest, ReadsHandEditedLinesLeniently) {
    const std::string big(1 << 20, 'x');
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 167 + i / 256) & 0xFF);
    const std::pair<std::string, std::vector<ServerEntry>> cases[] = {
        {"\"a\",\"1\"\n\"b\",\"2\"", {{L"a", L"1"}, {L"b", L"2"}}},  // LF only, no final line end
        {"a,1\r\nb,2,3\r\n", {{L"a", L"1"}, {L"b", L"2,3"}}},        // unquoted
        {"\"a\",\"b\"c\"\r\n", {{L"a", L"b\"c"}}},                   // quote in the address
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

}  // namespace
}  // namespace tolvane::testing
