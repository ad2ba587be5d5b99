#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "platform/Module1.h"

namespace tolvane::testing {

// An in-memory registry holding keys under HKEY_CURRENT_USER by path (letter case ignored) and their
// values by name; a value holds a type and raw bytes. It answers as the Win32 functions do, counts
// the calls, tracks open handles and fails a chosen call.
class MemoryRegistry : public Module1 {
public:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    using Values = std::map<std::string, Value>;

    long RegOpenKeyA(RegHandle root, const char* path, RegHandle* result) override {
        return Open(root, path, result, false);
    }
    long RegCreateKeyA(RegHandle root, const char* path, RegHandle* result) override {
        return Open(root, path, result, true);
    }
    long RegQueryValueExA(RegHandle key, const char* name, std::uint32_t*, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override {
        return Call(key, [&](Values& values) {
            auto found = values.find(name);
            if (found == values.end()) return kErrorFileNotFound;
            auto stored = static_cast<std::uint32_t>(found->second.bytes.size());
            bool fits = !data || *size >= stored;
            if (fits && data) std::memcpy(data, found->second.bytes.data(), stored);
            if (type) *type = found->second.type;
            *size = stored;
            return fits ? kErrorSuccess : kErrorMoreData;
        });
    }
    long RegSetValueExA(RegHandle key, const char* name, std::uint32_t, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override {
        return Call(key, [&](Values& values) {
            values[name] = {type, std::string(reinterpret_cast<const char*>(data), size)};
            return kErrorSuccess;
        });
    }
    long RegDeleteValueA(RegHandle key, const char* name) override {
        return Call(key,
                    [&](Values& values) { return values.erase(name) ? kErrorSuccess : kErrorFileNotFound; });
    }
    long RegCloseKey(RegHandle key) override {
        return Call(key, [&](Values&) { return handles_.erase(key), kErrorSuccess; });
    }

    // The key at `path` (none if absent); writing through it creates the key.
    Values* Key(const std::string& path) { return keys_.count(Fold(path)) ? &keys_[Fold(path)] : nullptr; }
    Values& CreateKey(const std::string& path) { return keys_[Fold(path)]; }
    int openHandles() const { return static_cast<int>(handles_.size()); }
    // The `nth` call from now, whichever function it is, returns `error` and does nothing.
    void FailCall(int nth, long error) {
        failAt_ = calls + nth;
        failError_ = error;
    }
    int calls = 0;

private:
    static std::string Fold(std::string text) {
        for (auto& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return text;
    }
    // Runs `body` on the key of an open handle, unless this is the call to fail.
    long Call(RegHandle key, const std::function<long(Values&)>& body) {
        auto handle = handles_.find(key);
        return ++calls == failAt_         ? failError_
               : handle == handles_.end() ? 6  // ERROR_INVALID_HANDLE
                                          : body(keys_[handle->second]);
    }
    long Open(RegHandle root, const char* path, RegHandle* result, bool create) {
        *result = 0;
        handles_[root] = "";  // the root, as an open handle for this call only
        long status = Call(root, [&](Values&) {
            if (create) keys_[Fold(path)];
            if (root != kHkeyCurrentUser || !keys_.count(Fold(path))) return kErrorFileNotFound;
            handles_[*result = nextHandle_ += 4] = Fold(path);
            return kErrorSuccess;
        });
        handles_.erase(root);
        return status;
    }

    std::map<std::string, Values> keys_;        // by folded path
    std::map<RegHandle, std::string> handles_;  // open handle -> folded path
    int failAt_ = 0;                            // the number of the call to fail, from 1
    long failError_ = 0;
    RegHandle nextHandle_ = 0x1000;
};

}  // namespace tolvane::testing
