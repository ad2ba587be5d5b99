#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/HostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerEntry.h"

namespace tolvane {

// Readable failure output for records.
inline void PrintTo(const ServerEntry& entry, std::ostream* out) {
    *out << ::testing::PrintToString(entry.name) << "," << ::testing::PrintToString(entry.address);
}

}  // namespace tolvane

namespace tolvane::testing {

inline const std::wstring kList = L"diablo.dat";
inline const std::wstring kCopy = L"diablo.new";

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
// uses there: the in-memory host natively, the real file system on Windows
// (a fresh folder under %TEMP%, removed afterwards). Arranging and reading
// files goes around the host, so the host's own file code is under test too.
class ListDirectory {
public:
    ListDirectory();
    ~ListDirectory();
    ListDirectory(const ListDirectory&) = delete;
    ListDirectory& operator=(const ListDirectory&) = delete;

    HostServices& host();
    // Stores a file under exactly this name.
    void Put(const std::wstring& name, const std::string& bytes);
    // The bytes of the file of this name (letter case ignored), if there is one.
    std::optional<std::string> Bytes(const std::wstring& name);
    // The names of all files in the directory as stored, sorted.
    std::vector<std::wstring> Names();
    // Holds the file so that nobody else can open it, until Unlock.
    void Lock(const std::wstring& name);
    void Unlock();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tolvane::testing
