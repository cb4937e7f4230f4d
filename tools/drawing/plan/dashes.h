// Dashed strokes: a line cut into the pieces a stroke-dasharray leaves drawn.
#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

namespace txorb::drawing {

// `pattern` alternates drawn and skipped lengths (in the lines' units, an even count, not all
// zero); `offset` is how far into the pattern each line starts.
ClipperLib::Paths Dashed(const ClipperLib::Paths& lines, const std::vector<double>& pattern,
                         double offset);

}  // namespace txorb::drawing
