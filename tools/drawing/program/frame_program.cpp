#include "drawing/program/frame_program.h"

#include <algorithm>

namespace txorb::drawing {

std::optional<FieldBox> MarkedBox(const MarkPlan& plan) {
    std::optional<FieldBox> box;
    auto take = [&box](FieldPoint p) {
        if (!box) {
            box = FieldBox{p, p};
            return;
        }
        box->low = {std::min(box->low.x, p.x), std::min(box->low.y, p.y)};
        box->high = {std::max(box->high.x, p.x), std::max(box->high.y, p.y)};
    };
    for (const PlanLayer& layer : plan.layers) {
        if (layer.settings.mode == LayerMode::kSkip) continue;
        for (const Polyline& line : layer.polylines) {
            for (const FieldPoint p : line) take(p);
        }
        for (const BitmapLine& row : layer.bitmapLines) take(row.begin), take(row.end);
    }
    return box;
}

ListProgram FrameProgram(const FieldBox& b) {
    ListProgram program;
    const FieldPoint corners[] = {b.low, {b.high.x, b.low.y}, b.high, {b.low.x, b.high.y}, b.low};
    for (const FieldPoint p : corners) program.commands.push_back({ListOp::kJump, p.x, p.y});
    program.commands.push_back({ListOp::kEnd});
    return program;
}

}  // namespace txorb::drawing
