// Lettering and the style cascade: text set as glyph outlines inside the box a browser gives
// it (anchors, tspans, dx/dy), and fill, stroke and fonts from attributes, style sheets and
// style attributes with inheritance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cli/svg_reader.h"

namespace txorb::cli {
namespace {

Drawing Read(const std::string& body) {
    const SvgReadResult r =
        ReadSvgText("<svg xmlns='http://www.w3.org/2000/svg'>" + body + "</svg>", "t.svg");
    EXPECT_TRUE(r.ok) << r.error;
    return r.drawing;
}

struct Extent {
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
};

Extent Bounds(const Drawing& d) {
    Extent e;
    for (const Subpath& p : AllOutlines(d)) {
        for (const Point q : Flatten(p, 0.01)) {
            e.minX = std::min(e.minX, q.x), e.maxX = std::max(e.maxX, q.x);
            e.minY = std::min(e.minY, q.y), e.maxY = std::max(e.maxY, q.y);
        }
    }
    return e;
}

// "HIH" at 100 units: capitals stand on the baseline and reach about 0.73 em up in every
// common sans font, and three capitals are between one and three em wide.
TEST(Text, GlyphOutlinesFillTheTextsBox) {
    struct Case {
        const char* what;
        std::string text;
        double left, right;  // where the letters must lie in x
    };
    const std::string font = "font-family='DejaVu Sans' font-size='100'";
    const Case cases[] = {
        {"start anchor: from x on", "<text x='500' y='300' " + font + ">HIH</text>", 500, 800},
        {"end anchor: up to x", "<text x='500' y='300' text-anchor='end' " + font + ">HIH</text>",
         200, 500},
        {"middle anchor: around x",
         "<text x='500' y='300' text-anchor='middle' " + font + ">HIH</text>", 350, 650},
        {"tspan pieces continue the line",
         "<text x='500' y='300' " + font + ">H<tspan font-weight='bold'>I</tspan>H</text>", 500,
         800},
        {"dx moves the pen", "<text x='400' dx='100' y='300' " + font + ">HIH</text>", 500, 800},
        {"a tspan's single x places its first letter only",
         "<text x='500' y='300' " + font + "><tspan x='500' y='300'>HIH</tspan></text>", 500, 800},
        {"white space collapses and is trimmed",
         "<text x='500' y='300' " + font + ">\n   HIH   \n</text>", 500, 800},
    };
    for (const Case& c : cases) {
        const Extent e = Bounds(Read(c.text));
        EXPECT_GE(e.minX, c.left) << c.what;
        EXPECT_LE(e.maxX, c.right) << c.what;
        EXPECT_GE(e.maxX - e.minX, 150) << c.what;
        EXPECT_NEAR(e.maxY, 300, 0.5) << c.what;  // on the baseline (y points down)
        EXPECT_NEAR(e.minY, 300 - 73, 3) << c.what;
    }
    // White space before a positioned tspan belongs to the text, not to the tspan's first
    // letter: the letter still lands on the tspan's x.
    const Extent spaced =
        Bounds(Read("<text " + font + ">I\n  <tspan x='500' y='300'>HIH</tspan></text>"));
    const Extent tight =
        Bounds(Read("<text " + font + ">I<tspan x='500' y='300'>HIH</tspan></text>"));
    EXPECT_NEAR(spaced.maxX, tight.maxX, 0.5);
    // A central baseline puts the middle of the em box on y: capitals reach about as far
    // above the middle as below it.
    const Extent central =
        Bounds(Read("<text y='300' dominant-baseline='central' " + font + ">HIH</text>"));
    EXPECT_NEAR(central.maxY, 335, 1);
    // Per-character positions, a transform, and dy lower the letters.
    const Extent placed = Bounds(
        Read("<text x='0 1000' y='300' dy='50' transform='translate(7 0)' " + font + ">HH</text>"));
    EXPECT_NEAR(placed.maxY, 350, 0.5);
    // dy in em of the font: 0.5 em of 100 units.
    const Extent lowered = Bounds(Read("<text y='300' dy='0.5em' " + font + ">HH</text>"));
    EXPECT_NEAR(lowered.maxY, 350, 0.5);
    EXPECT_GE(placed.maxX, 1007 + 50);
    EXPECT_LE(placed.minX, 7 + 15);
}

TEST(Text, WeightAndFamilyChangeTheLetters) {
    const Extent regular =
        Bounds(Read("<text font-family='DejaVu Sans' font-size='100'>HIH</text>"));
    const Extent bold = Bounds(Read("<text style='font: bold 100px DejaVu Sans'>HIH</text>"));
    const Extent mono =
        Bounds(Read("<text font-family='DejaVu Sans Mono' font-size='100'>HIH</text>"));
    EXPECT_GT(bold.maxX - bold.minX, regular.maxX - regular.minX + 10);
    EXPECT_NE(std::lround(mono.maxX - mono.minX), std::lround(regular.maxX - regular.minX));
    // The space between two pieces is kept, and each piece keeps its own weight.
    const std::string font = "font-family='DejaVu Sans' font-size='100'";
    const Extent apart =
        Bounds(Read("<text " + font + "><tspan>HIH</tspan> <tspan>HIH</tspan></text>"));
    const Extent joined = Bounds(Read("<text " + font + ">HIH HIH</text>"));
    EXPECT_NEAR(apart.maxX, joined.maxX, 0.5);
    const Extent mixed = Bounds(
        Read("<text " + font + "><tspan>HIH</tspan><tspan font-weight='bold'>HIH</tspan></text>"));
    const Extent plain = Bounds(Read("<text " + font + ">HIHHIH</text>"));
    EXPECT_GT(mixed.maxX, plain.maxX + 5);
    // Kept white space moves the letters along; collapsed, it would not.
    const Extent kept =
        Bounds(Read("<text xml:space='preserve' font-family='DejaVu Sans' font-size='100'>"
                    "   HIH</text>"));
    EXPECT_GT(kept.minX, regular.minX + 2 * 25);  // three spaces of about 0.32 em each
    // Letter spacing widens the line by about the spacing after each of the three letters.
    const Extent spaced = Bounds(
        Read("<text font-family='DejaVu Sans' font-size='100' letter-spacing='20'>HIH</text>"));
    EXPECT_NEAR((spaced.maxX - spaced.minX) - (regular.maxX - regular.minX), 2 * 20, 12);
    // A PostScript name gives the family, weight and slant.
    const Drawing ps = Read("<text font-family='Arial-BoldItalicMT'>a</text>");
    ASSERT_EQ(ps.shapes.size(), 1u);
    EXPECT_EQ(ps.shapes[0].style.fontFamily, "Arial");
    EXPECT_EQ(ps.shapes[0].style.fontWeight, 700);
    EXPECT_TRUE(ps.shapes[0].style.italic);
    // Text is filled like any shape: black unless told otherwise.
    const Drawing d = Read("<text>a</text><text fill='none' stroke='red'>b</text>");
    ASSERT_EQ(d.shapes.size(), 2u);
    EXPECT_EQ(d.shapes[0].style.fill.kind, PaintKind::kColour);
    EXPECT_EQ(d.shapes[1].style.fill.kind, PaintKind::kNone);
    EXPECT_EQ(d.shapes[1].style.stroke.colour, (Colour{255, 0, 0}));
}

TEST(Style, CascadeFromAttributesSheetsAndStyleWithInheritance) {
    struct Case {
        const char* what;
        std::string body;
        PaintKind fill;
        Colour colour;
        FillRule rule;
    };
    const Colour black{}, red{255, 0, 0};
    const Case cases[] = {
        {"no fill attribute: black", "<rect width='1' height='1'/>", PaintKind::kColour, black,
         FillRule::kNonZero},
        {"inherited from the group",
         "<g fill='red' fill-rule='evenodd'><rect width='1' height='1'/></g>", PaintKind::kColour,
         red, FillRule::kEvenOdd},
        {"style beats the attribute", "<rect fill='blue' style='fill: #f00' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"sheet beats the attribute, id beats class",
         "<style>#r{fill:red} .c{fill:blue} rect{fill:green}</style><rect id='r' class='c' "
         "fill='white' "
         "width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"!important in the sheet beats style",
         "<style>rect{fill:red !important}</style><rect style='fill:blue' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"at-rules are passed over whole, attribute selectors apply",
         "<style>@import url(x.css); @media print { rect { fill: blue } } rect[data-k=\"r\"] { "
         "fill: red }"
         "</style><rect data-k='r' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"descendant selectors",
         "<style>g.k rect{fill:red} svg > g rect{fill-rule:evenodd}</style><g class='k'><rect "
         "width='1' "
         "height='1'/></g>",
         PaintKind::kColour, red, FillRule::kEvenOdd},
        {"currentColor",
         "<g color='rgb(100%,0%,0%)'><rect fill='currentColor' width='1' height='1'/></g>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"a see-through gradient paints the mean of its stops",
         "<linearGradient id='g'><stop stop-color='red' stop-opacity='0.4'/><stop "
         "style='stop-color:#f00'/></linearGradient>"
         "<radialGradient id='h' href='#g'/><rect fill='url(#h)' width='1' height='1'/>",
         PaintKind::kGradient, red, FillRule::kNonZero},
        {"a gradient without stops paints nothing",
         "<linearGradient id='g'/><rect fill='url(#g)' width='1' height='1'/>", PaintKind::kNone,
         black, FillRule::kNonZero},
        {"a reference to nothing paints nothing", "<rect fill='url(#none)' width='1' height='1'/>",
         PaintKind::kNone, black, FillRule::kNonZero},
        {"a reference with a fallback", "<rect fill='url(#none) red' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"a transparent colour paints nothing",
         "<rect fill='rgba(0,0,0,0)' width='1' height='1'/><rect fill='#f000' width='1' "
         "height='1'/>",
         PaintKind::kNone, black, FillRule::kNonZero},
        {"elements written with the svg: prefix",
         "<svg:rect xmlns:svg='http://www.w3.org/2000/svg' "
         "fill='red' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
        {"short hex and names",
         "<rect fill='#F00' width='1' height='1'/><rect fill='Red' width='1' height='1'/>",
         PaintKind::kColour, red, FillRule::kNonZero},
    };
    for (const Case& c : cases) {
        const Drawing d = Read(c.body);
        ASSERT_FALSE(d.shapes.empty()) << c.what;
        for (const Shape& s : d.shapes) {
            EXPECT_EQ(s.style.fill.kind, c.fill) << c.what;
            EXPECT_EQ(s.style.fill.colour, c.colour) << c.what;
            EXPECT_EQ(s.style.fillRule, c.rule) << c.what;
        }
    }
    const Drawing d = Read(
        "<g opacity='0.5' stroke-width='2'><rect opacity='0.5' transform='scale(3)' "
        "width='1' height='1'/></g>");
    EXPECT_DOUBLE_EQ(d.shapes.at(0).style.opacity, 0.25);
    EXPECT_DOUBLE_EQ(d.shapes.at(0).style.strokeWidth, 2.0);
    EXPECT_DOUBLE_EQ(d.shapes.at(0).strokeScale, 3.0);
    const Drawing fixed = Read(
        "<rect vector-effect='non-scaling-stroke' transform='scale(3)' width='1' height='1'/>");
    EXPECT_DOUBLE_EQ(fixed.shapes.at(0).strokeScale, 1.0);
}

// Expected values are the CSS Color definitions worked by hand: hsl(h, s, l) with
// C = (1 - |2l - 1|) s, rounded to the nearest of 0..255.
TEST(Style, ColourFunctionsNamesAndKeywordsAreRead) {
    struct Case {
        const char* text;
        bool ok;
        Colour colour;
        double alpha;
    };
    const Case cases[] = {
        {"hsl(0, 0%, 100%)", true, {255, 255, 255}, 1.0},
        {"hsl(120, 100%, 25%)", true, {0, 128, 0}, 1.0},
        {"HSL(240deg 100% 50%)", true, {0, 0, 255}, 1.0},
        {"hsl(0.5turn 100% 50%)", true, {0, 255, 255}, 1.0},
        {"hsl(3.14159265rad, 100%, 50%)", true, {0, 255, 255}, 1.0},
        {"hsl(400grad 100% 50%)", true, {255, 0, 0}, 1.0},
        {"hsl(-120, 100%, 50%)", true, {0, 0, 255}, 1.0},
        {"hsl(30, 100%, 50%)", true, {255, 128, 0}, 1.0},
        {"hsla(0, 100%, 50%, 0.25)", true, {255, 0, 0}, 0.25},
        {"hsl(0 100% 50% / 40%)", true, {255, 0, 0}, 0.4},
        {"rgb(100%, 50%, 0%)", true, {255, 128, 0}, 1.0},
        {"rgb(255 0 0 / 50%)", true, {255, 0, 0}, 0.5},
        {"rgba(0, 0, 255, .5)", true, {0, 0, 255}, 0.5},
        {"rgb(300, -4, 0)", true, {255, 0, 0}, 1.0},
        {"transparent", true, {0, 0, 0}, 0.0},
        {"rebeccapurple", true, {0x66, 0x33, 0x99}, 1.0},
        {"LightGoldenrodYellow", true, {0xFA, 0xFA, 0xD2}, 1.0},
        {"mediumspringgreen", true, {0x00, 0xFA, 0x9A}, 1.0},
        {"hsl(0, 0%)", false, {}, 1.0},
        {"hsl(red, 0%, 0%)", false, {}, 1.0},
        {"hsl(0, 0%, 0%) x", false, {}, 1.0},
        {"rgb(1, 2, 3, 4, 5)", false, {}, 1.0},
        {"rgb(1px, 2, 3)", false, {}, 1.0},
        {"bluish", false, {}, 1.0},
    };
    for (const Case& c : cases) {
        Colour colour{1, 2, 3};
        double alpha = 1.0;
        EXPECT_EQ(ParseColourAlpha(c.text, &colour, &alpha), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(colour, c.colour) << c.text;
        EXPECT_DOUBLE_EQ(alpha, c.alpha) << c.text;
    }
}

// What a browser paints when a colour cannot be read: the declaration is dropped, so the
// attribute's, the parent's or black stays; the element's own declarations are warned about.
// Columns are the attribute's: the <svg> start tag before the body is 40 characters long.
TEST(Style, AnUnreadableColourLeavesWhatWasThereWithAWarning) {
    struct Case {
        const char* body;
        PaintKind fill;
        Colour colour;
        std::vector<std::string> warnings;
    };
    const Colour black{}, white{255, 255, 255}, red{255, 0, 0};
    const Case cases[] = {
        {"<rect style='fill:hsl(0, 0%, 100%)' width='1' height='1'/>",
         PaintKind::kColour,
         white,
         {}},
        {"<rect fill='hsl(0 0% 100%)' width='1' height='1'/>", PaintKind::kColour, white, {}},
        {"<rect style='fill:hsl(0, 0%)' width='1' height='1'/>",
         PaintKind::kColour,
         black,
         {"t.svg:1:47: <rect>: style=\"fill:hsl(0, 0%)\": cannot be read; ignored"}},
        {"<g fill='red'><rect style='fill:bluish' width='1' height='1'/></g>",
         PaintKind::kColour,
         red,
         {"t.svg:1:61: <rect>: style=\"fill:bluish\": cannot be read; ignored"}},
        {"<g fill='red'><rect fill='bluish' width='1' height='1'/></g>",
         PaintKind::kColour,
         red,
         {"t.svg:1:61: <rect>: fill=\"bluish\": cannot be read; ignored"}},
        {"<rect fill='red' style='fill:rgb(1,2)' width='1' height='1'/>",
         PaintKind::kColour,
         red,
         {"t.svg:1:58: <rect>: style=\"fill:rgb(1,2)\": cannot be read; ignored"}},
        {"<style>rect{fill:bluish}</style><g fill='red'><rect width='1' height='1'/></g>",
         PaintKind::kColour,
         red,
         {}},
        {"<rect style='fill:transparent' width='1' height='1'/>", PaintKind::kNone, black, {}},
    };
    for (const Case& c : cases) {
        const SvgReadResult r = ReadSvgText(
            std::string("<svg xmlns='http://www.w3.org/2000/svg'>") + c.body + "</svg>", "t.svg");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawing.shapes.size(), 1u) << c.body;
        EXPECT_EQ(r.drawing.shapes[0].style.fill.kind, c.fill) << c.body;
        EXPECT_EQ(r.drawing.shapes[0].style.fill.colour, c.colour) << c.body;
        EXPECT_EQ(r.drawing.warnings, c.warnings) << c.body;
    }
}

// A stroke width (and dashes) in % is of the viewport's diagonal over the square root of 2, and a
// nested viewport resolves an inherited percentage against its own size.
TEST(Style, StrokeWidthInPercentFollowsTheViewport) {
    struct Case {
        const char* svg;
        double width;
        size_t warnings;
    };
    const double kDiagonal3040 = std::sqrt((30.0 * 30.0 + 40.0 * 40.0) / 2.0);
    const double kDiagonal68 = std::sqrt((6.0 * 6.0 + 8.0 * 8.0) / 2.0);
    const Case cases[] = {
        {"<svg viewBox='0 0 30 40'><rect stroke-width='10%' width='1' height='1'/></svg>",
         0.1 * kDiagonal3040, 0},
        {"<svg width='30' height='40'><rect style='stroke-width:2.5%' width='1' height='1'/></svg>",
         0.025 * kDiagonal3040, 0},
        {"<svg viewBox='0 0 30 40'><g stroke-width='10%'><svg width='6' height='8'><rect "
         "width='1' height='1'/></svg></g></svg>",
         0.1 * kDiagonal68, 0},
        {"<svg viewBox='0 0 30 40'><g stroke-width='10%'><rect stroke-width='2' width='1' "
         "height='1'/></g></svg>",
         2.0, 0},
        {"<svg viewBox='0 0 30 40'><rect stroke-width='-5%' width='1' height='1'/></svg>", 1.0, 1},
    };
    for (const Case& c : cases) {
        const SvgReadResult r = ReadSvgText(c.svg, "t.svg");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawing.shapes.size(), 1u) << c.svg;
        EXPECT_NEAR(r.drawing.shapes[0].style.strokeWidth, c.width, 1e-9) << c.svg;
        EXPECT_EQ(r.drawing.warnings.size(), c.warnings) << c.svg;
    }
    // Dashes and their offset in % too, mixed with plain lengths.
    struct DashCase {
        const char* svg;
        std::vector<double> dashes;
        double offset;
    };
    const DashCase dashCases[] = {
        {"<svg viewBox='0 0 30 40'><line x2='9' stroke-dasharray='10%, 2' "
         "stroke-dashoffset='20%'/></svg>",
         {0.1 * kDiagonal3040, 2.0},
         0.2 * kDiagonal3040},
        {"<svg viewBox='0 0 30 40'><g stroke-dasharray='10%' stroke-dashoffset='1'><svg "
         "width='6' height='8'><line x2='9'/></svg></g></svg>",
         {0.1 * kDiagonal68, 0.1 * kDiagonal68},
         1.0},
    };
    for (const DashCase& c : dashCases) {
        const SvgReadResult r = ReadSvgText(c.svg, "t.svg");
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawing.shapes.size(), 1u) << c.svg;
        const Style& st = r.drawing.shapes[0].style;
        ASSERT_EQ(st.dashArray.size(), c.dashes.size()) << c.svg;
        for (size_t i = 0; i < c.dashes.size(); ++i) {
            EXPECT_NEAR(st.dashArray[i], c.dashes[i], 1e-9) << c.svg << " " << i;
        }
        EXPECT_NEAR(st.dashOffset, c.offset, 1e-9) << c.svg;
        EXPECT_TRUE(r.drawing.warnings.empty()) << c.svg;
    }
}

}  // namespace
}  // namespace txorb::cli
