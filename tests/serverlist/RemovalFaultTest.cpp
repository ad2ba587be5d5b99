#include <gtest/gtest.h>

#include "MemoryHostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

const std::wstring kList = L"diablo.dat";
const std::wstring kCopy = L"diablo.new";

// A list of mixed content, large enough that each file is written in several
// chunks, so that crashes fall between chunks as well as inside them.
constexpr int kLines = 8000;  // a fifth each of five kinds, four of them records
constexpr std::size_t kRecordsBefore = kLines / 5 * 4 + 1;
constexpr std::size_t kRecordsAfter = kLines / 5 * 3 + 1;

std::string MixedList() {
    std::string bytes;
    for (int i = 0; i < kLines; ++i) {
        std::string n = std::to_string(i);
        switch (i % 5) {
            case 0:
                bytes += "\"gone\",\"" + n + "\"\r\n";
                break;
            case 1:
                bytes += "\"\xb7\xfe\xce\xf1" + n + "\",\"10.0.0." + n + "\"\r\n";
                break;
            case 2:
                bytes += "plain" + n + ",x\n";
                break;
            case 3:
                bytes += "junk line " + n + "\r\n";
                break;
            case 4:
                bytes += "\"s" + n + "\",\"y\"\r\n";
                break;
        }
    }
    return bytes + "\"tail\",\"z\"";
}

struct Lists {
    std::string before;
    std::string after;
};

// The list file before the removal and after an undisturbed one.
Lists Expected() {
    MemoryHostServices host;
    host.PutFile(kList, MixedList());
    ServerList(host).RemoveEntries(L"gone");
    return {MixedList(), host.FileBytes(kList)};
}

void ExpectBeforeOrAfter(MemoryHostServices& host, const Lists& lists, int step) {
    std::string bytes = host.FileBytes(kList);
    EXPECT_TRUE(bytes == lists.before || bytes == lists.after)
        << "step " << step << ", " << bytes.size() << " bytes";
    EXPECT_FALSE(host.HasFile(kCopy)) << "step " << step;
}

// A crash at any step of a removal leaves a list that the next start shows as
// it was before or after the removal, byte for byte.
TEST(RemovalFaultTest, CrashAtEveryStepLosesNothing) {
    const Lists lists = Expected();
    ASSERT_NE(lists.before, lists.after);
    int step = 1;
    for (;; ++step) {
        MemoryHostServices host;
        host.PutFile(kList, lists.before);
        host.crashAtStep = step;
        try {
            ServerList(host).RemoveEntries(L"gone");
            break;  // ran to its end: every step has had its crash
        } catch (const SimulatedCrash&) {
        }
        host.crashAtStep = 0;
        ServerList(host).EnsureListFile();
        ExpectBeforeOrAfter(host, lists, step);
        EXPECT_EQ(host.openFiles(), 0);
    }
    EXPECT_GE(step, 10);  // nine steps: two opens, two writes a file, two flushes, the deletion
}

// A failing step ends the removal with a ListFileError; every later operation
// sees the list before or after the removal, never a half-copied one.
TEST(RemovalFaultTest, FailureAtEveryStepReachesTheCaller) {
    const Lists lists = Expected();
    int step = 1;
    for (;; ++step) {
        MemoryHostServices host;
        host.PutFile(kList, lists.before);
        host.failAtStep = step;
        try {
            ServerList(host).RemoveEntries(L"gone");
            break;
        } catch (const ListFileError&) {
        }
        EXPECT_EQ(host.openFiles(), 0);
        std::vector<std::wstring> names = ServerList(host).LoadNames();
        EXPECT_TRUE(names.size() == kRecordsBefore || names.size() == kRecordsAfter)
            << "step " << step << ": " << names.size();
        ExpectBeforeOrAfter(host, lists, step);
    }
    EXPECT_GE(step, 10);
}

}  // namespace
}  // namespace tolvane::testing
