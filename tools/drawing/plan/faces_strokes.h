// Strokes in the field: dashes cut from a line, and a wide stroke widened into its area.
#pragma once

#include <vector>

#include "drawing/model/drawing.h"

namespace txorb::drawing {

// The pieces a dash pattern (field bits, drawn and skipped lengths in turn) leaves of each
// line, starting `offset` into the pattern. A pattern whose gaps are all shorter than
// `tolerance` cannot be told from a solid line and leaves the lines whole; any other pattern
// is at least `tolerance` long, so that a line gives at most its length / tolerance dashes.
std::vector<std::vector<Point>> Dashed(const std::vector<std::vector<Point>>& lines,
                                       const std::vector<double>& pattern, double offset,
                                       double tolerance);

// The area a stroke of `width` field bits paints along the lines (closed[i]: line i is a loop
// and has no caps), as rings under the nonzero rule, curves within `tolerance`.
std::vector<std::vector<Point>> Band(const std::vector<std::vector<Point>>& lines,
                                     const std::vector<bool>& closed, const Stroke& stroke,
                                     double width, double tolerance);

}  // namespace txorb::drawing
