#include "MemoryRegistry.h"

#include <cstring>

namespace tolvane::testing {
namespace {

constexpr long kErrorInvalidHandle = 6;

std::string Text(const char* text) { return text ? text : "(null)"; }

std::string Fold(const char* text) {
    std::string out = Text(text);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string FullPath(const std::string& path) { return "hkcu\\" + Fold(path.c_str()); }

}  // namespace

long MemoryRegistry::Call(const std::string& entry, RegHandle key,
                          const std::function<long(const std::string&)>& body) {
    long result = kErrorInvalidHandle;
    auto failure = failures_.find(entry.substr(0, entry.find(' ')));
    auto handle = handles_.find(key);
    if (failure != failures_.end() && --failure->second.first == 0) {
        result = failure->second.second;
        failures_.erase(failure);
    } else if (key == kHkeyCurrentUser) {
        result = body("hkcu");
    } else if (handle != handles_.end()) {
        result = body(handle->second);
    }
    calls.push_back(entry + " = " + std::to_string(result));
    return result;
}

long MemoryRegistry::Open(RegHandle key, const char* subKey, RegHandle* result, bool create) {
    *result = 0;
    const char* function = create ? "RegCreateKeyA " : "RegOpenKeyA ";
    return Call(function + Text(subKey), key, [&](const std::string& base) {
        std::string path = subKey && *subKey ? base + "\\" + Fold(subKey) : base;
        if (create) EnsureKey(path);
        if (!keys_.count(path)) return kErrorFileNotFound;
        handles_[*result = nextHandle_] = path;
        nextHandle_ += 4;
        return kErrorSuccess;
    });
}

long MemoryRegistry::RegOpenKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    return Open(key, subKey, result, false);
}

long MemoryRegistry::RegCreateKeyA(RegHandle key, const char* subKey, RegHandle* result) {
    return Open(key, subKey, result, true);
}

long MemoryRegistry::RegQueryValueExA(RegHandle key, const char* valueName, std::uint32_t*,
                                      std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    std::string entry = "RegQueryValueExA " + Text(valueName) + (data ? " buffer" : " size");
    return Call(entry, key, [&](const std::string& path) {
        auto& values = keys_.at(path);
        auto it = values.find(Fold(valueName));
        if (it == values.end()) return kErrorFileNotFound;
        if (type) *type = it->second.type;
        auto size = static_cast<std::uint32_t>(it->second.bytes.size());
        if (data && (!dataSize || *dataSize < size)) {
            if (dataSize) *dataSize = size;
            return dataSize ? kErrorMoreData : 87L;  // ERROR_INVALID_PARAMETER
        }
        if (data) std::memcpy(data, it->second.bytes.data(), size);
        if (dataSize) *dataSize = size;
        return kErrorSuccess;
    });
}

long MemoryRegistry::RegSetValueExA(RegHandle key, const char* valueName, std::uint32_t, std::uint32_t type,
                                    const std::uint8_t* data, std::uint32_t dataSize) {
    return Call("RegSetValueExA " + Text(valueName), key, [&](const std::string& path) {
        keys_.at(path)[Fold(valueName)] = {type, std::string(reinterpret_cast<const char*>(data), dataSize)};
        return kErrorSuccess;
    });
}

long MemoryRegistry::RegDeleteValueA(RegHandle key, const char* valueName) {
    return Call("RegDeleteValueA " + Text(valueName), key, [&](const std::string& path) {
        return keys_.at(path).erase(Fold(valueName)) ? kErrorSuccess : kErrorFileNotFound;
    });
}

long MemoryRegistry::RegCloseKey(RegHandle key) {
    return Call("RegCloseKey", key, [&](const std::string&) {
        handles_.erase(key);
        return kErrorSuccess;
    });
}

// Every key along a folded full path, as RegCreateKey makes them.
void MemoryRegistry::EnsureKey(const std::string& path) {
    for (auto end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1))
        keys_[path.substr(0, end)];
    keys_[path];
}

void MemoryRegistry::PutValue(const std::string& path, const std::string& name, std::uint32_t type,
                              const std::string& bytes) {
    EnsureKey(FullPath(path));
    keys_[FullPath(path)][Fold(name.c_str())] = {type, bytes};
}

bool MemoryRegistry::HasKey(const std::string& path) const { return keys_.count(FullPath(path)) > 0; }

std::optional<MemoryRegistry::Value> MemoryRegistry::GetValue(const std::string& path,
                                                              const std::string& name) const {
    auto key = keys_.find(FullPath(path));
    if (key == keys_.end() || !key->second.count(Fold(name.c_str()))) return std::nullopt;
    return key->second.at(Fold(name.c_str()));
}

}  // namespace tolvane::testing
