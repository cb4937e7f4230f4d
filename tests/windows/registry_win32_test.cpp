// The registry seam against the registry Windows (here Wine) keeps: what is written reads back
// byte for byte with its type, and missing keys and values are told apart as the seam promises.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry_store.h"

namespace txorb {
namespace {

using platform::RegAccess;
using platform::RegRoot;
using platform::RegStatus;

// A key of this test's own under HKEY_CURRENT_USER, removed before and after.
constexpr const char* kTestKey = "Software\\txorb-windows-test";
constexpr const char* kChildKey = "Software\\txorb-windows-test\\child";

class RegistryRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        platform::Registry().deleteKey(RegRoot::kCurrentUser, kChildKey);
        platform::Registry().deleteKey(RegRoot::kCurrentUser, kTestKey);
    }
};

TEST_F(RegistryRoundTrip, ValuesReadBackWithTheirTypeAndBytes) {
    struct Case {
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"text", platform::kRegSz, {'C', 'O', 'M', '3', 0}},
        {"number", platform::kRegDword, {0x78, 0x56, 0x34, 0x12}},
        {"block", platform::kRegBinary, {0x00, 0xFF, 0x10, 0x00, 0x80}},
    };
    const auto& reg = platform::Registry();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(reg.setValue(RegRoot::kCurrentUser, kTestKey, c.name, c.type, c.data.data(),
                               static_cast<uint32_t>(c.data.size())),
                  RegStatus::kOk);
        uint8_t buffer[16] = {};
        uint32_t type = 0;
        uint32_t size = sizeof buffer;
        ASSERT_EQ(reg.queryValue(RegRoot::kCurrentUser, kTestKey, c.name, RegAccess::kRead, &type,
                                 buffer, &size),
                  RegStatus::kOk);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + size), c.data);

        uint8_t small[2] = {};
        size = sizeof small;
        EXPECT_EQ(reg.queryValue(RegRoot::kCurrentUser, kTestKey, c.name, RegAccess::kRead, &type,
                                 small, &size),
                  RegStatus::kMoreData);
        EXPECT_EQ(size, c.data.size());  // the size it would need
    }
}

TEST_F(RegistryRoundTrip, MissingKeysValuesAndDeletionsAnswerAsTheSeamSays) {
    const auto& reg = platform::Registry();
    const uint8_t one[4] = {1, 0, 0, 0};
    uint8_t buffer[8];
    uint32_t type = 0;
    uint32_t size = sizeof buffer;
    EXPECT_FALSE(reg.keyExists(RegRoot::kCurrentUser, kTestKey, RegAccess::kRead));
    EXPECT_EQ(reg.queryValue(RegRoot::kCurrentUser, kTestKey, "x", RegAccess::kRead, &type, buffer,
                             &size),
              RegStatus::kNoKey);
    ASSERT_EQ(reg.setValue(RegRoot::kCurrentUser, kChildKey, "x", platform::kRegDword, one, 4),
              RegStatus::kOk);
    EXPECT_TRUE(
        reg.keyExists(RegRoot::kCurrentUser, kTestKey, RegAccess::kRead));  // created on the way
    size = sizeof buffer;
    EXPECT_EQ(reg.queryValue(RegRoot::kCurrentUser, kChildKey, "y", RegAccess::kRead, &type, buffer,
                             &size),
              RegStatus::kNoValue);
    EXPECT_EQ(reg.deleteKey(RegRoot::kCurrentUser, kTestKey), RegStatus::kFailed)
        << "a key with a key below it stays";
    EXPECT_EQ(reg.deleteValue(RegRoot::kCurrentUser, kChildKey, "x"), RegStatus::kOk);
    EXPECT_EQ(reg.deleteValue(RegRoot::kCurrentUser, kChildKey, "x"), RegStatus::kNoValue);
    EXPECT_EQ(reg.deleteKey(RegRoot::kCurrentUser, kChildKey), RegStatus::kOk);
    EXPECT_EQ(reg.deleteKey(RegRoot::kCurrentUser, kTestKey), RegStatus::kOk);
    EXPECT_EQ(reg.deleteKey(RegRoot::kCurrentUser, kTestKey), RegStatus::kNoKey);
}

}  // namespace
}  // namespace txorb
