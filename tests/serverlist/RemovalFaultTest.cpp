#include <gtest/gtest.h>

#include "ListDirectory.h"
#include "MemoryHostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

// A list of mixed content, large enough that each file is written in several
// chunks, so that crashes fall between chunks as well as inside them. Of each
// five lines one is to be removed, three are other records, one is junk.
constexpr int kLines = 8000;
constexpr std::size_t kRecordsBefore = kLines / 5 * 4 + 1;
constexpr std::size_t kRecordsAfter = kLines / 5 * 3 + 1;

std::string MixedList() {
    const char* const kinds[] = {"\"gone\",\"", "\"\xb7\xfe\xce\xf1", "plain", "junk line ", "\"s"};
    const char* const ends[] = {"\"\r\n", "\",\"10.0.0.1\"\r\n", ",x\n", "\r\n", "\",\"y\"\r\n"};
    std::string bytes;
    for (int i = 0; i < kLines; ++i) bytes += kinds[i % 5] + std::to_string(i) + ends[i % 5];
    return bytes + "\"tail\",\"z\"";
}

// A crash (the process stops) or a failure (the step reports an error) at any
// step of a removal: the failure reaches the caller as ListFileError, and the
// next operation shows the list as it was before or after the removal, byte
// for byte, with "diablo.new" gone.
TEST(RemovalFaultTest, NoStepLosesTheList) {
    MemoryHostServices undisturbed;
    undisturbed.PutFile(kList, MixedList());
    ServerList(undisturbed).RemoveEntries(L"gone");
    const std::string before = MixedList();
    const std::string after = undisturbed.FileBytes(kList);
    ASSERT_NE(before, after);

    for (bool crash : {true, false}) {
        int step = 1;
        for (;; ++step) {
            MemoryHostServices host;
            host.PutFile(kList, before);
            (crash ? host.crashAtStep : host.failAtStep) = step;
            try {
                ServerList(host).RemoveEntries(L"gone");
                break;  // ran to its end: every step has had its turn
            } catch (const SimulatedCrash&) {
                EXPECT_TRUE(crash);
            } catch (const ListFileError&) {
                EXPECT_FALSE(crash);
            }
            host.crashAtStep = host.failAtStep = 0;
            EXPECT_EQ(host.openFiles(), 0);
            std::size_t names = ServerList(host).LoadNames().size();
            EXPECT_TRUE(names == kRecordsBefore || names == kRecordsAfter)
                << "step " << step << ": " << names;
            std::string bytes = host.FileBytes(kList);
            EXPECT_TRUE(bytes == before || bytes == after)
                << "step " << step << ": " << bytes.size() << " bytes";
            EXPECT_FALSE(host.HasFile(kCopy)) << "step " << step;
        }
        EXPECT_GE(step, 10);  // nine steps: two opens, two writes a file, two flushes, the deletion
    }
}

}  // namespace
}  // namespace tolvane::testing
