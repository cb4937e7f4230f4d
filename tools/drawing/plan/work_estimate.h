// What a placed drawing will cost before it is planned: an estimate, from its outlines alone,
// of the vectors (marks and jumps) and bitmap pixels it can need at most, so that a drawing
// whose numbers ask for more than the limits is refused in time proportional to its size; and
// which of its marks reach beyond the card's field.
#pragma once

#include <cstddef>
#include <string>

#include "drawing/model/drawing.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

struct WorkEstimate {
    double vectors = 0.0;  // an upper estimate: hatch lines and their joins, outlines, dashes
    double pixels = 0.0;   // bitmap pixels of the pictures' parts inside the field
};

// Hatching is counted where outline edges cross the hatch lines (each line starts and ends at
// such a crossing), so what covers what does not make the figure grow with the overlaps;
// curves count the straight moves their flattening takes at the tolerance; dashes one piece
// each (patterns shorter than the tolerance as solid). Work is one look at every segment.
WorkEstimate EstimateWork(const Drawing& drawing, const PlanOptions& options,
                          const Affine& toField);

// Items whose marks reach beyond the card's 16-bit field, and how far the farthest goes.
struct FieldOverreach {
    size_t items = 0;
    double farthestBits = 0.0;  // beyond the field's edge
};

// Outlines flattened at a quarter of a bit (a curve only when its control points reach past
// the edge), strokes marked as bands widened by half their width; pictures by their corners.
FieldOverreach MarksBeyondField(const Drawing& drawing, const PlanOptions& options,
                                const Affine& toField);

// False with the figure when the estimate is over the options' limits.
bool WithinLimits(const WorkEstimate& estimate, const PlanOptions& options, std::string* error);
// False with how many items reach beyond the field and how far, when any does.
bool MarksInField(const Drawing& drawing, const PlanOptions& options, const Affine& toField,
                  std::string* error);

}  // namespace txorb::drawing
