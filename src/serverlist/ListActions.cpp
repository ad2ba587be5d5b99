#include "serverlist/ListActions.h"

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {
namespace {

AddOutcome NameRefusal(ListEncoding encoding) {
    switch (encoding) {
        case ListEncoding::Utf8:
            return AddOutcome::NameNotStorableInUnmarkedUtf8;
        case ListEncoding::Utf8WithMark:
            return AddOutcome::NameNotStorableInUtf8;
        case ListEncoding::CodePage:
            break;
    }
    return AddOutcome::NameNotStorable;
}

}  // namespace

StartupList ListActions::Open() {
    StartupList start;
    start.folder = host_.GetWorkingDirectory().value_or(L"");
    start.file = kListFileName;
    // Creating the file over a folder of its name would fail anyway; the user
    // is told what stands in the way instead.
    if (host_.IsDirectory(kListFileName)) {
        start.problem = ListProblem::NotAFile;
        return start;
    }
    bool existed = host_.FindFile(kListFileName).has_value();
    try {
        list_.EnsureListFile();
    } catch (const ListFileError& error) {
        // Only a missing list file that could not be made is a folder taking no
        // new file; anything else (a copy that cannot be read, say) is a file
        // that cannot be read.
        start.file = error.fileName();
        bool created = !existed && start.file == kListFileName;
        start.problem = created ? ListProblem::CannotCreate : ListProblem::CannotRead;
        return start;
    }
    try {
        start.entries = list_.LoadEntries();
        if (list_.IsDamaged()) start.problem = ListProblem::Damaged;
    } catch (const ListFileError& error) {
        start.file = error.fileName();
        start.problem = ListProblem::CannotRead;
    }
    return start;
}

std::vector<ServerEntry> ListActions::Entries() {
    try {
        return list_.LoadEntries();
    } catch (const ListFileError&) {
        return {};
    }
}

// Empty means length zero: spaces pass and nothing is trimmed. What a field
// may hold depends on the file's encoding, so the file is read first; the
// file is only written when no record holds the name or the address.
AddOutcome ListActions::Add(const std::wstring& name, const std::wstring& address) {
    if (name.empty()) return AddOutcome::NameMissing;
    if (address.empty()) return AddOutcome::AddressMissing;
    try {
        ListEncoding encoding = list_.Encoding();
        if (!IsStorable(host_, name, Field::Name, encoding)) return NameRefusal(encoding);
        if (!IsStorable(host_, address, Field::Address, encoding))
            return IsStorable(host_, address, Field::Address, ListEncoding::CodePage)
                       ? AddOutcome::AddressNotStorableInUnmarkedUtf8
                       : AddOutcome::AddressNotStorable;
        // The fixed first item holds its name already: a record of that name
        // could never be deleted and would connect to the official gateway.
        if (name == OfficialEntryLabel || list_.HasConflict(name, address)) return AddOutcome::Conflict;
        list_.AppendEntry(name, address);
    } catch (const ListFileError& error) {
        return error.operation() == ListFileOperation::Recover ? AddOutcome::ListDamaged
                                                               : AddOutcome::ListFileFailed;
    }
    return AddOutcome::Added;
}

DeleteOutcome ListActions::Delete(const Selection& selected, const std::function<bool()>& confirm) {
    // Without a selection there is nothing to remove and nothing to ask; a
    // hand-edited record with an empty name is removed only when its own item
    // is selected.
    if (!selected) return DeleteOutcome::NothingSelected;
    if (*selected == OfficialEntryLabel) return DeleteOutcome::Protected;
    if (!confirm()) return DeleteOutcome::Declined;
    try {
        list_.RemoveEntries(*selected);
    } catch (const ListFileError& error) {
        if (error.operation() == ListFileOperation::Recover) return DeleteOutcome::ListDamaged;
        // The window shows the list as the file now holds it, if it can.
        try {
            list_.LoadNames();
        } catch (const ListFileError&) {
            return DeleteOutcome::ListUnreadable;
        }
        return DeleteOutcome::ListFileFailed;
    }
    return DeleteOutcome::Removed;
}

}  // namespace tolvane
