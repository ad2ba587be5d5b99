#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Module1.h"

namespace tolvane::testing {

// An in-memory registry behind Module1, for the core's unit tests. Keys under
// HKEY_CURRENT_USER, named by their full path and compared ignoring ASCII
// letter case, as the registry does; values hold a type and raw bytes. It
// answers as the Win32 functions do (error codes, the size query with no
// buffer, ERROR_MORE_DATA), logs every call, counts open handles, and can be
// told to fail chosen calls.
class MemoryRegistry : public Module1 {
public:
    // --- Module1
    long RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) override;
    long RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* dataSize) override;
    long RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t dataSize) override;
    long RegDeleteValueA(RegHandle key, const char* valueName) override;
    long RegCloseKey(RegHandle key) override;

    // --- Arranging and examining
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    void PutKey(const std::string& path);  // creates the whole path
    void PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::string& bytes);
    bool HasKey(const std::string& path) const;
    std::optional<Value> GetValue(const std::string& path, const std::string& name) const;
    std::size_t keyCount() const { return keys_.size(); }  // HKEY_CURRENT_USER included
    int openHandles() const { return static_cast<int>(handles_.size()); }

    // Makes the `nth` next call (counted from 1) of `function` (e.g.
    // "RegQueryValueExA") return `error` without doing anything; nth 0 makes
    // every later call of it fail.
    void FailCall(const std::string& function, long error, int nth = 0);

    // One entry per call, e.g. "RegOpenKeyA HKCU\Software\X = 0",
    // "RegSetValueExA BNETIP = 0", "RegCloseKey = 0": the function, the key
    // path or value name it was given, and its result.
    std::vector<std::string> calls;

private:
    struct Key {
        std::map<std::string, Value> values;  // by folded name
    };
    long Enter(const std::string& function);
    long Finish(std::string entry, long result);
    const std::string* PathOf(RegHandle key) const;
    RegHandle NewHandle(const std::string& path);
    void EnsureKey(const std::string& foldedPath);

    std::map<std::string, Key> keys_{{"hkcu", {}}};  // by folded full path, e.g. "hkcu\software"
    std::map<RegHandle, std::string> handles_;       // open handle -> folded path
    std::map<std::string, int> callCounts_;
    struct Failure {
        long error;
        int nth;
    };
    std::multimap<std::string, Failure> failures_;
    RegHandle nextHandle_ = 0x1000;
};

}  // namespace tolvane::testing
