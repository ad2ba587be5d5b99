#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Module1.h"

namespace tolvane::testing {

// An in-memory registry under HKEY_CURRENT_USER: keys by full path and values
// by name, both compared ignoring ASCII letter case; values hold a type and raw
// bytes. It answers as the Win32 functions do, logs every call, counts open
// handles and fails chosen calls.
class MemoryRegistry : public Module1 {
public:
    long RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t dataSize) override;
    long RegDeleteValueA(RegHandle key, const char* valueName) override;
    long RegCloseKey(RegHandle key) override;

    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    // Creates the key path as needed.
    void PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& bytes);
    bool HasKey(const std::string& path) const;
    std::optional<Value> GetValue(const std::string& path, const std::string& name) const;
    int openHandles() const { return static_cast<int>(handles_.size()); }
    // The `nth` next call of `function` returns `error` and does nothing.
    void FailCall(const std::string& function, long error, int nth = 1) {
        failures_[function] = {nth, error};
    }

    // One entry per call: "RegOpenKeyA Software\X = 0", "RegQueryValueExA
    // InstallPath size = 0", "RegCloseKey = 0".
    std::vector<std::string> calls;

private:
    using Values = std::map<std::string, Value>;
    long Call(const std::string& entry, RegHandle key, const std::function<long(const std::string&)>& body);
    long Open(RegHandle key, const char* subKey, RegHandle* result, bool create);
    void EnsureKey(const std::string& foldedPath);

    std::map<std::string, Values> keys_{{"hkcu", {}}};      // by folded full path
    std::map<RegHandle, std::string> handles_;              // open handle -> folded path
    std::map<std::string, std::pair<int, long>> failures_;  // function -> calls to go, error
    RegHandle nextHandle_ = 0x1000;
};

}  // namespace tolvane::testing
