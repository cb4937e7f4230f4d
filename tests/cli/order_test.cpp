// The marking order: nearest neighbour with reversal, then 2-opt, on a grid of circles given
// in a random order, and on small cases whose best order is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "cli/fit.h"
#include "cli/ordering.h"

namespace txorb::cli {
namespace {

TEST(Order, ShortOrderAtLeastHalvesTheTravelOnAGridOfCircles) {
    // 400 circles of radius 5 on a 20 x 20 grid 50 apart, shuffled with a fixed seed.
    std::vector<std::string> circles;
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < 20; ++j) {
            circles.push_back("<circle cx='" + std::to_string(i * 50) + "' cy='" +
                              std::to_string(j * 50) +
                              "' r='5' fill='none' stroke='black' stroke-width='0.2'/>");
        }
    }
    std::mt19937 random(17);
    std::shuffle(circles.begin(), circles.end(), random);
    std::string body;
    for (const std::string& c : circles) body += c;
    const SvgReadResult r = ReadSvgText("<svg>" + body + "</svg>", "grid.svg");
    ASSERT_TRUE(r.ok);
    for (PathOrder order : {PathOrder::kInput, PathOrder::kShort}) {
        FitOptions o;
        o.order = order;
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(r.drawing, o, &job, &error)) << error;
        ASSERT_EQ(job.polylines.size(), 400u);
        if (order == PathOrder::kInput) {
            EXPECT_DOUBLE_EQ(job.jumpLength, job.jumpLengthBefore);
        } else {
            EXPECT_LE(job.jumpLength, job.jumpLengthBefore / 2);
            // Neighbours are 50 units = 3,000 bits apart in a 57,000-bit grid (each circle is
            // entered and left at the same point): a serpentine through all of them jumps
            // 399 times a neighbour's distance, plus the way in from the centre.
            EXPECT_LE(job.jumpLength, 1.25 * (399 * 3000 + 30000 * 1.415));
        }
    }
}

TEST(Order, OpenPathsAreReversedAndTakenNearestFirst) {
    using Lines = std::vector<std::vector<FieldPoint>>;
    struct Case {
        const char* what;
        Lines in;
        Lines out;
    };
    const Case cases[] = {
        {"nearest first",
         {{{100, 0}, {200, 0}}, {{10, 0}, {20, 0}}},
         {{{10, 0}, {20, 0}}, {{100, 0}, {200, 0}}}},
        {"a path whose far end is nearer runs backwards",
         {{{300, 0}, {30, 0}}},
         {{{30, 0}, {300, 0}}}},
        {"a closed loop is entered at its corner nearest the head",
         {{{100, 100}, {100, 0}, {10, 0}, {10, 100}, {100, 100}}},
         {{{10, 0}, {10, 100}, {100, 100}, {100, 0}, {10, 0}}}},
        {"a chain picked up from the end it was left at",
         {{{0, 500}, {0, 1000}}, {{0, 10}, {0, 400}}, {{0, 2000}, {0, 1100}}},
         {{{0, 10}, {0, 400}}, {{0, 500}, {0, 1000}}, {{0, 1100}, {0, 2000}}}},
    };
    for (const Case& c : cases) {
        Lines lines = c.in;
        OrderPolylines(&lines, {0, 0}, 0.1);
        EXPECT_EQ(lines, c.out) << c.what;
        EXPECT_LE(JumpTravel(lines, {0, 0}), JumpTravel(c.in, {0, 0})) << c.what;
    }
}

}  // namespace
}  // namespace txorb::cli
