#pragma once

#include <optional>
#include <string>
#include <vector>

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

    // A text value's bytes in the ANSI code page, up to its first NUL or, for a value stored without
    // one (a hand-made .reg file, another tool), to the end of its data; the type is not looked at.
    // The size is asked first, then the bytes are read into a buffer of exactly that size. Nothing
    // when the value cannot be read; `why` then holds the error (kErrorFileNotFound: no such value).
    std::optional<std::string> QueryText(const char* valueName, long* why = nullptr) const {
        std::uint32_t size = 0;
        long result = registry_.RegQueryValueExA(handle_, valueName, nullptr, nullptr, nullptr, &size);
        std::vector<std::uint8_t> buffer(size, 0);
        std::uint32_t got = size;
        if (result == kErrorSuccess)
            result = registry_.RegQueryValueExA(handle_, valueName, nullptr, nullptr, buffer.data(), &got);
        if (why) *why = result;
        if (result != kErrorSuccess) return std::nullopt;
        // The value may have shrunk between the two calls; only what was read counts.
        std::string bytes(buffer.begin(), buffer.begin() + (got < size ? got : size));
        return bytes.substr(0, bytes.find('\0'));
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
