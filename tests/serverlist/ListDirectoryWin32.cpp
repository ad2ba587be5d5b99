#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "ListDirectory.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/Win32HostServices.h"

namespace tolvane::testing {

struct ListDirectory::State {
    Win32HostServices host;
    std::wstring previous;
    std::wstring path;
    std::vector<std::unique_ptr<ScopedHandle>> locks;
};

ListDirectory::ListDirectory() : state_(std::make_unique<State>()) {
    static int made = 0;
    wchar_t temp[MAX_PATH];
    wchar_t current[MAX_PATH];
    if (!::GetTempPathW(MAX_PATH, temp) || !::GetCurrentDirectoryW(MAX_PATH, current))
        throw std::runtime_error("no temp or working directory");
    state_->previous = current;
    state_->path = std::wstring(temp) + L"tolvane-list-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++made);
    if (!::CreateDirectoryW(state_->path.c_str(), nullptr) || !::SetCurrentDirectoryW(state_->path.c_str()))
        throw std::runtime_error("cannot make the test directory");
}

ListDirectory::~ListDirectory() {
    Unlock();
    ::SetCurrentDirectoryW(state_->previous.c_str());
    for (const auto& name : Names()) ::DeleteFileW((state_->path + L"\\" + name).c_str());
    ::RemoveDirectoryW(state_->path.c_str());
}

HostServices& ListDirectory::host() { return state_->host; }

void ListDirectory::Put(const std::wstring& name, const std::string& bytes) {
    std::wstring path = state_->path + L"\\" + name;
    ::DeleteFileW(path.c_str());  // so the stored letter case is this one
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD written = 0;
    if (!file.valid() ||
        !::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot put a test file");
}

std::optional<std::string> ListDirectory::Bytes(const std::wstring& name) {
    std::wstring path = state_->path + L"\\" + name;
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

std::vector<std::wstring> ListDirectory::Names() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((state_->path + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void ListDirectory::Lock(const std::wstring& name) {
    std::wstring path = state_->path + L"\\" + name;
    auto lock = std::make_unique<ScopedHandle>(
        ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!lock->valid()) throw std::runtime_error("cannot lock a test file");
    state_->locks.push_back(std::move(lock));
}

void ListDirectory::Unlock() { state_->locks.clear(); }

}  // namespace tolvane::testing
