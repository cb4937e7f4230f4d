// The card model in simulated time: replies byte for byte, list execution, loops, stops,
// manual moves, and bitmap lines in the pictures.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "picture.h"
#include "proto/exposure.h"
#include "proto/opcodes.h"
#include "proto/packet.h"
#include "renderer.h"
#include "target_disk.h"
#include "virtual_card.h"

namespace txorb::sim {
namespace {

namespace op = proto::op;
namespace list_op = proto::list_op;

constexpr uint8_t kUnknownOpcode = 250;  // no command of the card has it
constexpr size_t kPictureItems = 100000;

class Recorder : public MoveSink {
public:
    void OnMove(const Move& move) override {
        moves.push_back(move);
        picture.Add(move);
    }
    void OnPixelLine(const PixelLine& line) override { picture.Add(line); }
    std::vector<Move> moves;
    Picture picture{kPictureItems};
};

std::vector<uint8_t> Rec(uint8_t op, int16_t p1 = 0, int16_t p2 = 0) {
    return {op, static_cast<uint8_t>(p1), static_cast<uint8_t>(uint16_t(p1) >> 8),
            static_cast<uint8_t>(p2), static_cast<uint8_t>(uint16_t(p2) >> 8)};
}

std::vector<uint8_t> F64(double v) {
    std::vector<uint8_t> b(8);
    std::memcpy(b.data(), &v, 8);
    return b;
}

class CardModel : public ::testing::Test {
protected:
    std::vector<uint8_t> Send(uint8_t op, std::vector<uint8_t> payload, int64_t nowUs = 0) {
        proto::Packet packet;
        packet.opcode = op;
        packet.payload = std::move(payload);
        std::vector<uint8_t> reply;
        card_.Handle(packet, nowUs, &reply);
        return reply;
    }
    void LoadList(const std::vector<std::vector<uint8_t>>& records, int64_t nowUs = 0) {
        std::vector<uint8_t> payload;
        for (const auto& r : records) payload.insert(payload.end(), r.begin(), r.end());
        ASSERT_EQ(Send(op::kListRecords, payload, nowUs), std::vector<uint8_t>{1});
    }
    uint16_t Status(int64_t nowUs) {
        const auto r = Send(op::kReadStatus, {}, nowUs);
        return static_cast<uint16_t>(r[0] | (r[1] << 8));
    }

    Recorder recorder_;
    TargetDisk disk_{""};
    VirtualCard card_{&recorder_, &disk_};
};

TEST_F(CardModel, RepliesHaveTheShapeTheHostReads) {
    struct Row {
        uint8_t op;
        std::vector<uint8_t> payload;
        std::vector<uint8_t> reply;
    };
    const Row rows[] = {
        {op::kStartUpOpen, {}, {1}},
        {op::kStartUpConfirm, {}, {1}},
        {op::kRelease, {}, {}},
        {op::kGotoXYEx, {1, 0, 2, 0}, {}},
        {op::kSetMarkSpeed, F64(250.0), {1}},
        {op::kSetMarkSpeed, {1, 2}, {0}},  // wrong payload size: not executed
        {op::kGetMarkSpeed, {}, F64(250.0)},
        {op::kGetJumpSpeed, {}, F64(1000.0)},
        {op::kReadStatus, {}, {0x00, 0x02}},  // laser enabled, nothing else
        {op::kGetVersion, {}, {0x00, 0x02}},
        {op::kGetKRT1Version, {}, {0x01, 0x01}},
        {op::kGetIdentEx, {}, {0x52, 0x4F, 0x58, 0x54}},  // "TXOR" little-endian
        {op::kGetModeMask, {}, {0xFF, 0x03}},
        {op::kGetCPUType, {}, {2, 0}},
        {op::kGetHeadMask, {}, {1, 0}},
        {op::kGetCounts, {}, {0, 0, 0, 0}},
        {op::kGetManualMove, {}, {0}},
        {op::kWritePort, {5, 0, 0x34, 0x12}, {1}},
        {op::kReadPort, {5, 0}, {0x34, 0x12}},
        {op::kTestReadPort, {kPowerPort, 0}, {0xFF, 0xFF}},  // full power at power-up
        {op::kSetMode, {0x00, 0x04}, {0}},                   // a mode bit the card does not have
        {op::kSetMode, {0x00, 0x02}, {1}},
        {op::kExecuteList, {0, 0}, {0}},  // nothing loaded
        {op::kExecuteList, {2, 0}, {0}},
        {op::kSetStartList, {2, 0}, {0}},
        {op::kGetXYPosX, {}, {1, 0}},  // after Goto_XY_Ex (1, 2)
        {op::kGetXYPosY, {}, {2, 0}},
        {op::kLoadCor, std::vector<uint8_t>(kCorrectionTableBytes - 1), {0}},
        {op::kLoadCor, std::vector<uint8_t>(kCorrectionTableBytes), {1}},
        {op::kLoadCorrN, {5, 0, 0, 0}, {0}},
        {kUnknownOpcode, {}, {0}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Send(row.op, row.payload), row.reply) << int(row.op);
    }
}

TEST_F(CardModel, AListRunsInSimulatedTimeAndThePositionFollowsIt) {
    ASSERT_EQ(Send(op::kSetSpeed,
                   [] {
                       auto b = F64(2000.0);
                       auto m = F64(100.0);
                       b.insert(b.end(), m.begin(), m.end());
                       return b;
                   }()),
              std::vector<uint8_t>{1});
    // Every record costs at least 1 us: the two delay records run at 1000 and 1001, the jump
    // of 2000 bits takes 1 ms from 1002, then the jump delay of 50 x 10 us, the port write
    // 1 us, and the mark of 1000 bits at 100 bits/ms 10 ms from 2503.
    LoadList({Rec(list_op::kSetDelays34, 0, 0), Rec(list_op::kSetDelays12, 10, 50),
              Rec(list_op::kJumpAbs, 2000, 0), Rec(list_op::kWritePortList, kPowerPort, 16384),
              Rec(list_op::kMarkAbs, 2000, 1000), Rec(list_op::kSetEndOfList)});
    EXPECT_EQ(Status(0) & (status::kBusy | status::kList1Ready), status::kList1Ready);
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}, 1000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(1502) & status::kBusy, status::kBusy);
    EXPECT_EQ(Send(op::kGetXYPosX, {}, 1502),
              (std::vector<uint8_t>{0xE8, 0x03}));                             // half way: 1000
    EXPECT_EQ(Send(op::kExecuteList, {0, 0}, 1600), std::vector<uint8_t>{0});  // already running
    EXPECT_EQ(Send(op::kGetXYPosY, {}, 2503 + 5000), (std::vector<uint8_t>{0xF4, 0x01}));  // 500
    EXPECT_EQ(Status(12502) & status::kBusy, status::kBusy);
    EXPECT_EQ(Status(12503) & status::kBusy, 0);
    EXPECT_EQ(Send(op::kGetCounts, {}, 20000), (std::vector<uint8_t>{1, 0, 0, 0}));
    ASSERT_EQ(recorder_.moves.size(), 2u);
    const Move& mark = recorder_.moves[1];
    EXPECT_EQ(mark.kind, MoveKind::kMark);
    EXPECT_EQ(mark.t0, 2503);
    EXPECT_EQ(mark.t1, 12503);
    EXPECT_DOUBLE_EQ(mark.power, 16384 / 65535.0);
}

TEST_F(CardModel, LoopRunsUntilMaxCountsAndStopClearsTheLists) {
    LoadList({Rec(list_op::kMarkAbs, 100, 0), Rec(list_op::kMarkAbs, 0, 0),
              Rec(list_op::kSetEndOfList)});
    constexpr uint16_t kRunningOrLooping = status::kBusy | status::kLoop;
    constexpr uint16_t kRunningOrLoaded = kRunningOrLooping | status::kList1Ready;
    ASSERT_EQ(Send(op::kSetMaxCounts, {3, 0}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kStartLoop, {}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(1000000) & kRunningOrLooping, 0);  // three passes of 8 ms, then done
    EXPECT_EQ(Send(op::kGetCounts, {}, 1000000), (std::vector<uint8_t>{3, 0, 0, 0}));

    ASSERT_EQ(Send(op::kStartLoop, {}, 1000000), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kSetMaxCounts, {0, 0}, 1000000), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}, 1000000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000000) & kRunningOrLooping, kRunningOrLooping);  // loops for ever
    ASSERT_EQ(Send(op::kStopExecutionNoClear, {}, 9000000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000001) & kRunningOrLoaded, status::kList1Ready);  // stopped, list kept
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}, 9000001), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kStopExecution, {}, 9000002), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000003) & kRunningOrLoaded, 0);  // stopped, lists cleared
    EXPECT_EQ(Send(op::kExecuteList, {0, 0}, 9000003), std::vector<uint8_t>{0});
}

TEST_F(CardModel, ExternalStartAndAutChangeAndListTwo) {
    LoadList({Rec(list_op::kWaitForExternalStart), Rec(list_op::kMarkAbs, 500, 0),
              Rec(list_op::kSetEndOfList)});
    ASSERT_EQ(Send(op::kSetStartList, {1, 0}), std::vector<uint8_t>{1});
    LoadList({Rec(list_op::kMarkAbs, 500, 500), Rec(list_op::kSetEndOfList)});
    constexpr uint16_t kBothLoaded = status::kList1Ready | status::kList2Ready;
    constexpr uint16_t kWhichRuns = status::kBusy | status::kRunningList2;
    EXPECT_EQ(Status(0) & kBothLoaded, kBothLoaded);
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}, 0), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kAutChange, {}, 0), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(500000) & (kWhichRuns | status::kWaiting | status::kAutChangePending),
              status::kBusy | status::kWaiting | status::kAutChangePending);
    card_.ExternalStart(600000);
    EXPECT_EQ(Status(600000 + 1000) & kWhichRuns, status::kBusy);  // list 1 marking
    EXPECT_EQ(Status(600000 + 2500) & kWhichRuns, kWhichRuns);     // list 2 marking
    EXPECT_EQ(Status(600000 + 10000) & kWhichRuns, 0);
    EXPECT_EQ(Send(op::kGetXYPosX, {}, 700000), (std::vector<uint8_t>{0xF4, 0x01}));
    EXPECT_EQ(Send(op::kGetXYPosY, {}, 700000), (std::vector<uint8_t>{0xF4, 0x01}));
}

TEST_F(CardModel, ManualMoveTravelsOnlyInManualOperation) {
    EXPECT_EQ(Send(op::kStartManualMove, {}), std::vector<uint8_t>{0});
    ASSERT_EQ(Send(op::kStartManualOperation, {}), std::vector<uint8_t>{1});
    // 20, -10 bits per ms
    ASSERT_EQ(Send(op::kSetDXDYManual, {20, 0, 0xF6, 0xFF}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kStartLaserManually, {}, 0), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(op::kStartManualMove, {}, 0), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(op::kGetManualMove, {}, 5000), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(op::kGetXYPosX, {}, 5000), (std::vector<uint8_t>{100, 0}));
    ASSERT_EQ(Send(op::kStopManualMove, {}, 10000), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(op::kGetXYPosY, {}, 50000), (std::vector<uint8_t>{0x9C, 0xFF}));  // -100
    ASSERT_EQ(recorder_.moves.size(), 1u);
    EXPECT_EQ(recorder_.moves[0].kind, MoveKind::kMark);
    EXPECT_EQ(recorder_.moves[0].x1, 200.0);
    EXPECT_EQ(Send(op::kExecuteList, {0, 0}, 50000), std::vector<uint8_t>{0});
}

TEST_F(CardModel, TargetDiskNamesAndThe3DBlock) {
    // A 12-byte name field, then the file.
    std::vector<uint8_t> copy = {'a', '.', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 8, 9};
    EXPECT_EQ(Send(op::kCopyFileToTargetDisk, copy), std::vector<uint8_t>{1});
    std::vector<uint8_t> data;
    EXPECT_TRUE(disk_.Read("a.b", &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(Send(op::kMakeBootProgram, {'a', '.', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              std::vector<uint8_t>{1});
    // Not a correction table's size.
    EXPECT_EQ(Send(op::kLoadCorrFileFromTargetDisk, {'a', '.', 'b', 0}), std::vector<uint8_t>{0});
    // No terminator.
    EXPECT_EQ(Send(op::kDeleteFileOnTargetDisk, {'a', '.', 'b'}), std::vector<uint8_t>{0});
    EXPECT_EQ(Send(op::kDeleteFileOnTargetDisk, {'a', '.', 'b', 0}), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(op::kDeleteFileOnTargetDisk, {'a', '.', 'b', 0}), std::vector<uint8_t>{0});
    EXPECT_EQ(Send(op::kCopyFileToTargetDisk, {'.', '.', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
              std::vector<uint8_t>{0});

    std::vector<uint8_t> block(64);
    constexpr size_t kHeadAt = 60;  // the block carries its head number at offset 60
    for (size_t i = 0; i < kHeadAt; ++i) block[i] = static_cast<uint8_t>(i + 1);
    block[kHeadAt] = 3;
    EXPECT_EQ(Send(op::kSet3DParameters, block), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(op::kGet3DParameters, {3, 0, 0, 0}), block);
    std::vector<uint8_t> empty(64);
    empty[kHeadAt] = 4;
    EXPECT_EQ(Send(op::kGet3DParameters, {4, 0, 0, 0}), empty);
}

// A bitmap line packet: begin and end point, then one delay per pixel.
std::vector<uint8_t> BitmapLinePayload(int16_t x0, int16_t y0, int16_t x1, int16_t y1,
                                       const std::vector<uint16_t>& delays) {
    std::vector<uint8_t> p;
    for (const int16_t v : {x0, y0, x1, y1}) {
        p.push_back(static_cast<uint8_t>(v));
        p.push_back(static_cast<uint8_t>(uint16_t(v) >> 8));
    }
    for (const uint16_t d : delays) {
        p.push_back(static_cast<uint8_t>(d));
        p.push_back(static_cast<uint8_t>(d >> 8));
    }
    return p;
}

// The green channel (the pictures are grey here) of one PNG pixel, or -1 when unreadable.
int GreyAt(const std::string& png, int x, int y) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    int grey = -1;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        uint32_t pixel = 0;
        std::memcpy(&pixel, data + y * stride + x * 4, 4);
        grey = static_cast<int>((pixel >> 8) & 0xFF);
    }
    cairo_surface_destroy(image);
    return grey;
}

TEST(Exposure, DoseAndItsInversesFollowEnergyPerArea) {
    constexpr double kPitch = 60.0;  // a bitmap pixel 0.1 mm across at 600 bits per mm
    struct Row {
        const char* what;
        double value;
        double expected;
    };
    const Row rows[] = {
        {"black dose", proto::kBlackDose, 1.0 / 7.5},
        {"tool's defaults are black", proto::Darkness(proto::VectorDose(1.0, 250.0, 30.0)), 1.0},
        {"twice the speed, half", proto::Darkness(proto::VectorDose(1.0, 500.0, 30.0)), 0.5},
        {"half the power, half", proto::Darkness(proto::VectorDose(0.5, 250.0, 30.0)), 0.5},
        {"saturates", proto::Darkness(proto::VectorDose(1.0, 100.0, 30.0)), 1.0},
        {"a move made at once", proto::VectorDose(1.0, 0.0, 30.0), 0.0},
        {"black pixel delay", proto::DelayForInk(1.0, 1.0, kPitch), 480.0},
        {"its dose", proto::Darkness(proto::PixelDose(1.0, 480.0, kPitch)), 1.0},
        {"a quarter ink at half power", proto::DelayForInk(0.25, 0.5, kPitch), 240.0},
        {"no power, no delay helps", proto::DelayForInk(0.5, 0.0, kPitch), 0.0},
        {"power for half ink", proto::PowerForInk(0.5, 250.0, 30.0), 0.5},
        {"beyond full power", proto::PowerForInk(1.0, 500.0, 30.0), 2.0},
    };
    for (const Row& row : rows) EXPECT_NEAR(row.value, row.expected, 1e-12) << row.what;
}

// A picture of the whole field 1024 pixels across: 64 bits a pixel, picture pixel (512, 512)
// has its top-left corner at the field's centre.
constexpr int kPictureSize = 1024;
constexpr double kBitsPerPixel = 64.0;

std::string RenderToTemp(const Picture& picture, const char* name) {
    RenderOptions options;
    options.sizePx = kPictureSize;
    const std::string prefix = ::testing::TempDir() + "/" + name + std::to_string(::getpid());
    std::string error;
    EXPECT_TRUE(RenderPictures(picture, prefix, options, &error)) << error;
    std::remove((prefix + ".svg").c_str());
    return prefix + ".png";
}

TEST_F(CardModel, BitmapPixelsAreAsDarkAsTheirDoseOverTheirCell) {
    // One row of pixels a picture pixel apart, each centred on a picture pixel, with the
    // delays the tool would give these inks at full power.
    const std::vector<double> inks = {0.0, 0.125, 0.25, 0.5, 0.75, 1.0, 1.0};
    std::vector<uint16_t> delays;
    for (double ink : inks) {
        delays.push_back(static_cast<uint16_t>(proto::DelayForInk(ink, 1.0, kBitsPerPixel) + 0.5));
    }
    delays.back() = 2000;  // longer than black is no blacker
    constexpr int16_t kBegin = 32, kY = -32;
    const auto end = static_cast<int16_t>(kBegin + kBitsPerPixel * double(delays.size() - 1));
    ASSERT_EQ(Send(op::kPutBitmaplineList, BitmapLinePayload(kBegin, kY, end, kY, delays)),
              std::vector<uint8_t>{1});
    LoadList({Rec(list_op::kSetEndOfList)});
    ASSERT_EQ(Send(op::kExecuteList, {0, 0}), std::vector<uint8_t>{1});
    card_.AdvanceTo(1000000);
    const std::string png = RenderToTemp(recorder_.picture, "bitmap-line-");
    for (size_t i = 0; i < inks.size(); ++i) {
        EXPECT_NEAR(GreyAt(png, 512 + int(i), 512), std::lround(255 * (1 - inks[i])), 1) << i;
    }
    // Nothing beside the row, nor the jump to its start from the field's centre.
    EXPECT_EQ(GreyAt(png, 512, 511), 255);
    EXPECT_EQ(GreyAt(png, 511, 512), 255);
    std::remove(png.c_str());
}

TEST(Pictures, MarksAreAsDarkAsPowerSpeedAndPassesMakeThem) {
    // Twenty lines 32 bits apart, two in each picture pixel; at 234.375 bits/ms full power
    // is just black at that spacing.
    constexpr double kBlackSpeed = 234.375;
    struct Row {
        double power, speed;
        int passes;
        int grey;
    };
    const Row rows[] = {
        {1.0, kBlackSpeed, 1, 0},       {0.5, kBlackSpeed, 1, 127},   {0.25, kBlackSpeed, 2, 127},
        {0.5, 2 * kBlackSpeed, 1, 191}, {1.0, 2 * kBlackSpeed, 3, 0}, {0.0, kBlackSpeed, 1, 255},
    };
    for (const Row& row : rows) {
        Recorder recorder;
        TargetDisk disk{""};
        VirtualCard card{&recorder, &disk};
        std::vector<uint8_t> records;
        const auto add = [&](uint8_t op, int p1, int p2) {
            const auto r = Rec(op, static_cast<int16_t>(p1), static_cast<int16_t>(p2));
            records.insert(records.end(), r.begin(), r.end());
        };
        add(list_op::kWritePortList, kPowerPort, static_cast<int>(std::lround(row.power * 65535)));
        for (int pass = 0; pass < row.passes; ++pass) {
            for (int k = 0; k < 20; ++k) {
                add(list_op::kJumpAbs, -3200, 16 + 32 * k);
                add(list_op::kMarkAbs, 3200, 16 + 32 * k);
            }
        }
        add(list_op::kSetEndOfList, 0, 0);
        std::vector<uint8_t> reply;
        card.Handle(proto::Packet{op::kSetMarkSpeed, F64(row.speed), {}}, 0, &reply);
        card.Handle(proto::Packet{op::kListRecords, records, {}}, 0, &reply);
        card.Handle(proto::Packet{op::kExecuteList, {0, 0}, {}}, 0, &reply);
        card.AdvanceTo(int64_t{1} << 40);
        const std::string png = RenderToTemp(recorder.picture, "marks-");
        EXPECT_NEAR(GreyAt(png, 512, 505), row.grey, 1)
            << row.power << " at " << row.speed << " x" << row.passes;
        std::remove(png.c_str());
    }
}

}  // namespace
}  // namespace txorb::sim
