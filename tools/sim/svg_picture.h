// The SVG picture: marks as one path per power and speed (dots one per power and duration),
// in the card's own integer bits, each stroked as wide as the spot and as grey as one pass
// leaves it; bitmap lines as one image under them. A viewer paints a stroke opaque, so passes
// over one place do not darken it here: the PNG is the picture that adds them up.
#pragma once

#include <string>

#include "output_file.h"
#include "picture.h"
#include "renderer.h"

namespace txorb::sim {

// Writes the SVG text to out as it is made. linesPng: the bitmap lines as a grey PNG of the
// view, or empty.
void WriteSvgPicture(const Picture& picture, const PictureView& view, const RenderOptions& options,
                     const std::string& linesPng, TextOutput* out);

}  // namespace txorb::sim
