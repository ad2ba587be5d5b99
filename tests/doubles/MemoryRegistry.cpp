#include "MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace tolvane::testing {
namespace {

constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorInvalidParameter = 87;
constexpr long kNoInjectedFailure = -1;
const std::string kRootPath = "hkcu";

std::string Fold(std::string text) {
    for (auto& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string Text(const char* text) { return text ? text : "(null)"; }

}  // namespace

long MemoryRegistry::Enter(const std::string& function) {
    int count = ++callCounts_[function];
    auto range = failures_.equal_range(function);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.nth == 0 || it->second.nth == count) return it->second.error;
    }
    return kNoInjectedFailure;
}

long MemoryRegistry::Finish(std::string entry, long result) {
    calls.push_back(entry + " = " + std::to_string(result));
    return result;
}

const std::string* MemoryRegistry::PathOf(RegHandle key) const {
    if (key == kHkeyCurrentUser) return &kRootPath;
    auto it = handles_.find(key);
    return it == handles_.end() ? nullptr : &it->second;
}

RegHandle MemoryRegistry::NewHandle(const std::string& path) {
    RegHandle handle = nextHandle_;
    nextHandle_ += 4;
    handles_[handle] = path;
    return handle;
}

long MemoryRegistry::RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    std::string entry = "RegOpenKeyA " + Text(subKey);
    *result = 0;
    if (long injected = Enter("RegOpenKeyA"); injected != kNoInjectedFailure) return Finish(entry, injected);
    const std::string* base = PathOf(key);
    if (!base) return Finish(entry, kErrorInvalidHandle);
    std::string path = subKey && *subKey ? *base + "\\" + Fold(subKey) : *base;
    if (!keys_.count(path) && path != kRootPath) return Finish(entry, kErrorFileNotFound);
    *result = NewHandle(path);
    return Finish(entry, kErrorSuccess);
}

long MemoryRegistry::RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    std::string entry = "RegCreateKeyA " + Text(subKey);
    *result = 0;
    if (long injected = Enter("RegCreateKeyA"); injected != kNoInjectedFailure)
        return Finish(entry, injected);
    const std::string* base = PathOf(key);
    if (!base) return Finish(entry, kErrorInvalidHandle);
    std::string path = subKey && *subKey ? *base + "\\" + Fold(subKey) : *base;
    EnsureKey(path);
    *result = NewHandle(path);
    return Finish(entry, kErrorSuccess);
}

long MemoryRegistry::RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t*,
                                      std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    std::string entry = "RegQueryValueExA " + Text(valueName) + (data ? " buffer" : " size");
    if (long injected = Enter("RegQueryValueExA"); injected != kNoInjectedFailure)
        return Finish(entry, injected);
    const std::string* path = PathOf(key);
    if (!path) return Finish(entry, kErrorInvalidHandle);
    auto& values = keys_.at(*path).values;
    auto it = values.find(Fold(Text(valueName)));
    if (it == values.end()) return Finish(entry, kErrorFileNotFound);
    const Value& value = it->second;
    if (type) *type = value.type;
    auto size = static_cast<std::uint32_t>(value.bytes.size());
    if (!data) {
        if (dataSize) *dataSize = size;
        return Finish(entry, kErrorSuccess);
    }
    if (!dataSize) return Finish(entry, kErrorInvalidParameter);
    if (*dataSize < size) {
        *dataSize = size;
        return Finish(entry, kErrorMoreData);
    }
    std::memcpy(data, value.bytes.data(), size);
    *dataSize = size;
    return Finish(entry, kErrorSuccess);
}

long MemoryRegistry::RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t dataSize) {
    std::string entry = "RegSetValueExA " + Text(valueName);
    if (long injected = Enter("RegSetValueExA"); injected != kNoInjectedFailure)
        return Finish(entry, injected);
    const std::string* path = PathOf(key);
    if (!path) return Finish(entry, kErrorInvalidHandle);
    keys_.at(*path).values[Fold(Text(valueName))] = {
        type, std::string(reinterpret_cast<const char*>(data), dataSize)};
    return Finish(entry, kErrorSuccess);
}

long MemoryRegistry::RegDeleteValueA(RegHandle key, const char* valueName) {
    std::string entry = "RegDeleteValueA " + Text(valueName);
    if (long injected = Enter("RegDeleteValueA"); injected != kNoInjectedFailure)
        return Finish(entry, injected);
    const std::string* path = PathOf(key);
    if (!path) return Finish(entry, kErrorInvalidHandle);
    bool erased = keys_.at(*path).values.erase(Fold(Text(valueName))) > 0;
    return Finish(entry, erased ? kErrorSuccess : kErrorFileNotFound);
}

long MemoryRegistry::RegCloseKey(RegHandle key) {
    std::string entry = "RegCloseKey";
    if (long injected = Enter("RegCloseKey"); injected != kNoInjectedFailure) return Finish(entry, injected);
    if (key == kHkeyCurrentUser) return Finish(entry, kErrorSuccess);
    return Finish(entry, handles_.erase(key) > 0 ? kErrorSuccess : kErrorInvalidHandle);
}

// Creates every key along a folded full path, as RegCreateKey does.
void MemoryRegistry::EnsureKey(const std::string& foldedPath) {
    for (std::size_t end = foldedPath.find('\\'); end != std::string::npos;
         end = foldedPath.find('\\', end + 1))
        keys_[foldedPath.substr(0, end)];
    keys_[foldedPath];
}

void MemoryRegistry::PutKey(const std::string& path) { EnsureKey(kRootPath + "\\" + Fold(path)); }

void MemoryRegistry::PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                              const std::string& bytes) {
    PutKey(path);
    keys_[kRootPath + "\\" + Fold(path)].values[Fold(name)] = {type, bytes};
}

bool MemoryRegistry::HasKey(const std::string& path) const {
    return keys_.count(kRootPath + "\\" + Fold(path)) > 0;
}

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(const std::string& path,
                                                              const std::string& name) const {
    auto key = keys_.find(kRootPath + "\\" + Fold(path));
    if (key == keys_.end()) return std::nullopt;
    auto value = key->second.values.find(Fold(name));
    if (value == key->second.values.end()) return std::nullopt;
    return value->second;
}

void MemoryRegistry::FailCall(const std::string& function, long error, int nth) {
    failures_.insert({function, {error, nth == 0 ? 0 : callCounts_[function] + nth}});
}

}  // namespace tolvane::testing
