#include "platform/win32/Win32Module1.h"

#include <windows.h>

namespace tolvane {
namespace {

// RegHandle carries an HKEY as an integer so that the portable core needs no
// Windows types. The root is mapped to the platform's own constant, which is
// sign-extended on 64-bit builds and so is not simply the core's number.
static_assert(sizeof(RegHandle) >= sizeof(HKEY), "RegHandle must hold an HKEY");

HKEY ToHkey(RegHandle key) {
    if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

long Win32Module1::RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    HKEY opened = nullptr;
    LONG status = ::RegOpenKeyA(ToHkey(key), subKey, &opened);
    if (result) *result = reinterpret_cast<RegHandle>(opened);
    return status;
}

long Win32Module1::RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    HKEY created = nullptr;
    LONG status = ::RegCreateKeyA(ToHkey(key), subKey, &created);
    if (result) *result = reinterpret_cast<RegHandle>(created);
    return status;
}

long Win32Module1::RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t* reserved,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD is 32 bits");
    return ::RegQueryValueExA(ToHkey(key), valueName, reinterpret_cast<DWORD*>(reserved),
                              reinterpret_cast<DWORD*>(type), data, reinterpret_cast<DWORD*>(dataSize));
}

long Win32Module1::RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t reserved,
                                  std::uint32_t type, const std::uint8_t* data, std::uint32_t dataSize) {
    return ::RegSetValueExA(ToHkey(key), valueName, reserved, type, data, dataSize);
}

long Win32Module1::RegDeleteValueA(RegHandle key, const char* valueName) {
    return ::RegDeleteValueA(ToHkey(key), valueName);
}

long Win32Module1::RegCloseKey(RegHandle key) { return ::RegCloseKey(ToHkey(key)); }

}  // namespace tolvane
