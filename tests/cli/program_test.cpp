// The list a plan becomes, without a card: polylines as a jump and PolA..PolC, one-move lines
// given a middle, the ramps' speed records, bitmap lines after each layer's polylines, the end,
// and the records the library is handed.
#include <gtest/gtest.h>

#include <vector>

#include "drawing/program/list_program.h"

namespace txorb::drawing {
namespace {

using Op = ListOp;

TEST(Program, PolylinesBecomeAJumpAndPolAToPolC) {
    const struct {
        const char* what;
        Polyline line;
        std::vector<ListCommand> commands;  // before the end
    } cases[] = {
        {"three moves",
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}},
         {{Op::kJump, 0, 0}, {Op::kPolA, 10, 0}, {Op::kPolB, 10, 10}, {Op::kPolC, 0, 10}}},
        {"two moves: no PolB",
         {{1, 2}, {3, 4}, {5, 6}},
         {{Op::kJump, 1, 2}, {Op::kPolA, 3, 4}, {Op::kPolC, 5, 6}}},
        // One move is cut at its middle (rounded towards zero) so that it opens and closes.
        {"one move: its middle first",
         {{-10, 0}, {5, 20}},
         {{Op::kJump, -10, 0}, {Op::kPolA, -2, 10}, {Op::kPolC, 5, 20}}},
        {"one move too short to cut: its end twice",
         {{0, 0}, {1, 0}},
         {{Op::kJump, 0, 0}, {Op::kPolA, 1, 0}, {Op::kPolC, 1, 0}}},
        {"a line of one point marks nothing", {{7, 7}}, {}},
    };
    for (const auto& c : cases) {
        MarkPlan plan;
        plan.layers.push_back({});
        plan.layers[0].polylines = {c.line};
        std::vector<ListCommand> expected = c.commands;
        expected.push_back({Op::kEnd, 0, 0});
        EXPECT_EQ(BuildListProgram(plan, {}).commands, expected) << c.what;
    }
}

TEST(Program, RampsSpeedRecordsBitmapLinesAndTheRecordCount) {
    MarkPlan plan;
    plan.layers.resize(2);
    plan.layers[0].polylines = {{{0, 0}, {100, 0}, {100, 100}}};
    const BitmapLine row{{0, 0}, {9, 0}, std::vector<uint16_t>(10, 50)};
    plan.layers[0].bitmapLines = {row};
    plan.layers[1].polylines = {{{5, 5}, {6, 6}, {7, 7}}};
    // 250 and 1000 bits/ms as 100-bit steps: every 400 and 100 µs.
    const ListProgram ramps = BuildListProgram(plan, {true, 250.0, 1000.0});
    const std::vector<ListCommand> expected = {{Op::kMarkParameters, 400, 100},
                                               {Op::kJumpParameters, 100, 100},
                                               {Op::kJump, 0, 0},
                                               {Op::kPolA, 100, 0},
                                               {Op::kPolC, 100, 100},
                                               {Op::kBitmapLine, 0, 0},
                                               {Op::kJump, 5, 5},
                                               {Op::kPolA, 6, 6},
                                               {Op::kPolC, 7, 7},
                                               {Op::kEnd, 0, 0}};
    EXPECT_EQ(ramps.commands, expected);
    EXPECT_EQ(ramps.bitmapLines, std::vector<BitmapLine>{row});
    // Every command is a record but the bitmap line, a packet of its own.
    EXPECT_EQ(ramps.Records(), 9u);
    EXPECT_EQ(BuildListProgram(plan, {}).Records(), 7u);
    // A speed of 0.001 bits/ms would step every 100 s: the period stops at 65535 µs.
    EXPECT_EQ(BuildListProgram({}, {true, 0.001, 1e9}).commands.at(0),
              (ListCommand{Op::kMarkParameters, 65535, 100}));
    EXPECT_EQ(BuildListProgram({}, {true, 0.001, 1e9}).commands.at(1),
              (ListCommand{Op::kJumpParameters, 1, 100}));
    // Set_Delays is five records.
    ListProgram delays;
    delays.commands = {{Op::kDelays, 0, 0}, {Op::kPower, 40, 100}, {Op::kEnd, 0, 0}};
    EXPECT_EQ(delays.Records(), 7u);
}

}  // namespace
}  // namespace txorb::drawing
