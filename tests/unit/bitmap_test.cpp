// Bitmap lines: packet bytes, the opcode per algorithm, the pending list records going first
// under one hold of the lock, and the lines that are refused before anything is sent.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "list/list_buffer.h"
#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;
using Strings = std::vector<std::string>;

class Bitmap : public test::CommandTest {};

TEST_F(Bitmap, LinePacketAndOpcodeByAlgorithm) {
    Install();
    uint16_t delays[] = {10, 20, 30};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 100, 0, delays, 3));
    EXPECT_EQ(Wire(), "AB 0E 00 00 00 00 00 64 00 00 00 0A 00 14 00 1E 00");

    const struct {
        uint16_t algorithm;
        const char* opcode;
    } cases[] = {{0, "AB"}, {1, "AC"}, {2, "E1"}, {3, "AB"}, {7, "AB"}, {0xFFFF, "AB"}};
    uint16_t one[] = {0xBEEF};
    for (const auto& c : cases) {
        rtb.Clear();
        EXPECT_TRUE(Put_Bitmapline_List_Ex(-1, -32768, 32767, 1, one, 1, c.algorithm));
        EXPECT_EQ(Wire(), std::string(c.opcode) + " 0A 00 FF FF 00 80 FF 7F 01 00 EF BE");
    }
    EXPECT_TRUE(ShownReports().empty());
}

TEST_F(Bitmap, OverlongAndEmptyLinesAreRefusedBeforeAnythingIsSent) {
    Install(1000);
    std::vector<uint16_t> delays(65535);
    for (size_t i = 0; i < delays.size(); ++i) delays[i] = static_cast<uint16_t>(i * 3 + 1);
    const struct {
        const uint16_t* delays;
        uint16_t count;
        const char* report;
    } refused[] = {
        {delays.data(), 32764, "16 Put_Bitmapline_List"},
        {delays.data(), 0, "10 Put_Bitmapline_List"},
        {nullptr, 3, "10 Put_Bitmapline_List"},
    };
    list::AppendListRecord(5, 1, 2);  // stays pending: a refused line flushes nothing
    for (const auto& r : refused) {
        ShownReports().clear();
        EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, const_cast<uint16_t*>(r.delays), r.count));
        EXPECT_EQ(ShownReports(), Strings{r.report});
    }
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    EXPECT_EQ(list::TheListBuffer().HighWater(), 5u);
    list::ClearListBuffer();

    // 32,762 delays still fit the short header; the 32,763rd takes the packet to 65,534 bytes,
    // which every packet of that size carries in the long form.
    EXPECT_TRUE(Put_Bitmapline_List(1, 2, 3, 4, delays.data(), 32762));
    ASSERT_TRUE(rtb.WaitForPackets(1, 3000));
    auto raw = rtb.RawReceived();
    ASSERT_EQ(raw.size(), 3u + 65532u);
    EXPECT_EQ(test::Hex({raw.begin(), raw.begin() + 11}), "AB FC FF 01 00 02 00 03 00 04 00");
    EXPECT_EQ(test::Hex({raw.end() - 2, raw.end()}), "EC 7F");  // (32761 * 3 + 1) mod 65536
    rtb.Clear();
    EXPECT_TRUE(Put_Bitmapline_List(1, 2, 3, 4, delays.data(), 32763));
    ASSERT_TRUE(rtb.WaitForPackets(1, 3000));
    raw = rtb.RawReceived();
    EXPECT_EQ(test::Hex({raw.begin(), raw.begin() + 7}), "AB 04 00 FE FF 00 00");
}

TEST_F(Bitmap, PendingListRecordsGoFirstAndAFailedFlushStopsTheLine) {
    Install();
    uint16_t delay[] = {1};
    list::AppendListRecord(5, 0x0201, 0x0403);
    EXPECT_TRUE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 1));
    EXPECT_EQ(Wire(2), "9C 05 00 05 01 02 03 04 AC 0A 00 00 00 00 00 00 00 00 00 01 00");

    rtb.Clear();
    rtb.ReplyTo(0x9C, FakeRtb::Status(0));
    list::AppendListRecord(5, 1, 1);
    EXPECT_FALSE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 2));
    EXPECT_FALSE(rtb.WaitForPackets(2, 150));
    EXPECT_EQ(Wire(), "9C 05 00 05 01 00 01 00");
    EXPECT_EQ(ShownReports(), Strings{"40 Put_Bitmapline_List_Ex"});
}

TEST_F(Bitmap, NoOtherCommandComesBetweenTheFlushAndTheLine) {
    Install(2000);
    std::atomic<bool> flushArrived{false};
    rtb.SetResponder([&](const proto::Packet& p) {
        if (p.opcode != 0x9C) return FakeRtb::Status(1);
        flushArrived = true;
        test::Reply slow = FakeRtb::Status(1);
        slow.delayMs = 150;  // time for the other thread to queue up on the lock
        return slow;
    });
    list::AppendListRecord(5, 0, 0);
    std::thread other([&] {
        while (!flushArrived) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Set_Jump_Delay(9);
    });
    uint16_t delay[] = {1};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));
    other.join();
    ASSERT_TRUE(rtb.WaitForPackets(3, 3000));
    const auto packets = rtb.Packets();
    EXPECT_EQ(test::Hex({packets[0].opcode, packets[1].opcode, packets[2].opcode}), "9C AB 37");
}

TEST_F(Bitmap, FailuresAreReportedUnderTheExportsName) {
    uint16_t delay[] = {1};
    EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));  // no card
    Install(100);
    rtb.ReplyTo(0xAB, FakeRtb::Status(0));
    EXPECT_FALSE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));
    rtb.ReplyTo(0xE1, test::Reply{});
    EXPECT_FALSE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 2));
    test::RemoveInstalledCard(1);
    Install(100, "/dev/full");
    rtb.Clear();
    EXPECT_FALSE(Put_Bitmapline_List_Ex(0, 0, 0, 0, delay, 1, 1));
    EXPECT_EQ(Wire(), "AC 0A 00 00 00 00 00 00 00 00 00 01 00");  // still reached the card
    EXPECT_EQ(ShownReports(), (Strings{"26 Put_Bitmapline_List", "40 Put_Bitmapline_List",
                                       "45 Put_Bitmapline_List_Ex", "43 Put_Bitmapline_List_Ex"}));
}

TEST_F(Bitmap, ASuccessDoesNotTouchTheReporter) {
    Install();
    uint16_t delay[] = {1};
    EXPECT_TRUE(Put_Bitmapline_List(0, 0, 0, 0, delay, 1));
    // Had the success been reported, the switch would have been read as on already.
    registry.Write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:0\n" +
                   test::TempRegistry::ComPort(kComPort, rtb.Path()));
    rtb.ReplyTo(0x37, FakeRtb::Status(0));
    EXPECT_FALSE(Set_Jump_Delay(1));
    EXPECT_TRUE(ShownReports().empty());
}

}  // namespace
}  // namespace txorb
