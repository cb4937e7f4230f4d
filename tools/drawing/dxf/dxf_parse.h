// A DXF file's text read into a DxfModel, through dxflib.
#pragma once

#include <string>
#include <string_view>

#include "drawing/dxf/dxf_model.h"

namespace txorb::drawing {

// Reads `text`. False with "LINE: what" in *error for text that is not a DXF or an entity
// that cannot be drawn as written; the work is bounded by the text's length.
bool ParseDxf(std::string_view text, DxfModel* model, std::string* error);

}  // namespace txorb::drawing
