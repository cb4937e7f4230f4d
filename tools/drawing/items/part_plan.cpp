#include "drawing/items/part_plan.h"

#include <algorithm>
#include <chrono>

#include "drawing/items/cover.h"
#include "drawing/plan/ordering.h"
#include "drawing/plan/plan.h"

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;

// Items are planned on a page of this many bits square around the field's centre, fitted to
// a field of the same size: the page's millimetres then land at bitsPerMm, unscaled.
constexpr double kItemSpanBits = 60000.0;
// An item has few paths: its order needs little improving, and a run many parts.
constexpr double kItemOrderSeconds = 0.05;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::vector<Polyline> AllPolylines(const MarkPlan& plan) {
    std::vector<Polyline> all;
    for (const PlanLayer& layer : plan.layers) {
        all.insert(all.end(), layer.polylines.begin(), layer.polylines.end());
    }
    return all;
}

}  // namespace

bool PartPlanner::Prepare(const JobFile& job, MarkPlan drawing, const PlanOptions& options,
                          const LayerSettings& defaults, PartPlanner* out, std::string* error) {
    out->job_ = job;
    out->drawing_ = std::move(drawing);
    out->options_ = options;
    out->defaults_ = defaults;
    return JobItems::Prepare(job, &out->items_, error);
}

Affine PartPlanner::ItemsToField() const {
    const double bitsPerMm = options_.raster.bitsPerMm;
    return Affine::Scale(bitsPerMm, -bitsPerMm);
}

// The item alone, placed by its own millimetres and hatched with its own settings.
bool PartPlanner::PlanItem(const PartItem& item, MarkPlan* plan, std::string* error) const {
    const ResolvedLayer own = ResolveLayer(job_, defaults_, Colour{0, 0, 0}, item.group, false);
    const LayerSettings& s = own.settings;
    *plan = MarkPlan{};
    if (s.mode == LayerMode::kSkip) return true;  // it covers, and marks nothing
    PlanOptions o = options_;
    o.mode = FitMode::kPage;
    o.fieldBits = kItemSpanBits;
    o.rotate = 0;
    o.mirror = '\0';
    o.offsetX = o.offsetY = 0.0;
    o.hatch.fill = s.mode != LayerMode::kOutline;
    o.hatch.spacing = s.hatchSpacing;
    o.hatch.angle = s.hatchAngle;
    o.hatch.cross = s.crossHatch;
    o.orderSeconds = std::min(o.orderSeconds, kItemOrderSeconds);
    Drawing placed = item.drawing;
    const double half = kItemSpanBits / 2.0 / o.raster.bitsPerMm;
    placed.page = PageBox{-half, -half, 2.0 * half, 2.0 * half};
    std::string why;
    if (!PlanDrawing(placed, o, plan, &why)) {
        *error = job_.path + ": " + item.name + ": " + why;
        return false;
    }
    for (PlanLayer& layer : plan->layers) {
        layer.settings = ResolveLayer(job_, defaults_, layer.colour, item.group, false).settings;
    }
    return true;
}

bool PartPlanner::Plan(int64_t serial, std::chrono::system_clock::time_point when, MarkPlan* plan,
                       std::vector<FieldValue>* values, std::string* error,
                       PartTimes* times) const {
    PartTimes spent;
    auto start = Clock::now();
    std::vector<PartItem> items;
    if (!items_.Make(serial, when, &items, values, error)) return false;
    spent.making = Seconds(start);

    start = Clock::now();
    std::vector<MarkPlan> itemPlans(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (!PlanItem(items[i], &itemPlans[i], error)) return false;
    }
    spent.planning = Seconds(start);

    // From the last item back: each is cut by the ones painted after it.
    start = Clock::now();
    *plan = drawing_;
    if (items.empty()) {
        if (times != nullptr) *times = spent;
        return true;
    }
    if (plan->layers.empty()) plan->toField = ItemsToField();
    Cover cover;
    for (size_t i = items.size(); i-- > 0;) {
        for (PlanLayer& layer : itemPlans[i].layers) CutCovered(cover, &layer);
        cover.Add(items[i].drawing, ItemsToField(), options_.toleranceBits);
    }
    for (PlanLayer& layer : plan->layers) CutCovered(cover, &layer);
    for (MarkPlan& itemPlan : itemPlans) {
        for (PlanLayer& layer : itemPlan.layers) plan->layers.push_back(std::move(layer));
    }
    const std::vector<Polyline> all = AllPolylines(*plan);
    plan->jumpLength = plan->jumpLengthBefore = JumpTravel(all, FieldPoint{0, 0});
    spent.cutting = Seconds(start);
    if (times != nullptr) *times = spent;
    return true;
}

}  // namespace txorb::drawing
