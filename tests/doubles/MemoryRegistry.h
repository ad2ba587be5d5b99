#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Module1.h"

namespace tolvane::testing {

// An in-memory registry under HKEY_CURRENT_USER: keys by path and values by name, both compared
// ignoring ASCII letter case; values hold a type and raw bytes. It answers as the Win32 functions
// do, logs every call as "RegOpenKeyA Software\X = 0", counts open handles and fails a chosen call.
class MemoryRegistry : public Module1 {
public:
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };

    long RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) override {
        return Open("RegOpenKeyA ", key, subKey, result, false);
    }
    long RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) override {
        return Open("RegCreateKeyA ", key, subKey, result, true);
    }
    long RegQueryValueExA(RegHandle key, const char* name, std::uint32_t*, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) override {
        return Call(std::string("RegQueryValueExA ") + name + (data ? " buffer" : " size"), key,
                    [&](Values& values) {
                        auto it = values.find(Fold(name));
                        if (it == values.end()) return kErrorFileNotFound;
                        if (type) *type = it->second.type;
                        auto stored = static_cast<std::uint32_t>(it->second.bytes.size());
                        bool fits = !data || *size >= stored;
                        if (fits && data) std::memcpy(data, it->second.bytes.data(), stored);
                        *size = stored;
                        return fits ? kErrorSuccess : kErrorMoreData;
                    });
    }
    long RegSetValueExA(RegHandle key, const char* name, std::uint32_t, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) override {
        return Call(std::string("RegSetValueExA ") + name, key, [&](Values& values) {
            values[Fold(name)] = {type, std::string(reinterpret_cast<const char*>(data), size)};
            return kErrorSuccess;
        });
    }
    long RegDeleteValueA(RegHandle key, const char* name) override {
        return Call(std::string("RegDeleteValueA ") + name, key, [&](Values& values) {
            return values.erase(Fold(name)) ? kErrorSuccess : kErrorFileNotFound;
        });
    }
    long RegCloseKey(RegHandle key) override {
        return Call("RegCloseKey", key, [&](Values&) { return handles_.erase(key), kErrorSuccess; });
    }

    void PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& bytes) {
        keys_[Fold(path)][Fold(name)] = {type, bytes};
    }
    bool HasKey(const std::string& path) const { return keys_.count(Fold(path)) > 0; }
    std::optional<Value> GetValue(const std::string& path, const std::string& name) const {
        auto key = keys_.find(Fold(path));
        if (key == keys_.end() || !key->second.count(Fold(name))) return std::nullopt;
        return key->second.at(Fold(name));
    }
    int openHandles() const { return static_cast<int>(handles_.size()); }
    // The `nth` call from now, whichever function it is, returns `error` and does nothing.
    void FailCall(int nth, long error) {
        failAt_ = calls.size() + static_cast<std::size_t>(nth);
        failError_ = error;
    }

    std::vector<std::string> calls;

private:
    using Values = std::map<std::string, Value>;

    static std::string Fold(std::string text) {
        for (auto& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return text;
    }
    // Only the root and open handles name keys; each call is logged with its result.
    long Call(const std::string& entry, RegHandle key, const std::function<long(Values&)>& body) {
        long result = 6;  // ERROR_INVALID_HANDLE
        auto handle = handles_.find(key);
        if (calls.size() + 1 == failAt_) {
            result = failError_;
        } else if (handle != handles_.end()) {
            result = body(keys_[handle->second]);
        }
        calls.push_back(entry + " = " + std::to_string(result));
        return result;
    }
    long Open(const char* function, RegHandle root, const char* subKey, RegHandle* result, bool create) {
        *result = 0;
        if (root != kHkeyCurrentUser)
            return Call(function + std::string(subKey), root, [](Values&) { return 2L; });
        handles_[0] = "";  // the root, for this call only
        long status = Call(function + std::string(subKey), 0, [&](Values&) {
            if (create) keys_[Fold(subKey)];
            if (!keys_.count(Fold(subKey))) return kErrorFileNotFound;
            handles_[*result = nextHandle_ += 4] = Fold(subKey);
            return kErrorSuccess;
        });
        handles_.erase(0);
        return status;
    }

    std::map<std::string, Values> keys_;        // by folded path
    std::map<RegHandle, std::string> handles_;  // open handle -> folded path
    std::size_t failAt_ = 0;                    // the number of the call to fail, from 1
    long failError_ = 0;
    RegHandle nextHandle_ = 0x1000;
};

}  // namespace tolvane::testing
