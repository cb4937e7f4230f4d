// Polyline segmentation: micro-segment cuts, corner factors, the velocity plan and the records
// a captured list is rewritten into (before the replay sends them).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "list/segmentation.h"
#include "list/vector_capture.h"

namespace txorb {
namespace {

using Rec = std::tuple<int, int, int>;

// The records as the replay rounds them (nearest, halves up).
std::vector<Rec> Rounded(const std::vector<list::VectorRecord>& records) {
    std::vector<Rec> out;
    for (const auto& r : records) {
        out.emplace_back(r.opcode, static_cast<int>(std::floor(r.x + 0.5)),
                         static_cast<int>(std::floor(r.y + 0.5)));
    }
    return out;
}

struct Vec {
    uint8_t opcode;
    int16_t x, y;
};

// A capture with mark step 10/100 (S = 10,000), the given tuning, and these recorded vectors.
std::vector<Rec> Rewrite(const std::vector<Vec>& vectors, double leadIn = 0, double leadOut = 0,
                         double slope = 1000000, uint16_t M = 20) {
    list::VectorCapture capture;
    capture.ApplyMode(0x200);
    capture.NoteMarkParameters(10, 100);
    capture.NoteJumpParameters(5, 7);
    capture.SetCustlistParameters(leadIn, leadOut, slope, M);
    for (const Vec& v : vectors) capture.CaptureVector(v.opcode, v.x, v.y);
    capture.ProcessCapturedList();
    return Rounded(capture.OutputRecords());
}

constexpr int kOpen0 = 11651, kOpen56 = 36512, kOpen90 = 65535, kShut69 = 44564, kShut0 = 0;

// The records of the straight polyline (-10000,0) -> (0,0) -> (10000,0) with S = 10,000,
// sigma = 1,000,000 and M = 20: ramps of 50 at both ends.
const std::vector<Rec> kStraightLine = {
    {135, 40, kOpen56}, {116, 32, 100},    {2, -9980, 0},      {135, 40, kOpen90},
    {116, 12, 100},     {1, -9950, 0},     {116, 10, 100},     {1, 0, 0},
    {116, 10, 100},     {1, 9950, 0},      {135, 40, kShut69}, {116, 11, 100},
    {1, 9970, 0},       {135, 40, kShut0}, {116, 26, 100},     {3, 10000, 0},
};

std::vector<Rec> Concat(std::initializer_list<std::vector<Rec>> parts) {
    std::vector<Rec> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

const std::vector<Rec> kJumpToStart = {{135, 40, kOpen0}, {145, 5, 7}, {9, -10000, 0}};
const std::vector<Rec> kPowerOff = {{135, 40, 0}};

struct Tuning {
    double leadIn = 0, leadOut = 0, slope = 1000000;
    uint16_t M = 20;
};
const Tuning kUnramped = {0, 0, 1000000, 0};

TEST(Segmentation, CapturedListsAreRewrittenRecordForRecord) {
    const std::vector<Vec> straight = {{9, -10000, 0}, {2, 0, 0}, {3, 10000, 0}, {16, 0, 0}};
    const std::vector<Vec> withRepeat = {{9, -10000, 0},  {2, 0, 0},     {1, 0, 0},
                                         {1, 5000, 5000}, {3, 10000, 0}, {16, 0, 0}};
    // The repeated vertex draws nothing.
    const std::vector<Rec> unramped = Concat(
        {kJumpToStart, {{116, 10, 100}, {2, 0, 0}, {1, 5000, 5000}, {3, 10000, 0}}, kPowerOff});
    const struct {
        const char* name;
        std::vector<Vec> vectors;
        Tuning tuning;
        std::vector<Rec> records;
    } cases[] = {
        {"empty", {{16, 0, 0}}, {}, kPowerOff},
        // No mark is invented from the jump target back to the origin.
        {"lone jump",
         {{9, -100, 50}, {16, 0, 0}},
         {},
         {{135, 40, kOpen0}, {145, 5, 7}, {9, -100, 50}, {135, 40, 0}}},
        {"lone PolB", {{1, 300, 300}, {16, 0, 0}}, {}, kPowerOff},
        // The end of the list closes the polyline at its last vertex, not at the origin.
        {"unclosed",
         {{9, -10000, 0}, {2, 0, 0}, {1, 10000, 0}, {16, 0, 0}},
         {},
         Concat({kJumpToStart, kStraightLine, kPowerOff})},
        // Relative polylines and jumps use their coordinates as positions.
        {"relative",
         {{7, -10000, 0}, {4, 0, 0}, {3, 10000, 0}, {16, 0, 0}},
         {},
         Concat({{{135, 40, kOpen0}, {145, 5, 7}, {7, -10000, 0}}, kStraightLine, kPowerOff})},
        // Dot polylines and jump-list resets are recorded but leave nothing.
        {"dropped",
         {{30, 5, 5}, {193, 1, 1}, {194, 2, 2}, {195, 3, 3}, {51, 4, 4}, {16, 0, 0}},
         {},
         kPowerOff},
        // M = 200: each ramp of 50 is shorter than M/2 and still ends exactly at its vertex.
        {"short ramps",
         straight,
         {0, 0, 1000000, 200},
         Concat({kJumpToStart,
                 {{135, 40, kOpen90},
                  {116, 20, 100},
                  {2, -9950, 0},
                  {116, 10, 100},
                  {1, 0, 0},
                  {116, 10, 100},
                  {1, 9950, 0},
                  {135, 40, kShut0},
                  {116, 20, 100},
                  {3, 10000, 0}},
                 kPowerOff})},
        {"slope below 0", withRepeat, {0, 0, -3.0, 20}, unramped},
        {"slope not a number", withRepeat, {0, 0, std::nan(""), 20}, unramped},
        {"no micro-segment", withRepeat, kUnramped, unramped},
        // The second polyline's first vertex is where the first one ended: a segment of length
        // 0 that draws nothing.
        {"polyline after polyline",
         {{9, -10000, 0}, {2, 0, 0}, {3, 10000, 0}, {2, 10000, 0}, {3, 0, 5000}, {16, 0, 0}},
         kUnramped,
         Concat({kJumpToStart,
                 {{116, 10, 100}, {2, 0, 0}, {3, 10000, 0}},
                 {{116, 10, 100}, {3, 0, 5000}},
                 kPowerOff})},
        // Lead-in far above what the slope allows: the planned ramps would leave the field, so
        // the polyline falls back to plain marks instead of drawing past its vertices.
        {"extreme tuning",
         {{9, 0, 0}, {2, 100, 0}, {3, 100, 100}, {16, 0, 0}},
         {1e12, 0, 1e-6, 1},
         Concat({{{135, 40, kOpen90}, {145, 5, 7}, {9, 0, 0}},
                 {{116, 10, 100}, {2, 100, 0}, {3, 100, 100}},
                 kPowerOff})},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const Tuning& t = c.tuning;
        EXPECT_EQ(Rewrite(c.vectors, t.leadIn, t.leadOut, t.slope, t.M), c.records) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.name;
    }
}

TEST(Segmentation, MicroSegmentCuts) {
    const double M = 20;
    const struct {
        double total;
        std::vector<std::pair<double, double>> pieces;
    } cases[] = {
        {2.4 * M, {{0, M}, {M, 2.4 * M}}},
        {2.6 * M, {{0, M}, {M, 2 * M}, {2 * M, 2.6 * M}}},
        {0.75 * M, {{0, 0.75 * M}}},
        {1.5 * M, {{0, 1.5 * M}}},
        {0.5 * M, {}},  // the regular cut leaves such a ramp out; the emitter covers it
    };
    for (const auto& c : cases) {
        std::vector<std::pair<double, double>> got;
        double s0, s1;
        for (int k = 0; k < 10 && list::NextMicroSegment(k, c.total, M, &s0, &s1); ++k) {
            got.emplace_back(s0, s1);
        }
        EXPECT_EQ(got, c.pieces) << c.total;
    }
}

TEST(Segmentation, CornerGeometry) {
    const double dpr = list::VectorCapture().DegreesPerRadian();
    EXPECT_EQ(dpr, 57.29577951308232);
    const struct {
        double px, py, qx, qy, rx, ry;
        double angle;
        double factor;
    } cases[] = {
        {0, 0, 10, 0, 20, 0, 180.0, 1.0},
        {0, 0, 10, 0, 10, 10, 90.0, 0.7071067854885726},  // not sqrt(1/2)
        {0, 0, 10, 0, 0, 0, 0.0, 1.2167964475066282e-08},
        {0, 0, 0, 0, 10, 0, 0.0, 1.2167964475066282e-08},  // coincident points
        {0, 0, 10, 0, 20, 0.001, 180.0, 1.0},              // within the straight tolerance
    };
    for (const auto& c : cases) {
        list::PolylineVertex p, q, r;
        p.x = c.px, p.y = c.py, q.x = c.qx, q.y = c.qy, r.x = c.rx, r.y = c.ry;
        const double angle = list::VertexAngle(p, q, r, dpr);
        EXPECT_NEAR(angle, c.angle, 1e-9) << c.qx << "," << c.ry;
        EXPECT_DOUBLE_EQ(list::CornerFactor(c.angle), c.factor) << c.angle;
    }
}

TEST(Segmentation, PlanEndsOnAnyInput) {
    // A zig-zag with every corner sharp, and lead values that are not numbers at all.
    std::vector<list::VectorRecord> captured = {{2, 0, 0}};
    for (int i = 1; i < 2000; ++i) {
        captured.push_back({1, static_cast<double>(i * 7 % 301), static_cast<double>(i % 2 * 90)});
    }
    captured.push_back({3, 5, 5});
    const int32_t n = list::CountPolylineVertices(captured, 0);
    ASSERT_EQ(n, 2001);
    std::vector<list::PolylineVertex> vx;
    list::BuildPolylineVertices(captured, 0, n, 0, 0, 57.29577951308232, vx);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    const struct {
        double S, sigma, in, out;
    } cases[] = {
        {10000, 1000000, 0, 0},     {0.1, 10, 0.0001, 0.0002}, {10000, 1000000, nan, nan},
        {10000, 1000000, inf, inf}, {nan, nan, 0, 0},          {10000, inf, 0.5, 0.5},
        {10000, 1e-300, 0, 0},
    };
    for (const auto& c : cases) {
        const int rounds = list::PlanVelocities(vx, n, list::Kinematics{c.S, c.sigma}, c.in, c.out);
        EXPECT_LE(rounds, 4) << c.S << " " << c.sigma << " " << c.in;
        EXPECT_GE(rounds, 1);
    }
}

}  // namespace
}  // namespace txorb
