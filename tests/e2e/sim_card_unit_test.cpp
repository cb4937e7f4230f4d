// The card model in simulated time: replies byte for byte, list execution, loops, stops and
// manual moves.
#include <gtest/gtest.h>

#include <cstring>

#include "proto/packet.h"
#include "target_disk.h"
#include "virtual_card.h"

namespace txorb::sim {
namespace {

class Recorder : public MoveSink {
public:
    void OnMove(const Move& move) override { moves.push_back(move); }
    std::vector<Move> moves;
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
        ASSERT_EQ(Send(156, payload, nowUs), std::vector<uint8_t>{1});
    }
    uint16_t Status(int64_t nowUs) {
        const auto r = Send(34, {}, nowUs);
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
        {177, {}, {1}},
        {115, {}, {1}},
        {175, {}, {}},
        {166, {1, 0, 2, 0}, {}},
        {93, F64(250.0), {1}},
        {93, {1, 2}, {0}},  // wrong payload size: not executed
        {119, {}, F64(250.0)},
        {118, {}, F64(1000.0)},
        {34, {}, {0x04 >> 2 & 0, 0x02}},
        {82, {}, {0x00, 0x02}},
        {84, {}, {0x01, 0x01}},
        {173, {}, {0x52, 0x4F, 0x58, 0x54}},
        {176, {}, {0xFF, 0x03}},
        {224, {}, {2, 0}},
        {143, {}, {1, 0}},
        {42, {}, {0, 0, 0, 0}},
        {132, {}, {0}},
        {113, {5, 0, 0x34, 0x12}, {1}},
        {114, {5, 0}, {0x34, 0x12}},
        {80, {40, 0}, {0xFF, 0xFF}},
        {74, {0x00, 0x04}, {0}},  // a mode bit the card does not have
        {74, {0x00, 0x02}, {1}},
        {65, {0, 0}, {0}},  // nothing loaded
        {65, {2, 0}, {0}},
        {67, {2, 0}, {0}},
        {120, {}, {1, 0}},  // after Goto_XY_Ex (1, 2)
        {129, {}, {2, 0}},
        {68, std::vector<uint8_t>(25349), {0}},
        {68, std::vector<uint8_t>(25350), {1}},
        {148, {5, 0, 0, 0}, {0}},
        {250, {}, {0}},  // unknown opcode
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Send(row.op, row.payload), row.reply) << int(row.op);
    }
}

TEST_F(CardModel, AListRunsInSimulatedTimeAndThePositionFollowsIt) {
    ASSERT_EQ(Send(35, [] {
                  auto b = F64(2000.0);
                  auto m = F64(100.0);
                  b.insert(b.end(), m.begin(), m.end());
                  return b;
              }()),
              std::vector<uint8_t>{1});
    // Every record costs at least 1 us: the two delay records run at 1000 and 1001, the jump
    // of 2000 bits takes 1 ms from 1002, then the jump delay of 50 x 10 us, the port write
    // 1 us, and the mark of 1000 bits at 100 bits/ms 10 ms from 2503.
    LoadList({Rec(32, 0, 0), Rec(26, 10, 50), Rec(9, 2000, 0), Rec(135, 40, 16384),
              Rec(10, 2000, 1000), Rec(16)});
    EXPECT_EQ(Status(0) & 0x0005, 0x0004);  // list 1 loaded, not running
    ASSERT_EQ(Send(65, {0, 0}, 1000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(1502) & 0x0001, 0x0001);
    EXPECT_EQ(Send(120, {}, 1502), (std::vector<uint8_t>{0xE8, 0x03}));  // half way: 1000
    EXPECT_EQ(Send(65, {0, 0}, 1600), std::vector<uint8_t>{0});          // already running
    EXPECT_EQ(Send(129, {}, 2503 + 5000), (std::vector<uint8_t>{0xF4, 0x01}));
    EXPECT_EQ(Status(12502) & 0x0001, 0x0001);
    EXPECT_EQ(Status(12503) & 0x0001, 0x0000);
    EXPECT_EQ(Send(42, {}, 20000), (std::vector<uint8_t>{1, 0, 0, 0}));
    ASSERT_EQ(recorder_.moves.size(), 2u);
    const Move& mark = recorder_.moves[1];
    EXPECT_EQ(mark.kind, MoveKind::kMark);
    EXPECT_EQ(mark.t0, 2503);
    EXPECT_EQ(mark.t1, 12503);
    EXPECT_DOUBLE_EQ(mark.power, 16384 / 65535.0);
}

TEST_F(CardModel, LoopRunsUntilMaxCountsAndStopClearsTheLists) {
    LoadList({Rec(10, 100, 0), Rec(10, 0, 0), Rec(16)});
    ASSERT_EQ(Send(73, {3, 0}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(37, {}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(65, {0, 0}), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(1000000) & 0x0003, 0x0000);  // three passes of 8 ms, then done
    EXPECT_EQ(Send(42, {}, 1000000), (std::vector<uint8_t>{3, 0, 0, 0}));

    ASSERT_EQ(Send(37, {}, 1000000), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(73, {0, 0}, 1000000), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(65, {0, 0}, 1000000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000000) & 0x0003, 0x0003);  // loops for ever
    ASSERT_EQ(Send(47, {}, 9000000), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000001) & 0x0007, 0x0004);  // stopped, list kept
    ASSERT_EQ(Send(65, {0, 0}, 9000001), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(36, {}, 9000002), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(9000003) & 0x0007, 0x0000);  // stopped, lists cleared
    EXPECT_EQ(Send(65, {0, 0}, 9000003), std::vector<uint8_t>{0});
}

TEST_F(CardModel, ExternalStartAndAutChangeAndListTwo) {
    LoadList({Rec(153), Rec(10, 500, 0), Rec(16)});
    ASSERT_EQ(Send(67, {1, 0}), std::vector<uint8_t>{1});
    LoadList({Rec(10, 500, 500), Rec(16)});
    EXPECT_EQ(Status(0) & 0x000C, 0x000C);
    ASSERT_EQ(Send(65, {0, 0}, 0), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(78, {}, 0), std::vector<uint8_t>{1});
    EXPECT_EQ(Status(500000) & 0x0831, 0x0821);  // busy, waiting, change pending
    card_.ExternalStart(600000);
    EXPECT_EQ(Status(600000 + 1000) & 0x0011, 0x0001);   // list 1 marking
    EXPECT_EQ(Status(600000 + 2500) & 0x0011, 0x0011);   // list 2 marking
    EXPECT_EQ(Status(600000 + 10000) & 0x0011, 0x0000);
    EXPECT_EQ(Send(120, {}, 700000), (std::vector<uint8_t>{0xF4, 0x01}));
    EXPECT_EQ(Send(129, {}, 700000), (std::vector<uint8_t>{0xF4, 0x01}));
}

TEST_F(CardModel, ManualMoveTravelsOnlyInManualOperation) {
    EXPECT_EQ(Send(103, {}), std::vector<uint8_t>{0});
    ASSERT_EQ(Send(99, {}), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(94, {20, 0, 0xF6, 0xFF}), std::vector<uint8_t>{1});  // 20, -10 per ms
    ASSERT_EQ(Send(101, {}, 0), std::vector<uint8_t>{1});
    ASSERT_EQ(Send(103, {}, 0), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(132, {}, 5000), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(120, {}, 5000), (std::vector<uint8_t>{100, 0}));
    ASSERT_EQ(Send(104, {}, 10000), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(129, {}, 50000), (std::vector<uint8_t>{0x9C, 0xFF}));  // -100
    ASSERT_EQ(recorder_.moves.size(), 1u);
    EXPECT_EQ(recorder_.moves[0].kind, MoveKind::kMark);
    EXPECT_EQ(recorder_.moves[0].x1, 200.0);
    EXPECT_EQ(Send(65, {0, 0}, 50000), std::vector<uint8_t>{0});
}

TEST_F(CardModel, TargetDiskNamesAndThe3DBlock) {
    std::vector<uint8_t> copy = {'a', '.', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 8, 9};
    EXPECT_EQ(Send(144, copy), std::vector<uint8_t>{1});
    std::vector<uint8_t> data;
    EXPECT_TRUE(disk_.Read("a.b", &data));
    EXPECT_EQ(data, (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(Send(137, {'a', '.', 'b', 0, 0, 0, 0, 0, 0, 0, 0, 0}), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(149, {'a', '.', 'b', 0}), std::vector<uint8_t>{0});  // not 25350 bytes
    EXPECT_EQ(Send(158, {'a', '.', 'b'}), std::vector<uint8_t>{0});     // no terminator
    EXPECT_EQ(Send(158, {'a', '.', 'b', 0}), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(158, {'a', '.', 'b', 0}), std::vector<uint8_t>{0});
    EXPECT_EQ(Send(144, {'.', '.', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), std::vector<uint8_t>{0});

    std::vector<uint8_t> block(64);
    for (size_t i = 0; i < 60; ++i) block[i] = static_cast<uint8_t>(i + 1);
    block[60] = 3;
    EXPECT_EQ(Send(220, block), std::vector<uint8_t>{1});
    EXPECT_EQ(Send(221, {3, 0, 0, 0}), block);
    std::vector<uint8_t> empty(64);
    empty[60] = 4;
    EXPECT_EQ(Send(221, {4, 0, 0, 0}), empty);
}

}  // namespace
}  // namespace txorb::sim
