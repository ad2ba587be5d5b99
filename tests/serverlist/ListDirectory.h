#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerEntry.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/Win32HostServices.h"
#else
#include "MemoryHostServices.h"
#endif

namespace tolvane {

inline void PrintTo(const ServerEntry& entry, std::ostream* out) {
    *out << ::testing::PrintToString(entry.name) << "," << ::testing::PrintToString(entry.address);
}

}  // namespace tolvane

namespace tolvane::testing {

inline const std::wstring kList = L"diablo.dat";
inline const std::wstring kCopy = L"diablo.new";
using Names = std::vector<std::wstring>;

// The operation of the ListFileError that `call` throws for `fileName`.
template <typename Call>
ListFileOperation FailureOf(Call call, const std::wstring& fileName = kList) {
    try {
        call();
    } catch (const ListFileError& error) {
        EXPECT_EQ(error.fileName(), fileName);
        return error.operation();
    }
    ADD_FAILURE() << "no ListFileError";
    return ListFileOperation::Close;
}

// The working directory a test runs in, with the host the code under test
// uses there: on Windows a fresh folder under %TEMP% and the real host, with
// files arranged and read around the host so that its file code is under test
// too; natively the in-memory host.
#ifdef _WIN32
class ListDirectory {
public:
    ListDirectory() {
        std::filesystem::create_directory(path_);
        std::filesystem::current_path(path_);
    }
    ~ListDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    HostServices& host() { return host_; }
    void Put(const std::wstring& name, const std::string& bytes) {  // under exactly this name
        std::filesystem::remove(name);
        std::ofstream(std::filesystem::path(name), std::ios::binary) << bytes;
    }
    std::optional<std::string> Bytes(const std::wstring& name) {  // letter case ignored
        std::ifstream in(std::filesystem::path(name), std::ios::binary);
        std::ostringstream bytes;
        if (!in) return std::nullopt;
        bytes << in.rdbuf();
        return bytes.str();
    }
    Names Stored() {  // as stored, sorted
        Names names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::shared_ptr<void> Lock(const std::wstring& name) {  // nobody else opens it while held
        HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        return std::shared_ptr<void>(file, [](HANDLE handle) { ::CloseHandle(handle); });
    }

private:
    Win32HostServices host_;
    std::filesystem::path previous_ = std::filesystem::current_path();
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() /
        ("tolvane-list-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++made_));
    static inline int made_ = 0;
};
#else
class ListDirectory {
public:
    HostServices& host() { return host_; }
    void Put(const std::wstring& name, const std::string& bytes) { host_.PutFile(name, bytes); }
    std::optional<std::string> Bytes(const std::wstring& name) {
        if (!host_.HasFile(name)) return std::nullopt;
        return host_.FileBytes(name);
    }
    Names Stored() { return host_.FileNames(); }
    std::shared_ptr<void> Lock(const std::wstring& name) {
        host_.LockFile(name);
        return std::shared_ptr<void>(
            &host_, [name](void* host) { static_cast<MemoryHostServices*>(host)->UnlockFile(name); });
    }

private:
    MemoryHostServices host_;
};
#endif

}  // namespace tolvane::testing
