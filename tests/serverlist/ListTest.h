#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryHostServices.h"
#include "serverlist/ListFileError.h"
#include "serverlist/ServerEntry.h"

namespace tolvane {

inline void PrintTo(const ServerEntry& entry, std::ostream* out) {
    *out << ::testing::PrintToString(entry.name) << "," << ::testing::PrintToString(entry.address);
}

}  // namespace tolvane

namespace tolvane::testing {

inline const std::wstring kList = L"diablo.dat";
inline const std::wstring kCopy = L"diablo.new";
using Names = std::vector<std::wstring>;
using Hold = MemoryHostServices::Hold;

// What the ListFileError that `call` throws says: the file and the operation.
template <typename Call>
std::string FailureOf(Call call) {
    try {
        call();
    } catch (const ListFileError& error) {
        return error.what();
    }
    return "no ListFileError";
}
inline const std::string kListOpenFails = "list file \"diablo.dat\": cannot open";

}  // namespace tolvane::testing
