// Field bits in the integer coordinates of the polygon clipper: a sixteenth of a bit, so that
// rounding in clipping stays far below the card's own rounding to whole bits.
#pragma once

#include <polyclipping/clipper.hpp>

#include <cmath>

#include "cli/geometry.h"

namespace txorb::cli {

inline constexpr double kClipUnitsPerBit = 16.0;

inline ClipperLib::IntPoint ToClip(Point p) {
    return {static_cast<ClipperLib::cInt>(std::llround(p.x * kClipUnitsPerBit)),
            static_cast<ClipperLib::cInt>(std::llround(p.y * kClipUnitsPerBit))};
}

inline Point FromClip(const ClipperLib::IntPoint& p) {
    return {static_cast<double>(p.X) / kClipUnitsPerBit, static_cast<double>(p.Y) / kClipUnitsPerBit};
}

}  // namespace txorb::cli
