#pragma once

#include <string>

namespace tolvane {

// One record of the list file.
struct ServerEntry {
    std::wstring name;
    std::wstring address;

    friend bool operator==(const ServerEntry& a, const ServerEntry& b) {
        return a.name == b.name && a.address == b.address;
    }
    friend bool operator!=(const ServerEntry& a, const ServerEntry& b) { return !(a == b); }
};

// The fixed first item of the main list. Never stored in the list file;
// choosing it removes the gateway override.
inline constexpr const wchar_t* OfficialEntryLabel = L"官方战网";

}  // namespace tolvane
