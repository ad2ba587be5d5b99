// GatewaySetting on the real registry: the exact bytes the game will read.
#include <gtest/gtest.h>

#include "GameKey.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"

namespace tolvane::testing {
namespace {

class Win32GatewayTest : public GameKeyTest {
protected:
    Win32Module1 registry;
    Win32HostServices host;
    GatewaySetting gateway{registry, host};
};

// The key path is created; REG_SZ, code page 936 bytes plus one NUL, no tail of a longer address.
TEST_F(Win32GatewayTest, SetStoresExactBytes) {
    ASSERT_EQ(::GetACP(), 936u) << "the test prefix runs with the Chinese ANSI code page";
    const std::pair<const wchar_t*, std::string> cases[] = {
        {L"1.2.3.4", std::string("1.2.3.4\0", 8)},
        {L"123.123.123.123", std::string("123.123.123.123\0", 16)},
        {L"1.2.3.4", std::string("1.2.3.4\0", 8)},
        {L"官方战网", std::string("\xB9\xD9\xB7\xBD\xD5\xBD\xCD\xF8\0", 9)},
    };
    for (const auto& [address, bytes] : cases) {
        gateway.SetGateway(address);
        auto stored = ReadGameValue(kGatewayValueName);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->bytes, bytes);
    }
}

// Clearing creates nothing when key or value is absent, and keeps the game's other values.
TEST_F(Win32GatewayTest, ClearCreatesNothingAndKeepsOtherValues) {
    gateway.ClearGateway();
    HKEY parent;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment", 0, KEY_READ, &parent),
              ERROR_SUCCESS);

    const std::string installPath("C:\\Game\\\0", 9);
    WriteGameValue(kInstallPathValueName, REG_SZ, installPath);
    gateway.ClearGateway();
    EXPECT_FALSE(ReadGameValue(kGatewayValueName));
    gateway.SetGateway(L"1.2.3.4");
    gateway.ClearGateway();
    EXPECT_FALSE(ReadGameValue(kGatewayValueName));
    ASSERT_TRUE(ReadGameValue(kInstallPathValueName));
    EXPECT_EQ(ReadGameValue(kInstallPathValueName)->bytes, installPath);
}

}  // namespace
}  // namespace tolvane::testing
