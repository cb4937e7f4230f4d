// What a placed drawing will cost before it is planned: an estimate, from its outlines alone,
// of the vectors (marks and jumps) and bitmap pixels it can need at most, so that a drawing
// whose numbers ask for more than the limits is refused in time proportional to its size.
#pragma once

#include <cstddef>
#include <string>

#include "drawing/model/drawing.h"
#include "drawing/plan/faces.h"
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

// False with the figure when the estimate is over the options' limits.
bool WithinLimits(const WorkEstimate& estimate, const PlanOptions& options, std::string* error);
// False with how many items reach beyond the field and how far (as the composing found them),
// when any does.
bool MarksInField(const FieldOverflow& outside, std::string* error);

}  // namespace txorb::drawing
