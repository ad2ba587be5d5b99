#include "serverlist/ServerList.h"

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {
namespace {

enum class ListAgainstCopy { Equal, Unfinished, Stale, Damaged };

// How the bytes of "diablo.dat" (a missing file counts as empty) stand to
// those of "diablo.new". The list is an unfinished copy when it is no longer
// than the copy and agrees with it wherever the list is not NUL.
ListAgainstCopy CompareListWithCopy(HostServices& host) {
    if (!host.FindFile(kListFileName)) return ListAgainstCopy::Unfinished;
    ServerListFile copy(host);
    copy.OpenForReading(kTemporaryListFileName);
    ServerListFile list(host);
    list.OpenForReading(kListFileName);
    bool agrees = true, equal = true, nul = false;
    std::string chunk, ahead;  // `ahead`: the copy's bytes from `at` on are not compared yet
    std::size_t at = 0;
    while (list.ReadBytes(chunk)) {
        nul = nul || chunk.find('\0') != std::string::npos;
        for (std::size_t i = 0; agrees && i < chunk.size(); ++i, ++at) {
            if (at == ahead.size()) {
                at = 0;
                agrees = copy.ReadBytes(ahead);  // else the list is the longer
                if (!agrees) break;
            }
            equal = equal && chunk[i] == ahead[at];
            agrees = chunk[i] == ahead[at] || chunk[i] == '\0';
        }
    }
    if (agrees) {
        equal = equal && at == ahead.size() && !copy.ReadBytes(ahead);
        return equal ? ListAgainstCopy::Equal : ListAgainstCopy::Unfinished;
    }
    return nul ? ListAgainstCopy::Damaged : ListAgainstCopy::Stale;
}

// Copies `from` over `to` byte for byte and forces `to` onto the disk before
// anyone may delete `from`.
void CopyList(HostServices& host, const std::wstring& from, const std::wstring& to) {
    ServerListFile source(host);
    ServerListFile target(host);
    source.OpenForReading(from);
    target.OpenForWriting(to);
    std::string chunk;
    while (source.ReadBytes(chunk)) target.WriteBytes(chunk);
    source.Close();
    target.Flush();
    target.Close();
}

// Completes or undoes a removal that stopped before deleting "diablo.new".
//
// Removal writes the new list to "diablo.new" and flushes it while
// "diablo.dat" is still untouched; only then does it truncate "diablo.dat" and
// copy "diablo.new" back byte for byte. A cut during the copy-back leaves
// "diablo.dat" as the file system kept it: shortened to what reached the disk,
// or at its new length with the blocks that never reached the disk reading as
// NUL, the disk having written them in any order. Either way it agrees with
// the complete "diablo.new" wherever it is not NUL, and finishing the copy
// yields the list after the removal.
//
// Before that, "diablo.dat" is the old list D and "diablo.new" a prefix of its
// rewrite f(D), with NUL blocks of its own if the power went while it was
// written. A sound D (one without NUL bytes) can agree with that only as a
// prefix, and only when nothing was removed up to its last line: every line
// ends with its only LF, so a line of D that matches from its start must equal
// the rewritten line in full, and a removed record cannot be followed by an
// equal line (that line would be removed too). What can differ is a last line
// without line end that the rewrite completes with CR LF, and the reader takes
// that line, with or without the completion, as the same record. Copying then
// shows the old list, which is also the new one. Any other sound list is the
// old list, and "diablo.new" a leftover.
//
// A list with NUL bytes that "diablo.new" does not account for is damage this
// cannot explain: both files stay as they are, for the user to look at. Reading
// goes on; `writing` operations fail until the files are sorted out.
//
// Once the list is settled, a "diablo.new" that another program holds open for
// reading, and that so cannot be deleted, is only clutter: the operation goes
// on, and the next one tries again. A list already equal to it is not copied
// again. A copy that cannot even be read leaves the list unsettled, and the
// operation fails.
void FinishInterruptedRemoval(HostServices& host, bool writing) {
    if (!host.FindFile(kTemporaryListFileName)) return;
    switch (CompareListWithCopy(host)) {
        case ListAgainstCopy::Damaged:
            if (writing) throw ListFileError(kListFileName, ListFileOperation::Recover);
            return;
        case ListAgainstCopy::Unfinished:
            CopyList(host, kTemporaryListFileName, kListFileName);
            break;
        case ListAgainstCopy::Equal:
        case ListAgainstCopy::Stale:
            break;
    }
    host.RemoveFile(kTemporaryListFileName);
}

}  // namespace

// Every operation first settles a removal that a crash or a failed copy left
// unfinished, so none of them reads or extends a half-copied list.

void ServerList::EnsureListFile() {
    FinishInterruptedRemoval(host_, false);
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
    FinishInterruptedRemoval(host_, false);
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    std::vector<ServerEntry> entries;
    while (!file.AtEnd()) entries.push_back(file.ReadEntry());
    file.Close();
    return entries;
}

std::optional<std::wstring> ServerList::FindAddress(const std::wstring& name) {
    FinishInterruptedRemoval(host_, false);
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
    FinishInterruptedRemoval(host_, false);
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

ListEncoding ServerList::Encoding() {
    FinishInterruptedRemoval(host_, false);
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    return file.Encoding();
}

bool ServerList::IsDamaged() {
    return host_.FindFile(kTemporaryListFileName) && CompareListWithCopy(host_) == ListAgainstCopy::Damaged;
}

void ServerList::AppendEntry(const std::wstring& name, const std::wstring& address) {
    FinishInterruptedRemoval(host_, true);
    ServerListFile file(host_);
    file.OpenForAppending(kListFileName);
    file.WriteEntry({name, address});
    // On the disk before the add counts as done: a power cut would otherwise
    // leave the file at its new length with the record's bytes read as NUL.
    file.Flush();
    file.Close();
}

void ServerList::RemoveEntries(const std::wstring& name) {
    FinishInterruptedRemoval(host_, true);
    try {
        ServerListFile list(host_);
        ServerListFile copy(host_);
        list.OpenForReading(kListFileName);
        copy.OpenForWriting(kTemporaryListFileName, list.Encoding());
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
