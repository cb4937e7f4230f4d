// Until the tool's sources move into tools/drawing: the geometry under its old names.
#pragma once

#include "drawing/geometry/geometry.h"

namespace txorb::cli {
using drawing::Affine;
using drawing::Distance;
using drawing::DistanceToSegment;
using drawing::Flatten;
using drawing::FlattenCubic;
using drawing::Point;
using drawing::Segment;
using drawing::Subpath;
using drawing::Transform;
}  // namespace txorb::cli
