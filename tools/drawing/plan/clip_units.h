// Field bits in the integer coordinates of the polygon clipper: a sixteenth of a bit, so that
// rounding in clipping stays far below the card's own rounding to whole bits.
#pragma once

#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing {

inline constexpr double kClipUnitsPerBit = 16.0;

// Far outside the field, but well inside the clipper's range; NaN goes to 0.
inline constexpr double kClipLimit = 1e15;

inline ClipperLib::IntPoint ToClip(Point p) {
    auto one = [](double v) {
        v *= kClipUnitsPerBit;
        if (!(v == v)) v = 0.0;
        return static_cast<ClipperLib::cInt>(std::llround(v < -kClipLimit  ? -kClipLimit
                                                          : v > kClipLimit ? kClipLimit
                                                                           : v));
    };
    return {one(p.x), one(p.y)};
}

inline Point FromClip(const ClipperLib::IntPoint& p) {
    return {static_cast<double>(p.X) / kClipUnitsPerBit,
            static_cast<double>(p.Y) / kClipUnitsPerBit};
}

// The box around a path of at least one point.
inline ClipperLib::IntRect PathBox(const ClipperLib::Path& path) {
    ClipperLib::IntRect r{path.front().X, path.front().Y, path.front().X, path.front().Y};
    for (const auto& p : path) {
        r.left = std::min(r.left, p.X), r.right = std::max(r.right, p.X);
        r.top = std::min(r.top, p.Y), r.bottom = std::max(r.bottom, p.Y);
    }
    return r;
}

}  // namespace txorb::drawing
