#pragma once

#include <string>

namespace tolvane {

class HostServices;
class Module1;

// The game's per-user settings key under HKEY_CURRENT_USER.
inline constexpr const char* GameKeyPath = "Software\\Blizzard Entertainment\\Diablo II";
inline constexpr const char* kGatewayValueName = "BNETIP";

// What the game's settings say it will connect to: its official gateway (no
// override: the key or the value is absent), the address an override holds,
// or nothing known (the setting cannot be read).
struct ActiveGateway {
    enum class Kind { Official, Address, Unknown } kind = Kind::Unknown;
    std::wstring address;  // with Address: the override's text
};

// Writes or removes the game's gateway override. Each reports whether the
// game will now find the setting as asked: a write that the system refused
// (security software often blocks unknown programs) is not a success.
class GatewaySetting {
public:
    GatewaySetting(Module1& registry, HostServices& host) : registry_(registry), host_(host) {}

    bool SetGateway(const std::wstring& address);
    // A missing key or value is success: there is no override to remove.
    bool ClearGateway();
    // Opens and queries only: reading never creates the key.
    ActiveGateway ReadGateway();

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
