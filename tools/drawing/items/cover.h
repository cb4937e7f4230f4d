// What a part's items hide of what was planned before them: the area they paint, in field
// bits, and a plan's marks cut where that area lies over them. A code's quiet zone hides a
// logo's hatching below it as its modules do; lettering hides what lies under its glyphs.
#pragma once

#include <vector>

#include "drawing/geometry/geometry.h"
#include "drawing/model/drawing.h"
#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

// A box in field bits; empty while maxX < minX.
struct Extent {
    double minX = 0, minY = 0, maxX = -1, maxY = -1;

    bool Empty() const { return maxX < minX; }
    void Take(Point p);
    bool Meets(Point a, Point b) const;  // whether the box of a..b meets this one
};

// Closed outlines in field bits (y up), filled by the non-zero rule, each with its box, and
// the box of them all.
struct Cover : Extent {
    struct Ring {
        std::vector<Point> points;
        Extent box;
    };
    std::vector<Ring> outlines;

    // Adds every item's outline of `drawing` (any units), mapped by `toField`.
    void Add(const Drawing& drawing, const Affine& toField, double toleranceBits);
    bool Covers(Point p) const;
};

// Leaves out of the layer what lies under the cover: polylines keep their order and direction
// and are cut where they enter it (a cut polyline becomes its pieces, in place); bitmap
// pixels under it get delay 0. The layer's marking statistics follow.
void CutCovered(const Cover& cover, PlanLayer* layer);

}  // namespace txorb::drawing
