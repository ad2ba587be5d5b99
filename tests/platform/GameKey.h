#pragma once

// Helpers for tests that write the game's real registry key. They run only in
// a Wine prefix that the test script made for the run and throws away, never
// on a machine whose game settings are real.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "gateway/GatewaySetting.h"

namespace tolvane::testing {

inline bool InScratchPrefix() {
    const char* flag = std::getenv("TOLVANE_SCRATCH_PREFIX");
    return flag && std::string(flag) == "1";
}

inline constexpr const char* kNotScratchReason =
    "writes HKCU\\Software\\Blizzard Entertainment\\Diablo II; runs only in the throw-away Wine prefix "
    "of scripts/test (TOLVANE_SCRATCH_PREFIX=1)";

// Removes the game's key and its parent, so that the whole path is absent.
inline void DeleteGameKeyPath() { ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment"); }

struct StoredValue {
    DWORD type;
    std::string bytes;  // exactly the stored bytes, NUL included
};

// A value of the game's key as raw bytes, the way the game reads it.
inline std::optional<StoredValue> ReadGameValue(const char* name) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, GameKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value{};
    DWORD size = 0;
    LONG result = ::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    value.bytes.assign(size, '\xCC');  // a marker, to see what the read filled in
    if (result == ERROR_SUCCESS)
        result = ::RegQueryValueExA(key, name, nullptr, &value.type,
                                    reinterpret_cast<BYTE*>(value.bytes.data()), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    value.bytes.resize(size);
    return value;
}

inline void WriteGameValue(const char* name, DWORD type, const std::string& bytes) {
    HKEY key;
    ASSERT_EQ(::RegCreateKeyA(HKEY_CURRENT_USER, GameKeyPath, &key), ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

// Skips outside the scratch prefix; the game's key path is absent before and
// after each test.
class GameKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InScratchPrefix()) GTEST_SKIP() << kNotScratchReason;
        DeleteGameKeyPath();
    }
    void TearDown() override {
        if (InScratchPrefix()) DeleteGameKeyPath();
    }
};

}  // namespace tolvane::testing
