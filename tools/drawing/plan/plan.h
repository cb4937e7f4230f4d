// From a drawing to what the card marks: the drawing placed in the field (scaled, centred, y
// pointing up, turned, mirrored, moved), composited as a browser shows it into layers of one
// final colour each, hatched and outlined by their tone, outlines flattened to straight moves
// within a tolerance in field bits, pictures cut into bitmap lines, everything rounded to the
// card's 16-bit coordinates and put in a short order.
#pragma once

#include <string>

#include "drawing/model/drawing.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

// The plan holds the drawing's layers as ComposeLayers (layering.h) makes them, one per final
// colour in drawing order, each with the settings options.resolve gives it and its tone, its
// polylines put in a short order from where the layer before ended. False with a reason when
// the options are unusable or the drawing holds nothing to mark.
bool PlanDrawing(const Drawing& drawing, const PlanOptions& options, MarkPlan* plan,
                 std::string* error);

}  // namespace txorb::drawing
