// Planning, on drawings built here as the readers hand them over: placement in the field,
// flattening, hatching, skipped and pale paint, outlines and bands, clips, dashes and the order
// of paths. What later paint covers, blends or leaves of a fill, picture or line, the
// compositor's tests show (tests/plan).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "drawing/plan/ordering.h"
#include "drawing/plan/plan.h"

namespace txorb::drawing {
namespace {

const Colour kBlack{}, kWhite{255, 255, 255}, kRed{255, 0, 0};

Subpath Poly(std::vector<Point> points, bool closed = false) {
    Subpath p;
    p.start = points.front();
    for (size_t i = 1; i < points.size(); ++i) p.LineTo(points[i]);
    if (closed) p.Close();
    return p;
}

Subpath Rect(double x, double y, double w, double h) {
    return Poly({{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, true);
}

Item Filled(std::vector<Subpath> outline, Colour c = kBlack, double opacity = 1.0,
            FillRule rule = FillRule::kNonZero) {
    Item item;
    item.outline = std::move(outline);
    item.fill = Fill{rule, c, opacity};
    return item;
}

Item Stroked(std::vector<Subpath> outline, double width, Colour c = kBlack,
             std::vector<double> dashes = {}, double offset = 0.0) {
    Item item;
    item.outline = std::move(outline);
    item.stroke = Stroke{width, c, 1.0, LineCap::kButt, LineJoin::kMiter, 4.0, dashes, offset};
    return item;
}

Drawing Of(std::vector<Item> items, std::vector<Clip> clips = {}) {
    Drawing d;
    d.items = std::move(items);
    d.clips = std::move(clips);
    for (uint32_t i = 0; i < d.clips.size(); ++i) d.items[0].clips.push_back(i);
    return d;
}

using Tweak = std::function<void(PlanOptions*)>;

// Outlines only, in the drawing's order, on a field `field` bits wide: the placement alone.
PlanOptions Outlines(double field, const Tweak& tweak = nullptr) {
    PlanOptions o;
    o.fieldBits = field, o.hatch.fill = false, o.order = PathOrder::kInput;
    if (tweak) tweak(&o);
    return o;
}

// A 100-unit square at field 1000 covers -500..500 bits; hatch lines 100 bits apart lie at
// y = +-50, +-150, ... +-450: ten lines across it.
PlanOptions Square(const Tweak& tweak = nullptr) {
    PlanOptions o;
    o.fieldBits = 1000, o.hatch.spacing = 100, o.order = PathOrder::kInput;
    if (tweak) tweak(&o);
    return o;
}

MarkPlan Plan(const Drawing& d, const PlanOptions& o) {
    MarkPlan plan;
    std::string error;
    EXPECT_TRUE(PlanDrawing(d, o, &plan, &error)) << error;
    return plan;
}

std::vector<Polyline> Lines(const MarkPlan& plan) {
    std::vector<Polyline> out;
    for (const PlanLayer& l : plan.layers)
        out.insert(out.end(), l.polylines.begin(), l.polylines.end());
    return out;
}

std::string Points(const MarkPlan& plan) {
    std::string out;
    for (const Polyline& line : Lines(plan)) {
        out += out.empty() ? "" : " |";
        for (const FieldPoint p : line)
            out += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    }
    return out;
}

// What is marked, measured: h and v straight moves along x and y, len their length along x,
// mid the horizontal moves across x = 0, n polylines.
std::map<std::string, long> Measure(const MarkPlan& plan) {
    std::map<std::string, long> m{{"h", 0}, {"v", 0}, {"len", 0}, {"mid", 0}};
    m["n"] = static_cast<long>(Lines(plan).size());
    for (const Polyline& line : Lines(plan)) {
        for (size_t i = 1; i < line.size(); ++i) {
            const FieldPoint a = line[i - 1], b = line[i];
            if (a.y == b.y) {
                m["h"]++, m["len"] += std::abs(a.x - b.x);
                m["mid"] += std::min(a.x, b.x) < 0 && std::max(a.x, b.x) > 0;
            }
            m["v"] += a.x == b.x;
        }
    }
    return m;
}

// The measures `expected` names ("h=10 len=10000"), as measured.
std::string Measured(const MarkPlan& plan, const std::string& expected) {
    const auto m = Measure(plan);
    std::istringstream in(expected);
    std::string out, word;
    while (in >> word) {
        const std::string key = word.substr(0, word.find('='));
        out += (out.empty() ? "" : " ") + key + "=" + std::to_string(m.at(key));
    }
    return out;
}

TEST(Plan, PlacesTheDrawingInTheField) {
    const Drawing tall = Of({Stroked({Poly({{0, 0}, {10, 40}})}, 1)});
    Drawing page = Of({Stroked({Poly({{0, 0}, {10, 0}})}, 1)});  // on the left of a 100 x 50 page
    page.page = PageBox{0, 0, 100, 50};
    auto onPage = [](int rotate, char mirror, double dx = 0, double dy = 0) -> Tweak {
        return [=](PlanOptions* o) {
            o->mode = FitMode::kPage, o->rotate = rotate, o->mirror = mirror;
            o->offsetX = dx, o->offsetY = dy;
        };
    };
    const struct {
        Drawing drawing;
        PlanOptions options;
        const char* points;
    } cases[] = {
        // Wide: its width fills the field, centred, y up.
        {Of({Stroked({Rect(100, 100, 100, 50)}, 1)}), Outlines(1000),
         " -500,250 500,250 500,-250 -500,-250 -500,250"},
        {tall, Outlines(1000), " -125,500 125,-500"},
        {tall, Outlines(1000, [](PlanOptions* o) { o->flipY = false; }), " -125,-500 125,500"},
        {Of({Stroked({Poly({{0, 0}, {1, 0}})}, 1)}), Outlines(65535), " -32767,0 32767,0"},
        // Moves under a bit vanish; a path of one point is dropped.
        {Of({Stroked({Poly({{0, 0}, {0.0001, 0}, {10, 0}})}, 1),
             Stroked({Poly({{5, 5}, {5.0001, 5}})}, 1)}),
         Outlines(100), " -50,25 50,25"},
        // What a clip cuts off does not count; the order is kept (the clipper hands the cut
        // line back from its other end).
        {Of({Stroked({Poly({{0, 0}, {100, 0}})}, 1), Stroked({Poly({{0, 10}, {10, 10}})}, 1)},
            {{{{{Rect(0, 0, 10, 10)}}}}}),
         Outlines(100), " 50,50 -50,50 | -50,-50 50,-50"},
        {page, Outlines(1000), " -500,0 500,0"},
        {page, Outlines(1000, onPage(0, 0)), " -500,250 -400,250"},
        {page, Outlines(1000, onPage(90, 0)), " 250,500 250,400"},  // clockwise
        {page, Outlines(1000, onPage(180, 0)), " 500,-250 400,-250"},
        {page, Outlines(1000, onPage(270, 0)), " -250,-500 -250,-400"},
        {page, Outlines(1000, onPage(0, 'x')), " 500,250 400,250"},
        {page, Outlines(1000, onPage(0, 'y')), " -500,-250 -400,-250"},
        {page, Outlines(1000, onPage(90, 0, 100, -50)), " 350,450 350,350"},  // moved last
    };
    for (const auto& c : cases) EXPECT_EQ(Points(Plan(c.drawing, c.options)), c.points) << c.points;
}

TEST(Plan, CountsFlattensAndRefuses) {
    const MarkPlan plan = Plan(Of({Stroked({Poly({{0, 0}, {30, 0}, {30, 40}})}, 1),
                                   Stroked({Poly({{0, 40}, {0, 0}})}, 1)}),
                               Outlines(40, [](PlanOptions* o) { o->flipY = false; }));
    EXPECT_EQ(Points(plan), " -15,-20 15,-20 15,20 | -15,20 -15,-20");
    EXPECT_EQ(plan.MarkMoves(), 3u);
    EXPECT_DOUBLE_EQ(plan.layers.at(0).stats.markLength, 30 + 40 + 40);
    EXPECT_DOUBLE_EQ(plan.jumpLength, 25 + 30);  // from the centre, then 15,20 to -15,20
    // A circle of radius 1 at field 20000 is 10000 bits round: every chord's middle stays
    // within the tolerance (and half a bit of rounding at each end) of it.
    Subpath circle;
    circle.start = {1, 0};
    circle.ArcTo(1, 1, 0, false, true, {-1, 0});
    circle.ArcTo(1, 1, 0, false, true, {1, 0});
    circle.closed = true;
    for (const double tolerance : {0.5, 2.0, 8.0}) {
        const auto set = [&](PlanOptions* o) { o->toleranceBits = tolerance; };
        const Polyline line = Lines(Plan(Of({Stroked({circle}, 1)}), Outlines(20000, set))).at(0);
        double worst = 0;
        for (size_t i = 1; i < line.size(); ++i) {
            worst = std::max(worst, std::fabs(std::hypot((line[i - 1].x + line[i].x) / 2.0,
                                                         (line[i - 1].y + line[i].y) / 2.0) -
                                              10000.0));
        }
        EXPECT_LE(worst, tolerance + 0.71) << tolerance;
        EXPECT_EQ(line.front(), line.back());
    }
    const Drawing line = Of({Stroked({Poly({{0, 0}, {1, 1}})}, 1)});
    const std::pair<PlanOptions, const char*> refusals[] = {
        {Outlines(0), "the field must be between 1 and 65535 bits wide"},
        {Outlines(65536), "the field must be between 1 and 65535 bits wide"},
        {Outlines(100, [](PlanOptions* o) { o->toleranceBits = 0; }),
         "the flattening tolerance must be above 0"},
        {Square([](PlanOptions* o) { o->hatch.spacing = 0.5; }),
         "the hatch spacing must be at least 1 bit"},
    };
    MarkPlan refused;
    std::string error;
    for (const auto& [options, why] : refusals) {
        EXPECT_FALSE(PlanDrawing(line, options, &refused, &error)) << why;
        EXPECT_EQ(error, why);
    }
    EXPECT_FALSE(PlanDrawing(Of({}), Outlines(100), &refused, &error));
    EXPECT_EQ(error, "the drawing holds no shape to mark");
    EXPECT_FALSE(
        PlanDrawing(Of({Stroked({Poly({{3, 3}, {3, 3}})}, 1)}), Outlines(100), &refused, &error));
    EXPECT_EQ(error, "the drawing's shapes have no extent");
}

TEST(Plan, WhatIsMarkedOfFillsStrokesAndClips) {
    const Subpath square = Rect(0, 0, 100, 100), left = Rect(0, 0, 50, 100),
                  right = Rect(50, 0, 50, 100);
    Item band = Filled({square});  // 40 units wide: 400 bits, over two hatch spacings
    band.stroke = Stroked({}, 40, kWhite).stroke;
    Item outlined = Filled({square});
    outlined.stroke = Stroked({}, 0.1, kRed).stroke;
    const Tweak none = nullptr;
    const struct {
        const char* what;
        Drawing drawing;
        Tweak tweak;
        const char* marks;
    } cases[] = {
        // Ten lines and the nine joins between them, along the square's sides: one zig-zag.
        {"a square", Of({Filled({square})}), none, "h=10 v=9 len=10000 n=1"},
        {"turned a quarter", Of({Filled({square})}), [](PlanOptions* o) { o->hatch.angle = 90; },
         "h=9 v=10 len=900 n=1"},
        {"crossed", Of({Filled({square})}), [](PlanOptions* o) { o->hatch.cross = true; },
         "h=19 v=19 len=10900 n=2"},
        // 100 bits kept free at both ends of each line: ten lines 800 bits long.
        {"inset", Of({Filled({square})}), [](PlanOptions* o) { o->hatch.inset = 100; },
         "h=10 v=9 len=8000"},
        {"the skip colour neither", Of({Filled({square}), Filled({right}, kRed)}),
         [](PlanOptions* o) { o->skipColour = kRed; }, "h=10 len=5000 mid=0"},
        {"pale paint (ink 0.1) covers and is marked lightly",
         Of({Filled({square}), Filled({right}, {0xda, 0xe8, 0xfc})}), none, "h=20 len=10000 mid=0"},
        {"see-through white lightens what is below",
         Of({Filled({square}), Filled({right}, kWhite, 0.49)}), none, "h=20 len=10000 mid=0"},
        {"without tones pale paint covers, is not marked",
         Of({Filled({square}), Filled({right}, {0xda, 0xe8, 0xfc})}),
         [](PlanOptions* o) { o->tone = ToneMode::kNone; }, "h=10 len=5000 mid=0"},
        // An outline is a closed square: two of its four moves are horizontal.
        {"fill and stroke: hatch and outline", Of({outlined}), none, "n=2 h=12"},
        {"a stroke alone", Of({Stroked({square}, 1)}), none, "n=1 h=2"},
        {"--outline", Of({Filled({square})}), [](PlanOptions* o) { o->hatch.outlineAll = true; },
         "n=2 h=12"},
        {"--no-fill", Of({Filled({square})}), [](PlanOptions* o) { o->hatch.fill = false; },
         "n=1 h=2"},
        // A band -700..700 round a hole -300..300 on 14 lines, 6 cut in two: as white, it eats
        // 200 bits into its own fill, which keeps 6 lines.
        {"a wide white stroke eats into its fill", Of({band}), none, "h=6"},
        // The band, -20..120 units, is what fills the field: a hole of +-214 bits cuts 4 of
        // its 10 lines in two.
        {"a wide stroke is hatched as a band", Of({Stroked({square}, 40)}), none, "h=14"},
        {"under even-odd", Of({Filled({square})}, {{{{{square, left}, FillRule::kEvenOdd}}}}), none,
         "h=10 len=5000 mid=0"},
        {"a cut part takes away what one before keeps",
         Of({Filled({square})}, {{{{{square}}, {{right}, FillRule::kNonZero, true}}}}), none,
         "h=10 len=5000 mid=0"},
        {"every clip applies",
         Of({Filled({square})}, {{{{{Rect(0, 0, 75, 100)}}}}, {{{{Rect(25, 0, 75, 100)}}}}}), none,
         "h=10 len=5000 mid=10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Measured(Plan(c.drawing, Square(c.tweak)), c.marks), c.marks) << c.what;
    }
}

TEST(Plan, DashesCutStrokesIntoPieces) {
    // A 100-unit line at 10 bits a unit runs from -500 to 500; dashes in drawing units.
    const std::tuple<std::vector<double>, double, const char*> dashes[] = {
        {{10, 10}, 0, "-500..-400 -300..-200 -100..0 100..200 300..400"},
        {{30, 10, 10, 10}, 0, "-500..-200 -100..0 100..400"},
        {{10, 10}, 5, "-500..-450 -350..-250 -150..-50 50..150 250..350 450..500"},
        {{}, 0, "-500..500"},
    };
    for (const auto& [pattern, offset, pieces] : dashes) {
        std::string got;
        const Item line = Stroked({Poly({{0, 0}, {100, 0}})}, 0.1, kBlack, pattern, offset);
        for (const Polyline& l : Lines(Plan(Of({line}), Square()))) {
            got += (got.empty() ? "" : " ") + std::to_string(l.front().x) + ".." +
                   std::to_string(l.back().x);
        }
        EXPECT_EQ(got, pieces);
    }
}

TEST(Order, ShortOrderAtLeastHalvesTheTravelAndReversesPaths) {
    // 400 small squares on a 20 x 20 grid 3000 bits apart, shuffled with a fixed seed.
    std::vector<Polyline> lines;
    for (int i = 0; i < 400; ++i) {
        const auto x = int16_t(i / 20 * 3000 - 28500), y = int16_t(i % 20 * 3000 - 28500);
        lines.push_back(
            {{x, y}, {int16_t(x + 300), y}, {int16_t(x + 300), int16_t(y + 300)}, {x, y}});
    }
    std::mt19937 random(17);
    std::shuffle(lines.begin(), lines.end(), random);
    const double before = JumpTravel(lines, {0, 0});
    OrderPolylines(&lines, {0, 0}, 1.0);
    ASSERT_EQ(lines.size(), 400u);
    EXPECT_LE(JumpTravel(lines, {0, 0}), before / 2);
    // A serpentine jumps 399 times a neighbour's distance, plus the way in from the centre.
    EXPECT_LE(JumpTravel(lines, {0, 0}), 1.25 * (399 * 3000 + 30000 * 1.415));
    using Set = std::vector<Polyline>;
    const std::pair<Set, Set> cases[] = {
        {{{{100, 0}, {200, 0}}, {{10, 0}, {20, 0}}},
         {{{10, 0}, {20, 0}}, {{100, 0}, {200, 0}}}},    // nearest first
        {{{{300, 0}, {30, 0}}}, {{{30, 0}, {300, 0}}}},  // the far end nearer: backwards
        // A loop entered at its corner nearest the head.
        {{{{100, 100}, {100, 0}, {10, 0}, {10, 100}, {100, 100}}},
         {{{10, 0}, {10, 100}, {100, 100}, {100, 0}, {10, 0}}}},
        // A chain picked up from the end it was left at.
        {{{{0, 500}, {0, 1000}}, {{0, 10}, {0, 400}}, {{0, 2000}, {0, 1100}}},
         {{{0, 10}, {0, 400}}, {{0, 500}, {0, 1000}}, {{0, 1100}, {0, 2000}}}},
        // Nearest first (10, then -11, then 40: 82 bits) comes back for -11; the improvement
        // takes it first (62 bits).
        {{{{10, 0}, {10, 1}}, {{-11, 0}, {-11, 1}}, {{40, 0}, {40, 1}}},
         {{{-11, 1}, {-11, 0}}, {{10, 0}, {10, 1}}, {{40, 0}, {40, 1}}}},
    };
    for (const auto& [in, out] : cases) {
        Set set = in;
        OrderPolylines(&set, {0, 0}, 0.1);
        EXPECT_EQ(set, out);
    }
}

}  // namespace
}  // namespace txorb::drawing
