// Pictures as bitmap lines: the placed picture sampled on a square grid of the line spacing
// (rows along the field's x axis), grey levels turned into pixel delays (optionally dithered
// to on and off), white at both ends of a row left out, rows alternating direction, and rows
// longer than a bitmap line can hold cut in pieces.
#pragma once

#include <polyclipping/clipper.hpp>

#include <vector>

#include "drawing/model/drawing.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

// The most delay values one bitmap line takes.
inline constexpr size_t kMaxBitmapValues = 32763;

// `visible`, when not null, is the part of the picture not painted over (clipper units); the
// rest stays white. A picture of opacity below 1 is as much lighter.
std::vector<BitmapLine> PictureLines(const Picture& picture, const Affine& drawingToField,
                                     const ClipperLib::Paths* visible, const RasterOptions& options,
                                     double opacity = 1.0);

// Darkness (0 white .. 1 black) to delays: a grid row by row, width values a row.
std::vector<uint16_t> DelaysFor(std::vector<float> darkness, size_t width,
                                const RasterOptions& options);

}  // namespace txorb::drawing
