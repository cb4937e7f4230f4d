// A hostile card: every kind of fault on every exchange shape. The export gives its code within
// the reply timeout and a small margin, the faulty packet itself went out whole, and the next
// command on the same card works.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "proto/packet.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Reply;
using test::ShownReports;

constexpr int kTimeoutMs = 200;
constexpr auto kMargin = std::chrono::milliseconds(kTimeoutMs + 800);

struct Fault {
    const char* name;
    Reply reply;
    int settleMs;  // how long a late answer may still be on its way
};

std::vector<Fault> Faults() {
    return {
        {"status 0", FakeRtb::Status(0), 0},
        {"delay past the timeout", Reply{proto::StatusReply(1), kTimeoutMs + 150, 0}, 250},
        {"wrong length", Reply{{0x03, 0x00, 0x01, 0x01, 0x01}, 0, 0}, 0},
        {"garbage", Reply{{0xFF, 0xFF, 0x13, 0x37, 0x00}, 0, 0}, 0},
        {"trickle slower than the timeout", Reply{proto::StatusReply(1), 0, kTimeoutMs + 100},
         3 * (kTimeoutMs + 100) + 100},
        {"silence", Reply{}, 0},
    };
}

struct Shape {
    const char* name;
    uint8_t opcode;
    std::function<bool()> call;
    // The code each fault gives, in the order of Faults(); -1 where the shape reports nothing.
    std::vector<int> codes;
    const char* apiName;
};

class FaultMatrix : public test::CardTest {
protected:
    std::vector<Shape> Shapes() {
        file_ = dir.File("copy.bin");
        test::WriteFile(file_, std::string(70000, 'c'));
        static uint16_t delays[3] = {1, 2, 3};
        const std::string file = file_;
        return {
            {"status",
             93,
             [] { return Set_Mark_Speed(100.0); },
             {40, 45, 44, 44, 45, 45},
             "Set_Mark_Speed"},
            // A status byte where two data bytes are expected is a short reply, which counts.
            {"query",
             176,
             [] {
                 uint16_t m = 0;
                 return Get_Mode_Mask(&m) == 0;
             },
             {0, 45, 44, 44, 45, 45},
             "Get_Mode_Mask"},
            {"bulk list",
             156,
             [] { return Mark_Abs(1, 2) && Set_End_Of_List(); },
             {-1, -1, -1, -1, -1, -1},
             nullptr},
            {"bitmap",
             171,
             [] { return Put_Bitmapline_List(0, 0, 9, 0, delays, 3); },
             {40, 45, 44, 44, 45, 45},
             "Put_Bitmapline_List"},
            {"file copy",
             144,
             [file] { return Copy_File_To_Target_Disk(file.c_str()); },
             {-1, -1, -1, -1, -1, -1},
             nullptr},
        };
    }
    std::string file_;
};

TEST_F(FaultMatrix, EveryFaultOnEveryShapeGivesItsCodeInTimeAndTheCardCarriesOn) {
    Install(kTimeoutMs);
    const std::vector<Fault> faults = Faults();
    for (const Shape& shape : Shapes()) {
        for (size_t f = 0; f < faults.size(); ++f) {
            const std::string what = std::string(shape.name) + " / " + faults[f].name;
            rtb.Clear();
            test::ClearShownReports();
            rtb.ReplyTo(shape.opcode, faults[f].reply);
            const auto start = std::chrono::steady_clock::now();
            const bool ok = shape.call();
            EXPECT_LT(std::chrono::steady_clock::now() - start, kMargin) << what;
            const int code = shape.codes[f];
            EXPECT_EQ(ok, code == 0) << what;
            if (code > 0) {
                EXPECT_EQ(ShownReports(),
                          std::vector<std::string>{std::to_string(code) + " " + shape.apiName})
                    << what;
            }
            // The faulty exchange's packet arrived whole.
            ASSERT_TRUE(rtb.WaitForPackets(1, 3000)) << what;
            EXPECT_EQ(rtb.Packets().front().opcode, shape.opcode) << what;
            // A late answer may still come; once it has, the next command must work.
            std::this_thread::sleep_for(std::chrono::milliseconds(faults[f].settleMs));
            rtb.ReplyTo(shape.opcode, FakeRtb::Status(1));
            ASSERT_TRUE(Set_Jump_Delay(0x1234)) << what;
            ASSERT_TRUE(rtb.WaitForPackets(2, 3000)) << what;
            const auto packets = rtb.Packets();
            ASSERT_EQ(packets.size(), 2u) << what;
            EXPECT_EQ(test::Hex(packets[1].raw), "37 02 00 34 12") << what;
        }
    }
}

TEST_F(FaultMatrix, AHangUpGivesATimeoutOnEveryShapeAndNeverBlocks) {
    Install(kTimeoutMs);
    rtb.HangUp();
    for (const Shape& shape : Shapes()) {
        test::ClearShownReports();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(shape.call()) << shape.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kMargin) << shape.name;
        if (shape.apiName != nullptr) {
            ASSERT_EQ(ShownReports().size(), 1u) << shape.name;
            // Either the send or the reply notices the line is gone.
            const std::string shown = ShownReports()[0];
            EXPECT_TRUE(shown == std::string("45 ") + shape.apiName ||
                        shown == std::string("42 ") + shape.apiName)
                << shown;
        }
    }
}

}  // namespace
}  // namespace txorb
