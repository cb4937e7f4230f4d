// A file as a drawing, whatever it is (told by its content, not its name): an SVG drawing, a
// text DXF drawing (in its own units, Drawing::unitsPerMm set), or a PNG or JPEG picture on
// its own (one pixel per drawing unit, its page the picture).
#pragma once

#include <string>

#include "drawing/model/read_result.h"

namespace txorb::drawing {

ReadResult ReadDrawing(const std::string& path);

}  // namespace txorb::drawing
