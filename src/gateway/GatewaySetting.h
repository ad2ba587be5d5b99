#pragma once

#include <string>

namespace tolvane {

class HostServices;
class Module1;

// The game's per-user settings key under HKEY_CURRENT_USER.
inline constexpr const char* GameKeyPath = "Software\\Blizzard Entertainment\\Diablo II";
inline constexpr const char* kGatewayValueName = "BNETIP";

// Writes or removes the game's gateway override. Reports nothing.
class GatewaySetting {
public:
    GatewaySetting(Module1& registry, HostServices& host) : registry_(registry), host_(host) {}

    void SetGateway(const std::wstring& address);
    void ClearGateway();

private:
    Module1& registry_;
    HostServices& host_;
};

}  // namespace tolvane
