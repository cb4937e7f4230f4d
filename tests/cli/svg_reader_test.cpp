// The SVG reader on small drawings: each element kind, transforms, arcs and curves, values it
// cannot read (drawn as a browser draws them, with a located warning), files that are no
// drawings, and what it counts as not marked.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

std::string Svg(const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>";
}

// Every item's outline as "x,y x,y | x,y ..." to 3 decimals.
std::string Outline(const Drawing& d) {
    std::string out;
    for (const Item& item : d.items) {
        for (const Subpath& p : item.outline) {
            out += out.empty() ? "" : " | ";
            std::string line;
            for (const Point q : Flatten(p, 0.001)) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%s%g,%g", line.empty() ? "" : " ",
                              std::round(q.x * 1000) / 1000 + 0.0,
                              std::round(q.y * 1000) / 1000 + 0.0);
                line += buf;
            }
            out += line;
        }
    }
    return out;
}

TEST(SvgReader, ElementsAndTransformsGiveTheseOutlines) {
    const struct {
        const char* what;
        std::string body;
        const char* outline;
    } cases[] = {
        {"line", "<line x1='1' y1='2' x2='10' y2='20'/>", "1,2 10,20"},
        {"polyline", "<polyline points='0,0 10,0 10 10'/>", "0,0 10,0 10,10"},
        {"polygon closes", "<polygon points='0,0 10,0 10,10'/>", "0,0 10,0 10,10 0,0"},
        {"rect", "<rect x='1' y='2' width='10' height='5'/>", "1,2 11,2 11,7 1,7 1,2"},
        {"rect of zero width", "<rect width='0' height='5'/>", ""},
        {"units", "<line x1='0' y1='0' x2='1in' y2='2.54cm'/>", "0,0 96,96"},
        {"path absolute", "<path d='M 0 0 L 10 0 H 20 V 5 Z'/>", "0,0 10,0 20,0 20,5 0,0"},
        {"path relative, implicit lineto", "<path d='m1 1 2 0 0 2z'/>", "1,1 3,1 3,3 1,1"},
        {"packed numbers", "<path d='M1-2L.5.5-3e1,1'/>", "1,-2 0.5,0.5 -30,1"},
        {"two subpaths", "<path d='M0 0 L1 0 M5 5 l1 1'/>", "0,0 1,0 | 5,5 6,6"},
        {"after Z from the start", "<path d='M0 0 L4 0 L4 4 Z L0 9'/>",
         "0,0 4,0 4,4 0,0 | 0,0 0,9"},
        {"translate", "<g transform='translate(10,20)'><line x2='1'/></g>", "10,20 11,20"},
        {"nested groups, outer first",
         "<g transform='translate(10 0)'><g transform='scale(2)'><line x2='1' y2='1'/></g></g>",
         "10,0 12,2"},
        {"element after group",
         "<g transform='scale(3)'><line transform='translate(1 0)' x2='1'/></g>", "3,0 6,0"},
        {"rotate about a point", "<line transform='rotate(90 5 5)' x1='5' x2='10' y2='5'/>",
         "10,5 5,10"},
        {"matrix", "<line transform='matrix(1 0 0 -1 0 100)' x2='5' y2='10'/>", "0,100 5,90"},
        {"skewX", "<line transform='skewX(45)' y2='10'/>", "0,0 10,10"},
        {"display none, also a group's",
         "<line display='none' x2='1'/><g style='display: none'><line x2='2'/></g>", ""},
        {"paints nothing: fill and stroke none, hidden, opacity 0",
         "<rect width='1' height='1' fill='none'/><rect width='1' height='1' visibility='hidden'/>"
         "<g opacity='0'><rect width='1' height='1'/></g><rect width='1' height='1' "
         "fill-opacity='0'/>",
         ""},
        {"an arrow head at the end, along the line",
         "<marker id='a' markerWidth='10' markerHeight='10' refY='5' orient='auto' "
         "markerUnits='userSpaceOnUse'><path d='M0 0 L10 5 L0 10 Z'/></marker>"
         "<line y2='100' stroke='black' marker-end='url(#a)'/>",
         "0,0 0,100 | 5,100 0,110 -5,100 5,100"},
        {"markers at every corner, scaled by the stroke width",
         "<marker id='d' markerWidth='1' markerHeight='1'><path d='M0 0 H1'/></marker>"
         "<polyline points='0,0 10,0 10,10' stroke-width='2' style='marker: url(#d)'/>",
         "0,0 10,0 10,10 | 0,0 2,0 | 10,0 12,0 | 10,10 12,10"},
        {"auto is no value", "<rect width='2' height='2' rx='auto'/>", "0,0 2,0 2,2 0,2 0,0"},
        {"use places a copy", "<defs><line id='l' x2='1'/></defs><use href='#l' x='5' y='6'/>",
         "5,6 6,6"},
        {"use of a symbol fits its viewBox",
         "<symbol id='s' viewBox='0 0 10 10'><line x2='10'/></symbol><use href='#s' width='20' "
         "height='20'/>",
         "0,0 20,0"},
        {"the first child of a switch that holds",
         "<switch><line requiredExtensions='x' x2='1'/><line systemLanguage='de' x2='2'/><line "
         "x2='3'/>"
         "<line x2='4'/></switch>",
         "0,0 3,0"},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadSvgText(Svg(c.body), "t.svg");
        ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
        EXPECT_EQ(Outline(r.drawing), c.outline) << c.what;
        EXPECT_EQ(r.drawing.warnings, std::vector<std::string>{}) << c.what;
    }
}

TEST(SvgReader, CurvesAndArcs) {
    const struct {
        const char* what;
        const char* body;
        double minX, maxX, minY, maxY;
        Point centre;   // points of round shapes lie at radius from here
        double radius;  // 0: not a round shape
    } cases[] = {
        // clang-format off
        {"circle", "<circle cx='5' cy='6' r='10'/>", -5, 15, -4, 16, {5, 6}, 10},
        {"ellipse", "<ellipse rx='20' ry='10'/>", -20, 20, -10, 10, {}, 0},
        {"rotated ellipse", "<ellipse rx='20' ry='10' transform='rotate(90)'/>", -10, 10, -20, 20,
         {}, 0},
        {"rounded rect", "<rect width='20' height='10' rx='5'/>", 0, 20, 0, 10, {}, 0},
        {"arc, sweep over the top", "<path d='M0 0 A5 5 0 0 1 10 0'/>", 0, 10, -5, 0, {5, 0}, 5},
        {"arc, other sweep under", "<path d='M0 0 A5 5 0 0 0 10 0'/>", 0, 10, 0, 5, {5, 0}, 5},
        {"arc radius scaled up", "<path d='M0 0 A1 1 0 0 1 10 0'/>", 0, 10, -5, 0, {5, 0}, 5},
        {"large arc", "<path d='M0 0 A5 5 0 1 1 5 5'/>", 0, 10, -5, 5, {5, 0}, 5},
        {"packed arc flags", "<path d='M0 0a5 5 0 0110 0'/>", 0, 10, -5, 0, {5, 0}, 5},
        {"cubic", "<path d='M0 0 C0 10 10 10 10 0'/>", 0, 10, 0, 7.5, {}, 0},
        {"smooth cubic reflects", "<path d='M0 0 C0 10 10 10 10 0 S20 -10 20 0'/>", 0, 20, -7.5,
         7.5, {}, 0},
        {"quadratic", "<path d='M0 0 Q5 10 10 0'/>", 0, 10, 0, 5, {}, 0},
        {"smooth quadratic reflects", "<path d='M0 0 Q5 10 10 0 T20 0'/>", 0, 20, -5, 5, {}, 0},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadSvgText(Svg(c.body), "t.svg");
        ASSERT_EQ(r.drawing.items.size(), 1u) << c.what;
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (const Point q : Flatten(r.drawing.items[0].outline.at(0), 1e-4)) {
            minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
            minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
            const double off = c.radius > 0 ? Distance(q, c.centre) - c.radius : 0.0;
            EXPECT_NEAR(off, 0.0, 1e-3) << c.what;
        }
        EXPECT_NEAR(minX, c.minX, 1e-3) << c.what;
        EXPECT_NEAR(maxX, c.maxX, 1e-3) << c.what;
        EXPECT_NEAR(minY, c.minY, 1e-3) << c.what;
        EXPECT_NEAR(maxY, c.maxY, 1e-3) << c.what;
    }
}

TEST(SvgReader, FlatteningStaysWithinToleranceAndNoFiner) {
    const ReadResult r = ReadSvgText(Svg("<circle r='1000'/>"), "t.svg");
    for (const double tolerance : {10.0, 1.0, 0.1}) {
        const std::vector<Point> line = Flatten(r.drawing.items.at(0).outline.at(0), tolerance);
        double worst = 0.0;
        for (size_t i = 1; i < line.size(); ++i) {
            worst = std::max(worst, 1000.0 - Distance((line[i - 1] + line[i]) * 0.5, {0, 0}));
        }
        EXPECT_LE(worst, tolerance) << tolerance;
        // Halving a piece cuts its error by about four: the worst chord keeps an eighth.
        EXPECT_GE(worst, tolerance / 8) << tolerance;
    }
}

// What a browser does with values it cannot read: it draws the element without them (a path
// up to its error), or not at all where the value makes the element invalid.
TEST(SvgReader, UnreadableValuesAreLocatedWarningsAndFilesThatAreNoDrawingsErrors) {
    const struct {
        std::string text;
        const char* warning;  // or the error, when the file is refused
        const char* outline;  // nullptr: refused
    } cases[] = {
        {"<svg>\n  <path d='M 0 0 L 1'/></svg>",
         "t.svg:2:9: <path>: d, character 10: expected a number for 'L'; drawn up to there", ""},
        {"<svg><path d='M0 0 L 5 0 X 1'/></svg>",
         "t.svg:1:12: <path>: d, character 12: unknown path command 'X'; drawn up to there",
         "0,0 5,0"},
        {"<svg><path d='M0 0 A 1 1 0 2 0 5 5'/></svg>",
         "t.svg:1:12: <path>: d, character 14: arc flag must be 0 or 1; drawn up to there", ""},
        {"<svg>\n<g transform='matrix(1,0,0.09,1,0,0'><line x2='4'/></g></svg>",
         "t.svg:2:4: <g>: transform=\"matrix(1,0,0.09,1,0,0\": malformed arguments of matrix; "
         "ignored",
         "0,0 4,0"},
        {"<svg><g transform='rotate(1 2)'><line x2='1'/></g></svg>",
         "t.svg:1:9: <g>: transform=\"rotate(1 2)\": rotate does not take 2 arguments; ignored",
         "0,0 1,0"},
        {"<svg><circle r='-1'/></svg>", "t.svg:1:7: <circle>: negative radius; not drawn", ""},
        {"<svg><rect width='abc' height='1'/></svg>",
         "t.svg:1:12: <rect>: width=\"abc\": not a number; ignored", ""},
        {"<svg><polyline points='0,0 1,0 1'/></svg>",
         "t.svg:1:16: <polyline>: points: odd number of coordinates (5); drawn up to there", ""},
        {"<svg><use href='#none'/></svg>",
         "t.svg:1:11: <use>: no element with id \"none\"; not drawn", ""},
        {"<svg><g id='a'><use href='#a'/></g></svg>",
         "t.svg:1:21: <use>: references nest too deep (a cycle?); not drawn", ""},
        {"<svg><line x2='2' fill='#12'/></svg>",
         "t.svg:1:19: <line>: fill=\"#12\": cannot be read; ignored", "0,0 2,0"},
        {"<svg viewBox='0 0 -1 2'><line x2='2'/></svg>",
         "t.svg:1:6: <svg>: viewBox=\"0 0 -1 2\": no width or height; nothing in it is drawn", ""},
        {"<svg><path d='M0 0'>", "t.svg:1:20: XML error: Start-end tags mismatch", nullptr},
        {"<html/>", "t.svg:1:2: not an SVG drawing: the root element is <html>", nullptr},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadSvgText(c.text, "t.svg");
        EXPECT_EQ(r.ok, c.outline != nullptr) << c.text;
        if (!r.ok) {
            EXPECT_EQ(r.error, c.warning) << c.text;
            continue;
        }
        EXPECT_EQ(r.drawing.warnings, std::vector<std::string>{c.warning}) << c.text;
        EXPECT_EQ(Outline(r.drawing), c.outline) << c.text;
    }
}

TEST(SvgReader, EntitiesOfTheDoctypeAreReplacedAndDeepNestingCutOff) {
    const ReadResult r = ReadSvgText(
        "<!DOCTYPE svg [ <!ENTITY ns 'http://www.w3.org/2000/svg'> <!ENTITY % p 'x'>\n"
        "  <!ENTITY d \"M0 0 L4 0\"> ]>\n<svg xmlns='&ns;'><path d='&d;' stroke='&amp;'/></svg>",
        "t.svg");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(Outline(r.drawing), "0,0 4,0");
    // Far deeper than the reader walks (256 levels), as a hostile file might nest.
    constexpr int kLevels = 100000;
    std::string text = "<svg>";
    for (int i = 0; i < kLevels; ++i) text += "<g>";
    text += "<rect width='1' height='1'/>";
    for (int i = 0; i < kLevels; ++i) text += "</g>";
    text += "<text>";
    for (int i = 0; i < kLevels; ++i) text += "<tspan>";
    text += "deep";
    for (int i = 0; i < kLevels; ++i) text += "</tspan>";
    const ReadResult deep = ReadSvgText(text + "</text></svg>", "t.svg");
    ASSERT_TRUE(deep.ok);
    // The 257th <g> starts 5 + 3 * 256 characters in; the place is that of its name.
    EXPECT_EQ(deep.drawing.warnings,
              std::vector<std::string>{"t.svg:1:775: <g>: elements nest too deep; not drawn"});
    EXPECT_TRUE(deep.drawing.items.empty());
}

TEST(SvgReader, CountsWhatIsNotMarkedAndReadsFiles) {
    const ReadResult r = ReadSvgText(
        Svg("<title>x</title><image/><foreignObject/><foreignObject/><image href='/dev/zero'/>"
            "<image href='data:image/gif;base64,R0lGODlh'/>"
            "<pattern id='p'/><rect width='1' height='1' fill='url(#p)'/>"
            "<line x1='0' y1='0' x2='1' y2='0' filter='url(#f)'/>"),
        "t.svg");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.drawing.notMarked,
              (std::map<std::string, size_t>{{"<foreignObject>", 2},
                                             {"<image> whose file cannot be opened", 1},
                                             {"<image> with an unsupported format", 1},
                                             {"<image> without a picture", 1},
                                             {"<pattern> fills (hatched as solid)", 1},
                                             {"filter effects (drawn without)", 1}}));
    const ReadResult missing = ReadSvgFile("/nonexistent/drawing.svg");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "/nonexistent/drawing.svg: cannot open: No such file or directory");
    const ReadResult demo = ReadSvgFile(TXORB_SOURCE_DIR "/examples/demo.svg");
    ASSERT_TRUE(demo.ok) << demo.error;
    EXPECT_TRUE(demo.drawing.warnings.empty());
    // Items say where they are written.
    const ReadResult lines =
        ReadSvgText("<svg>\n<line x2='1'/>\n\n<g><rect width='1' height='1'/></g></svg>", "t.svg");
    ASSERT_EQ(lines.drawing.items.size(), 2u);
    EXPECT_EQ(lines.drawing.items[0].line, 2u);
    EXPECT_EQ(lines.drawing.items[1].line, 4u);
}

}  // namespace
}  // namespace txorb::drawing
