// What `txorb mark` takes as a drawing: an SVG file, or a PNG or JPEG picture on its own (one
// pixel per drawing unit, its page the picture).
#pragma once

#include <string>

#include "cli/svg_reader.h"

namespace txorb::cli {

SvgReadResult ReadDrawing(const std::string& path);

}  // namespace txorb::cli
