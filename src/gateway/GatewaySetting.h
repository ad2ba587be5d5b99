#pragma once

#include <string>

namespace tolvane {

class HostServices;
class Module1;

// The game's per-user settings key under HKEY_CURRENT_USER.
inline constexpr const char* GameKeyPath = "Software\\Blizzard Entertainment\\Diablo II";
inline constexpr const char* kGatewayValueName = "BNETIP";

// Writes or removes the game's gateway override. Each reports whether the
// game will now find the setting as asked: a write that the system refused
// (security software often blocks unknown programs) is not a success.
class GatewaySetting {
public:
    GatewaySetting(Module1& registry, HostServices& host) : registry_(registry), host_(host) {}

    bool SetGateway(const std::wstring& address);
    // A missing key or value is success: there is no override to remove.
    bool ClearGateway();

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
