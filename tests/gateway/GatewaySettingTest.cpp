#include <gtest/gtest.h>

#include "MemoryHostServices.h"
#include "MemoryRegistry.h"
#include "gateway/GatewaySetting.h"

namespace tolvane {
namespace {

using testing::MemoryHostServices;
using testing::MemoryRegistry;

const std::string kKey = GameKeyPath;

class GatewaySettingTest : public ::testing::Test {
protected:
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

// Clearing only opens the key, never creates it: with the key absent it
// stops there; otherwise it deletes BNETIP and closes the key.
TEST_F(GatewaySettingTest, ClearOpensButNeverCreates) {
    std::size_t keysBefore = registry.keyCount();
    gateway.ClearGateway();
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegOpenKeyA " + kKey + " = 2"}));
    EXPECT_EQ(registry.keyCount(), keysBefore);

    registry.PutValue(kKey, kGatewayValueName, kRegSz, std::string("1.2.3.4\0", 8));
    registry.calls.clear();
    keysBefore = registry.keyCount();
    gateway.ClearGateway();
    EXPECT_EQ(registry.calls, (std::vector<std::string>{"RegOpenKeyA " + kKey + " = 0",
                                                        "RegDeleteValueA BNETIP = 0", "RegCloseKey = 0"}));
    EXPECT_EQ(registry.keyCount(), keysBefore);
    EXPECT_FALSE(registry.GetValue(kKey, kGatewayValueName));
    EXPECT_EQ(registry.openHandles(), 0);
}

}  // namespace
}  // namespace tolvane
