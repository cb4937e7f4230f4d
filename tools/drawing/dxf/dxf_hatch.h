// The boundary loops of a DXF hatch as closed subpaths.
#pragma once

#include <dxflib/dl_entities.h>

#include <vector>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing {

// One loop: a polyline with bulges, or edges (lines, arcs, ellipse arcs, splines) chained end
// to start whichever way each runs, gaps bridged by straight pieces; closed. False for an edge
// dxflib left without all its values (out of range or not a number); *out is empty for a
// loop without edges.
bool HatchLoop(const std::vector<DL_HatchEdgeData>& edges, Subpath* out);

}  // namespace txorb::drawing
