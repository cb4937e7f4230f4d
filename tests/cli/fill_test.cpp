// Fills as marked: hatch lines cut to the shape under its fill rule, joined into zig-zags,
// turned, crossed and inset; what is painted later knocks out what is below it; white (or
// the skip colour) covers without being marked; invisible paint neither marks nor covers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "cli/fit.h"

namespace txorb::cli {
namespace {

Drawing Read(const std::string& body) {
    const SvgReadResult r =
        ReadSvgText("<svg xmlns='http://www.w3.org/2000/svg'>" + body + "</svg>", "t.svg");
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.drawing.warnings.empty()) << r.drawing.warnings.front();
    return r.drawing;
}

// A 100-unit square drawn at field 1000 covers -500..500 bits; hatch lines 100 bits apart lie
// at y = +-50, +-150, ... +-450: ten lines across the square.
FitOptions Square() {
    FitOptions o;
    o.fieldBits = 1000;
    o.hatch.spacing = 100;
    return o;
}

struct Marks {
    int horizontal = 0;  // straight pieces along x
    int vertical = 0;    // along y
    long horizontalLength = 0;
    int crossingMiddle = 0;  // horizontal pieces with ends on both sides of x = 0
    int insideHole = 0;      // moves with a point strictly inside |x|, |y| < 200
    size_t polylines = 0;
};

Marks Measure(const FittedJob& job) {
    Marks m;
    m.polylines = job.polylines.size();
    for (const auto& line : job.polylines) {
        for (size_t i = 1; i < line.size(); ++i) {
            const FieldPoint a = line[i - 1], b = line[i];
            if (a.y == b.y) {
                ++m.horizontal;
                m.horizontalLength += std::abs(a.x - b.x);
                if (std::min(a.x, b.x) < 0 && std::max(a.x, b.x) > 0) ++m.crossingMiddle;
            }
            if (a.x == b.x) ++m.vertical;
            for (double t : {0.0, 0.5, 1.0}) {
                const double x = a.x + t * (b.x - a.x), y = a.y + t * (b.y - a.y);
                if (std::fabs(x) < 199 && std::fabs(y) < 199) ++m.insideHole;
            }
        }
    }
    return m;
}

TEST(Fill, SquareWithASquareHoleLeavesTheHoleEmptyUnderBothFillRules) {
    const std::string outer = "M0 0 H100 V100 H0 Z ";
    struct Case {
        const char* what;
        std::string path;
        int horizontal;  // 6 whole lines and 4 lines cut in two by the hole, or 10 whole
        long length;
        int insideHole;
    };
    const Case cases[] = {
        {"even-odd, hole drawn the same way round",
         "<path fill-rule='evenodd' d='" + outer + "M30 30 H70 V70 H30 Z'/>", 14,
         6 * 1000 + 4 * 600, 0},
        {"nonzero, hole drawn the other way round", "<path d='" + outer + "M30 30 V70 H70 V30 Z'/>",
         14, 6 * 1000 + 4 * 600, 0},
        {"nonzero, inner square drawn the same way round is filled",
         "<path d='" + outer + "M30 30 H70 V70 H30 Z'/>", 10, 10 * 1000, 12},
        {"even-odd through a style sheet",
         "<style>.h{fill-rule:evenodd}</style><path class='h' d='" + outer +
             "M30 30 H70 V70 H30 Z'/>",
         14, 6 * 1000 + 4 * 600, 0},
    };
    for (const Case& c : cases) {
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(c.path), Square(), &job, &error)) << c.what << error;
        const Marks m = Measure(job);
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.horizontalLength, c.length) << c.what;
        EXPECT_EQ(m.insideHole > 0, c.insideHole > 0) << c.what;
    }
}

TEST(Fill, HatchLinesFollowSpacingAngleCrossAndInset) {
    const std::string square = "<rect width='100' height='100'/>";
    struct Case {
        const char* what;
        double angle;
        bool cross;
        double inset;
        int horizontal, vertical;
        long length;
        size_t polylines;
    };
    const Case cases[] = {
        // Ten lines and the nine joins between them, which run along the square's sides.
        {"ten lines as one zig-zag", 0, false, 0, 10, 9, 10 * 1000, 1},
        {"turned a quarter: vertical lines", 90, false, 0, 9, 10, 9 * 100, 1},
        {"crossed: both", 0, true, 0, 19, 19, 10 * 1000 + 9 * 100, 2},
        // 100 bits kept free: lines at |y| <= 350 only, each 800 bits long.
        {"inset", 0, false, 100, 8, 7, 8 * 800, 1},
    };
    for (const Case& c : cases) {
        FitOptions o = Square();
        o.hatch.angle = c.angle;
        o.hatch.cross = c.cross;
        o.hatch.inset = c.inset;
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(square), o, &job, &error)) << c.what << error;
        const Marks m = Measure(job);
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.vertical, c.vertical) << c.what;
        EXPECT_EQ(m.horizontalLength, c.length) << c.what;
        EXPECT_EQ(m.polylines, c.polylines) << c.what;
    }
    // The zig-zag alternates direction line by line.
    FittedJob job;
    std::string error;
    ASSERT_TRUE(FitDrawing(Read(square), Square(), &job, &error));
    int previous = 0;
    for (size_t i = 1; i < job.polylines[0].size(); ++i) {
        const int dx = job.polylines[0][i].x - job.polylines[0][i - 1].x;
        if (dx == 0) continue;
        EXPECT_NE(dx > 0 ? 1 : -1, previous) << i;
        previous = dx > 0 ? 1 : -1;
    }
}

TEST(Fill, LaterPaintKnocksOutWhatIsBelowAndWhiteIsNotMarked) {
    const std::string below = "<rect width='100' height='100'/>";
    struct Case {
        const char* what;
        std::string above;
        std::string skip;
        int horizontal;
        long length;
        int crossingMiddle;
    };
    const Case cases[] = {
        {"a square over the right half: each marked on its own side",
         "<rect x='50' width='50' height='100' fill='blue'/>", "white", 20, 10 * 1000, 0},
        {"white over the right half: only the left half is marked",
         "<rect x='50' width='50' height='100' fill='#fff'/>", "white", 10, 10 * 500, 0},
        {"the skip colour is not marked either",
         "<rect x='50' width='50' height='100' style='fill:rgb(255,0,0)'/>", "red", 10, 10 * 500,
         0},
        {"a fill of opacity 0 neither marks nor covers",
         "<rect x='50' width='50' height='100' fill-opacity='0'/>", "white", 10, 10 * 1000, 10},
        {"hidden paint neither marks nor covers",
         "<rect x='50' width='50' height='100' visibility='hidden'/>", "white", 10, 10 * 1000, 10},
        {"a group of opacity 0 neither marks nor covers",
         "<g opacity='0'><rect x='50' width='50' height='100'/></g>", "white", 10, 10 * 1000, 10},
        {"display none", "<rect x='50' width='50' height='100' display='none'/>", "white", 10,
         10 * 1000, 10},
        {"fill none leaves what is below", "<rect x='50' width='50' height='100' fill='none'/>",
         "white", 10, 10 * 1000, 10},
        {"a white gradient fading out neither marks nor covers (its mean opacity is a half)",
         "<linearGradient id='w'><stop stop-color='#fff'/><stop stop-color='#fff' "
         "stop-opacity='0'/>"
         "</linearGradient><rect x='50' width='50' height='100' fill='url(#w)' "
         "fill-opacity='0.99'/>",
         "white", 10, 10 * 1000, 10},
        // Blue's ink is 0.93: at opacity 0.4 it shows (0.37 > 0.3) but does not hide.
        {"faint paint marks but lets what is below show through",
         "<rect x='50' width='50' height='100' fill='blue' fill-opacity='0.4'/>", "white", 20,
         10 * 1000 + 10 * 500, 10},
        {"pale paint (ink 0.1) is not marked but covers",
         "<rect x='50' width='50' height='100' fill='#dae8fc'/>", "white", 10, 10 * 500, 0},
        {"an inherited white fill", "<g fill='white'><rect x='50' width='50' height='100'/></g>",
         "white", 10, 10 * 500, 0},
    };
    for (const Case& c : cases) {
        FitOptions o = Square();
        ASSERT_TRUE(ParseColour(c.skip, &o.skipColour));
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(below + c.above), o, &job, &error)) << c.what << error;
        const Marks m = Measure(job);
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.horizontalLength, c.length) << c.what;
        EXPECT_EQ(m.crossingMiddle, c.crossingMiddle) << c.what;
    }
}

TEST(Fill, OutlinesAreMarkedForStrokesOrWhenAsked) {
    struct Case {
        const char* what;
        std::string body;
        bool fill, outlineAll;
        size_t polylines;  // hatching (one zig-zag) and outlines
        int horizontal;
    };
    // The outline is a closed square: two of its four moves are horizontal.
    const Case cases[] = {
        {"fill without stroke: hatch only", "<rect width='100' height='100'/>", true, false, 1, 10},
        {"stroke: hatch and outline",
         "<rect width='100' height='100' stroke='red' stroke-width='0.1'/>", true, false, 2, 12},
        {"stroke alone", "<rect width='100' height='100' fill='none' stroke='black'/>", true, false,
         1, 2},
        {"--outline", "<rect width='100' height='100'/>", true, true, 2, 12},
        {"--no-fill: outlines only", "<rect width='100' height='100'/>", false, false, 1, 2},
        // 1000 by 5 bits about y = 0: no hatch line (at y = +-50) crosses it.
        {"a fill thinner than the spacing is marked as its outline",
         "<rect width='100' height='0.5'/>", true, false, 1, 2},
        // 40 units wide at 10 bits a unit is 400 bits, well over two hatch spacings: a band
        // from -700 to 700 with a hole -300..300, hatched on 14 lines, 6 of them cut in two.
        // A white stroke 40 units wide (400 bits) eats 200 bits into the fill all round: the
        // fill is hatched only within -300..300, on 6 lines.
        {"a wide white stroke eats into its own fill",
         "<rect width='100' height='100' stroke='white' stroke-width='40'/>", true, false, 0, 6},
        {"a wide stroke is hatched as a band",
         "<rect width='100' height='100' fill='none' stroke='black' stroke-width='40'/>", true,
         false, 0, 20},
    };
    for (const Case& c : cases) {
        FitOptions o = Square();
        o.hatch.fill = c.fill;
        o.hatch.outlineAll = c.outlineAll;
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(c.body), o, &job, &error)) << c.what << error;
        const Marks m = Measure(job);
        if (c.polylines > 0) {
            EXPECT_EQ(m.polylines, c.polylines) << c.what;
        }
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
    }
}

TEST(Fill, ClipPathsAndNestedViewportsCutWhatIsMarked) {
    struct Case {
        const char* what;
        std::string body;
        int horizontal;
        long length;
        int crossingMiddle;  // what is kept fills the field about its middle, unless the
                             // clip's box is wider than what it keeps
    };
    const std::string square = "<rect width='100' height='100'/>";
    const Case cases[] = {
        {"a clip path keeps the left half",
         "<clipPath id='c'><rect width='50' height='100'/></clipPath><g clip-path='url(#c)'>" +
             square + "</g>",
         10, 10 * 500, 10},
        {"a clip path in fractions of the group's box",
         "<clipPath id='c' clipPathUnits='objectBoundingBox'><rect width='0.5' "
         "height='1'/></clipPath>"
         "<g clip-path='url(#c)'>" +
             square + "</g>",
         10, 10 * 500, 10},
        {"a clip path made of a reference",
         "<defs><rect id='h' width='50' height='100'/></defs><clipPath id='c'><use "
         "href='#h'/></clipPath>"
         "<rect width='100' height='100' clip-path='url(#c)'/>",
         10, 10 * 500, 10},
        {"a clip path under the even-odd rule",
         "<clipPath id='c'><path clip-rule='evenodd' d='M0 0H100V100H0Z M0 "
         "0H50V100H0Z'/></clipPath>"
         "<rect width='100' height='100' style='clip-path:url(#c)'/>",
         10, 10 * 500, 0},
        {"a mask keeps what its shapes cover",
         "<mask id='m'><g><rect width='50' height='100' fill='white'/></g></mask>"
         "<rect width='100' height='100' mask='url(#m)'/>",
         10, 10 * 500, 10},
        {"black in a mask hides what white before it keeps",
         "<mask id='m'><rect width='100' height='100' fill='white'/><rect x='50' width='50' "
         "height='100'/></mask>"
         "<rect width='100' height='100' mask='url(#m)'/>",
         10, 10 * 500, 0},
        {"a mask of a picture keeps the picture's rectangle",
         "<mask id='m'><g filter='url(#a)'><image width='50' height='100' "
         "href='none.png'/></g></mask>"
         "<rect width='100' height='100' mask='url(#m)'/>",
         10, 10 * 500, 10},
        {"a mask of text only is left out",
         "<mask id='m'><text>x</text></mask>"
         "<rect width='100' height='100' mask='url(#m)'/>",
         10, 10 * 1000, 10},
        {"a nested viewport cuts off what it draws outside itself",
         "<svg width='50' height='100'>" + square + "</svg>", 10, 10 * 500, 10},
        {"unless its overflow is visible",
         "<svg width='50' height='100' overflow='visible'>" + square + "</svg>", 10, 10 * 1000, 10},
    };
    for (const Case& c : cases) {
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(c.body), Square(), &job, &error)) << c.what << error;
        const Marks m = Measure(job);
        EXPECT_EQ(m.horizontal, c.horizontal) << c.what;
        EXPECT_EQ(m.horizontalLength, c.length) << c.what;
        EXPECT_EQ(m.crossingMiddle, c.crossingMiddle) << c.what;
    }
}

TEST(Fill, DashedStrokesMarkOnlyTheDashes) {
    // A 100-unit line at 10 bits a unit runs from -500 to 500.
    struct Case {
        const char* dashes;
        const char* pieces;
    };
    const Case cases[] = {
        {"stroke-dasharray='10 10'", "-500..-400 -300..-200 -100..0 100..200 300..400"},
        {"stroke-dasharray='10'", "-500..-400 -300..-200 -100..0 100..200 300..400"},
        {"stroke-dasharray='30,10,10,10'", "-500..-200 -100..0 100..400"},
        {"stroke-dasharray='10 10' stroke-dashoffset='5'",
         "-500..-450 -350..-250 -150..-50 50..150 250..350 450..500"},
        {"stroke-dasharray='0 0'", "-500..500"},
        {"stroke-dasharray='none'", "-500..500"},
    };
    for (const Case& c : cases) {
        FitOptions o = Square();
        o.order = PathOrder::kInput;
        FittedJob job;
        std::string error;
        const Drawing d = Read(std::string("<line x2='100' stroke='black' stroke-width='0.1' ") +
                               c.dashes + "/>");
        ASSERT_TRUE(FitDrawing(d, o, &job, &error)) << c.dashes << error;
        std::string pieces;
        for (const auto& line : job.polylines) {
            pieces += (pieces.empty() ? "" : " ") + std::to_string(line.front().x) + ".." +
                      std::to_string(line.back().x);
        }
        EXPECT_EQ(pieces, c.pieces) << c.dashes;
    }
}

}  // namespace
}  // namespace txorb::cli
