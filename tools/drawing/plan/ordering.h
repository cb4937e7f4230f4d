// The order in which polylines are marked, chosen to cut the jumps between them: nearest
// neighbour (a polyline may be run backwards, a loop entered at any corner), then moves that
// shorten it (plan/ordering_improve.h) for work in proportion to the polylines, ending early
// once a pass gains little. The same polylines always give the same order.
#pragma once

#include <vector>

#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

// The length of the jumps from `start` through the polylines in their order, in bits.
double JumpTravel(const std::vector<Polyline>& lines, FieldPoint start);

// Reorders and reverses the polylines in place. `seconds` only caps the improvement on a
// machine too slow for its work; within it the result does not depend on the time.
void OrderPolylines(std::vector<Polyline>* lines, FieldPoint start, double seconds);
// Orders each set (a layer's polylines) so, one after the other, each from where the set
// before it ends. With many polylines a second thread improves a set while the next is put in
// nearest-neighbour order; every set but the last then keeps the polyline it ends with in that
// order, where the next starts. The improvements share the `seconds`.
void OrderPolylineSets(const std::vector<std::vector<Polyline>*>& sets, FieldPoint start,
                       double seconds);

}  // namespace txorb::drawing
