#include "cli/run/progress.h"

#include <algorithm>
#include <cmath>

namespace txorb::cli {
namespace {

// How far ahead a match is looked for: far enough to cover a poll interval of a fast run,
// near enough that a later pass over the same place is not taken for this one.
constexpr size_t kWindow = 4096;

double Dist(FieldPoint a, FieldPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

}  // namespace

ProgressTracker::ProgressTracker(const drawing::MarkPlan& plan, double jumpSpeed) {
    const double jump = jumpSpeed > 0 ? jumpSpeed : 1.0;
    stops_.push_back({head_, 0.0});
    for (const drawing::PlanLayer& layer : plan.layers) {
        const double before = totalMs_;
        const bool marks = layer.settings.mode != drawing::LayerMode::kSkip;
        for (int pass = 0; marks && pass < std::max(1, layer.settings.passes); ++pass) {
            AddLayer(layer, jump);
        }
        layerMs_.push_back(totalMs_ - before);
    }
}

void ProgressTracker::AddLayer(const drawing::PlanLayer& layer, double jump) {
    FieldPoint& at = head_;
    double& ms = totalMs_;
    const double mark = layer.settings.speed > 0 ? layer.settings.speed : 1.0;
    for (const auto& line : layer.polylines) {
        ms += Dist(at, line.front()) / jump;
        stops_.push_back({line.front(), ms});
        for (size_t i = 1; i < line.size(); ++i) {
            ms += Dist(line[i - 1], line[i]) / mark;
            stops_.push_back({line[i], ms});
        }
        at = line.back();
    }
    // A bitmap line: a jump to its start, then each pixel's step at mark speed and its delay.
    for (const drawing::BitmapLine& row : layer.bitmapLines) {
        ms += Dist(at, row.begin) / jump;
        stops_.push_back({row.begin, ms});
        ms += Dist(row.begin, row.end) / mark;
        for (const uint16_t delay : row.delays) ms += delay / 1000.0;
        stops_.push_back({row.end, ms});
        at = row.end;
    }
}

double ProgressTracker::Update(int x, int y) {
    const FieldPoint here{static_cast<int16_t>(x), static_cast<int16_t>(y)};
    const size_t end = std::min(stops_.size(), cursor_ + kWindow);
    size_t best = cursor_;
    double bestDistance = Dist(stops_[cursor_].p, here);
    for (size_t i = cursor_ + 1; i < end; ++i) {
        const double d = Dist(stops_[i].p, here);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    cursor_ = best;
    return Done();
}

double ProgressTracker::Done() const { return totalMs_ > 0 ? stops_[cursor_].ms / totalMs_ : 0.0; }

std::string ProgressLine(double done, double seconds, int x, int y, int width) {
    done = std::clamp(done, 0.0, 1.0);
    const int filled = static_cast<int>(std::lround(done * width));
    // Appended piece by piece: "[" + std::string(...) trips GCC 12's false -Wrestrict at -O3.
    std::string bar = "[";
    bar.append(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), ' ');
    bar += ']';
    char tail[96];
    std::snprintf(tail, sizeof tail, " %3d%%  %5.1f s  x=%d y=%d",
                  static_cast<int>(std::lround(done * 100)), seconds, x, y);
    return bar + tail;
}

}  // namespace txorb::cli
