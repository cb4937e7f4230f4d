// Attribute values of drawings that stand on their own: transform lists and lengths.
#pragma once

#include <string>
#include <string_view>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing::svg {

// A transform list ("translate(10 20) rotate(45)") as one map; false with a reason when any
// part of it cannot be read (a browser then ignores the whole attribute).
bool ParseTransform(std::string_view text, Affine* out, std::string* error);
// A length with an optional absolute unit (px, mm, cm, in, pt, pc) in user units (96 per inch).
bool ParseLength(std::string_view text, double* out, std::string* error);

struct ViewBox {
    double x = 0, y = 0, width = 0, height = 0;
};

// "min-x min-y width height"; false for a malformed or empty box. `empty` (when given) tells
// the two apart: four numbers with no positive width or height, which a browser takes to mean
// that the element draws nothing.
bool ParseViewBox(std::string_view text, ViewBox* out, bool* empty = nullptr);

// preserveAspectRatio: where the box is aligned (0, 0.5 or 1 on each axis) and whether it is
// scaled to fit inside (meet) or to cover (slice) the viewport; `none` stretches.
struct AspectRatio {
    bool none = false;
    double alignX = 0.5, alignY = 0.5;
    bool slice = false;
};
bool ParseAspectRatio(std::string_view text, AspectRatio* out);

// The map that puts a box of content into a viewport the way preserveAspectRatio says.
Affine FitBox(const ViewBox& content, const ViewBox& viewport, const AspectRatio& ratio);

}  // namespace txorb::drawing::svg
