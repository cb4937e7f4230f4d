// What stays visible of each painted thing once everything painted later is laid over it:
// shapes are taken from the top down, each clipped to its clip paths, cut by what is already
// covered above it, and then added to the cover.
#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

#include "cli/styles.h"

namespace txorb::cli {

// One painted thing in the field, in clipper units, as the planning hands it over.
struct Layer {
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
    ClipperLib::Paths area;   // the visible part of the whole layer (for pictures)
};

// The visible part of every layer, index for index.
std::vector<Visible> KnockOut(const std::vector<Layer>& layers);

// A set of outlines under a fill rule as the clipper's non-overlapping form.
ClipperLib::Paths Normalise(const ClipperLib::Paths& outlines, FillRule rule);

}  // namespace txorb::cli
