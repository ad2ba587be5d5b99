#include "gateway/GatewaySetting.h"

#include "gateway/RegistryKey.h"
#include "platform/HostServices.h"

namespace tolvane {

void GatewaySetting::SetGateway(const std::wstring& address) {
    // Failures go unreported: the user sees nothing and the caller carries on
    // as if the value had been written. A key that could not be created is
    // simply not written to.
    RegistryKey key = RegistryKey::Create(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return;
    // REG_SZ in the ANSI code page with exactly one terminating NUL, counted in
    // the length: the game reads the bytes as they are.
    std::string bytes = host_.ToAnsi(address);
    registry_.RegSetValueExA(key.get(), kGatewayValueName, 0, kRegSz,
                             reinterpret_cast<const std::uint8_t*>(bytes.c_str()),
                             static_cast<std::uint32_t>(bytes.size() + 1));
}

void GatewaySetting::ClearGateway() {
    // No key means no override: nothing to remove, and nothing is created.
    RegistryKey key = RegistryKey::Open(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return;
    registry_.RegDeleteValueA(key.get(), kGatewayValueName);
}

}  // namespace tolvane
