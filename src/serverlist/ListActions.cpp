#include "serverlist/ListActions.h"

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerList.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {
namespace {

// Why a record is refused, in the words of the list's encoding.
AddOutcome Refusal(RecordFault fault, ListEncoding encoding) {
    const bool codePage = encoding == ListEncoding::CodePage, unmarkedUtf8 = encoding == ListEncoding::Utf8;
    switch (fault) {
        case RecordFault::NameNotStored:
            return codePage       ? AddOutcome::NameNotStorable
                   : unmarkedUtf8 ? AddOutcome::NameNotStorableInUnmarkedUtf8
                                  : AddOutcome::NameNotStorableInUnicode;
        case RecordFault::NameMisread:
            return codePage ? AddOutcome::NameReadsAsUtf8 : AddOutcome::NameNotStorableInUnmarkedUtf8;
        case RecordFault::AddressMisread:
            return codePage ? AddOutcome::AddressReadsAsUtf8 : AddOutcome::AddressNotStorableInUnmarkedUtf8;
        case RecordFault::AddressNotStored:
        case RecordFault::None:
            break;
    }
    return AddOutcome::AddressNotStorable;
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
        if (list_.SettleInterruptedEdit() == InterruptedEdit::Unproven)
            start.problem = ListProblem::Unsettled;
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
// may hold depends on the file's encoding, so the file is read first; it is
// only written when the record reads back as typed and no record holds the
// name or the address.
AddOutcome ListActions::Add(const std::wstring& name, const std::wstring& address) {
    if (name.empty()) return AddOutcome::NameMissing;
    if (address.empty()) return AddOutcome::AddressMissing;
    // The fixed first item holds its name already: a record of that name
    // could never be deleted and would connect to the official gateway.
    if (name == OfficialEntryLabel) return AddOutcome::Conflict;
    try {
        if (list_.SettleInterruptedEdit() == InterruptedEdit::Unproven) return AddOutcome::ListUnsettled;
        ServerList::Appended appended = list_.AppendEntry({name, address});
        if (appended.fault != RecordFault::None) return Refusal(appended.fault, appended.encoding);
        if (appended.conflict) return AddOutcome::Conflict;
    } catch (const ListFileError& error) {
        return error.operation() == ListFileOperation::Unfinished ? AddOutcome::Unfinished
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
    try {
        // Only a deletion that can be made is asked about.
        if (list_.SettleInterruptedEdit() == InterruptedEdit::Unproven) return DeleteOutcome::ListUnsettled;
        if (!confirm()) return DeleteOutcome::Declined;
        list_.RemoveEntries(*selected);
    } catch (const ListFileError& error) {
        if (error.operation() == ListFileOperation::Unfinished) return DeleteOutcome::Unfinished;
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
