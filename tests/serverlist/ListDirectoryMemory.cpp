#include "ListDirectory.h"
#include "MemoryHostServices.h"

namespace tolvane::testing {

struct ListDirectory::State {
    MemoryHostServices host;
    std::vector<std::wstring> locked;
};

ListDirectory::ListDirectory() : state_(std::make_unique<State>()) {}
ListDirectory::~ListDirectory() = default;

HostServices& ListDirectory::host() { return state_->host; }

void ListDirectory::Put(const std::wstring& name, const std::string& bytes) {
    state_->host.PutFile(name, bytes);
}

std::optional<std::string> ListDirectory::Bytes(const std::wstring& name) {
    if (!state_->host.HasFile(name)) return std::nullopt;
    return state_->host.FileBytes(name);
}

std::vector<std::wstring> ListDirectory::Names() { return state_->host.FileNames(); }

void ListDirectory::Lock(const std::wstring& name) {
    state_->host.LockFile(name);
    state_->locked.push_back(name);
}

void ListDirectory::Unlock() {
    for (const auto& name : state_->locked) state_->host.UnlockFile(name);
    state_->locked.clear();
}

}  // namespace tolvane::testing
