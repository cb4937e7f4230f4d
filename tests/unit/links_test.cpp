// Packet framing, the capture file and reply reception against a scripted RTB on a pty, and
// the serial link on its own: opening, exclusivity, chunked writes and bounded discards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/process_state.h"
#include "link/card.h"
#include "link/card_table.h"
#include "link/exchange.h"
#include "link/serial_link.h"
#include "platform/serial_port.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

using CardExchange = test::CardTest;

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
    EXPECT_EQ(test::FileHex(capture), "5D 08 00 00 00 00 00 00 40 6F 40 24 00 00");
    // A new name starts a new, empty file.
    EXPECT_TRUE(Output_To_File(capture.c_str()));
    EXPECT_EQ(link::ExecuteStatusCommand(0x26, nullptr, 0), 0u);
    EXPECT_EQ(test::FileHex(capture), "26 00 00");
    EXPECT_FALSE(Output_To_File(dir.File("no/such/dir/file").c_str()));
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

// A serial port that records writes and always has one more byte to give.
struct RecordingPort {
    static std::vector<size_t>& Writes() {
        static std::vector<size_t> w;
        return w;
    }
    static int& Reads() {
        static int r = 0;
        return r;
    }
    static platform::SerialPortMethods Methods() {
        platform::SerialPortMethods m = platform::NativeSerialPort();
        m.open = [](const char*) -> platform::SerialHandle { return 99; };
        m.close = [](platform::SerialHandle) {};
        m.configure = [](platform::SerialHandle) { return true; };
        m.setInitialLines = [](platform::SerialHandle) { return false; };
        m.purgeInput = [](platform::SerialHandle) { return true; };
        m.purgeOutput = [](platform::SerialHandle) { return true; };
        m.write = [](platform::SerialHandle, const uint8_t*, size_t n, uint32_t) {
            Writes().push_back(n);
            return true;
        };
        m.read = [](platform::SerialHandle, uint8_t* buf, size_t, uint32_t, size_t* got) {
            ++Reads();
            buf[0] = 0xAA;
            *got = 1;
            return platform::SerialReadResult::kData;
        };
        return m;
    }
};

using SerialLinkTest = CardExchange;

TEST_F(SerialLinkTest, WritesGoOutInChunksAndDiscardIsBounded) {
    static const platform::SerialPortMethods methods = RecordingPort::Methods();
    platform::SetSerialPortMethods(&methods);
    link::SerialLink link(1, 100);
    ASSERT_TRUE(link.IsOpen());
    std::vector<uint8_t> data(10000, 0x11);
    RecordingPort::Writes().clear();
    EXPECT_TRUE(link.Write(data.data(), 10000));
    EXPECT_EQ(RecordingPort::Writes(), (std::vector<size_t>{4096, 4096, 1808}));

    // A line that never stops receiving: the discard gives up after 10,000 reads.
    RecordingPort::Reads() = 0;
    EXPECT_TRUE(link.DiscardInput());
    EXPECT_EQ(RecordingPort::Reads(), 10000);
}

// A COM port whose device does not exist: the link refuses writes, waits out its reads and
// cannot be pinged. A card on a port number outside the table reads "COM port not open" and
// cannot send.
TEST_F(SerialLinkTest, PortThatDoesNotExist) {
    registry.Write(test::TempRegistry::ComPort(7, "/dev/does-not-exist"));
    link::SerialLink link(7, 120);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(link.PurgeTransmit());
    EXPECT_TRUE(link.DiscardInput());
    EXPECT_FALSE(link.Write(reinterpret_cast<const uint8_t*>("abc"), 3));
    EXPECT_FALSE(link.IsDsrOn());
    EXPECT_FALSE(link.SetDtr());
    uint8_t byte;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.ReadExact(&byte, 1), 45u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(110));
    EXPECT_EQ(link::PingSerialPort(7), 0u);
    link::Card card(link::MakeDescriptor(0xFFFF, 0xFFFF, 0, 21, 1, 1), 100, nullptr);
    uint8_t status = 0;
    EXPECT_FALSE(card.LinkUsable());
    EXPECT_EQ(card.ReceiveStatus(&status), 23u);
    EXPECT_EQ(card.SendCommand(0x38, nullptr, 0, link::Route::kAuto), 42u);
}

// A ping is a status request with 100 ms to answer, on a port nobody holds.
TEST_F(SerialLinkTest, PingFindsOnlyAPeerThatAnswersInTimeOnAPortThatIsFree) {
    registry.Write(test::TempRegistry::ComPort(2, rtb.Path()));
    EXPECT_EQ(link::PingSerialPort(2), 2u);
    EXPECT_EQ(Wire(), "22 00 00");
    for (const test::Reply& answer : {test::Reply{}, test::Reply{{1, 0, 1}, 250}}) {
        rtb.SetResponder([answer](const proto::Packet&) { return answer; });
        EXPECT_EQ(link::PingSerialPort(2), 0u);
    }
    rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(1); });
    link::SerialLink held(2, 200);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_FALSE(held.SetDtr());  // a pty refuses modem-control requests
    EXPECT_FALSE(held.ClearDtr());
    EXPECT_FALSE(link::SerialLink(2, 200).IsOpen());
    EXPECT_EQ(link::PingSerialPort(2), 0u);
    // An absent payload sends three bytes whatever the length says.
    rtb.Clear();
    EXPECT_TRUE(held.SendPacket(0x41, nullptr, 9));
    EXPECT_EQ(Wire(), "41 00 00");
}

TEST_F(SerialLinkTest, HungUpPeerEndsTheReadAtOnce) {
    registry.Write(test::TempRegistry::ComPort(5, rtb.Path()));
    link::SerialLink link(5, 2000);
    ASSERT_TRUE(link.IsOpen());
    rtb.HangUp();
    uint8_t byte;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.ReadExact(&byte, 1), 45u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace txorb
