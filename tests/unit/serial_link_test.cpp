// The serial link on its own: opening, exclusivity, chunked writes and bounded discards.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "link/serial_link.h"
#include "platform/serial_port.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb {
namespace {

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

class SerialLinkTest : public ::testing::Test {
protected:
    void TearDown() override { platform::SetSerialPortMethods(nullptr); }
    test::TempRegistry registry;
};

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
}

TEST_F(SerialLinkTest, PtyWorksAsAComPortAndAHeldPortCannotBeOpenedTwice) {
    test::FakeRtb rtb;
    registry.Write(test::TempRegistry::ComPort(2, rtb.Path()));
    EXPECT_EQ(link::PingSerialPort(2), 2u);  // the peer answers the status request
    ASSERT_TRUE(rtb.WaitForPackets(1, 500));
    EXPECT_EQ(test::Hex(rtb.Packets()[0].raw), "22 00 00");

    link::SerialLink held(2, 200);
    ASSERT_TRUE(held.IsOpen());
    EXPECT_FALSE(held.SetDtr());  // a pty refuses modem-control requests
    EXPECT_FALSE(held.ClearDtr());
    link::SerialLink second(2, 200);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(link::PingSerialPort(2), 0u);

    // An absent payload sends three bytes whatever the length says.
    rtb.Clear();
    EXPECT_TRUE(held.SendPacket(0x41, nullptr, 9));
    ASSERT_TRUE(rtb.WaitForPackets(1, 500));
    EXPECT_EQ(test::Hex(rtb.RawReceived()), "41 00 00");
}

TEST_F(SerialLinkTest, SilentPeerIsNotAnAnswer) {
    test::FakeRtb rtb;
    rtb.SetResponder([](const proto::Packet&) { return test::Reply{}; });
    registry.Write(test::TempRegistry::ComPort(4, rtb.Path()));
    EXPECT_EQ(link::PingSerialPort(4), 0u);
    // An answer that comes after the 100 ms listening window is missed too.
    rtb.SetResponder([](const proto::Packet&) { return test::Reply{{1, 0, 1}, 250}; });
    EXPECT_EQ(link::PingSerialPort(4), 0u);
}

TEST_F(SerialLinkTest, HungUpPeerEndsTheReadAtOnce) {
    test::FakeRtb rtb;
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
