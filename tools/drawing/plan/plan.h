// From a drawing to what the card marks: the drawing placed in the field (scaled, centred, y
// pointing up, turned, mirrored, moved), fills hatched with what is painted over them knocked
// out, outlines flattened to straight moves within a tolerance in field bits, pictures cut into
// bitmap lines, everything rounded to the card's 16-bit coordinates and put in a short order.
#pragma once

#include <string>

#include "drawing/model/drawing.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

// The plan holds one layer of the polylines (outlines and hatch lines) and, after it, one of
// the pictures' bitmap lines, each only when it marks something. False with a reason when
// the options are unusable or the drawing holds nothing to mark.
bool PlanDrawing(const Drawing& drawing, const PlanOptions& options, MarkPlan* plan,
                 std::string* error);

}  // namespace txorb::drawing
