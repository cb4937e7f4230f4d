// Shortening an order of polylines by local moves between ends that lie near each other:
// 2-opt (a run of polylines marked the other way round, last first and each backwards) and
// Or-opt (one to three polylines taken out and put in elsewhere, either way round).
#pragma once

#include <chrono>
#include <cstddef>
#include <vector>

#include "drawing/plan/mark_plan.h"
#include "drawing/plan/ordering_points.h"

namespace txorb::drawing {

struct ImproveLimits {
    // Distances looked at and polylines moved, at most: the work, counted so that the result
    // does not depend on the machine's speed.
    size_t work = 0;
    // A pass over the polylines that shortens the jumps by less than this share of them ends
    // the improvement.
    double flatShare = 0.01;
    // The last polyline stays last, as it is: where the polylines after these start from.
    bool keepLast = false;
    // A safety stop for a slow machine; the result then depends on the time.
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// Both ends of every polyline in an index: each entry's owner is its polyline (its place in
// the vector) and its tag 0 for the first point, 1 for the last; entryOf[2 * line + end] is
// the entry's index. A loop's ends, one point, may share one entry.
struct PolylineEnds {
    PointIndex* index = nullptr;
    std::vector<uint32_t> entryOf;
};

// Reorders and reverses the polylines in place; the jumps, from `start` through them, never
// grow. Returns the work done.
size_t ImproveOrder(std::vector<Polyline>* lines, FieldPoint start, const PolylineEnds& ends,
                    const ImproveLimits& limits);

}  // namespace txorb::drawing
