// How far along the drawing the head is, from the positions the card reports: the position
// is matched to the nearest vertex ahead of the last match, and the share of the run's time
// up to that vertex (marks at their layer's speed, each layer's passes, jumps at jump speed)
// is the progress.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "drawing/plan/mark_plan.h"

namespace txorb::cli {

using drawing::FieldPoint;

class ProgressTracker {
public:
    // The plan's layers in order: polylines, then bitmap lines, `passes` times.
    ProgressTracker(const drawing::MarkPlan& plan, double jumpSpeed);

    // The share done, 0..1, after the head was seen at (x, y). Never goes back.
    double Update(int x, int y);
    double Done() const;
    // The run's time at these speeds in milliseconds.
    double ExpectedMs() const { return totalMs_; }
    // Each layer's share of it, in the plan's order.
    const std::vector<double>& LayerMs() const { return layerMs_; }

private:
    void AddLayer(const drawing::PlanLayer& layer, double jump);
    struct Stop {
        FieldPoint p;
        double ms;  // time from the start to here
    };
    std::vector<Stop> stops_;
    size_t cursor_ = 0;
    FieldPoint head_{0, 0};  // where the last stop added leaves the head
    double totalMs_ = 0.0;
    std::vector<double> layerMs_;
};

// "[##########          ]  50%  1.2 s  x=100 y=-20" on one terminal line.
std::string ProgressLine(double done, double seconds, int x, int y, int width = 30);

}  // namespace txorb::cli
