// Colours as a drawing paints them: 8-bit sRGB channels, how dark they look, and the CSS ways of
// writing them (every input of the drawing tools, SVG, job files and the command line, reads
// colours through here, so that "navy", "#000080" and "rgb(0,0,128)" are one colour everywhere).
#pragma once

#include <cstdint>
#include <string_view>

namespace txorb::drawing {

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Colour&) const = default;
};

// How dark a colour looks: one minus its luminance (Rec. 709 weights), 0 white, 1 black.
double Ink(const Colour& c);

// CSS colours: #rgb(a), #rrggbb(aa), rgb(), rgba(), hsl(), hsla(), names and transparent.
bool ParseColour(std::string_view text, Colour* out);
// The same with the colour's alpha (1 unless #rgba, #rrggbbaa or rgba() give one).
bool ParseColourAlpha(std::string_view text, Colour* out, double* alpha);

}  // namespace txorb::drawing
