#pragma once

#include "platform/Module1.h"

namespace tolvane {

// Module1 on the real registry: each call goes straight to the ANSI entry
// point of the same name in advapi32.
class Win32Module1 : public Module1 {
public:
    long RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t dataSize) override;
    long RegDeleteValueA(RegHandle key, const char* valueName) override;
    long RegCloseKey(RegHandle key) override;
};

}  // namespace tolvane
