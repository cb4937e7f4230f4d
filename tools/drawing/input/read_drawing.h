// A file as a drawing, whatever it is: an SVG drawing, or a PNG or JPEG picture on its own (one
// pixel per drawing unit, its page the picture).
#pragma once

#include <string>

#include "drawing/model/read_result.h"

namespace txorb::drawing {

ReadResult ReadDrawing(const std::string& path);

}  // namespace txorb::drawing
