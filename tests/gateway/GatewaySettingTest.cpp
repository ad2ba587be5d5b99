#include "gateway/GatewaySetting.h"

#include <gtest/gtest.h>

#include "MemoryHostServices.h"
#include "MemoryRegistry.h"
#include "gateway/GameLauncher.h"

namespace tolvane {
namespace {

using testing::MemoryHostServices;
using testing::MemoryRegistry;

const std::string kKey = GameKeyPath;

class GatewaySettingTest : public ::testing::Test {
protected:
    // The stored BNETIP bytes, or a marker when the value is absent.
    std::string StoredGateway() const {
        auto value = registry.GetValue(kKey, kGatewayValueName);
        return value ? value->bytes : "<absent>";
    }

    MemoryRegistry registry;
    MemoryHostServices host;
    GatewaySetting gateway{registry, host};
};

// A missing key path is created; the value is REG_SZ, the bytes plus one NUL.
TEST_F(GatewaySettingTest, SetCreatesKeyAndWritesAddressWithOneNul) {
    gateway.SetGateway(L"1.2.3.4");

    auto value = registry.GetValue(kKey, kGatewayValueName);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->bytes, std::string("1.2.3.4\0", 8));
    EXPECT_TRUE(registry.HasKey("Software\\Blizzard Entertainment"));
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegCreateKeyA " + kKey + " = 0",
                                                        "RegSetValueExA BNETIP = 0", "RegCloseKey = 0"}));
    EXPECT_EQ(registry.openHandles(), 0);
}

// The longest dotted address is stored whole, and a Chinese one in code page
// 936; an existing override is replaced and other values are left alone.
TEST_F(GatewaySettingTest, SetStoresLongAndChineseAddressesInTheAnsiCodePage) {
    registry.PutValue(kKey, kInstallPathValueName, kRegSz, std::string("C:\\Game\\\0", 9));
    gateway.SetGateway(L"255.255.255.255");
    EXPECT_EQ(StoredGateway(), std::string("255.255.255.255\0", 16));

    gateway.SetGateway(L"官方战网");
    EXPECT_EQ(StoredGateway(), std::string("\xB9\xD9\xB7\xBD\xD5\xBD\xCD\xF8\0", 9));
    EXPECT_EQ(registry.GetValue(kKey, kInstallPathValueName)->bytes, std::string("C:\\Game\\\0", 9));
    EXPECT_EQ(registry.openHandles(), 0);
}

// Failures are swallowed: a key that could not be created is neither written
// nor closed, and a failed write still closes the key.
TEST_F(GatewaySettingTest, SetReportsNothingAndUsesNoUnopenedHandle) {
    registry.FailCall("RegCreateKeyA", 5);
    gateway.SetGateway(L"1.2.3.4");
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegCreateKeyA " + kKey + " = 5"}));

    MemoryRegistry failingWrite;
    failingWrite.FailCall("RegSetValueExA", 5);
    GatewaySetting other(failingWrite, host);
    other.SetGateway(L"1.2.3.4");
    EXPECT_EQ(failingWrite.calls.back(), "RegCloseKey = 0");
    EXPECT_EQ(failingWrite.openHandles(), 0);
}

// Clearing removes BNETIP only, through an opened (never created) key.
TEST_F(GatewaySettingTest, ClearRemovesOnlyTheOverride) {
    registry.PutValue(kKey, kGatewayValueName, kRegSz, std::string("1.2.3.4\0", 8));
    registry.PutValue(kKey, kInstallPathValueName, kRegSz, std::string("C:\\Game\\\0", 9));

    gateway.ClearGateway();

    EXPECT_EQ(StoredGateway(), "<absent>");
    EXPECT_TRUE(registry.GetValue(kKey, kInstallPathValueName));
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegOpenKeyA " + kKey + " = 0",
                                                        "RegDeleteValueA BNETIP = 0", "RegCloseKey = 0"}));
}

// With the value or the whole key absent, clearing succeeds silently and
// creates nothing.
TEST_F(GatewaySettingTest, ClearWithoutValueOrKeyCreatesNothing) {
    std::size_t keysBefore = registry.keyCount();
    gateway.ClearGateway();
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegOpenKeyA " + kKey + " = 2"}));
    EXPECT_EQ(registry.keyCount(), keysBefore);

    registry.PutKey(kKey);
    registry.calls.clear();
    keysBefore = registry.keyCount();
    gateway.ClearGateway();
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegOpenKeyA " + kKey + " = 0",
                                                        "RegDeleteValueA BNETIP = 2", "RegCloseKey = 0"}));
    EXPECT_EQ(registry.keyCount(), keysBefore);
    EXPECT_EQ(StoredGateway(), "<absent>");
    EXPECT_EQ(registry.openHandles(), 0);
}

}  // namespace
}  // namespace tolvane
