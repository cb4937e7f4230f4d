#include "drawing/plan/plan.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "drawing/plan/layering.h"
#include "drawing/plan/ordering.h"
#include "drawing/plan/placement.h"
#include "drawing/plan/work_estimate.h"

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool Refuse(const PlanOptions& o, std::string* error) {
    if (!(o.fieldBits > 0.0) || o.fieldBits > 65535.0) {
        *error = "the field must be between 1 and 65535 bits wide";
        return true;
    }
    if (!(o.toleranceBits > 0.0)) {
        *error = "the flattening tolerance must be above 0";
        return true;
    }
    if (!(o.hatch.spacing >= 1.0)) {
        *error = "the hatch spacing must be at least 1 bit";
        return true;
    }
    return false;
}

LayerSettings SettingsFrom(const PlanOptions& o) {
    LayerSettings s;
    s.mode = o.hatch.fill ? LayerMode::kFill : LayerMode::kOutline;
    s.hatchSpacing = o.hatch.spacing;
    s.hatchAngle = o.hatch.angle;
    s.crossHatch = o.hatch.cross;
    return s;
}

ComposeOptions ComposingOf(const PlanOptions& o) {
    ComposeOptions c;
    c.toleranceBits = o.toleranceBits;
    c.defaults = SettingsFrom(o);
    c.resolve = o.resolve;
    c.tone = o.tone;
    c.skipColour = o.skipColour;
    c.minInk = o.tone == ToneMode::kNone ? o.minInk : 0.0;
    c.inset = o.hatch.inset;
    c.fill = o.hatch.fill;
    c.outlineAll = o.hatch.outlineAll;
    c.raster = o.raster;
    return c;
}

// With tones a pale colour is marked, lightly: it counts where the drawing is placed.
PlanOptions PlacingOf(const PlanOptions& o) {
    PlanOptions placing = o;
    if (o.tone != ToneMode::kNone) placing.minInk = 0.0;
    return placing;
}

// Each layer's polylines in a short order, from where the layer before ended; the time the
// improvement may take is shared by the layers.
void Order(const PlanOptions& o, MarkPlan* plan) {
    std::vector<std::vector<Polyline>*> sets;
    FieldPoint before{0, 0};
    for (PlanLayer& l : plan->layers) {
        if (l.polylines.empty()) continue;
        plan->jumpLengthBefore += JumpTravel(l.polylines, before);
        before = l.polylines.back().back();
        sets.push_back(&l.polylines);
    }
    if (o.order == PathOrder::kShort) OrderPolylineSets(sets, {0, 0}, o.orderSeconds);
    FieldPoint at{0, 0};
    for (const std::vector<Polyline>* lines : sets) {
        plan->jumpLength += JumpTravel(*lines, at);
        at = lines->back().back();
    }
}

bool MarksAnything(const MarkPlan& plan) {
    for (const PlanLayer& l : plan.layers) {
        if (l.notMarked.empty() && (!l.polylines.empty() || !l.bitmapLines.empty())) return true;
    }
    return false;
}

}  // namespace

bool PlanDrawing(const Drawing& drawing, const PlanOptions& options, MarkPlan* plan,
                 std::string* error) {
    if (Refuse(options, error)) return false;
    *plan = MarkPlan{};
    auto start = Clock::now();
    const PlanOptions placing = PlacingOf(options);
    if (!PlaceDrawing(DrawnBounds(drawing, placing), drawing, placing, &plan->toField, error)) {
        return false;
    }
    plan->times.placing = Seconds(start);
    if (!WithinLimits(EstimateWork(drawing, options, plan->toField), options, error)) return false;
    ComposeResult composed = ComposeLayers(drawing, plan->toField, ComposingOf(options));
    if (!options.clipToField && !MarksInField(composed.outside, error)) return false;
    plan->layers = std::move(composed.layers);
    plan->times.flattening = composed.times.flattening;
    plan->times.hatching = composed.times.hatching;
    plan->times.raster = composed.times.raster;
    if (!MarksAnything(*plan)) {
        *error = "the drawing's shapes are all smaller than one field bit";
        return false;
    }
    start = Clock::now();
    Order(options, plan);
    plan->times.ordering = Seconds(start);
    return true;
}

}  // namespace txorb::drawing
