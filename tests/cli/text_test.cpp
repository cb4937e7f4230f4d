// Lettering: text set as glyph outlines inside the box a browser gives it (anchors, tspans,
// x/y/dx/dy, white space, baselines) in the weight, slant and family asked for, and filled like
// any shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

struct Extent {
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    double Width() const { return maxX - minX; }
};

const std::string kFont = "font-family='DejaVu Sans' font-size='100'";

Extent Bounds(const std::string& text) {
    const ReadResult r =
        ReadSvgText("<svg xmlns='http://www.w3.org/2000/svg'>" + text + "</svg>", "t.svg");
    EXPECT_TRUE(r.ok) << r.error;
    Extent e;
    for (const Item& item : r.drawing.items) {
        for (const Subpath& p : item.outline) {
            for (const Point q : Flatten(p, 0.01)) {
                e.minX = std::min(e.minX, q.x), e.maxX = std::max(e.maxX, q.x);
                e.minY = std::min(e.minY, q.y), e.maxY = std::max(e.maxY, q.y);
            }
        }
    }
    return e;
}

// "HIH" at 100 units: capitals stand on the baseline and reach about 0.73 em up in every
// common sans font, and three capitals are between one and three em wide.
TEST(Text, GlyphOutlinesFillTheTextsBox) {
    const struct {
        const char* what;
        std::string text;
        double left, right;  // where the letters must lie in x
        double baseline;     // their lowest y
    } cases[] = {
        {"start anchor: from x on", "<text x='500' y='300' " + kFont + ">HIH</text>", 500, 800,
         300},
        {"end anchor: up to x", "<text x='500' y='300' text-anchor='end' " + kFont + ">HIH</text>",
         200, 500, 300},
        {"middle anchor: around x",
         "<text x='500' y='300' text-anchor='middle' " + kFont + ">HIH</text>", 350, 650, 300},
        {"tspan pieces continue the line",
         "<text x='500' y='300' " + kFont + ">H<tspan font-weight='bold'>I</tspan>H</text>", 500,
         800, 300},
        {"dx moves the pen", "<text x='400' dx='100' y='300' " + kFont + ">HIH</text>", 500, 800,
         300},
        {"a tspan's single x places its first letter",
         "<text x='500' y='300' " + kFont + "><tspan x='500' y='300'>HIH</tspan></text>", 500, 800,
         300},
        {"white space collapses and is trimmed",
         "<text x='500' y='300' " + kFont + ">\n   HIH   \n</text>", 500, 800, 300},
        {"dy in em lowers the letters", "<text x='500' y='300' dy='0.5em' " + kFont + ">HIH</text>",
         500, 800, 350},
        // The middle of the em box on y: capitals reach about as far above it as below.
        {"a central baseline",
         "<text x='500' y='300' dominant-baseline='central' " + kFont + ">HIH</text>", 500, 800,
         335},
    };
    for (const auto& c : cases) {
        const Extent e = Bounds(c.text);
        EXPECT_GE(e.minX, c.left) << c.what;
        EXPECT_LE(e.maxX, c.right) << c.what;
        EXPECT_GE(e.Width(), 150) << c.what;
        EXPECT_NEAR(e.maxY, c.baseline, 1) << c.what;  // y points down
        EXPECT_NEAR(e.minY, c.baseline - 73, 3) << c.what;
    }
    // Per-character positions, a transform, and dy.
    const Extent placed = Bounds("<text x='0 1000' y='300' dy='50' transform='translate(7 0)' " +
                                 kFont + ">HH</text>");
    EXPECT_NEAR(placed.maxY, 350, 0.5);
    EXPECT_GE(placed.maxX, 1007 + 50);
    EXPECT_LE(placed.minX, 7 + 15);
}

TEST(Text, SpacingWeightSlantAndFamilyChangeTheLetters) {
    const Extent regular = Bounds("<text " + kFont + ">HIH</text>");
    const struct {
        const char* what;
        std::string text, same;  // `same`: a text that must end where `text` ends
        double wider, most;      // how much further right than the regular line it ends
    } cases[] = {
        {"bold, through the font shorthand",
         "<text style='font: bold 100px DejaVu Sans'>HIH</text>", "", 10, 1e9},
        // Three spaces of about 0.32 em each move the letters along.
        {"kept white space", "<text xml:space='preserve' " + kFont + ">   HIH</text>", "", 2 * 25,
         1e9},
        {"letter spacing after the first two letters",
         "<text letter-spacing='20' " + kFont + ">HIH</text>", "", 2 * 20 - 12, 2 * 20 + 12},
        {"the space between two pieces is kept",
         "<text " + kFont + "><tspan>HIH</tspan> <tspan>HIH</tspan></text>",
         "<text " + kFont + ">HIH HIH</text>", 0, 1e9},
        {"white space before a positioned tspan is the text's",
         "<text " + kFont + ">I\n  <tspan x='500' y='300'>HIH</tspan></text>",
         "<text " + kFont + ">I<tspan x='500' y='300'>HIH</tspan></text>", 0, 1e9},
        // A PostScript name says family, weight and slant.
        {"a PostScript name",
         "<text font-family='DejaVuSans-BoldOblique' font-size='100'>HIH</text>",
         "<text font-family='DejaVu Sans' font-weight='bold' font-style='italic' "
         "font-size='100'>HIH</text>",
         0, 1e9},
    };
    for (const auto& c : cases) {
        const Extent e = Bounds(c.text);
        const double same = c.same.empty() ? e.maxX : Bounds(c.same).maxX;
        EXPECT_NEAR(e.maxX, same, 0.5) << c.what;
        EXPECT_GE(e.maxX - regular.maxX, c.wider) << c.what;
        EXPECT_LE(e.maxX - regular.maxX, c.most) << c.what;
    }
    const Extent mixed = Bounds("<text " + kFont +
                                "><tspan>HIH</tspan><tspan font-weight='bold'>HIH</tspan></text>");
    EXPECT_GT(mixed.maxX, Bounds("<text " + kFont + ">HIHHIH</text>").maxX + 5);
    const Extent mono = Bounds("<text font-family='DejaVu Sans Mono' font-size='100'>HIH</text>");
    EXPECT_NE(std::lround(mono.Width()), std::lround(regular.Width()));
    // Text is filled like any shape, black unless told otherwise.
    const ReadResult r =
        ReadSvgText("<svg><text>a</text><text fill='none' stroke='red'>b</text></svg>", "t.svg");
    ASSERT_EQ(r.drawing.items.size(), 2u);
    EXPECT_EQ(r.drawing.items[0].fill->colour, (Colour{}));
    EXPECT_FALSE(r.drawing.items[1].fill);
    EXPECT_EQ(r.drawing.items[1].stroke->colour, (Colour{255, 0, 0}));
}

}  // namespace
}  // namespace txorb::drawing
