// Pictures of what was marked: marks coloured by laser power (blue for low, red for full),
// dots as small discs, jumps as thin dashed grey lines. Drawn with Cairo, once as SVG and
// once as PNG, from the same drawing code.
#pragma once

#include <string>
#include <vector>

#include "moves.h"

namespace txorb::sim {

struct RenderOptions {
    int sizePx = 1024;
    bool fit = false;  // zoom to the drawn moves instead of the whole field
};

// Writes prefix + ".svg" and prefix + ".png"; false with a message when either fails.
bool RenderPictures(const std::vector<Move>& moves, const std::string& prefix,
                    const RenderOptions& options, std::string* error);

// The colour of a mark of this power, as red, green, blue in 0..1.
void PowerColour(double power, double* r, double* g, double* b);

}  // namespace txorb::sim
