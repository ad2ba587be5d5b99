#pragma once

#include <cstdint>

namespace tolvane {

// The six registry functions of the platform, with the Win32 ANSI signatures in
// portable types. Results are Win32 error codes: 0 is success.
using RegHandle = std::uintptr_t;

inline constexpr RegHandle kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;

class Module1 {
public:
    virtual ~Module1() = default;

    virtual long RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) = 0;
    virtual long RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) = 0;
    // `data` may be null to learn the size; `type` may be null.
    virtual long RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t* reserved,
                                  std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
    virtual long RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t reserved,
                                std::uint32_t type, const std::uint8_t* data, std::uint32_t dataSize) = 0;
    virtual long RegDeleteValueA(RegHandle key, const char* valueName) = 0;
    virtual long RegCloseKey(RegHandle key) = 0;
};

}  // namespace tolvane
