// GatewaySetting on the real registry: the exact bytes the game will read.
#include <gtest/gtest.h>

#include <cstdio>

#include "GameKey.h"
#include "gateway/GameLauncher.h"
#include "gateway/GatewaySetting.h"
#include "platform/win32/Win32HostServices.h"
#include "platform/win32/Win32Module1.h"

namespace tolvane::testing {
namespace {

class Win32GatewayTest : public GameKeyTest {
protected:
    // The stored BNETIP, checked to be REG_SZ; printed for the log.
    std::string StoredGateway() {
        auto value = ReadGameValue(kGatewayValueName);
        if (!value) return "<absent>";
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        std::printf("[ observed ] BNETIP (%u bytes): %s\n", static_cast<unsigned>(value->bytes.size()),
                    Hex(value->bytes).c_str());
        return value->bytes;
    }

    Win32Module1 registry;
    Win32HostServices host;
    GatewaySetting gateway{registry, host};
};

// The whole key path is created; a 7- and a 15-character address are stored
// as their bytes plus one NUL, the length counting the NUL and nothing more.
TEST_F(Win32GatewayTest, SetCreatesKeyPathAndStoresExactBytes) {
    gateway.SetGateway(L"1.2.3.4");
    EXPECT_EQ(StoredGateway(), std::string("1.2.3.4\0", 8));

    gateway.SetGateway(L"123.123.123.123");
    EXPECT_EQ(StoredGateway(), std::string("123.123.123.123\0", 16));

    // A shorter address after a longer one leaves no tail behind.
    gateway.SetGateway(L"1.2.3.4");
    EXPECT_EQ(StoredGateway(), std::string("1.2.3.4\0", 8));
}

// A Chinese address is stored in code page 936, the prefix's ANSI code page.
TEST_F(Win32GatewayTest, SetStoresChineseAddressInAnsiCodePage) {
    ASSERT_EQ(::GetACP(), 936u) << "the test prefix runs with the Chinese ANSI code page";
    gateway.SetGateway(L"官方战网");
    EXPECT_EQ(StoredGateway(), std::string("\xB9\xD9\xB7\xBD\xD5\xBD\xCD\xF8\0", 9));
}

// Clearing removes BNETIP and leaves the game's other values.
TEST_F(Win32GatewayTest, ClearRemovesOnlyTheOverride) {
    WriteGameValue(kInstallPathValueName, REG_SZ, std::string("C:\\Game\\\0", 9));
    gateway.SetGateway(L"1.2.3.4");

    gateway.ClearGateway();

    EXPECT_EQ(StoredGateway(), "<absent>");
    auto installPath = ReadGameValue(kInstallPathValueName);
    ASSERT_TRUE(installPath);
    EXPECT_EQ(installPath->bytes, std::string("C:\\Game\\\0", 9));
}

// With the value absent, or the whole key absent, clearing creates nothing.
TEST_F(Win32GatewayTest, ClearWithoutValueOrKeyCreatesNothing) {
    gateway.ClearGateway();
    EXPECT_FALSE(GameKeyExists());
    HKEY parent;
    EXPECT_NE(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Blizzard Entertainment", 0, KEY_READ, &parent),
              ERROR_SUCCESS);

    WriteGameValue(kInstallPathValueName, REG_SZ, std::string("C:\\Game\\\0", 9));
    gateway.ClearGateway();
    EXPECT_EQ(StoredGateway(), "<absent>");
    EXPECT_TRUE(ReadGameValue(kInstallPathValueName));
}

}  // namespace
}  // namespace tolvane::testing
