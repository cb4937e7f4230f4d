// The order in which polylines are marked, chosen to cut the jumps between them: nearest
// neighbour (a polyline may be run backwards), then 2-opt moves that reverse runs of the
// order while they shorten it, for a bounded time.
#pragma once

#include <vector>

#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

// The length of the jumps from `start` through the polylines in their order, in bits.
double JumpTravel(const std::vector<Polyline>& lines, FieldPoint start);

// Reorders and reverses the polylines in place; the improvement pass stops after `seconds`.
void OrderPolylines(std::vector<Polyline>* lines, FieldPoint start, double seconds);

}  // namespace txorb::drawing
