// How a layer's tone becomes its marking. The tone is the ink of the layer's final colour
// (1 - luminance: 0 white, 1 black). The virtual card's exposure model makes darkness
// min(1, dose / black dose) with a vector's dose power / (speed x hatch spacing), black being
// full power at 250 bits/ms over a 30-bit hatch: so a layer marked at ink x its black power,
// at that speed and spacing, comes out exactly as dark as its colour.
//
//   kPower (the default): power = ink x the layer's power, hatch as set.
//   kDensity: power as set, every m-th hatch line, m = round(1 / ink) from 1 to 16: lines stay
//             on the one grid of the drawing, so lighter colours get sparser lines (tones
//             come in steps 1, 1/2, 1/3 ...; the palest get every 16th line).
//   kBoth:    every m-th line with m = round(1 / sqrt(ink)), power = min(1, ink x m) x power:
//             half of the tone from each, the product exact.
//   kNone:    every colour that is marked at the layer's own power: the binary look.
//
// A power or hatch spacing the job file gives is used as given; tone mapping chooses only what
// it leaves open.
#pragma once

#include <cstdint>

#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

enum class ToneMode : uint8_t { kPower, kDensity, kBoth, kNone };

inline constexpr int kMaxHatchStep = 16;  // the sparsest density: every 16th line

struct ToneChoice {
    LayerSettings settings;
    int step = 1;  // every step-th line of the settings' own hatch grid
};

// `powerGiven` and `spacingGiven` say what the job file set; ink is clamped to 0..1.
ToneChoice ApplyTone(const LayerSettings& settings, double ink, ToneMode mode, bool powerGiven,
                     bool spacingGiven);

}  // namespace txorb::drawing
