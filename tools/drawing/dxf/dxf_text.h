// DXF lettering (TEXT, ATTRIB, MTEXT) as glyph outlines, through the same font path as a
// drawing's text: fontconfig picks the font the text style names (a TrueType file name is
// taken as its family; CAD stroke fonts, .shx, become the system's sans-serif).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawing/dxf/dxf_model.h"

namespace txorb::drawing {

struct DxfText {
    std::vector<std::string> lines;  // UTF-8, one entry per line
    Point anchor;                    // the alignment point, in the entity's coordinates
    double height = 1.0;             // of capital letters
    double widthFactor = 1.0;        // how much wider than the font's own letters
    double obliqueDegrees = 0.0;     // slant, clockwise from upright
    double angle = 0.0;              // radians, counter-clockwise
    double across = 0.0;             // 0 left, 0.5 centre, 1 right: the anchor in each line
    enum class Vertical : uint8_t { kBaseline, kBottom, kMiddle, kTop } vertical = {};
    double lineSpacing = 0.0;  // baseline to baseline; 0: 5/3 of the height
    bool mirrorX = false, mirrorY = false;
};

// The outlines, y up, in the entity's coordinates. Nothing for text without glyphs.
std::vector<Subpath> DxfTextOutlines(const DxfText& text, const DxfTextStyle& style);

// TEXT's own codes (%%d degree, %%p plus-minus, %%c diameter, %%% percent; %%u and %%o, under
// and over lines, dropped), and bytes that are not UTF-8 read as Latin-1.
std::string PlainText(std::string_view text);
// MTEXT's lines: paragraph breaks (\P) split them, formatting codes (\f...; \H...; {...} and
// others) are dropped, \S stacks become a/b and \U+XXXX their character.
std::vector<std::string> MTextLines(std::string_view text);

}  // namespace txorb::drawing
