// The paint the SVG reader hands over: the cascade (attributes, style sheets, style, !important,
// inheritance), colours in every CSS form, opacities multiplied out, stroke widths and dashes
// widened by the transform and resolved from % in their viewport, and the clips and masks that
// cut an item.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string Hex(const Colour& c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

// "fill #rrggbb [opacity] [evenodd], stroke #rrggbb w=W [opacity] [dash A,B+OFFSET]; ..."
std::string Paints(const Drawing& d) {
    std::string out;
    for (const Item& item : d.items) {
        std::string one;
        if (item.fill) {
            one = "fill " + Hex(item.fill->colour);
            if (item.fill->opacity != 1.0) one += " " + Number(item.fill->opacity);
            if (item.fill->rule == FillRule::kEvenOdd) one += " evenodd";
        }
        if (const auto& s = item.stroke) {
            one += (one.empty() ? "" : ", ") + std::string("stroke ") + Hex(s->colour) +
                   " w=" + Number(s->width);
            if (s->opacity != 1.0) one += " " + Number(s->opacity);
            for (size_t i = 0; i < s->dashes.size(); ++i)
                one += (i ? "," : " dash ") + Number(s->dashes[i]);
            if (!s->dashes.empty()) one += "+" + Number(s->dashOffset);
        }
        out += (out.empty() ? "" : "; ") + one;
    }
    return out;
}

ReadResult Read(const std::string& body) {
    const std::string text = body.rfind("<svg ", 0) == 0 || body.rfind("<svg>", 0) == 0
                                 ? body
                                 : "<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>";
    const ReadResult r = ReadSvgText(text, "t.svg");
    EXPECT_TRUE(r.ok) << r.error;
    return r;
}

TEST(SvgPaint, TheCascadeGivesEachItemItsPaint) {
    const std::string unit = " width='1' height='1'/>";
    const struct {
        const char* what;
        std::string body;
        const char* paints;
    } cases[] = {
        // clang-format off
        {"no fill: black", "<rect" + unit, "fill #000000"},
        {"inherited", "<g fill='red' fill-rule='evenodd'><rect" + unit + "</g>",
         "fill #ff0000 evenodd"},
        {"style beats the attribute", "<rect fill='blue' style='fill: #f00'" + unit,
         "fill #ff0000"},
        {"sheet beats the attribute, id beats class", "<style>#r{fill:red} .c{fill:blue} "
         "rect{fill:green}</style><rect id='r' class='c' fill='white'" + unit, "fill #ff0000"},
        {"!important in the sheet beats style",
         "<style>rect{fill:red !important}</style><rect style='fill:blue'" + unit, "fill #ff0000"},
        {"at-rules passed over, attribute selectors apply", "<style>@import url(x.css); @media "
         "print { rect { fill: blue } } rect[data-k=\"r\"] { fill: red }</style><rect data-k='r'" +
         unit, "fill #ff0000"},
        {"descendant selectors", "<style>g.k rect{fill:red} svg > g rect{fill-rule:evenodd}"
         "</style><g class='k'><rect" + unit + "</g>", "fill #ff0000 evenodd"},
        {"currentColor", "<g color='rgb(100%,0%,0%)'><rect fill='currentColor'" + unit + "</g>",
         "fill #ff0000"},
        {"a see-through gradient paints the mean of its stops", "<linearGradient id='g'><stop "
         "stop-color='red' stop-opacity='0.4'/><stop style='stop-color:#f00'/></linearGradient>"
         "<radialGradient id='h' href='#g'/><rect fill='url(#h)'" + unit, "fill #ff0000 0.7"},
        {"a gradient without stops, a reference to nothing, a transparent colour: nothing",
         "<linearGradient id='g'/><rect fill='url(#g)'" + unit + "<rect fill='url(#none)'" + unit +
         "<rect fill='rgba(0,0,0,0)'" + unit + "<rect fill='#f000'" + unit, ""},
        {"a reference with a fallback", "<rect fill='url(#none) red'" + unit, "fill #ff0000"},
        {"svg: prefix, short hex and names", "<svg:rect xmlns:svg='http://www.w3.org/2000/svg' "
         "fill='#F00'" + unit + "<rect fill='Red'" + unit, "fill #ff0000; fill #ff0000"},
        {"opacities multiply, the stroke widens with the transform", "<g opacity='0.5' "
         "stroke-width='2' stroke='black'><rect opacity='0.5' transform='scale(3)'" + unit + "</g>",
         "fill #000000 0.25, stroke #000000 w=6 0.25"},
        {"a stroke of no width draws nothing", "<rect stroke='red' stroke-width='0'" + unit,
         "fill #000000"},
        {"a non-scaling stroke does not", "<rect vector-effect='non-scaling-stroke' "
         "stroke='black' transform='scale(3)'" + unit, "fill #000000, stroke #000000 w=1"},
        {"fill-opacity and stroke-opacity above 1 are 1", "<rect fill-opacity='2' stroke='red' "
         "stroke-opacity='0.5' opacity='0.5'" + unit, "fill #000000 0.5, stroke #ff0000 w=1 0.25"},
        // % of the viewport's diagonal over sqrt 2: sqrt((30² + 40²) / 2) = 35.355, and
        // sqrt((6² + 8²) / 2) = 7.0711 in a nested viewport, which an inherited % follows.
        {"stroke-width in %", "<svg viewBox='0 0 30 40'><rect stroke='red' stroke-width='10%'" +
         unit + "</svg>", "fill #000000, stroke #ff0000 w=3.53553"},
        {"of width and height", "<svg width='30' height='40'><rect stroke='red' "
         "style='stroke-width:2.5%'" + unit + "</svg>", "fill #000000, stroke #ff0000 w=0.883883"},
        {"inherited into a nested viewport", "<svg viewBox='0 0 30 40'><g stroke-width='10%' "
         "stroke='red'><svg width='6' height='8'><rect" + unit + "</svg></g></svg>",
         "fill #000000, stroke #ff0000 w=0.707107"},
        {"an own width beats an inherited %", "<svg viewBox='0 0 30 40'><g stroke-width='10%'>"
         "<rect stroke='red' stroke-width='2'" + unit + "</g></svg>",
         "fill #000000, stroke #ff0000 w=2"},
        {"dashes and offset in % and plain", "<svg viewBox='0 0 30 40'><line x2='9' stroke='red' "
         "stroke-dasharray='10%, 2' stroke-dashoffset='20%'/></svg>",
         "fill #000000, stroke #ff0000 w=1 dash 3.53553,2+7.07107"},
        {"an odd dash list repeated, inherited into a nested viewport", "<svg viewBox='0 0 30 40'>"
         "<g stroke-dasharray='10%' stroke-dashoffset='1' stroke='red'><svg width='6' "
         "height='8'><line x2='9'/></svg></g></svg>",
         "fill #000000, stroke #ff0000 w=1 dash 0.707107,0.707107+1"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ReadResult r = Read(c.body);
        EXPECT_EQ(Paints(r.drawing), c.paints) << c.what;
        EXPECT_TRUE(r.drawing.warnings.empty()) << c.what << ": " << r.drawing.warnings.front();
    }
}

// What a browser paints when a value cannot be read: the declaration is dropped, so the
// attribute's, the parent's or the initial value stays; the element's own declarations are
// warned about. Columns are the attribute's: the <svg> start tag before the body is 40 long.
TEST(SvgPaint, AnUnreadableValueLeavesWhatWasThereWithAWarning) {
    const struct {
        const char* body;
        const char* paints;
        std::vector<std::string> warnings;
    } cases[] = {
        {"<rect style='fill:hsl(0, 0%, 100%)' width='1' height='1'/>", "fill #ffffff", {}},
        {"<rect fill='hsl(0 0% 100%)' width='1' height='1'/>", "fill #ffffff", {}},
        {"<rect style='fill:hsl(0, 0%)' width='1' height='1'/>",
         "fill #000000",
         {"t.svg:1:47: <rect>: style=\"fill:hsl(0, 0%)\": cannot be read; ignored"}},
        {"<g fill='red'><rect style='fill:bluish' width='1' height='1'/></g>",
         "fill #ff0000",
         {"t.svg:1:61: <rect>: style=\"fill:bluish\": cannot be read; ignored"}},
        {"<g fill='red'><rect fill='bluish' width='1' height='1'/></g>",
         "fill #ff0000",
         {"t.svg:1:61: <rect>: fill=\"bluish\": cannot be read; ignored"}},
        {"<rect fill='red' style='fill:rgb(1,2)' width='1' height='1'/>",
         "fill #ff0000",
         {"t.svg:1:58: <rect>: style=\"fill:rgb(1,2)\": cannot be read; ignored"}},
        {"<style>rect{fill:bluish}</style><g fill='red'><rect width='1' height='1'/></g>",
         "fill #ff0000",
         {}},
        {"<rect stroke='red' stroke-width='-5%' width='1' height='1'/>",
         "fill #000000, stroke #ff0000 w=1",
         {"t.svg:1:60: <rect>: stroke-width=\"-5%\": cannot be read; ignored"}},
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadSvgText(
            std::string("<svg xmlns='http://www.w3.org/2000/svg'>") + c.body + "</svg>", "t.svg");
        EXPECT_EQ(Paints(r.drawing), c.paints) << c.body;
        EXPECT_EQ(r.drawing.warnings, c.warnings) << c.body;
    }
}

// Expected values are the CSS Color definitions worked by hand: hsl(h, s, l) with
// C = (1 - |2l - 1|) s, rounded to the nearest of 0..255.
TEST(SvgPaint, ColourFunctionsNamesAndKeywordsAreRead) {
    const struct {
        const char* text;
        bool ok;
        Colour colour;
        double alpha;
    } cases[] = {
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
        {"#0f08", true, {0, 255, 0}, 0x88 / 255.0},
        {"transparent", true, {0, 0, 0}, 0.0},
        {"rebeccapurple", true, {0x66, 0x33, 0x99}, 1.0},
        {"LightGoldenrodYellow", true, {0xFA, 0xFA, 0xD2}, 1.0},
        {"hsl(0, 0%)", false, {}, 1.0},
        {"hsl(red, 0%, 0%)", false, {}, 1.0},
        {"hsl(0, 0%, 0%) x", false, {}, 1.0},
        {"rgb(1, 2, 3, 4, 5)", false, {}, 1.0},
        {"rgb(1px, 2, 3)", false, {}, 1.0},
        {"bluish", false, {}, 1.0},
    };
    for (const auto& c : cases) {
        Colour colour{1, 2, 3};
        double alpha = 1.0;
        EXPECT_EQ(ParseColourAlpha(c.text, &colour, &alpha), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(colour, c.colour) << c.text;
        EXPECT_DOUBLE_EQ(alpha, c.alpha) << c.text;
    }
}

// The first item's clips: each as its parts' outlines, "cut" for a part that takes away.
std::string Clips(const Drawing& d) {
    std::string out;
    for (const uint32_t index : d.items.at(0).clips) {
        std::string clip;
        for (const Clip::Part& part : d.clips.at(index).parts) {
            clip += clip.empty() ? "" : " + ";
            if (part.cut) clip += "cut ";
            if (part.rule == FillRule::kEvenOdd) clip += "evenodd ";
            for (const Subpath& p : part.outline) {
                for (const Point q : Flatten(p, 0.01))
                    clip += Number(q.x) + "," + Number(q.y) + " ";
            }
        }
        out += "[" + clip + "]";
    }
    return out;
}

TEST(SvgPaint, ClipPathsMasksAndViewportsCutTheItem) {
    const std::string square = "<rect width='100' height='100'/>";
    const std::string left = "[0,0 50,0 50,100 0,100 0,0 ]";
    const struct {
        const char* what;
        std::string body;
        std::string clips;
    } cases[] = {
        // clang-format off
        {"a clip path", "<clipPath id='c'><rect width='50' height='100'/></clipPath>"
         "<g clip-path='url(#c)'>" + square + "</g>", left},
        {"in fractions of the group's box", "<clipPath id='c' clipPathUnits='objectBoundingBox'>"
         "<rect width='0.5' height='1'/></clipPath><g clip-path='url(#c)'>" + square + "</g>",
         left},
        {"made of a reference", "<defs><rect id='h' width='50' height='100'/></defs><clipPath "
         "id='c'><use href='#h'/></clipPath><rect width='100' height='100' clip-path='url(#c)'/>",
         left},
        {"under the even-odd rule", "<clipPath id='c'><path clip-rule='evenodd' d='M0 0H100V100H0Z "
         "M0 0H50V100H0Z'/></clipPath><rect width='100' height='100' style='clip-path:url(#c)'/>",
         "[evenodd 0,0 100,0 100,100 0,100 0,0 0,0 50,0 50,100 0,100 0,0 ]"},
        {"a mask keeps what its shapes paint", "<mask id='m'><g><rect width='50' height='100' "
         "fill='white'/></g></mask><rect width='100' height='100' mask='url(#m)'/>", left},
        {"black in a mask takes away", "<mask id='m'><rect width='100' height='100' fill='white'/>"
         "<rect x='50' width='50' height='100'/></mask><rect width='100' height='100' "
         "mask='url(#m)'/>",
         "[0,0 100,0 100,100 0,100 0,0  + cut 50,0 100,0 100,100 50,100 50,0 ]"},
        {"a picture in a mask keeps its rectangle", "<mask id='m'><g filter='url(#a)'><image "
         "width='50' height='100' href='none.png'/></g></mask><rect width='100' height='100' "
         "mask='url(#m)'/>", left},
        {"a mask of text only is left out", "<mask id='m'><text>x</text></mask><rect width='100' "
         "height='100' mask='url(#m)'/>", ""},
        {"a nested viewport cuts what it draws outside it",
         "<svg><svg width='50' height='100'>" + square + "</svg></svg>", left},
        {"unless its overflow is visible",
         "<svg><svg width='50' height='100' overflow='visible'>" + square + "</svg></svg>", ""},
        {"the page cuts everything", "<svg viewBox='0 0 50 100'>" + square + "</svg>", left},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(Clips(Read(c.body).drawing), c.clips) << c.what;
}

}  // namespace
}  // namespace txorb::drawing
