// Pictures of what was marked: marks coloured by laser power (blue for low, red for full),
// dots as small discs, jumps as thin dashed grey lines, bitmap lines as rows of grey pixels.
// Drawn with Cairo, once as SVG and once as PNG, from the same drawing code.
#pragma once

#include <string>

#include "picture.h"

namespace txorb::sim {

struct RenderOptions {
    int sizePx = 1024;
    bool fit = false;  // zoom to the drawn moves instead of the whole field
    // A bitmap pixel of this delay or longer is black; shorter ones are lighter in proportion.
    // 100 us is the longest pixel delay `txorb mark` gives by default.
    double pixelBlackUs = 100.0;
};

// Writes prefix + ".svg" and prefix + ".png"; false with a message when either fails.
bool RenderPictures(const Picture& picture, const std::string& prefix, const RenderOptions& options,
                    std::string* error);

// The colour of a mark of this power, as red, green, blue in 0..1.
void PowerColour(double power, double* r, double* g, double* b);

// How dark a bitmap pixel of this delay is drawn: 0 (white, not marked) .. 1 (black).
double PixelDarkness(uint16_t delayUs, double power, double blackUs);

}  // namespace txorb::sim
