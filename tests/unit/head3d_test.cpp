// 3D head parameters: the packed 64-byte block both ways, and outputs that are only written
// after a good reply.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;

// -2, 1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0 and the head 0x01020304.
const char* const kBlockHex =
    "FE FF FF FF "
    "00 00 00 00 00 00 F0 3F 00 00 00 00 00 00 00 40 00 00 00 00 00 00 E0 BF "
    "00 00 00 00 00 00 10 40 00 00 00 00 00 00 59 40 00 00 00 00 00 00 D0 3F "
    "00 00 00 00 00 00 20 40 "
    "04 03 02 01";

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 3)
        bytes.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

struct Outputs {
    int32_t field = 77;
    double d[7] = {-9, -9, -9, -9, -9, -9, -9};
    bool Get(int32_t head) {
        return Get_3D_Parameters(&field, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], head);
    }
};

class Head3D : public test::CommandTest {};

TEST_F(Head3D, SetSendsThePackedBlockAndReportsNothing) {
    Install();
    EXPECT_TRUE(Set_3D_Parameters(-2, 1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0, 0x01020304));
    EXPECT_EQ(Wire(), std::string("DC 40 00 ") + kBlockHex);

    rtb.ReplyTo(0xDC, FakeRtb::Status(0));
    EXPECT_FALSE(Set_3D_Parameters(0, 0, 0, 0, 0, 0, 0, 0, 1));
    test::RemoveInstalledCard(1);
    EXPECT_FALSE(Set_3D_Parameters(0, 0, 0, 0, 0, 0, 0, 0, 1));
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(Head3D, GetDeliversTheFirstSixtyBytesOfTheReply) {
    Install(100);
    const auto block = FromHex(kBlockHex);
    const struct {
        test::Reply reply;
        bool ok;
        int32_t field;
        double d[7];
    } cases[] = {
        {FakeRtb::Data(block), true, -2, {1.0, 2.0, -0.5, 4.0, 100.0, 0.25, 8.0}},
        // A short reply: what it does not deliver reads as zero.
        {FakeRtb::Data({block.begin(), block.begin() + 12}), true, -2, {1.0, 0, 0, 0, 0, 0, 0}},
        // No reply, or a reply longer than the block: the outputs keep what they held.
        {test::Reply{}, false, 77, {-9, -9, -9, -9, -9, -9, -9}},
        {FakeRtb::Data(std::vector<uint8_t>(65, 1)), false, 77, {-9, -9, -9, -9, -9, -9, -9}},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        rtb.ReplyTo(0xDD, c.reply);
        Outputs out;
        EXPECT_EQ(out.Get(1), c.ok);
        EXPECT_EQ(Wire(), "DD 04 00 01 00 00 00");
        EXPECT_EQ(out.field, c.field);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(out.d[i], c.d[i]) << i;
    }
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(Head3D, GetWithoutACardLeavesTheOutputsAndNullOutputsAreSkipped) {
    Outputs out;
    EXPECT_FALSE(out.Get(2));
    EXPECT_EQ(out.field, 77);
    EXPECT_EQ(out.d[0], -9.0);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);

    Install();
    rtb.ReplyTo(0xDD, FakeRtb::Data(FromHex(kBlockHex)));
    EXPECT_TRUE(Get_3D_Parameters(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, -1));
    EXPECT_EQ(Wire(), "DD 04 00 FF FF FF FF");
    double focal = 0;
    EXPECT_TRUE(Get_3D_Parameters(nullptr, nullptr, nullptr, nullptr, nullptr, &focal, nullptr,
                                  nullptr, 3));
    EXPECT_EQ(focal, 100.0);
}

}  // namespace
}  // namespace txorb
