#include "gateway/GatewaySetting.h"

#include "gateway/RegistryKey.h"
#include "platform/HostServices.h"

namespace tolvane {

bool GatewaySetting::SetGateway(const std::wstring& address) {
    // A key that could not be created is not written to.
    RegistryKey key = RegistryKey::Create(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return false;
    // REG_SZ in the ANSI code page with exactly one terminating NUL, counted in
    // the length: the game reads the bytes as they are.
    std::string bytes = host_.ToAnsi(address);
    return registry_.RegSetValueExA(key.get(), kGatewayValueName, 0, kRegSz,
                                    reinterpret_cast<const std::uint8_t*>(bytes.c_str()),
                                    static_cast<std::uint32_t>(bytes.size() + 1)) == kErrorSuccess;
}

bool GatewaySetting::ClearGateway() {
    // No key means no override: nothing to remove, and nothing is created. A
    // key that exists but cannot be opened may still hold one.
    RegistryKey key = RegistryKey::Open(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return key.result() == kErrorFileNotFound;
    long result = registry_.RegDeleteValueA(key.get(), kGatewayValueName);
    return result == kErrorSuccess || result == kErrorFileNotFound;
}

// The key or the value absent: no override, so the official gateway. Any
// other failure leaves it unknown.
ActiveGateway GatewaySetting::ReadGateway() {
    auto unread = [](long result) {
        return ActiveGateway{
            result == kErrorFileNotFound ? ActiveGateway::Kind::Official : ActiveGateway::Kind::Unknown, {}};
    };
    RegistryKey key = RegistryKey::Open(registry_, kHkeyCurrentUser, GameKeyPath);
    if (!key.valid()) return unread(key.result());
    long result = kErrorSuccess;
    std::optional<std::string> text = key.QueryText(kGatewayValueName, &result);
    if (!text) return unread(result);
    return {ActiveGateway::Kind::Address, host_.FromAnsi(*text)};
}

}  // namespace tolvane
