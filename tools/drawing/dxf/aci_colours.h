// The 256 colours a DXF names by number (its colour index).
#pragma once

#include "drawing/model/colour.h"

namespace txorb::drawing {

// The colour of index 1..255, or of -255..-1 (how a layer that is off gives its colour). Index
// 7, white on a CAD screen's dark ground and black on paper, is black: a drawing is marked as
// it is printed. Any other index (0 and 256 name the block's or the layer's colour and are
// resolved before) is black too.
Colour AciColour(int index);

}  // namespace txorb::drawing
