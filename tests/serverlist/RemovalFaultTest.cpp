#include <gtest/gtest.h>

#include <cstdio>

#include "ListDirectory.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

// A crash or a failure at any step of a removal: no file stays open, and the next operation
// shows the list byte for byte as before or after it, with "diablo.new" gone.
TEST(RemovalFaultTest, NoStepLosesTheList) {
    const char* const lines[] = {"\"gone\",\"%d\"\r\n", "\"\xb7\xfe%d\",\"10.0.0.1\"\r\n", "plain%d,x\n",
                                 "junk line %d\r\n", "\"s%d\",\"y\"\r\n"};
    std::string before;  // written in several chunks a file; one line in five is removed
    for (int i = 0; i < 8000; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, lines[i % 5], i);
        before += line;
    }
    before += "\"tail\",\"z\"";
    MemoryHostServices undisturbed;
    undisturbed.PutFile(kList, before);
    ServerList(undisturbed).RemoveEntries(L"gone");
    const std::string after = undisturbed.FileBytes(kList);
    ASSERT_NE(after, before);

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
            std::string bytes = host.FileBytes(kList);
            EXPECT_TRUE((bytes == before && names == 6401) || (bytes == after && names == 4801))
                << "step " << step << ": " << bytes.size() << " bytes, " << names << " names";
            EXPECT_FALSE(host.HasFile(kCopy)) << "step " << step;
        }
        EXPECT_GE(step, 10);  // two opens, two writes a file, two flushes, the deletion
    }
}

}  // namespace
}  // namespace tolvane::testing
