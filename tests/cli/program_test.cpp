// The list a plan becomes, without a card: polylines as a jump and PolA..PolC, one-move lines
// given a middle, each layer's power and speed before its marks and its passes, a list per
// layer with ramps, bitmap lines after each layer's polylines, the end, and the records the
// library is handed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
        // Full power (65535 on port 40) at 250 bits/ms (100-bit steps every 400 µs) first.
        std::vector<ListCommand> expected = {{Op::kPower, 40, 65535},
                                             {Op::kMarkParameters, 400, 100}};
        if (c.commands.empty()) expected.clear();  // a layer that marks nothing gives nothing
        expected.insert(expected.end(), c.commands.begin(), c.commands.end());
        expected.push_back({Op::kEnd, 0, 0});
        EXPECT_EQ(BuildListProgram(plan, {}).commands, expected) << c.what;
    }
}

TEST(Program, EachLayerGivesItsPowerAndSpeedThenItsMarksPassesTimes) {
    MarkPlan plan;
    plan.layers.resize(4);
    // 40 % at 800 bits/ms twice; skipped; full power at 250 bits/ms with a picture; nothing.
    plan.layers[0].settings = {LayerMode::kFill, 40, 800, 2, 30, 0, false};
    plan.layers[0].polylines = {{{0, 0}, {100, 0}, {100, 100}}};
    plan.layers[1].settings.mode = LayerMode::kSkip;
    plan.layers[1].polylines = {{{1, 1}, {2, 2}, {3, 3}}};
    const BitmapLine row{{0, 0}, {9, 0}, std::vector<uint16_t>(10, 50)};
    plan.layers[2].polylines = {{{5, 5}, {6, 6}, {7, 7}}};
    plan.layers[2].bitmapLines = {row};
    const std::vector<ListCommand> first = {
        {Op::kJump, 0, 0}, {Op::kPolA, 100, 0}, {Op::kPolC, 100, 100}};
    const std::vector<ListCommand> third = {
        {Op::kJump, 5, 5}, {Op::kPolA, 6, 6}, {Op::kPolC, 7, 7}, {Op::kBitmapLine, 0, 0}};
    // Power levels: floor(p / 100 * 65535 + 0.5); step periods: 100 bits * 1000 / speed, in µs.
    std::vector<ListCommand> expected = {{Op::kPower, 40, 26214}, {Op::kMarkParameters, 125, 100}};
    for (int pass = 0; pass < 2; ++pass)
        expected.insert(expected.end(), first.begin(), first.end());
    expected.insert(expected.end(), {{Op::kPower, 40, 65535}, {Op::kMarkParameters, 400, 100}});
    expected.insert(expected.end(), third.begin(), third.end());
    expected.push_back({Op::kEnd, 0, 0});
    const ListProgram plain = BuildListProgram(plan, {});
    EXPECT_EQ(plain.commands, expected);
    EXPECT_EQ(plain.bitmapLines, std::vector<BitmapLine>{row});
    // Every command is a record but the bitmap line, a packet of its own.
    EXPECT_EQ(plain.Records(), 14u);

    // With ramps a list per layer, opened by Set_Delays (T3 = min(65535, floor(p / 100 *
    // 65536 + 0.5))) and the jump speed (1000 bits/ms: every 100 µs), closed by its end.
    ProgramOptions ramps{true, 1000.0, {1, 2, 3, 4, 5, 6, 7}};
    const ListProgram lists = BuildListProgram(plan, ramps);
    const std::vector<ListCommand> head = {{Op::kDelays, 0, 0},
                                           {Op::kPower, 40, 26214},
                                           {Op::kMarkParameters, 125, 100},
                                           {Op::kJumpParameters, 100, 100}};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), lists.commands.begin()));
    EXPECT_EQ(lists.delays,
              (std::vector<std::array<uint16_t, 9>>{{125, 1, 2, 3, 4, 5, 6, 7, 26214},
                                                    {400, 1, 2, 3, 4, 5, 6, 7, 65535}}));
    const ListCommand end{Op::kEnd, 0, 0};
    EXPECT_EQ(lists.commands.at(head.size() + 2 * first.size()), end);  // after layer 0's passes
    EXPECT_EQ(std::count(lists.commands.begin(), lists.commands.end(), end), 2);
    // Two Set_Delays of five records, a jump speed each and one end more.
    EXPECT_EQ(lists.Records(), plain.Records() + 2 * (5 + 1) + 1);
    EXPECT_EQ(BuildListProgram({}, ramps).commands, (std::vector<ListCommand>{{Op::kEnd, 0, 0}}));

    // The power scale's ends and the slowest step.
    EXPECT_EQ(RampPowerScale(100), 65535);
    EXPECT_EQ(RampPowerScale(50), 32768);
    plan.layers = {plan.layers[0]};
    plan.layers[0].settings.speed = 0.001;  // would step every 100 s: stops at 65535 µs
    EXPECT_EQ(BuildListProgram(plan, {}).commands.at(1),
              (ListCommand{Op::kMarkParameters, 65535, 100}));
}

}  // namespace
}  // namespace txorb::drawing
