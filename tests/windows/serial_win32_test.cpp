// The serial seam and the SerialLink on a COM port of Windows (under Wine, a pty mapped as COM n
// with the virtual card on its other side). The port comes from TXORB_TEST_COM_PORT, which
// scripts/test-windows sets; without it these tests are skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/serial_link.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace txorb::link {
namespace {

constexpr uint8_t kStatusRequest[] = {34, 0, 0};  // Read_Status: opcode 34, no payload
constexpr uint8_t kStatusWordLength[] = {2, 0};   // its reply: a 16-bit length of 2, the word

uint32_t TestComPort() {
    const char* text = std::getenv("TXORB_TEST_COM_PORT");
    return text != nullptr ? static_cast<uint32_t>(std::atoi(text)) : 0;
}

std::string DevicePath(uint32_t port) { return "\\\\.\\COM" + std::to_string(port); }

class CardOnComPort : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = TestComPort();
        if (port_ == 0) GTEST_SKIP() << "TXORB_TEST_COM_PORT names no COM port with a card";
    }
    uint32_t port_ = 0;
};

// Reads until count bytes came or a read waited timeoutMs in vain.
std::vector<uint8_t> ReadUpTo(platform::SerialHandle h, size_t count, uint32_t timeoutMs) {
    std::vector<uint8_t> bytes;
    uint8_t buffer[64];
    while (bytes.size() < count) {
        size_t got = 0;
        const auto r =
            platform::NativeSerialPort().read(h, buffer, count - bytes.size(), timeoutMs, &got);
        if (r != platform::SerialReadResult::kData) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

TEST_F(CardOnComPort, StatusRequestIsAnsweredAndAHeldOrAbsentPortDoesNotOpen) {
    const auto& port = platform::NativeSerialPort();
    const platform::SerialHandle h = port.open(DevicePath(port_).c_str());
    ASSERT_NE(h, platform::kInvalidSerialHandle);
    EXPECT_TRUE(port.configure(h));
    port.setInitialLines(h);  // a pty has no modem lines: refused, and that is no failure
    EXPECT_TRUE(port.purgeInput(h));
    EXPECT_TRUE(port.purgeOutput(h));
    ASSERT_TRUE(port.write(h, kStatusRequest, sizeof kStatusRequest, 200));
    const std::vector<uint8_t> reply = ReadUpTo(h, 4, 2000);
    ASSERT_EQ(reply.size(), 4u);
    EXPECT_EQ(reply[0], kStatusWordLength[0]);
    EXPECT_EQ(reply[1], kStatusWordLength[1]);
    EXPECT_TRUE(ReadUpTo(h, 1, 100).empty()) << "nothing follows the reply";
    EXPECT_EQ(port.open(DevicePath(port_).c_str()), platform::kInvalidSerialHandle);
    port.close(h);
    const platform::SerialHandle again = port.open(DevicePath(port_).c_str());
    EXPECT_NE(again, platform::kInvalidSerialHandle) << "closing gives the port back";
    port.close(again);
    constexpr uint32_t kAbsentPort = 19;  // no COM port of the test machine
    EXPECT_EQ(port.open(DevicePath(kAbsentPort).c_str()), platform::kInvalidSerialHandle);
}

// CPU time of this thread so far, in milliseconds.
uint64_t ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000;  // FILETIME counts 100 ns
}

// The wait blocks on the port: it never ends early, a zero wait does not block at all, and
// waiting costs no processor time (at most 2 % of a second). The upper bounds leave room for a
// loaded test machine, not for a second wait.
TEST_F(CardOnComPort, ReadOfASilentLineWaitsItsTimeOutAsleepThenGivesUp) {
    const auto& port = platform::NativeSerialPort();
    const platform::SerialHandle h = port.open(DevicePath(port_).c_str());
    ASSERT_NE(h, platform::kInvalidSerialHandle);
    ASSERT_TRUE(port.configure(h));
    const struct {
        uint32_t timeoutMs;
        uint64_t atLeastMs, belowMs;
    } cases[] = {{0, 0, 250}, {1000, 1000, 2000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.timeoutMs);
        uint8_t byte = 0;
        size_t got = 99;
        const uint64_t start = platform::MonotonicMs(), cpu = ThreadCpuMs();
        EXPECT_EQ(port.read(h, &byte, 1, c.timeoutMs, &got), platform::SerialReadResult::kTimeout);
        const uint64_t elapsed = platform::MonotonicMs() - start;
        EXPECT_LT(ThreadCpuMs() - cpu, 20u);
        EXPECT_EQ(got, 0u);
        EXPECT_GE(elapsed, c.atLeastMs);
        EXPECT_LT(elapsed, c.belowMs);
    }
    port.close(h);
}

TEST_F(CardOnComPort, SerialLinkExchangesAPacketOnComNumberN) {
    SerialLink link(port_, 1000);
    ASSERT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.PurgeTransmit());
    EXPECT_TRUE(link.DiscardInput());
    ASSERT_TRUE(link.SendPacket(34, nullptr, 0));
    uint8_t length[2] = {};
    ASSERT_EQ(link.ReadExact(length, 2), err::kOk);
    EXPECT_EQ(length[0], kStatusWordLength[0]);
    EXPECT_EQ(length[1], kStatusWordLength[1]);
    uint8_t word[2] = {};
    EXPECT_EQ(link.ReadExact(word, 2), err::kOk);
    EXPECT_EQ(link.ReadExact(word, 1, 200), err::kResponseTimeout);
    EXPECT_EQ(PingSerialPort(port_), 0u) << "a port the link holds cannot be pinged";
}

TEST_F(CardOnComPort, PingFindsTheCardOnAFreePort) { EXPECT_EQ(PingSerialPort(port_), port_); }

}  // namespace
}  // namespace txorb::link
