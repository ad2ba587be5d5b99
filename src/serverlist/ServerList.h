#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serverlist/ServerEntry.h"
#include "serverlist/ServerListFile.h"

namespace tolvane {

class HostServices;

inline constexpr const wchar_t* kListFileName = L"diablo.dat";
inline constexpr const wchar_t* kTemporaryListFileName = L"diablo.new";

// What became of an edit that stopped before it deleted "diablo.new" (a
// crash, a power cut, a failure midway).
enum class InterruptedEdit {
    None,      // no "diablo.new"
    Done,      // the list equals it: only the copy was left to delete
    Finished,  // the list was being copied from it: the copy-back is finished
    Undone,    // the list is the one it was being made from: the copy goes
    Unproven,  // neither can be proven: both stay as they are, edits refuse
};

// The operations on the list file "diablo.dat" in the working directory. Each
// opens, works through and closes the file; nothing is kept between calls.
// Every file failure is thrown as ListFileError. Reads only read; an edit
// rewrites the list through "diablo.new", and every user action first settles
// what an interrupted edit left (SettleInterruptedEdit).
class ServerList {
public:
    explicit ServerList(HostServices& host) : host_(host) {}

    // Finishes or undoes an edit that stopped before deleting "diablo.new",
    // where the files prove which list is whole; deletes the copy once it is
    // not needed (one held by another program stays for the next time).
    InterruptedEdit SettleInterruptedEdit();
    // Creates an empty list file when none exists (letter case ignored).
    void EnsureListFile();
    // The names of all records, in file order.
    std::vector<std::wstring> LoadNames();
    // All records, in file order.
    std::vector<ServerEntry> LoadEntries();
    // The address of the last record named exactly `name`.
    std::optional<std::wstring> FindAddress(const std::wstring& name);

    // What an append found, and did unless refused.
    struct Appended {
        RecordFault fault = RecordFault::None;           // the record would not read back as written
        bool conflict = false;                           // a record holds its name or its address
        ListEncoding encoding = ListEncoding::CodePage;  // the one new records go in
    };
    // Appends the record, unless it would not read back exactly in the list's
    // encoding or a record has its name or its address.
    Appended AppendEntry(const ServerEntry& entry);
    // Removes every record named exactly `name`.
    void RemoveEntries(const std::wstring& name);

private:
    void Replace(const std::string& bytes);

    HostServices& host_;
};

}  // namespace tolvane
