// Where the drawing lands in the field: what is drawn (or the page) scaled into a square of
// the field's size with its aspect kept and centred on the field's middle, then turned,
// mirrored and moved.
#pragma once

#include <string>

#include "drawing/model/drawing.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

// The bounds of what the drawing marks: its shapes' exact bounds, cut to their clips' and,
// when fills are marked, grown by what strokes paint beside their lines (half the width, and
// further at square caps and miter joins). Empty when nothing is marked.
BoundingBox DrawnBounds(const Drawing& drawing, const PlanOptions& options);

// Drawing coordinates to field bits; false with a reason when the box has no extent.
bool PlaceDrawing(const BoundingBox& drawn, const Drawing& drawing, const PlanOptions& options,
                  Affine* toField, std::string* error);

// Paint that is not marked: the skip colour, or paint too pale (ink times opacity below the
// options' minInk) to show as marked in a browser's view.
bool Skipped(const Colour& colour, double opacity, const PlanOptions& options);

// Whether an item paints anything a browser would show, and so takes part in the placement.
bool ItemShows(const Item& item, const PlanOptions& options);

}  // namespace txorb::drawing
