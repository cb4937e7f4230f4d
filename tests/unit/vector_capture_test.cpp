// The capture stage as the card sees it: recorded vectors, their rewrite at the end of the
// list, the replay's rounding and failures, and the tuning exports.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "list/vector_capture.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

// The payload of every list transfer, in order.
std::vector<std::vector<uint8_t>> ListTransfers(const test::FakeRtb& rtb) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& p : rtb.Packets()) {
        if (p.opcode == 156) out.push_back(p.payload);
    }
    return out;
}

class VectorCaptureTest : public test::CardTest {
protected:
    // The end record makes one transfer; the status exchange of Set_Mode comes first.
    std::vector<uint8_t> OneTransfer(size_t packets) {
        EXPECT_TRUE(rtb.WaitForPackets(packets, 3000));
        const auto transfers = ListTransfers(rtb);
        EXPECT_EQ(transfers.size(), 1u);
        return transfers.empty() ? std::vector<uint8_t>() : transfers.front();
    }
};

TEST_F(VectorCaptureTest, WhatReachesTheCard) {
    const struct {
        const char* name;
        void (*build)();
        const char* hex;
    } cases[] = {
        {"nothing recorded", [] {}, "87 28 00 00 00 10 00 00 00 00"},
        {"mark between jumps",
         [] {
             Jump_Abs(1, 2);
             Mark_Abs(5, 6);
             Jump_Abs(3, 4);
         },
         "0A 05 00 06 00 "
         "87 28 00 83 2D 91 00 00 00 00 09 01 00 02 00 "
         "87 28 00 83 2D 91 00 00 00 00 09 03 00 04 00 "
         "87 28 00 00 00 10 00 00 00 00"},
        // Parameter records go out at once and are noted for the rewrite, from here on: the
        // mark steps for its marks (no micro-segments), the jump steps for its jumps.
        {"polyline without ramps",
         [] {
             Set_Mark_Parameters_List(10, 100);
             Set_Custlist_Parameters(0, 0, 1000000, 0);
             Jump_Abs(0, 0);
             PolA_Abs(100, 0);
             PolC_Abs(100, 100);
         },
         "74 0A 00 64 00 "
         "87 28 00 83 2D 91 00 00 00 00 09 00 00 00 00 "
         "74 0A 00 64 00 02 64 00 00 00 03 64 00 64 00 "
         "87 28 00 00 00 10 00 00 00 00"},
        {"lone jump",
         [] {
             Set_Jump_Parameters_List(5, 7);
             Jump_Abs(-100, 50);
         },
         "91 05 00 07 00 87 28 00 83 2D 91 05 00 07 00 09 9C FF 32 00 "
         "87 28 00 00 00 10 00 00 00 00"},
    };
    Install();
    for (const auto& c : cases) {
        rtb.Clear();
        ASSERT_TRUE(Set_Mode(0x200));
        c.build();
        EXPECT_TRUE(Set_End_Of_List()) << c.name;
        EXPECT_EQ(test::Hex(OneTransfer(2)), c.hex) << c.name;
    }
}

TEST_F(VectorCaptureTest, RecordsWaitWhileTheSwitchIsOff) {
    Install();
    ASSERT_TRUE(Set_Mode(0x200));
    ASSERT_TRUE(Jump_Rel(7, -8));
    ASSERT_TRUE(Set_Mode(0));
    ASSERT_TRUE(Set_End_Of_List());  // a plain end record; the jump stays recorded
    EXPECT_EQ(test::Hex(OneTransfer(3)), "10 00 00 00 00");
    EXPECT_EQ(list::TheVectorCapture().CapturedRecords().size(), 1u);
    rtb.Clear();
    ASSERT_TRUE(Set_Mode(0x200));
    ASSERT_TRUE(Set_End_Of_List());
    EXPECT_EQ(test::Hex(OneTransfer(2)),
              "87 28 00 83 2D 91 00 00 00 00 07 07 00 F8 FF 87 28 00 00 00 10 00 00 00 00");
}

TEST_F(VectorCaptureTest, ReplayRoundsHalvesUpAndKeepsTheLow16Bits) {
    Install();
    list::VectorCapture& capture = list::TheVectorCapture();
    const std::pair<double, const char*> cases[] = {
        {2.5, "03 00"},
        {2.4999, "02 00"},
        {-2.5, "FE FF"},
        {-0.5, "00 00"},
        {70000.4, "70 11"},
        {-32768.6, "FF 7F"},
        {std::nan(""), "00 00"},
        {HUGE_VAL, "00 00"},
        // Beyond 32 bits the low 16 bits still go out: 10^10 = 152,587 * 65,536 + 58,368.
        {1e10, "00 E4"},
        {-2147483649.0, "FF FF"},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        capture.EmitPowerWrite(c.first, true, false);
        EXPECT_EQ(capture.ReplayOutput(), 0u) << c.first;
        capture.ClearRecords();
        EXPECT_EQ(test::Hex(OneTransfer(1)),
                  std::string("87 28 00 ") + c.second + " 10 00 00 00 00")
            << c.first;
    }
}

// Extreme tuning makes step periods of several billion microseconds; the records carry their
// low 16 bits. The four periods of this plan are 6,003,528,859, 5,191,185,613, 4,639,842,314
// and 4,233,949,368 (worked out by hand from the velocity plan).
TEST_F(VectorCaptureTest, StepPeriodsBeyond32BitsGoOutModulo65536) {
    Install();
    ASSERT_TRUE(Set_Mode(0x200));
    ASSERT_TRUE(Set_Mark_Parameters_List(65535, 65535));
    ASSERT_TRUE(Set_Custlist_Parameters(0.001, 0.001, 1e-6, 20));
    ASSERT_TRUE(Jump_Abs(-10000, 0));
    ASSERT_TRUE(PolA_Abs(0, 0));
    ASSERT_TRUE(PolC_Abs(10000, 0));
    ASSERT_TRUE(Set_End_Of_List());
    ASSERT_TRUE(rtb.WaitForPackets(3, 3000));
    std::vector<uint8_t> payload;  // the plan is long: several transfers
    for (const auto& transfer : ListTransfers(rtb)) {
        payload.insert(payload.end(), transfer.begin(), transfer.end());
    }
    constexpr uint8_t kMarkParametersRecord = 116;
    std::vector<uint16_t> periods;
    for (size_t i = 0; i + 5 <= payload.size(); i += 5) {
        if (payload[i] == kMarkParametersRecord) {
            periods.push_back(static_cast<uint16_t>(payload[i + 1] | payload[i + 2] << 8));
        }
    }
    ASSERT_GE(periods.size(), 5u);
    // The first is the Set_Mark_Parameters_List record itself, sent as it is.
    EXPECT_EQ(std::vector<uint16_t>(periods.begin(), periods.begin() + 5),
              (std::vector<uint16_t>{65535, 38043, 13517, 24586, 61624}));
    // The capture is process-wide: leave the tuning it has after load for the other tests.
    ASSERT_TRUE(Set_Custlist_Parameters(0.01, 0.02, 10.0, 200));
    ASSERT_TRUE(Set_Mode(0));
}

TEST_F(VectorCaptureTest, FailedReplayStopsAndEmptiesBothLists) {
    list::VectorCapture& capture = list::TheVectorCapture();
    capture.ApplyMode(0x200);
    // No card at all: the end record's transfer fails.
    capture.CaptureVector(9, 1, 1);
    capture.CaptureVector(16, 0, 0);
    EXPECT_EQ(capture.FinishList(), 26u);
    EXPECT_TRUE(capture.CapturedRecords().empty());
    EXPECT_TRUE(capture.OutputRecords().empty());

    // The RTB refuses the first full transfer: nothing after it is sent, no end record.
    Install();
    rtb.ReplyTo(156, test::FakeRtb::Status(0));
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(Jump_Abs(static_cast<int16_t>(i), 0));
    EXPECT_FALSE(Set_End_Of_List());
    ASSERT_TRUE(rtb.WaitForPackets(1, 3000));
    const auto transfers = ListTransfers(rtb);
    ASSERT_EQ(transfers.size(), 1u);
    EXPECT_EQ(transfers[0].size(), 2500u);
    EXPECT_TRUE(capture.CapturedRecords().empty());
    EXPECT_TRUE(capture.OutputRecords().empty());
}

TEST(VectorCaptureState, ParameterNotes) {
    list::VectorCapture capture;
    EXPECT_FALSE(capture.NoteMarkParameters(10, 100));  // switch off: nothing changes
    EXPECT_FALSE(capture.NoteJumpParameters(4, 5));
    EXPECT_TRUE(capture.NoteDelays(0, 0, 0, 0, 0, 0, 0, 0, 32768));  // at any time
    EXPECT_EQ(capture.PowerScale(), 0.5);
    EXPECT_EQ(capture.MarkSpeed(), 0.1);
    EXPECT_EQ(capture.JumpStepPeriod(), 0);
    capture.ApplyMode(0x200 | 0x1);
    const struct {
        uint16_t period, size;
        bool result;
        int32_t wantPeriod, wantSize;
        double wantSpeed;
    } marks[] = {
        {10, 100, true, 10, 100, 10000.0},
        {10, 0, true, 10, 1, 0.0},
        {0, 50, false, 10, 1, 0.0},
        {3, 1, true, 3, 1, 1.0 / 3 * 1000},
    };
    for (const auto& m : marks) {
        EXPECT_EQ(capture.NoteMarkParameters(m.period, m.size), m.result) << m.period;
        EXPECT_EQ(capture.MarkStepPeriod(), m.wantPeriod);
        EXPECT_EQ(capture.MarkStepSize(), m.wantSize);
        EXPECT_EQ(capture.MarkSpeed(), m.wantSpeed);
    }
    EXPECT_FALSE(capture.NoteJumpParameters(0, 9));  // refused, but stored
    EXPECT_EQ(capture.JumpStepPeriod(), 0);
    EXPECT_EQ(capture.JumpSize(), 9);
    EXPECT_TRUE(capture.NoteJumpParameters(65535, 65535));
    EXPECT_EQ(capture.JumpStepPeriod(), 65535);
    EXPECT_EQ(capture.JumpSize(), 65535);
}

TEST(VectorCaptureState, CustlistRoundTrip) {
    double in = -1, out = -1, slope = -1;
    uint16_t length = 1;
    ASSERT_TRUE(Get_Custlist_Parameters(&in, &out, &slope, &length));
    EXPECT_DOUBLE_EQ(in, 0.01);
    EXPECT_DOUBLE_EQ(out, 0.02);
    EXPECT_EQ(slope, 10.0);
    EXPECT_EQ(length, 200);
    const struct {
        double in, out, slope;
        uint16_t length;
        double wantIn, wantOut, wantSlope;
    } cases[] = {
        {-5, 50, -1, 100, 0, 50, 0},
        {12.5, -0.001, 3.25, 65535, 12.5, 0, 3.25},
        {0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Set_Custlist_Parameters(c.in, c.out, c.slope, c.length));
        ASSERT_TRUE(Get_Custlist_Parameters(&in, &out, &slope, &length));
        EXPECT_EQ(in, c.wantIn);
        EXPECT_EQ(out, c.wantOut);
        EXPECT_EQ(slope, c.wantSlope);
        EXPECT_EQ(length, c.length);
    }
    // A missing output: refused, and nothing is written through the others.
    in = out = slope = 7;
    length = 7;
    EXPECT_FALSE(Get_Custlist_Parameters(&in, &out, nullptr, &length));
    EXPECT_FALSE(Get_Custlist_Parameters(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(in, 7.0);
    EXPECT_EQ(out, 7.0);
    EXPECT_EQ(length, 7);
}

}  // namespace
}  // namespace txorb
