// What a reader of drawings gives back: the drawing, or why the file cannot be read.
#pragma once

#include <string>

#include "drawing/model/drawing.h"

namespace txorb::drawing {

struct ReadResult {
    Drawing drawing;
    bool ok = false;
    // "NAME:LINE:COLUMN: why" (or "NAME: why") when the drawing cannot be read.
    std::string error;
};

}  // namespace txorb::drawing
