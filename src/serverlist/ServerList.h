#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serverlist/ListEncoding.h"
#include "serverlist/ServerEntry.h"

namespace tolvane {

class HostServices;

inline constexpr const wchar_t* kListFileName = L"diablo.dat";
inline constexpr const wchar_t* kTemporaryListFileName = L"diablo.new";

// The operations on the list file "diablo.dat" in the working directory. Each
// opens, works through and closes the file; nothing is kept between calls.
// Every file failure is thrown as ListFileError.
class ServerList {
public:
    explicit ServerList(HostServices& host) : host_(host) {}

    // Creates an empty list file when none exists (letter case ignored).
    void EnsureListFile();
    // The names of all records, in file order.
    std::vector<std::wstring> LoadNames();
    // All records, in file order.
    std::vector<ServerEntry> LoadEntries();
    // The address of the last record named exactly `name`.
    std::optional<std::wstring> FindAddress(const std::wstring& name);
    // True when a record has this name or this address.
    bool HasConflict(const std::wstring& name, const std::wstring& address);
    // The encoding new records are written in.
    ListEncoding Encoding();
    // True while the list holds NUL bytes that a "diablo.new" beside it does
    // not account for: both are left as they are, and appending and removing
    // fail with ListFileOperation::Recover.
    bool IsDamaged();
    void AppendEntry(const std::wstring& name, const std::wstring& address);
    // Removes every record named exactly `name`, through "diablo.new".
    void RemoveEntries(const std::wstring& name);

private:
    HostServices& host_;
};

}  // namespace tolvane
