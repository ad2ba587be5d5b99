#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gateway/GatewaySetting.h"

namespace tolvane {

// Which entries of the main list the game will connect to, as its settings
// say: the fixed first item when they hold no override, every record whose
// address is exactly the override's text, or none when the setting cannot be
// read or names no entry. Worked out when the list is filled and when a
// connect ends, and kept, so that drawing a row reads neither the list file
// nor the registry.
class ActiveEntries {
public:
    explicit ActiveEntries(GatewaySetting& gateway) : gateway_(gateway) {}

    // A new list: the addresses of the records after the fixed item, in list
    // order. Reads the game's setting.
    void Fill(std::vector<std::wstring> addresses);
    // One record appended to the list; the setting is as last read.
    void Append(std::wstring address);
    // Reads the setting again, whatever the connect did to it.
    void Refresh();
    // Row 0 is the fixed item.
    bool IsActive(std::size_t row) const { return row < active_.size() && active_[row]; }

private:
    bool Matches(const std::wstring& address) const;

    GatewaySetting& gateway_;
    ActiveGateway gatewayNow_;
    std::vector<std::wstring> addresses_;
    std::vector<bool> active_;  // by row
};

}  // namespace tolvane
