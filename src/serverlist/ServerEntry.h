#pragma once

#include <optional>
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

// What the main list has selected: the item's text, or nothing when no item
// is selected. An item whose text is empty is a record of a hand-edited list,
// not the absence of a selection.
using Selection = std::optional<std::wstring>;

}  // namespace tolvane
