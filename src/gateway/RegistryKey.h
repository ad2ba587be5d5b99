#pragma once

#include "platform/Module1.h"

namespace tolvane {

// An open registry key, closed once when the holder goes. Holds nothing when
// the open or create failed, so a handle that was never opened is never used
// or closed.
class RegistryKey {
public:
    // RegOpenKeyA: the key must exist.
    static RegistryKey Open(Module1& registry, RegHandle root, const char* subKey) {
        RegHandle handle = 0;
        long result = registry.RegOpenKeyA(root, subKey, &handle);
        return RegistryKey(registry, result == kErrorSuccess ? handle : 0, result);
    }
    // RegCreateKeyA: opens the key, creating the whole path when missing.
    static RegistryKey Create(Module1& registry, RegHandle root, const char* subKey) {
        RegHandle handle = 0;
        long result = registry.RegCreateKeyA(root, subKey, &handle);
        return RegistryKey(registry, result == kErrorSuccess ? handle : 0, result);
    }

    RegistryKey(RegistryKey&& other) noexcept
        : registry_(other.registry_), handle_(other.handle_), result_(other.result_) {
        other.handle_ = 0;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey& operator=(RegistryKey&&) = delete;
    ~RegistryKey() {
        if (handle_) registry_.RegCloseKey(handle_);
    }

    bool valid() const { return handle_ != 0; }
    RegHandle get() const { return handle_; }
    long result() const { return result_; }  // the open or create call's result code

private:
    RegistryKey(Module1& registry, RegHandle handle, long result)
        : registry_(registry), handle_(handle), result_(result) {}

    Module1& registry_;
    RegHandle handle_;
    long result_;
};

}  // namespace tolvane
