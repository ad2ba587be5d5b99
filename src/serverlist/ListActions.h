#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serverlist/ServerEntry.h"

namespace tolvane {

class HostServices;
class ServerList;

// Why the list cannot be kept, found at start-up. The file is left as it is.
enum class ListProblem {
    None,
    CannotCreate,  // missing, and the folder takes no new file (read-only folder or medium)
    CannotRead,    // there, but not readable (another program holds it open)
    NotAFile,      // a folder has the list file's name
    // An edit that stopped midway left "diablo.new", and neither file proves
    // which list is whole: both stay as they are, and adding and deleting refuse.
    Unsettled,
};

struct StartupList {
    std::vector<ServerEntry> entries;  // the file's records, in file order
    ListProblem problem = ListProblem::None;
    std::wstring folder;  // the working directory, where the list file is kept
    std::wstring file;    // the file in the way: the list file or its copy
};

// The outcomes of the add window's OK button, in the order they are tested.
enum class AddOutcome {
    NameMissing,
    AddressMissing,
    // Texts that would not read back as typed, by the list's encoding (see
    // RecordFault); judged before the clash test.
    NameNotStorable,                   // in the code page: a character it lacks, a quote, a line break
    NameReadsAsUtf8,                   // its code page bytes would read as UTF-8
    NameNotStorableInUnicode,          // UTF-8 with the mark or UTF-16: a quote, a line break
    NameNotStorableInUnmarkedUtf8,     // UTF-8 without it: also what would not read as UTF-8
    AddressNotStorable,                // in the code page, for the registry
    AddressReadsAsUtf8,                // its code page bytes would read as UTF-8
    AddressNotStorableInUnmarkedUtf8,  // fits the code page, would not read as UTF-8
    Conflict,
    ListFileFailed,  // the file could not be read for the clash test, or written; it is as it was
    Unfinished,      // see ListFileOperation::Unfinished
    ListUnsettled,   // see ListProblem::Unsettled
    Added,
};

enum class DeleteOutcome {
    Protected,        // the fixed first item; nothing asked
    Declined,         // the user answered No
    NothingSelected,  // no item selected: nothing asked, every record stays
    Removed,
    // The file is as before the removal; it can be read afterwards, or cannot
    // either.
    ListFileFailed,
    ListUnreadable,
    Unfinished,     // see ListFileOperation::Unfinished
    ListUnsettled,  // see ListProblem::Unsettled
};

// The user's edits of the list, as the windows start them: each takes what
// the window holds and returns an outcome for the window to show.
class ListActions {
public:
    ListActions(ServerList& list, HostServices& host) : list_(list), host_(host) {}

    // The main window's load step: the list file made sure of, then read.
    StartupList Open();
    // The records to show after an edit: the file's as it is now, or none
    // when it cannot be read.
    std::vector<ServerEntry> Entries();
    // The add window's two field texts, exactly as typed.
    AddOutcome Add(const std::wstring& name, const std::wstring& address);
    // The main list's selection; `confirm` asks the user and is true for Yes.
    DeleteOutcome Delete(const Selection& selected, const std::function<bool()>& confirm);

private:
    ServerList& list_;
    HostServices& host_;
};

}  // namespace tolvane
