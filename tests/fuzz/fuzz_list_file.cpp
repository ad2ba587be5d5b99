// Arbitrary bytes as the list file: read them, list the names, and remove a
// name taken from them, with or without a crash or a failure at some step of
// the removal. Any broken promise of the list code aborts.
//
// Input: one control byte (bits 0-3: the step to disturb, 0 for none; bits
// 4-5: a failure, a kill or a power cut there; bits 6-7: which of the first
// three records' name to remove, or a name held by none), then the file's
// bytes.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "MemoryHostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"
#include "serverlist/ServerListFile.h"

using namespace tolvane;
using tolvane::testing::Fault;
using tolvane::testing::MemoryHostServices;
using tolvane::testing::SimulatedCrash;

namespace {

void Check(bool promise) {
    if (!promise) std::abort();
}

// The file as a reader sees it: every record in its writer's form, every
// other line as stored. Two files that read alike show the same list and keep
// the same other lines.
std::vector<std::string> View(MemoryHostServices& host, std::vector<ServerEntry>* entries = nullptr) {
    ServerListFile file(host);
    file.OpenForReading(kListFileName);
    std::vector<std::string> view;
    std::string bytes;
    ListLine line;
    while (file.ReadLine(line)) {
        bytes += line.bytes;
        if (!line.entry) {
            view.push_back("L" + line.bytes);
            continue;
        }
        if (entries) entries->push_back(*line.entry);
        view.push_back("R\"" + line.bytes.substr(line.nameBegin, line.nameSize) + "\",\"" +
                       line.bytes.substr(line.addressBegin, line.addressSize) + "\"");
        // A record's writer form reads back as the same record.
        ListLine written;
        written.bytes = view.back().substr(1) + "\r\n";
        ServerListFile::ParseLine(host, written);
        Check(written.entry == line.entry);
    }
    file.Close();
    // Lines cover the file exactly: nothing skipped, nothing read twice.
    Check(bytes == host.FileBytes(kListFileName));
    return view;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    MemoryHostServices host;
    host.PutFile(kListFileName, bytes);
    std::vector<ServerEntry> entries;
    const std::vector<std::string> before = View(host, &entries);

    ServerList list(host);
    std::vector<std::wstring> names = list.LoadNames();
    Check(names.size() == entries.size());
    for (std::size_t i = 0; i < names.size(); ++i) Check(names[i] == entries[i].name);

    std::size_t pick = control >> 6;  // 3: a name held by none
    bool held = pick < 3 && pick < entries.size();
    std::wstring name = held ? entries[pick].name : L"\x7f no such name";
    if (held) Check(list.FindAddress(name).has_value());

    // The undisturbed removal: every record of the name goes, nothing else.
    MemoryHostServices clean;
    clean.PutFile(kListFileName, bytes);
    ServerList(clean).RemoveEntries(name);
    std::vector<std::string> after = View(clean);
    std::vector<std::string> expected;
    for (std::size_t i = 0, record = 0; i < before.size(); ++i) {
        bool isRecord = before[i][0] == 'R';
        if (!isRecord || entries[record].name != name) expected.push_back(before[i]);
        if (isRecord) ++record;
    }
    Check(after == expected);
    Check(!clean.FileBytes(kTemporaryListFileName));

    // Disturbed at one step, the list is then whole: before or after.
    int step = control & 0x0F;
    if (step == 0) return 0;
    const Fault faults[] = {Fault::Fail, Fault::Kill, Fault::PowerCut, Fault::PowerCut};
    host.fault = faults[(control >> 4) & 3];
    host.faultStep = step;
    try {
        list.RemoveEntries(name);
    } catch (const SimulatedCrash&) {
    } catch (const ListFileError&) {
    }
    host.fault = Fault::None;
    ServerList(host).EnsureListFile();
    std::vector<std::string> now = View(host);
    Check(now == before || now == after);
    Check(!host.FileBytes(kTemporaryListFileName));
    return 0;
}
