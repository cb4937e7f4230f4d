// How far a stroke paints beside its line, for the drawn box: what the band of a wide stroke
// (plan/faces_strokes.h) covers, in drawing units.
#pragma once

#include "drawing/model/drawing.h"

namespace txorb::drawing {

// Grows the box by the band the stroke paints along the subpath: each piece's sides (half the
// width out from its ends, and from the places where a curve turns back along x or y), the
// tips of miter joins within the miter limit, the corners of square caps and round joins and
// caps (within half the width of their point). Dashes are left out: they only take away.
void AddStrokeToBox(const Subpath& path, const Stroke& stroke, BoundingBox* box);

}  // namespace txorb::drawing
