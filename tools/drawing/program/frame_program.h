// The box of what a plan marks, and the list that shows it with the laser off: jumps only.
#pragma once

#include <optional>

#include "drawing/plan/mark_plan.h"
#include "drawing/program/list_program.h"

namespace txorb::drawing {

struct FieldBox {
    FieldPoint low, high;  // the corners: least x and y, greatest x and y
    bool operator==(const FieldBox&) const = default;
};

// The box of every polyline point and bitmap line end of the layers that mark (not skipped);
// empty when nothing is marked.
std::optional<FieldBox> MarkedBox(const MarkPlan& plan);

// One round of the box as jumps (from its lower left corner, counter-clockwise, back to it),
// then the end of the list.
ListProgram FrameProgram(const FieldBox& box);

}  // namespace txorb::drawing
