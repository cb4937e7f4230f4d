// Filling a region with parallel lines: lines a fixed spacing apart on a grid that is the same
// for every shape (so that neighbouring shapes' lines meet), cut to the region, and joined
// end to end where the step to the next line stays inside, so that a simple region becomes a
// single zig-zag polyline that alternates direction.
#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

namespace txorb::drawing {

struct HatchGrid {
    double spacing;       // clipper units between lines
    double angleDegrees;  // direction of the lines, counter-clockwise from x
    double inset = 0.0;   // clipper units kept free along the outline
};

// The region as the clipper gives it (outer outlines and holes in opposite directions).
std::vector<ClipperLib::Path> HatchRegion(const ClipperLib::Paths& region, const HatchGrid& grid);

// True when p lies inside the region or on its outline.
bool InsideRegion(const ClipperLib::Paths& region, const ClipperLib::IntPoint& p);

}  // namespace txorb::drawing
