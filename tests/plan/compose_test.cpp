// Composing a drawing into layers, on drawings built by hand in field bits (the identity
// placement): what shows of each paint, the colour it shows in, its tone, its lines and
// pictures, and that the fast path marks exactly what the plain one does.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "drawing/plan/layering.h"

namespace txorb::drawing {
namespace {

constexpr Colour kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kBlue{0, 0, 255};

Subpath Box(double x0, double y0, double x1, double y1) {
    Subpath p{{x0, y0}, {}, false};
    p.LineTo({x1, y0}), p.LineTo({x1, y1}), p.LineTo({x0, y1});
    p.Close();
    return p;
}

Item Filled(std::vector<Subpath> outline, Colour c, double opacity = 1.0,
            FillRule rule = FillRule::kNonZero) {
    Item item;
    item.outline = std::move(outline);
    item.fill = Fill{rule, c, opacity, -1};
    return item;
}

Item Stroked(std::vector<Subpath> outline, Colour c, double width) {
    Item item;
    item.outline = std::move(outline);
    item.stroke = Stroke{};
    item.stroke->width = width;
    item.stroke->colour = c;
    return item;
}

Drawing Of(std::vector<Item> items) {
    Drawing d;
    d.items = std::move(items);
    return d;
}

// Hatch lines 10 bits apart at y = 5, 15, ...; the sweep looks every 5 bits, so boxes from
// y = 2.5 to y = 102.5 are seen over exactly their height.
ComposeOptions Options() {
    ComposeOptions o;
    o.defaults.hatchSpacing = 10.0;
    return o;
}

struct Shown {
    Colour colour;
    double area;
    std::string notMarked;
};

TEST(Compose, EachFinalColourIsALayerWhereItShows) {
    const Subpath inner = Box(25, 27.5, 75, 77.5);  // turns the way the outer box does
    Subpath hole{{25, 27.5}, {}, false};            // the other way
    hole.LineTo({25, 77.5}), hole.LineTo({75, 77.5}), hole.LineTo({75, 27.5}), hole.Close();
    Drawing clipped = Of({Filled({Box(0, 2.5, 100, 102.5)}, kBlack)});
    clipped.clips = {Clip{{{{Box(0, -10, 50, 200)}, FillRule::kNonZero, false}}}};
    clipped.items[0].clips = {0};
    struct Case {
        std::string name;
        Drawing drawing;
        std::vector<Shown> layers;
    } cases[] = {
        {"opaque over opaque",
         Of({Filled({Box(0, 2.5, 100, 102.5)}, kBlack), Filled({Box(50, 2.5, 100, 102.5)}, kRed)}),
         {{kBlack, 5000, ""}, {kRed, 5000, ""}}},
        {"half red over blue",
         Of({Filled({Box(0, 2.5, 100, 102.5)}, kBlue),
             Filled({Box(50, 2.5, 150, 102.5)}, kRed, 0.5)}),
         {{kBlue, 5000, ""}, {{128, 0, 128}, 5000, ""}, {{255, 128, 128}, 5000, ""}}},
        {"even-odd hole",
         Of({Filled({Box(0, 2.5, 100, 102.5), inner}, kBlack, 1.0, FillRule::kEvenOdd)}),
         {{kBlack, 7500, ""}}},
        {"nonzero, same direction",
         Of({Filled({Box(0, 2.5, 100, 102.5), inner}, kBlack)}),
         {{kBlack, 10000, ""}}},
        {"nonzero, opposite direction",
         Of({Filled({Box(0, 2.5, 100, 102.5), hole}, kBlack)}),
         {{kBlack, 7500, ""}}},
        {"clipped", clipped, {{kBlack, 5000, ""}}},
        {"white covers, unmarked",
         Of({Filled({Box(0, 2.5, 100, 102.5)}, kBlack), Filled({Box(0, 2.5, 50, 102.5)}, kWhite)}),
         {{kBlack, 5000, ""}, {kWhite, 5000, "white"}}},
        {"fully transparent paints nothing",
         Of({Filled({Box(0, 2.5, 100, 102.5)}, kBlack),
             Filled({Box(0, 2.5, 50, 102.5)}, kRed, 0.0)}),
         {{kBlack, 10000, ""}}},
    };
    for (const Case& c : cases) {
        const ComposeResult r = ComposeLayers(c.drawing, Affine{}, Options());
        EXPECT_EQ(r.layers.size(), c.layers.size()) << c.name;
        if (r.layers.size() != c.layers.size()) continue;
        for (size_t i = 0; i < c.layers.size(); ++i) {
            const PlanLayer& l = r.layers[i];
            EXPECT_EQ(l.colour, c.layers[i].colour) << c.name << " layer " << i;
            EXPECT_NEAR(l.stats.areaBits2, c.layers[i].area, 1e-6) << c.name << " layer " << i;
            EXPECT_EQ(l.notMarked, c.layers[i].notMarked) << c.name << " layer " << i;
            EXPECT_EQ(l.polylines.empty(), !c.layers[i].notMarked.empty()) << c.name;
        }
    }
}

// Rows of hatch lines a layer marks (distinct y of its horizontal pieces).
size_t HatchRows(const PlanLayer& l) {
    std::vector<int16_t> ys;
    for (const Polyline& p : l.polylines) {
        for (size_t i = 1; i < p.size(); ++i) {
            if (p[i].y == p[i - 1].y) ys.push_back(p[i].y);
        }
    }
    std::sort(ys.begin(), ys.end());
    return size_t(std::unique(ys.begin(), ys.end()) - ys.begin());
}

TEST(Compose, ToneSetsPowerOrHatchDensityByMode) {
    // Grey 191 has ink 64/255 = 0.251: power 25.1 %, or every 4th line, or both halves.
    constexpr Colour kGrey{191, 191, 191};
    constexpr double kInk = 64.0 / 255.0;
    struct Case {
        ToneMode mode;
        Colour colour;
        bool powerGiven;
        double power, spacing;
        size_t rows;  // of the 10 hatch lines across the box
    } cases[] = {
        {ToneMode::kPower, kGrey, false, 100 * kInk, 10, 10},
        {ToneMode::kDensity, kGrey, false, 100, 40, 3},  // y = 5, 45, 85
        {ToneMode::kBoth, kGrey, false, 100 * kInk * 2, 20, 5},
        {ToneMode::kNone, kGrey, false, 100, 10, 10},
        {ToneMode::kPower, kGrey, true, 100, 10, 10},
        {ToneMode::kPower, {230, 230, 230}, false, 100 * 25.0 / 255.0, 10, 10},  // pale: light
    };
    for (const Case& c : cases) {
        const Drawing d = Of({Filled({Box(0, 0, 100, 100)}, c.colour)});
        ComposeOptions o = Options();
        o.tone = c.mode;
        if (c.powerGiven) {
            o.resolve = [&](const Colour&, uint32_t, bool) {
                return LayerChoice{o.defaults, true, false, false};
            };
        }
        const ComposeResult r = ComposeLayers(d, Affine{}, o);
        ASSERT_EQ(r.layers.size(), 1u);
        const PlanLayer& l = r.layers[0];
        EXPECT_NEAR(l.settings.power, c.power, 1e-9) << int(c.mode);
        EXPECT_EQ(l.settings.hatchSpacing, c.spacing) << int(c.mode);
        EXPECT_EQ(HatchRows(l), c.rows) << int(c.mode);
    }
}

TEST(Compose, EachModeMarksItsLayerItsOwnWay) {
    const Drawing d = Of({Filled({Box(0, 0, 100, 100)}, kBlack)});
    struct Case {
        LayerMode mode;
        size_t polylines;   // hatch lines joined into one zig-zag, or the outline
        size_t pointsEach;  // 10 hatch lines: 20 points; the outline closes on its start
        size_t pixels;      // raster points at 0, 10, ... 90 in x and y
        std::string notMarked;
    } cases[] = {
        {LayerMode::kFill, 1, 20, 0, ""},
        {LayerMode::kOutline, 1, 5, 0, ""},
        {LayerMode::kPicture, 0, 0, 100, ""},
        {LayerMode::kSkip, 0, 0, 0, "mode skip"},
    };
    for (const Case& c : cases) {
        ComposeOptions o = Options();
        o.raster.lineSpacing = 10;
        o.resolve = [&](const Colour&, uint32_t, bool) {
            LayerChoice choice{o.defaults, false, false, true};
            choice.settings.mode = c.mode;
            return choice;
        };
        const ComposeResult r = ComposeLayers(d, Affine{}, o);
        ASSERT_EQ(r.layers.size(), 1u);
        const PlanLayer& l = r.layers[0];
        EXPECT_EQ(l.polylines.size(), c.polylines) << int(c.mode);
        for (const Polyline& p : l.polylines) EXPECT_EQ(p.size(), c.pointsEach) << int(c.mode);
        EXPECT_EQ(l.stats.pixels, c.pixels) << int(c.mode);
        EXPECT_EQ(l.notMarked, c.notMarked) << int(c.mode);
    }
}

TEST(Compose, LinesShowWhereNothingLaterCoversThem) {
    Subpath across{{0, 50}, {}, false};
    across.LineTo({100, 50});
    struct Case {
        std::string name;
        Drawing drawing;
        Colour colour;
        std::vector<Polyline> lines;
    } cases[] = {
        {"over a fill",
         Of({Filled({Box(0, 0, 100, 100)}, kBlack), Stroked({across}, kRed, 1)}),
         kRed,
         {{{0, 50}, {100, 50}}}},
        {"under a later fill",
         Of({Stroked({across}, kBlack, 1), Filled({Box(40, 0, 60, 100)}, kWhite)}),
         kBlack,
         {{{0, 50}, {40, 50}}, {{60, 50}, {100, 50}}}},
        {"a hairline", Of({Stroked({across}, kBlack, 0)}), kBlack, {{{0, 50}, {100, 50}}}},
        {"under see-through paint",
         Of({Stroked({across}, kBlack, 1), Filled({Box(40, 0, 60, 100)}, kRed, 0.4)}),
         kBlack,
         {{{0, 50}, {100, 50}}}},
        {"a sliver between hatch lines",
         Of({Filled({Box(10, 6, 90, 9)}, kBlack)}),
         kBlack,
         {{{10, 6}, {90, 6}, {90, 9}, {10, 9}, {10, 6}}}},
    };
    for (const Case& c : cases) {
        const ComposeResult r = ComposeLayers(c.drawing, Affine{}, Options());
        const PlanLayer* layer = nullptr;
        for (const PlanLayer& l : r.layers) {
            if (l.colour == c.colour) layer = &l;
        }
        ASSERT_NE(layer, nullptr) << c.name;
        std::vector<Polyline> lines = layer->polylines;
        for (Polyline& p : lines) {
            if (p.size() == 2 && p[1].x < p[0].x) std::swap(p[0], p[1]);  // either way round
        }
        std::sort(lines.begin(), lines.end(),
                  [](const Polyline& a, const Polyline& b) { return a.front().x < b.front().x; });
        EXPECT_EQ(lines, c.lines) << c.name;
    }
}

TEST(Compose, PicturesAreMarkedOnlyWhereTheyShow) {
    Drawing d;
    d.pictures.push_back({{2, 2, {0, 0, 0, 0}}, Affine::Scale(50, 50), 0, 0, 2, 2});
    Item picture = Filled({Box(0, 0, 100, 100)}, {0, 0, 0});
    picture.fill->picture = 0;
    d.items = {picture, Filled({Box(45, -10, 200, 200)}, kWhite)};
    ComposeOptions o = Options();
    o.raster.lineSpacing = 10;  // pixels at x, y = 0, 10, ... 90 of the picture's 0..99
    const ComposeResult r = ComposeLayers(d, Affine{}, o);
    ASSERT_EQ(r.layers.size(), 2u);
    const PlanLayer& p = r.layers[0];
    EXPECT_TRUE(p.picture);
    ASSERT_EQ(p.bitmapLines.size(), 10u);
    for (const BitmapLine& b : p.bitmapLines) {
        EXPECT_EQ(std::min(b.begin.x, b.end.x), 0);
        EXPECT_EQ(std::max(b.begin.x, b.end.x), 40);  // the white box covers from 45 on
    }
    EXPECT_EQ(p.stats.pixels, 50u);
}

TEST(Compose, WhatReachesBeyondTheFieldIsCountedAndCut) {
    const double nan = std::nan("");
    const Drawing d =
        Of({Filled({Box(30000, 0, 40000, 100)}, kBlack), Filled({Box(0, 0, 10, 10)}, kBlack),
            Filled({Box(-50000, 0, -40000, 100)}, kWhite),
            Filled({Box(nan, 0, 1e300, 100)}, kBlack)});  // held at kFarBits, NaN at 0
    const ComposeResult r = ComposeLayers(d, Affine{}, Options());
    EXPECT_EQ(r.outside, (FieldOverflow{2, kFarBits - kFieldHighBits}));
    for (const Polyline& p : r.layers[0].polylines) {
        for (FieldPoint q : p) EXPECT_LE(q.x, 32767);
    }
}

// Overlapping circles of a few colours, some see-through, some clipped, some stroked.
Drawing Circles(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> at(-9000, 9000), radius(200, 2500), unit(0, 1);
    const Colour palette[] = {kBlack, kRed, kBlue, {40, 160, 40}, kWhite, {200, 200, 90}};
    Drawing d;
    d.clips = {Clip{{{{Box(-8000, -8000, 6000, 7000)}, FillRule::kNonZero, false},
                     {{Box(-2000, -2000, 2000, 2000)}, FillRule::kNonZero, true}}}};
    for (int i = 0; i < n; ++i) {
        const double cx = at(random), cy = at(random), r = radius(random);
        Subpath circle{{cx + r, cy}, {}, false};
        circle.ArcTo(r, r, 0, false, true, {cx - r, cy});
        circle.ArcTo(r, r, 0, false, true, {cx + r, cy});
        circle.Close();
        Item item = Filled({circle}, palette[random() % 6], unit(random) < 0.2 ? 0.5 : 1.0);
        if (unit(random) < 0.3) item.clips = {0};
        if (unit(random) < 0.3) {
            item.stroke = Stroke{};
            item.stroke->width = unit(random) < 0.5 ? 5.0 : 120.0;
        }
        d.items.push_back(std::move(item));
    }
    return d;
}

TEST(Compose, FastPathMarksWhatThePlainOneMarks) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const Drawing d = Circles(80, seed);
        ComposeOptions fast = Options(), plain = Options();
        fast.defaults.hatchSpacing = plain.defaults.hatchSpacing = 30;
        fast.threads = 2;
        plain.reference = true;
        const ComposeResult a = ComposeLayers(d, Affine{}, fast),
                            b = ComposeLayers(d, Affine{}, plain);
        ASSERT_EQ(a.layers.size(), b.layers.size()) << seed;
        for (size_t i = 0; i < a.layers.size(); ++i) {
            EXPECT_EQ(a.layers[i].colour, b.layers[i].colour) << seed << " " << i;
            EXPECT_TRUE(a.layers[i].polylines == b.layers[i].polylines) << seed << " " << i;
            EXPECT_EQ(a.layers[i].stats.areaBits2, b.layers[i].stats.areaBits2) << seed << " " << i;
        }
    }
}

}  // namespace
}  // namespace txorb::drawing
