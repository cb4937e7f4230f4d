// What stays visible of each painted thing once everything painted later is laid over it:
// shapes are taken from the top down, each clipped to its clip paths, cut by what is already
// covered above it, and then added to the cover.
#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

#include "drawing/model/drawing.h"

namespace txorb::drawing {

// One painted item in the field, in clipper units, as the planning hands it over.
struct PaintedItem {
    ClipperLib::Paths area;  // the fill's outlines as drawn (closed)
    FillRule rule = FillRule::kNonZero;
    bool fillCovers = false;  // the fill hides what is below it
    bool fillMarks = false;   // the fill is hatched
    ClipperLib::Paths lines;  // outlines marked as lines (open; closed ones end at start)
    ClipperLib::Paths band;   // a stroke wide enough to be hatched, already widened
    bool bandMarks = false;
    bool bandCovers = true;  // the band hides what is below it
    bool clipped = false;    // `clip` applies
    ClipperLib::Paths clip;  // the intersection of the clip paths, clipper's form
};

struct Visible {
    ClipperLib::Paths hatch;  // regions to hatch, clipper's form
    ClipperLib::Paths lines;  // open pieces of outline to mark
    ClipperLib::Paths area;   // the visible part of the whole item (for pictures)
};

// The visible part of every item, index for index.
std::vector<Visible> KnockOut(const std::vector<PaintedItem>& items);

// A set of outlines under a fill rule as the clipper's non-overlapping form.
ClipperLib::Paths Normalise(const ClipperLib::Paths& outlines, FillRule rule);

}  // namespace txorb::drawing
