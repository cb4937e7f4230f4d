// Lettering as outlines: a piece of text set in the font that fontconfig picks for a family,
// weight and style, as closed glyph outlines to be filled like any other shape.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing {

struct FontChoice {
    std::string family = "serif";
    double size = 16.0;  // user units (the em size, as CSS font-size)
    int weight = 400;
    bool italic = false;
    double letterSpacing = 0.0;  // user units added between letters
};

struct SetText {
    std::vector<Subpath> outlines;  // the baseline's start at (0, 0), y pointing down
    double advance = 0.0;           // where the next piece of text starts on the baseline
};

SetText SetTextOutlines(std::string_view utf8, const FontChoice& font);

}  // namespace txorb::drawing
