#include "serverlist/ServerList.h"

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {
namespace {

enum class ListAgainstCopy { Equal, Prefix, Other };

// How the bytes of "diablo.dat" (a missing file counts as empty) stand to
// those of "diablo.new". Compared line by line: a prefix is equal lines, and
// at most a last line of "diablo.dat" that stops short inside the matching one.
ListAgainstCopy CompareListWithCopy(HostServices& host) {
    if (!host.FindFile(kListFileName)) return ListAgainstCopy::Prefix;
    ServerListFile copy(host);
    copy.OpenForReading(kTemporaryListFileName);
    ListLine listLine;
    ListLine copyLine;
    ServerListFile list(host);
    list.OpenForReading(kListFileName);
    while (list.ReadLine(listLine)) {
        if (!copy.ReadLine(copyLine)) return ListAgainstCopy::Other;
        if (listLine.bytes == copyLine.bytes) continue;
        bool shortLast = listLine.bytes.size() < copyLine.bytes.size() &&
                         copyLine.bytes.compare(0, listLine.bytes.size(), listLine.bytes) == 0;
        return shortLast && !list.ReadLine(listLine) ? ListAgainstCopy::Prefix : ListAgainstCopy::Other;
    }
    return copy.ReadLine(copyLine) ? ListAgainstCopy::Prefix : ListAgainstCopy::Equal;
}

// Copies `from` over `to` line by line and forces `to` onto the disk before
// anyone may delete `from`.
void CopyList(HostServices& host, const std::wstring& from, const std::wstring& to) {
    ServerListFile source(host);
    ServerListFile target(host);
    source.OpenForReading(from);
    target.OpenForWriting(to);
    ListLine line;
    while (source.ReadLine(line)) target.WriteLine(line);
    source.Close();
    target.Flush();
    target.Close();
}

// Completes or undoes a removal that stopped before deleting "diablo.new".
//
// Removal writes the new list to "diablo.new" and flushes it while
// "diablo.dat" is still untouched; only then does it truncate "diablo.dat" and
// copy "diablo.new" back byte for byte. So once "diablo.dat" has been touched,
// it is a byte-prefix of the complete "diablo.new", and finishing the copy
// yields the list after the removal.
//
// Before that, "diablo.dat" is the old list D and "diablo.new" a prefix of its
// rewrite f(D). D can be a prefix of that only when nothing was removed up to
// its last line: every line ends with its only LF, so a line of D that matches
// from its start must equal the rewritten line in full, and a removed record
// cannot be followed by an equal line (that line would be removed too). What
// can differ is a last line without line end that the rewrite completes with
// CR LF, and the reader takes that line, with or without the completion, as
// the same record. Copying then shows the old list, which is also the new one.
// In every other case "diablo.new" is a leftover and the old list stands.
//
// Once the list is settled, a "diablo.new" that another program holds open for
// reading, and that so cannot be deleted, is only clutter: the operation goes
// on, and the next one tries again. A list already equal to it is not copied
// again. A copy that cannot even be read leaves the list unsettled, and the
// operation fails.
void FinishInterruptedRemoval(HostServices& host) {
    if (!host.FindFile(kTemporaryListFileName)) return;
    if (CompareListWithCopy(host) == ListAgainstCopy::Prefix)
        CopyList(host, kTemporaryListFileName, kListFileName);
    host.RemoveFile(kTemporaryListFileName);
}

}  // namespace

// Every operation first settles a removal that a crash or a failed copy left
// unfinished, so none of them reads or extends a half-copied list.

void ServerList::EnsureListFile() {
    FinishInterruptedRemoval(host_);
    if (host_.FindFile(kListFileName)) return;
    ServerListFile file(host_);
    file.OpenForWriting(kListFileName);
    file.Close();
}

std::vector<std::wstring> ServerList::LoadNames() {
    std::vector<std::wstring> names;
    for (auto& entry : LoadEntries()) names.push_back(std::move(entry.name));
    return names;
}

std::vector<ServerEntry> ServerList::LoadEntries() {
    FinishInterruptedRemoval(host_);
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    std::vector<ServerEntry> entries;
    while (!file.AtEnd()) entries.push_back(file.ReadEntry());
    file.Close();
    return entries;
}

std::optional<std::wstring> ServerList::FindAddress(const std::wstring& name) {
    FinishInterruptedRemoval(host_);
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    std::optional<std::wstring> address;
    while (!file.AtEnd()) {
        ServerEntry entry = file.ReadEntry();
        if (entry.name == name) address = std::move(entry.address);
    }
    file.Close();
    return address;
}

bool ServerList::HasConflict(const std::wstring& name, const std::wstring& address) {
    FinishInterruptedRemoval(host_);
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    bool conflict = false;
    while (!conflict && !file.AtEnd()) {
        ServerEntry entry = file.ReadEntry();
        conflict = entry.name == name || entry.address == address;
    }
    file.Close();
    return conflict;
}

void ServerList::AppendEntry(const std::wstring& name, const std::wstring& address) {
    FinishInterruptedRemoval(host_);
    ServerListFile file(host_);
    file.OpenForAppending(kListFileName);
    file.WriteEntry({name, address});
    file.Close();
}

void ServerList::RemoveEntries(const std::wstring& name) {
    FinishInterruptedRemoval(host_);
    try {
        ServerListFile list(host_);
        ServerListFile copy(host_);
        list.OpenForReading(kListFileName);
        copy.OpenForWriting(kTemporaryListFileName);
        ListLine line;
        while (list.ReadLine(line)) {
            if (!line.entry || line.entry->name != name) copy.WriteLine(line);
        }
        list.Close();
        copy.Flush();
        copy.Close();
    } catch (const ListFileError&) {
        // "diablo.dat" is untouched; the partial copy is only clutter.
        host_.RemoveFile(kTemporaryListFileName);
        throw;
    }
    // From here "diablo.new" holds the whole new list. A failure leaves it in
    // place for FinishInterruptedRemoval to copy back. Once copied, the
    // removal is done even if the copy cannot be deleted yet.
    CopyList(host_, kTemporaryListFileName, kListFileName);
    host_.RemoveFile(kTemporaryListFileName);
}

}  // namespace tolvane
