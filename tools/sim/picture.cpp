#include "picture.h"

namespace txorb::sim {

bool Picture::Add(const Move& move) {
    // Jumps, and marks that end where they begin, leave no energy.
    if (move.inPixelLine || move.kind == MoveKind::kJump) return true;
    if (move.kind == MoveKind::kMark && move.x0 == move.x1 && move.y0 == move.y1) return true;
    if (Size() >= maxItems_) return false;
    const auto f = [](double v) { return static_cast<float>(v); };
    if (move.kind == MoveKind::kDot) {
        dots_.push_back(Dot{f(move.x1), f(move.y1), f(move.power), f(double(move.t1 - move.t0))});
        return true;
    }
    const Style style{f(move.power), f(move.speed)};
    const Point from{f(move.x0), f(move.y0)};
    const bool newRun = runs_.empty() || !(runs_.back().style == style);
    if (newRun) runs_.push_back(Run{style, pieces_.size()});
    if (newRun || !(points_.back() == from)) {
        pieces_.push_back(points_.size());
        points_.push_back(from);
    }
    points_.push_back(Point{f(move.x1), f(move.y1)});
    ++marks_;
    return true;
}

bool Picture::Add(const PixelLine& line) {
    if (Size() >= maxItems_) return false;
    lines_.push_back(line);
    return true;
}

void Picture::Clear() {
    marks_ = 0;
    points_.clear();
    pieces_.clear();
    runs_.clear();
    dots_.clear();
    lines_.clear();
}

}  // namespace txorb::sim
