// A removal disturbed at each of its steps, then the next operation on the list.
#include <cstdio>

#include "ListTest.h"
#include "serverlist/ServerList.h"

namespace tolvane::testing {
namespace {

// A failure, a kill or a power cut at any step, or a power cut once it is done: no file stays open,
// and the next operation shows the list byte for byte as before or after it, with "diablo.new" gone.
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
    const std::string after = *undisturbed.FileBytes(kList);
    ASSERT_NE(after, before);

    for (Fault fault : {Fault::Fail, Fault::Kill, Fault::PowerCut}) {
        int step = 1;
        for (bool done = false; !done; ++step) {
            MemoryHostServices host;
            host.PutFile(kList, before);
            host.fault = fault;
            host.faultStep = step;
            try {
                ServerList(host).RemoveEntries(L"gone");
                done = true;  // ran to its end: every step has had its turn
                host.PowerCut();
            } catch (const SimulatedCrash&) {
                EXPECT_NE(fault, Fault::Fail);
            } catch (const ListFileError&) {
                EXPECT_EQ(fault, Fault::Fail);
            }
            host.fault = Fault::None;
            EXPECT_EQ(host.openFiles, 0);
            std::size_t names = ServerList(host).LoadNames().size();
            std::string bytes = host.FileBytes(kList).value_or("(none)");
            EXPECT_TRUE((bytes == before && names == 6401) || (bytes == after && names == 4801))
                << "fault " << static_cast<int>(fault) << " at step " << step << ": " << bytes.size()
                << " bytes, " << names << " names";
            EXPECT_FALSE(host.FileBytes(kCopy)) << "step " << step;
        }
        EXPECT_GE(step, 10);  // two opens, two writes a file, two flushes, the deletion
    }
}

}  // namespace
}  // namespace tolvane::testing
