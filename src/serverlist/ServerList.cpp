#include "serverlist/ServerList.h"

#include <utility>

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"

namespace tolvane {
namespace {

// Writes `bytes` over `to` and forces them onto the disk.
void WriteList(HostServices& host, const std::wstring& to, const std::string& bytes) {
    ServerListFile file(host);
    file.OpenForWriting(to);
    file.WriteBytes(bytes);
    file.Flush();
    file.Close();
}

// Whether the list `list` agrees with the copy wherever the list is not NUL
// and is no longer: a copy-back cut short, or with blocks that never reached
// the disk reading as NUL.
bool IsUnfinishedCopyOf(const std::string& list, const std::string& copy) {
    if (list.size() > copy.size()) return false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] != copy[i] && list[i] != '\0') return false;
    }
    return true;
}

// Whether the copy was being made from the list, read from `file`: it equals
// the list rewritten with every record of one name left out (or none), or,
// cut short, agrees wherever it is not NUL with that rewrite or with the list
// as it stands (an add), and is shorter than the list.
bool IsMadeFrom(ServerListFile& file, const std::string& copy) {
    const std::string& list = file.Bytes();
    const bool shorter = copy.size() < list.size();
    bool verbatim = shorter;
    for (std::size_t i = 0; verbatim && i < copy.size(); ++i)
        verbatim = copy[i] == list[i] || copy[i] == '\0';
    if (verbatim) return true;
    std::string rewritten(MarkOf(file.Encoding()));
    // A whole copy ends where the rewrite does; one cut short may end anywhere.
    auto agrees = [&](std::size_t from) {
        if (!shorter && rewritten.size() > copy.size()) return false;
        for (std::size_t i = from; i < rewritten.size() && i < copy.size(); ++i) {
            if (copy[i] != rewritten[i] && copy[i] != '\0') return false;
        }
        return true;
    };
    if (!agrees(0)) return false;
    std::optional<std::wstring> removed;
    ListLine line;
    while (file.ReadLine(line)) {
        if (removed && line.entry && line.entry->name == *removed) continue;
        std::size_t at = rewritten.size();
        AppendLine(rewritten, line, file.Encoding());
        if (!agrees(at)) {
            // The first record the copy does not hold names the records left out.
            if (removed || !line.entry) return false;
            removed = line.entry->name;
            rewritten.resize(at);
        } else if (shorter && rewritten.size() >= copy.size()) {
            return true;
        }
    }
    return rewritten == copy;
}

}  // namespace

// An edit never writes the list in place: the new list goes to "diablo.new"
// and onto the disk first, and only then over "diablo.dat". So while the copy
// is written the list is whole, and while the list is written the copy is. A
// list being written is never longer than the copy; a copy being written that
// is shorter than the list it is made from shows how it was made. Only these
// states are settled; any other, including a copy-back that left old bytes,
// keeps both files for the user.
InterruptedEdit ServerList::SettleInterruptedEdit() {
    if (!host_.FindFile(kTemporaryListFileName)) return InterruptedEdit::None;
    ServerListFile copyFile(host_), listFile(host_);
    copyFile.OpenForReading(kTemporaryListFileName);
    const std::string& copy = copyFile.Bytes();
    static const std::string kMissing;
    bool listExists = host_.FindFile(kListFileName).has_value();
    if (listExists) listFile.OpenForReading(kListFileName);
    const std::string& list = listExists ? listFile.Bytes() : kMissing;

    InterruptedEdit state = InterruptedEdit::Unproven;
    if (listExists && list == copy) {
        state = InterruptedEdit::Done;
    } else if (IsUnfinishedCopyOf(list, copy)) {
        state = InterruptedEdit::Finished;
    } else if (IsMadeFrom(listFile, copy) || copy.find_first_not_of('\0') == std::string::npos) {
        // A copy of NUL bytes alone holds no record to lose.
        state = InterruptedEdit::Undone;
    }
    listFile.Close();
    // A list equal to the copy may still be in the system's cache alone: the
    // copy is the one thing known to be on the disk, so it is written over.
    if (state == InterruptedEdit::Finished || state == InterruptedEdit::Done)
        WriteList(host_, kListFileName, copy);
    copyFile.Close();
    if (state != InterruptedEdit::Unproven) host_.RemoveFile(kTemporaryListFileName);
    return state;
}

void ServerList::EnsureListFile() {
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
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    std::vector<ServerEntry> entries;
    while (!file.AtEnd()) entries.push_back(file.ReadEntry());
    file.Close();
    return entries;
}

std::optional<std::wstring> ServerList::FindAddress(const std::wstring& name) {
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

ServerList::Appended ServerList::AppendEntry(const ServerEntry& entry) {
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    Appended result;
    while (!file.AtEnd()) {
        ServerEntry stored = file.ReadEntry();
        result.conflict = result.conflict || stored.name == entry.name || stored.address == entry.address;
    }
    result.encoding = file.EncodingForNewRecords();
    // The list stays byte for byte as it is, the record after it.
    std::string text = file.Bytes();
    file.Close();
    result.fault = CheckRecord(host_, entry, result.encoding);
    if (result.fault == RecordFault::None && !result.conflict) {
        AppendRecord(host_, text, entry, result.encoding);
        Replace(text);
    }
    return result;
}

void ServerList::RemoveEntries(const std::wstring& name) {
    ServerListFile file(host_);
    file.OpenForReading(kListFileName);
    std::string text(MarkOf(file.Encoding()));
    ListLine line;
    while (file.ReadLine(line)) {
        if (!line.entry || line.entry->name != name) AppendLine(text, line, file.Encoding());
    }
    file.Close();
    Replace(text);
}

// A copy left by an interrupted edit is settled first; one still there (held
// by another program, or unproven) is not overwritten. The copy stays open,
// shared with nobody, until the list is written, so that another Tolvane
// started meanwhile cannot settle it away. The list's cut to nothing reaches
// the disk before its new bytes, so that a power cut cannot leave the old
// list's tail behind the new one. A failure before the list is opened leaves
// the list as it was and deletes the copy; after, the copy is whole and
// finishes the list at once if it can. An edit neither done nor undone, its
// copy left for the next action to settle, fails as Unfinished.
void ServerList::Replace(const std::string& bytes) {
    if (host_.FindFile(kTemporaryListFileName))
        throw ListFileError(kTemporaryListFileName, ListFileOperation::Open);
    std::optional<ServerListFile> copy(std::in_place, host_);
    bool listOpened = false;
    try {
        copy->OpenForWriting(kTemporaryListFileName);
        copy->WriteBytes(bytes);
        copy->Flush();
        ServerListFile list(host_);
        list.OpenForWriting(kListFileName);
        listOpened = true;
        list.Flush();
        list.WriteBytes(bytes);
        list.Flush();
        list.Close();
    } catch (const ListFileError&) {
        copy.reset();
        if (!listOpened) {
            if (host_.RemoveFile(kTemporaryListFileName) || !host_.FindFile(kTemporaryListFileName)) throw;
        } else {
            try {
                InterruptedEdit settled = SettleInterruptedEdit();
                if (settled == InterruptedEdit::Done || settled == InterruptedEdit::Finished) return;
            } catch (const ListFileError&) {
            }
        }
        throw ListFileError(kTemporaryListFileName, ListFileOperation::Unfinished);
    }
    copy.reset();
    host_.RemoveFile(kTemporaryListFileName);
}

}  // namespace tolvane
