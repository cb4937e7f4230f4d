// Packet framing, the capture file and reply reception, against a scripted RTB on a pty.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/process_state.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/exchange.h"
#include "link/serial_link.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

class CardExchange : public ::testing::Test {
protected:
    void SetUp() override { registry.Write(test::TempRegistry::ComPort(3, rtb.Path())); }
    void TearDown() override { test::RemoveInstalledCard(1); }
    link::Card* Install(uint32_t timeoutMs = 300, const char* capture = nullptr) {
        return test::InstallCard(1, 3, timeoutMs, capture);
    }
    std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    FakeRtb rtb;
    test::TempRegistry registry;
    test::TempDir dir;
};

TEST_F(CardExchange, FramingSwitchesToTheLongFormAtItsThreshold) {
    link::Card* card = Install();
    const struct {
        uint32_t length;
        std::vector<uint8_t> header;
    } cases[] = {
        {0, {0x90, 0x00, 0x00}},
        {12, {0x90, 0x0C, 0x00}},
        {65532, {0x90, 0xFC, 0xFF}},
        {65533, {0x90, 0x04, 0x00, 0xFD, 0xFF, 0x00, 0x00}},
        {223993, {0x90, 0x04, 0x00, 0xF9, 0x6A, 0x03, 0x00}},  // fills the 224,000-byte buffer
    };
    std::vector<uint8_t> payload(223993);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 7);
    for (const auto& c : cases) {
        rtb.Clear();
        ASSERT_EQ(card->SendCommand(0x90, payload.data(), c.length, link::Route::kAuto), 0u);
        ASSERT_TRUE(rtb.WaitForPackets(1, 3000)) << c.length;
        const auto raw = rtb.RawReceived();
        ASSERT_EQ(raw.size(), c.header.size() + c.length);
        EXPECT_EQ(std::vector<uint8_t>(raw.begin(), raw.begin() + c.header.size()), c.header);
        EXPECT_TRUE(std::equal(raw.begin() + c.header.size(), raw.end(), payload.begin()));
        uint8_t status = 0;
        EXPECT_EQ(card->ReceiveStatus(&status), 0u);
    }
    // One byte more cannot fit the packet buffer: refused, nothing framed or sent.
    rtb.Clear();
    EXPECT_EQ(card->SendCommand(0x90, payload.data(), 223994, link::Route::kAuto), 16u);
    EXPECT_FALSE(rtb.WaitForPackets(1, 200));
}

TEST_F(CardExchange, CaptureHoldsEveryPacketButTheStatusPoll) {
    const std::string capture = dir.File("capture.bin");
    Install(300, capture.c_str());
    const uint8_t speed[8] = {0, 0, 0, 0, 0, 0x40, 0x6F, 0x40};
    EXPECT_EQ(link::ExecuteStatusCommand(0x5D, speed, 8), 0u);
    uint8_t reply[2];
    EXPECT_EQ(link::ExecuteQueryCommand(34, nullptr, 0, reply, 2), 0u);
    EXPECT_EQ(link::ExecuteStatusCommand(0x24, nullptr, 0), 0u);
    ASSERT_EQ(rtb.Packets().size(), 3u);  // the poll did reach the card
    EXPECT_TRUE(Output_To_File(""));      // stops the capture
    EXPECT_EQ(link::ExecuteStatusCommand(0x25, nullptr, 0), 0u);
    EXPECT_EQ(ReadFile(capture), (std::vector<uint8_t>{0x5D, 0x08, 0x00, 0, 0, 0, 0, 0, 0x40, 0x6F,
                                                       0x40, 0x24, 0x00, 0x00}));
    // A new name starts a new, empty file.
    EXPECT_TRUE(Output_To_File(capture.c_str()));
    EXPECT_EQ(link::ExecuteStatusCommand(0x26, nullptr, 0), 0u);
    EXPECT_EQ(ReadFile(capture), (std::vector<uint8_t>{0x26, 0x00, 0x00}));
    EXPECT_FALSE(Output_To_File(dir.File("no/such/dir/file").c_str()));
}

TEST_F(CardExchange, CaptureWriteFailureGivesFileSendFailedButThePacketStillReachesTheCard) {
    Install(300, "/dev/full");
    EXPECT_EQ(link::ExecuteStatusCommand(0x3C, "\x05\x00", 2), 43u);
    ASSERT_TRUE(rtb.WaitForPackets(1, 1000));
    EXPECT_EQ(test::Hex(rtb.RawReceived()), "3C 02 00 05 00");
    // The next command discards the late status reply and works.
    EXPECT_TRUE(Output_To_File(""));
    EXPECT_EQ(link::ExecuteStatusCommand(0x3C, "\x06\x00", 2), 0u);
}

TEST_F(CardExchange, ReplyFailuresAndTheirCodes) {
    Install(150);
    const struct {
        const char* what;
        test::Reply reply;
        uint16_t capacity;
        ErrorCode code;
        std::vector<uint8_t> data;
    } cases[] = {
        {"data", FakeRtb::Data({1, 2, 3}), 4, 0, {1, 2, 3, 0}},
        {"zero length", test::Reply{{0, 0}}, 4, 44, {0, 0, 0, 0}},
        {"above capacity", FakeRtb::Data({1, 2, 3, 4, 5}), 4, 44, {0, 0, 0, 0}},
        {"silence", test::Reply{}, 4, 45, {0, 0, 0, 0}},
        {"late", test::Reply{{1, 0, 9}, 400}, 4, 45, {0, 0, 0, 0}},
        {"cut short", test::Reply{{3, 0, 7}}, 4, 45, {0, 0, 0, 0}},
        {"trickle under the timeout", test::Reply{{2, 0, 8, 9}, 0, 100}, 4, 0, {8, 9, 0, 0}},
        {"gap as long as the timeout", test::Reply{{2, 0, 8, 9}, 0, 220}, 4, 45, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        rtb.ReplyTo(0x40, c.reply);
        std::vector<uint8_t> reply(c.capacity, 0xEE);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(link::ExecuteQueryCommand(0x40, nullptr, 0, reply.data(), c.capacity), c.code)
            << c.what;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        EXPECT_LT(ms, 1200) << c.what;
        EXPECT_EQ(reply, c.data) << c.what;
        // Let a late peer finish talking; its bytes are discarded by the next request.
        if (c.code == 45) ::usleep(500 * 1000);
    }
}

TEST_F(CardExchange, StatusByteDecidesAndAStatusReplyMustBeOneByte) {
    Install(150);
    const struct {
        test::Reply reply;
        ErrorCode code;
    } cases[] = {
        {FakeRtb::Status(1), 0},
        {FakeRtb::Status(0xFF), 0},
        {FakeRtb::Status(0), 40},
        {FakeRtb::Data({1, 1}), 44},
    };
    for (const auto& c : cases) {
        rtb.ReplyTo(0x38, c.reply);
        EXPECT_EQ(link::ExecuteStatusCommand(0x38, "\x01\x00", 2), c.code);
    }
}

TEST_F(CardExchange, NoActiveCardGivesNoCardActiveAndStoresIt) {
    link::SetActiveCardIndex(0);
    StoreLastErrorCode(0);
    EXPECT_EQ(link::ExecuteStatusCommand(0x38, nullptr, 0), 26u);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
    EXPECT_FALSE(Output_To_File("x"));
    // An index naming an empty slot also finds no card (but stores nothing).
    StoreLastErrorCode(0);
    link::SetActiveCardIndex(4);
    EXPECT_EQ(link::ExecuteStatusCommand(0x38, nullptr, 0), 26u);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
}

TEST_F(CardExchange, CardWithoutUsableLinkReadsComPortNotOpen) {
    link::Card card(link::MakeDescriptor(0xFFFF, 0xFFFF, 0, 21, 1, 1), 100, nullptr);
    uint8_t status = 0;
    EXPECT_FALSE(card.LinkUsable());
    EXPECT_EQ(card.ReceiveStatus(&status), 23u);
    EXPECT_EQ(card.SendCommand(0x38, nullptr, 0, link::Route::kAuto), 42u);
}

TEST_F(CardExchange, StaleBytesAreDiscardedBeforeEachRequest) {
    Install(150);
    rtb.SendRaw({0x01, 0x00, 0x00, 0x55});  // unsolicited junk waiting on the line
    ::usleep(50 * 1000);
    rtb.ReplyTo(0x41, FakeRtb::Data({0x34, 0x12}));
    uint8_t reply[2];
    EXPECT_EQ(link::ExecuteQueryCommand(0x41, nullptr, 0, reply, 2), 0u);
    EXPECT_EQ(reply[0], 0x34);
    EXPECT_EQ(reply[1], 0x12);
}

}  // namespace
}  // namespace txorb
