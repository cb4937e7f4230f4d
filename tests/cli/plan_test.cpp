// Planning, on drawings built here as the readers hand them over: placement in the field,
// flattening, fills hatched under their rule, knock-out of what later paint covers, skipped
// and see-through paint, outlines and bands, clips, dashes, pictures and the order of paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "drawing/plan/bitmap_lines.h"
#include "drawing/plan/ordering.h"
#include "drawing/plan/plan.h"

namespace txorb::drawing {
namespace {

const Colour kBlack{}, kWhite{255, 255, 255}, kBlue{0, 0, 255};

Subpath Rect(double x, double y, double w, double h, bool clockwise = true) {
    Subpath p;
    p.start = {x, y};
    if (clockwise) {
        p.LineTo({x + w, y}), p.LineTo({x + w, y + h}), p.LineTo({x, y + h});
    } else {
        p.LineTo({x, y + h}), p.LineTo({x + w, y + h}), p.LineTo({x + w, y});
    }
    p.Close();
    return p;
}

Subpath Line(Point a, Point b) {
    Subpath p;
    p.start = a;
    p.LineTo(b);
    return p;
}

Item Filled(std::vector<Subpath> outline, Colour colour = kBlack, double opacity = 1.0,
            FillRule rule = FillRule::kNonZero) {
    Item item;
    item.outline = std::move(outline);
    item.fill = Fill{rule, colour, opacity};
    return item;
}

Item Stroked(std::vector<Subpath> outline, double width, Colour colour = kBlack,
             std::vector<double> dashes = {}, double offset = 0.0) {
    Item item;
    item.outline = std::move(outline);
    Stroke s;
    s.width = width, s.colour = colour, s.dashes = std::move(dashes), s.dashOffset = offset;
    item.stroke = s;
    return item;
}

Drawing Of(std::vector<Item> items) {
    Drawing d;
    d.items = std::move(items);
    return d;
}

// Outlines only, in the drawing's order: the placement alone.
PlanOptions Outlines(double field, double tolerance = 1.0, bool flipY = true) {
    PlanOptions o;
    o.fieldBits = field, o.toleranceBits = tolerance, o.flipY = flipY;
    o.hatch.fill = false;
    o.order = PathOrder::kInput;
    return o;
}

// A 100-unit square drawn at field 1000 covers -500..500 bits; hatch lines 100 bits apart lie
// at y = +-50, +-150, ... +-450: ten lines across the square.
PlanOptions Square() {
    PlanOptions o;
    o.fieldBits = 1000, o.hatch.spacing = 100, o.order = PathOrder::kInput;
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
        if (!out.empty()) out += " | ";
        for (size_t i = 0; i < line.size(); ++i) {
            out += (i ? " " : "") + std::to_string(line[i].x) + "," + std::to_string(line[i].y);
        }
    }
    return out;
}

// Hatching measured: straight pieces along x and y, their length along x, pieces crossing
// x = 0, and moves with a point inside |x|, |y| < 200 (a hole's place).
struct Marks {
    int horizontal = 0, vertical = 0;
    long length = 0;
    int crossing = 0, inHole = 0;
    size_t polylines = 0;
};

Marks Measure(const MarkPlan& plan) {
    Marks m;
    for (const Polyline& line : Lines(plan)) {
        ++m.polylines;
        for (size_t i = 1; i < line.size(); ++i) {
            const FieldPoint a = line[i - 1], b = line[i];
            if (a.y == b.y) {
                ++m.horizontal, m.length += std::abs(a.x - b.x);
                m.crossing += std::min(a.x, b.x) < 0 && std::max(a.x, b.x) > 0;
            }
            m.vertical += a.x == b.x;
            for (double t : {0.0, 0.5, 1.0}) {
                const double x = a.x + t * (b.x - a.x), y = a.y + t * (b.y - a.y);
                m.inHole += std::fabs(x) < 199 && std::fabs(y) < 199;
            }
        }
    }
    return m;
}

TEST(Plan, PlacesTheDrawingInTheField) {
    Subpath tiny;  // a move far under a bit, then a long one
    tiny.start = {0, 0}, tiny.LineTo({0.0001, 0}), tiny.LineTo({10, 0});
    Drawing clipped =
        Of({Stroked({Line({0, 0}, {100, 0})}, 1), Stroked({Line({0, 10}, {10, 10})}, 1)});
    clipped.clips.push_back({{{{Rect(0, 0, 10, 10)}}}});
    clipped.items[0].clips = {0};
    const struct {
        const char* what;
        Drawing drawing;
        PlanOptions options;
        const char* points;
    } cases[] = {
        {"wide: width fills the field, centred, y up", Of({Stroked({Rect(100, 100, 100, 50)}, 1)}),
         Outlines(1000), "-500,250 500,250 500,-250 -500,-250 -500,250"},
        {"tall: height fills it", Of({Stroked({Line({0, 0}, {10, 40})}, 1)}), Outlines(1000),
         "-125,500 125,-500"},
        {"y kept as drawn", Of({Stroked({Line({0, 0}, {10, 40})}, 1)}), Outlines(1000, 1, false),
         "-125,-500 125,500"},
        {"the whole 16-bit field", Of({Stroked({Line({0, 0}, {1, 0})}, 1)}), Outlines(65535),
         "-32767,0 32767,0"},
        {"moves under a bit vanish, a path of one point is dropped",
         Of({Stroked({tiny}, 1), Stroked({Line({5, 5}, {5.0001, 5})}, 1)}), Outlines(100),
         "-50,25 50,25"},
        // The clipper hands the cut line back from its other end.
        {"a clip's cut does not count, order kept", clipped, Outlines(100),
         "50,50 -50,50 | -50,-50 50,-50"},
    };
    for (const auto& c : cases) EXPECT_EQ(Points(Plan(c.drawing, c.options)), c.points) << c.what;
}

TEST(Plan, PagePlacementTurnsMirrorsAndMoves) {
    // A 10-unit line at the left of a 100 x 50 page, the page mapped onto a 1000-bit field.
    Drawing d = Of({Stroked({Line({0, 0}, {10, 0})}, 1)});
    d.page = PageBox{0, 0, 100, 50};
    const struct {
        FitMode mode;
        int rotate;
        char mirror;
        double dx, dy;
        const char* points;
    } cases[] = {
        {FitMode::kDrawing, 0, 0, 0, 0, "-500,0 500,0"},
        {FitMode::kPage, 0, 0, 0, 0, "-500,250 -400,250"},
        {FitMode::kPage, 90, 0, 0, 0, "250,500 250,400"},  // clockwise
        {FitMode::kPage, 180, 0, 0, 0, "500,-250 400,-250"},
        {FitMode::kPage, 270, 0, 0, 0, "-250,-500 -250,-400"},
        {FitMode::kPage, 0, 'x', 0, 0, "500,250 400,250"},
        {FitMode::kPage, 0, 'y', 0, 0, "-500,-250 -400,-250"},
        {FitMode::kPage, 90, 0, 100, -50, "350,450 350,350"},  // moved after turning
    };
    for (const auto& c : cases) {
        PlanOptions o = Outlines(1000);
        o.mode = c.mode, o.rotate = c.rotate, o.mirror = c.mirror;
        o.offsetX = c.dx, o.offsetY = c.dy;
        EXPECT_EQ(Points(Plan(d, o)), c.points) << c.rotate << c.mirror << c.dx;
    }
}

TEST(Plan, CountsMovesLengthsAndJumps) {
    Subpath l;
    l.start = {0, 0}, l.LineTo({30, 0}), l.LineTo({30, 40});
    const MarkPlan plan =
        Plan(Of({Stroked({l}, 1), Stroked({Line({0, 40}, {0, 0})}, 1)}), Outlines(40, 1, false));
    EXPECT_EQ(Points(plan), "-15,-20 15,-20 15,20 | -15,20 -15,-20");
    EXPECT_EQ(plan.MarkMoves(), 3u);
    EXPECT_DOUBLE_EQ(plan.layers.at(0).stats.markLength, 30 + 40 + 40);
    EXPECT_DOUBLE_EQ(plan.jumpLength, 25 + 30);  // from the centre, then 15,20 to -15,20
}

TEST(Plan, CurvesWithinTheToleranceInBits) {
    // A circle of radius 1 at field 20000: radius 10000 bits. Every chord's middle stays within
    // the tolerance (plus half a bit of rounding at each end) of the circle.
    Subpath circle;
    circle.start = {1, 0};
    circle.ArcTo(1, 1, 0, false, true, {-1, 0});
    circle.ArcTo(1, 1, 0, false, true, {1, 0});
    circle.closed = true;
    for (const double tolerance : {0.5, 2.0, 8.0}) {
        const Polyline line =
            Lines(Plan(Of({Stroked({circle}, 1)}), Outlines(20000, tolerance))).at(0);
        double worst = 0;
        for (size_t i = 1; i < line.size(); ++i) {
            const double mx = (line[i - 1].x + line[i].x) / 2.0,
                         my = (line[i - 1].y + line[i].y) / 2.0;
            worst = std::max(worst, std::fabs(std::hypot(mx, my) - 10000.0));
        }
        EXPECT_LE(worst, tolerance + 0.71) << tolerance;
        EXPECT_EQ(line.front(), line.back());
    }
}

TEST(Plan, Refusals) {
    const Drawing line = Of({Stroked({Line({0, 0}, {1, 1})}, 1)});
    const struct {
        Drawing drawing;
        PlanOptions options;
        const char* error;
    } cases[] = {
        {line, Outlines(0), "the field must be between 1 and 65535 bits wide"},
        {line, Outlines(65536), "the field must be between 1 and 65535 bits wide"},
        {line, Outlines(100, 0), "the flattening tolerance must be above 0"},
        {Of({}), Outlines(100), "the drawing holds no shape to mark"},
        {Of({Stroked({Line({3, 3}, {3, 3})}, 1)}), Outlines(100),
         "the drawing's shapes have no extent"},
    };
    for (const auto& c : cases) {
        MarkPlan plan;
        std::string error;
        EXPECT_FALSE(PlanDrawing(c.drawing, c.options, &plan, &error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

TEST(Plan, FillsAreHatchedUnderTheirRuleWithTheHoleLeftEmpty) {
    const Subpath outer = Rect(0, 0, 100, 100);
    const struct {
        const char* what;
        Item item;
        int horizontal;  // 6 whole lines and 4 cut in two by the hole, or 10 whole
        long length;
        bool inHole;
    } cases[] = {
        {"even-odd, hole the same way round",
         Filled({outer, Rect(30, 30, 40, 40)}, kBlack, 1, FillRule::kEvenOdd), 14,
         6 * 1000 + 4 * 600, false},
        {"nonzero, hole the other way round", Filled({outer, Rect(30, 30, 40, 40, false)}), 14,
         6 * 1000 + 4 * 600, false},
        {"nonzero, inner square the same way round", Filled({outer, Rect(30, 30, 40, 40)}), 10,
         10 * 1000, true},
    };
    for (const auto& c : cases) {
        const Marks m = Measure(Plan(Of({c.item}), Square()));
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.length, c.length) << c.what;
        EXPECT_EQ(m.inHole > 0, c.inHole) << c.what;
    }
}

TEST(Plan, HatchLinesFollowSpacingAngleCrossAndInset) {
    const struct {
        const char* what;
        double angle;
        bool cross;
        double inset;
        int horizontal, vertical;
        long length;
        size_t polylines;
    } cases[] = {
        // Ten lines and the nine joins between them, along the square's sides.
        {"ten lines as one zig-zag", 0, false, 0, 10, 9, 10 * 1000, 1},
        {"a quarter turn: vertical lines", 90, false, 0, 9, 10, 9 * 100, 1},
        {"crossed: both", 0, true, 0, 19, 19, 10 * 1000 + 9 * 100, 2},
        // 100 bits kept free: lines at |y| <= 350 only, each 800 bits long.
        {"inset", 0, false, 100, 8, 7, 8 * 800, 1},
    };
    for (const auto& c : cases) {
        PlanOptions o = Square();
        o.hatch.angle = c.angle, o.hatch.cross = c.cross, o.hatch.inset = c.inset;
        const Marks m = Measure(Plan(Of({Filled({Rect(0, 0, 100, 100)})}), o));
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.vertical, c.vertical) << c.what;
        EXPECT_EQ(m.length, c.length) << c.what;
        EXPECT_EQ(m.polylines, c.polylines) << c.what;
    }
    // The zig-zag alternates direction line by line.
    const Polyline zigzag = Lines(Plan(Of({Filled({Rect(0, 0, 100, 100)})}), Square())).at(0);
    int previous = 0;
    for (size_t i = 1; i < zigzag.size(); ++i) {
        const int dx = zigzag[i].x - zigzag[i - 1].x;
        if (dx == 0) continue;
        EXPECT_NE(dx > 0 ? 1 : -1, previous) << i;
        previous = dx > 0 ? 1 : -1;
    }
}

TEST(Plan, LaterPaintKnocksOutWhatIsBelowAndPalePaintIsNotMarked) {
    const Subpath right = Rect(50, 0, 50, 100);
    const struct {
        const char* what;
        Item above;
        Colour skip;
        int horizontal;
        long length;
        int crossing;
    } cases[] = {
        {"each marked on its own side", Filled({right}, kBlue), kWhite, 20, 10 * 1000, 0},
        {"white covers, is not marked", Filled({right}, kWhite), kWhite, 10, 10 * 500, 0},
        {"the skip colour neither", Filled({right}, {255, 0, 0}), {255, 0, 0}, 10, 10 * 500, 0},
        // Blue's ink is 0.93: at opacity 0.4 it shows (0.37 > 0.3) but does not hide.
        {"faint paint marks, lets what is below show", Filled({right}, kBlue, 0.4), kWhite, 20,
         10 * 1000 + 10 * 500, 10},
        {"pale paint (ink 0.1) covers, is not marked", Filled({right}, {0xda, 0xe8, 0xfc}), kWhite,
         10, 10 * 500, 0},
        {"paint too faint to cover or mark", Filled({right}, kWhite, 0.49), kWhite, 10, 10 * 1000,
         10},
    };
    for (const auto& c : cases) {
        PlanOptions o = Square();
        o.skipColour = c.skip;
        const Marks m = Measure(Plan(Of({Filled({Rect(0, 0, 100, 100)}), c.above}), o));
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.length, c.length) << c.what;
        EXPECT_EQ(m.crossing, c.crossing) << c.what;
    }
}

TEST(Plan, OutlinesAreMarkedForStrokesOrWhenAsked) {
    const Subpath square = Rect(0, 0, 100, 100);
    Item both = Filled({square});
    both.stroke = Stroked({}, 0.1, {255, 0, 0}).stroke;
    Item whiteBand = Filled({square});
    whiteBand.stroke = Stroked({}, 40, kWhite).stroke;
    const struct {
        const char* what;
        Item item;
        bool fill, outlineAll;
        size_t polylines;  // hatching (one zig-zag) and outlines
        int horizontal;    // an outline is a closed square: two of its moves are horizontal
    } cases[] = {
        {"fill alone: hatch only", Filled({square}), true, false, 1, 10},
        {"fill and stroke: hatch and outline", both, true, false, 2, 12},
        {"stroke alone", Stroked({square}, 1), true, false, 1, 2},
        {"--outline", Filled({square}), true, true, 2, 12},
        {"--no-fill: outlines only", Filled({square}), false, false, 1, 2},
        // 1000 by 5 bits about y = 0: no hatch line (at y = +-50) crosses it.
        {"a fill thinner than the spacing is its outline", Filled({Rect(0, 0, 100, 0.5)}), true,
         false, 1, 2},
        // 40 units is 400 bits, over two spacings: a band -700..700 around a hole -300..300,
        // hatched on 14 lines, 6 cut in two; white, it eats 200 bits into its own fill, which
        // keeps 6 lines.
        {"a wide white stroke eats into its own fill", whiteBand, true, false, 1, 6},
        {"a wide stroke is hatched as a band", Stroked({square}, 40), true, false, 2, 20},
    };
    for (const auto& c : cases) {
        PlanOptions o = Square();
        o.hatch.fill = c.fill, o.hatch.outlineAll = c.outlineAll;
        const Marks m = Measure(Plan(Of({c.item}), o));
        EXPECT_EQ(m.polylines, c.polylines) << c.what;
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
    }
}

TEST(Plan, ClipsCutWhatIsMarked) {
    const Subpath left = Rect(0, 0, 50, 100), right = Rect(50, 0, 50, 100);
    const struct {
        const char* what;
        std::vector<Clip> clips;
        int horizontal;
        long length;
        int crossing;  // the kept half fills the field about its middle, unless the clip is wider
    } cases[] = {
        {"a clip keeps the left half", {{{{{left}}}}}, 10, 10 * 500, 10},
        {"under the even-odd rule",
         {{{{{Rect(0, 0, 100, 100), left}, FillRule::kEvenOdd}}}},
         10,
         10 * 500,
         0},
        {"a cut part takes away what a part before it keeps",
         {{{{{Rect(0, 0, 100, 100)}}, {{right}, FillRule::kNonZero, true}}}},
         10,
         10 * 500,
         0},
        {"every clip applies",
         {{{{{Rect(0, 0, 75, 100)}}}}, {{{{Rect(25, 0, 75, 100)}}}}},
         10,
         10 * 500,
         10},
    };
    for (const auto& c : cases) {
        Drawing d = Of({Filled({Rect(0, 0, 100, 100)})});
        d.clips = c.clips;
        for (uint32_t i = 0; i < c.clips.size(); ++i) d.items[0].clips.push_back(i);
        const Marks m = Measure(Plan(d, Square()));
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.length, c.length) << c.what;
        EXPECT_EQ(m.crossing, c.crossing) << c.what;
    }
}

TEST(Plan, DashedStrokesMarkOnlyTheDashes) {
    // A 100-unit line at 10 bits a unit runs from -500 to 500; dashes in drawing units.
    const struct {
        std::vector<double> dashes;
        double offset;
        const char* pieces;
    } cases[] = {
        {{10, 10}, 0, "-500..-400 -300..-200 -100..0 100..200 300..400"},
        {{30, 10, 10, 10}, 0, "-500..-200 -100..0 100..400"},
        {{10, 10}, 5, "-500..-450 -350..-250 -150..-50 50..150 250..350 450..500"},
        {{}, 0, "-500..500"},
    };
    for (const auto& c : cases) {
        std::string pieces;
        const MarkPlan plan = Plan(
            Of({Stroked({Line({0, 0}, {100, 0})}, 0.1, kBlack, c.dashes, c.offset)}), Square());
        for (const Polyline& line : Lines(plan)) {
            pieces += (pieces.empty() ? "" : " ") + std::to_string(line.front().x) + ".." +
                      std::to_string(line.back().x);
        }
        EXPECT_EQ(pieces, c.pieces) << c.offset;
    }
}

TEST(Plan, PicturesBecomeBitmapLinesWhereNothingCoversThem) {
    // A 4 x 1 black picture on 4 units, 100 bits a unit: rows 100 bits apart.
    Picture p;
    p.image = {4, 1, std::vector<uint8_t>(4, 0)};
    p.visibleX1 = 4, p.visibleY1 = 1;
    Item picture = Filled({Rect(0, 0, 4, 1)});
    picture.fill->picture = 0;
    PlanOptions o = Square();
    o.fieldBits = 400, o.raster.lineSpacing = 100, o.raster.maxDelay = 100;
    const struct {
        const char* what;
        std::vector<Item> items;
        std::vector<uint16_t> delays;
    } cases[] = {
        {"alone", {picture}, {100, 100, 100, 100}},
        {"half covered by white", {picture, Filled({Rect(1.5, 0, 2.5, 1)}, kWhite)}, {100, 100}},
    };
    for (const auto& c : cases) {
        Drawing d = Of(c.items);
        d.pictures = {p};
        const MarkPlan plan = Plan(d, o);
        const PlanLayer& layer = plan.layers.back();
        ASSERT_TRUE(layer.picture) << c.what;
        ASSERT_EQ(layer.bitmapLines.size(), 1u) << c.what;
        EXPECT_EQ(layer.bitmapLines[0].delays, c.delays) << c.what;
        EXPECT_EQ(layer.stats.pixels, c.delays.size()) << c.what;
    }
}

TEST(Order, ShortOrderAtLeastHalvesTheTravelOnAGrid) {
    // 400 small squares on a 20 x 20 grid 3000 bits apart, shuffled with a fixed seed.
    std::vector<Polyline> lines;
    for (int16_t i = 0; i < 20; ++i) {
        for (int16_t j = 0; j < 20; ++j) {
            const int16_t x = int16_t(i * 3000 - 28500), y = int16_t(j * 3000 - 28500);
            lines.push_back(
                {{x, y}, {int16_t(x + 300), y}, {int16_t(x + 300), int16_t(y + 300)}, {x, y}});
        }
    }
    std::mt19937 random(17);
    std::shuffle(lines.begin(), lines.end(), random);
    const double before = JumpTravel(lines, {0, 0});
    OrderPolylines(&lines, {0, 0}, 1.0);
    ASSERT_EQ(lines.size(), 400u);
    EXPECT_LE(JumpTravel(lines, {0, 0}), before / 2);
    // A serpentine jumps 399 times a neighbour's distance, plus the way in from the centre.
    EXPECT_LE(JumpTravel(lines, {0, 0}), 1.25 * (399 * 3000 + 30000 * 1.415));
}

TEST(Order, OpenPathsAreReversedAndTakenNearestFirst) {
    using Set = std::vector<Polyline>;
    const struct {
        const char* what;
        Set in, out;
    } cases[] = {
        {"nearest first",
         {{{100, 0}, {200, 0}}, {{10, 0}, {20, 0}}},
         {{{10, 0}, {20, 0}}, {{100, 0}, {200, 0}}}},
        {"the far end nearer: backwards", {{{300, 0}, {30, 0}}}, {{{30, 0}, {300, 0}}}},
        {"a loop entered at its corner nearest the head",
         {{{100, 100}, {100, 0}, {10, 0}, {10, 100}, {100, 100}}},
         {{{10, 0}, {10, 100}, {100, 100}, {100, 0}, {10, 0}}}},
        {"a chain picked up from the end it was left at",
         {{{0, 500}, {0, 1000}}, {{0, 10}, {0, 400}}, {{0, 2000}, {0, 1100}}},
         {{{0, 10}, {0, 400}}, {{0, 500}, {0, 1000}}, {{0, 1100}, {0, 2000}}}},
    };
    for (const auto& c : cases) {
        Set lines = c.in;
        OrderPolylines(&lines, {0, 0}, 0.1);
        EXPECT_EQ(lines, c.out) << c.what;
    }
}

}  // namespace
}  // namespace txorb::drawing
