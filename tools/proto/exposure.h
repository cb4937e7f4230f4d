// How dark a mark comes out: one model for vectors and bitmap pixels, shared by the virtual card,
// which draws its pictures by it, and the drawing tool, which inverts it to turn a colour's ink
// into a laser power or a pixel delay.
//
// Dose: the laser energy left on a point per unit area, the sum over every pass of the spot of
// (power as a fraction 0..1 of full power) x (microseconds the spot dwells there) / (its area),
// in power·µs per square bit. Passes add up: a place marked twice gets twice the dose.
//   - A vector at v bits/µs leaves power / v per bit of its length, spread across the width it
//     covers: the spot's width for one line, the line spacing for a hatch (on average).
//   - A bitmap pixel of delay d µs leaves power·d, spread over its cell, pitch x pitch bits.
//   - A move at a speed of 0 or less is made at once and leaves nothing.
// Darkness: min(1, dose / kBlackDose), linear until black, so that ink i (0..1, one minus
// luminance) is made by the dose i·kBlackDose.
//
// Units: power 0..1, speeds in bits per millisecond (as the card's speed commands take them),
// delays in µs, lengths in bits.
#pragma once

#include <algorithm>

namespace txorb::proto {

// Black is what the drawing tool's defaults give a solid fill: full power at 250 bits/ms over
// hatch lines 30 bits apart.
inline constexpr double kBlackSpeedBitsPerMs = 250.0;
inline constexpr double kBlackLineSpacingBits = 30.0;
inline constexpr double kBlackDose = 1000.0 / (kBlackSpeedBitsPerMs * kBlackLineSpacingBits);

// Energy a vector leaves per bit of its length, in power·µs per bit.
constexpr double VectorEnergyPerBit(double power, double speedBitsPerMs) {
    return speedBitsPerMs > 0 ? power * 1000.0 / speedBitsPerMs : 0.0;
}

// Dose of vectors lineSpacingBits apart (> 0), or of one vector across a spot that wide.
constexpr double VectorDose(double power, double speedBitsPerMs, double lineSpacingBits) {
    return VectorEnergyPerBit(power, speedBitsPerMs) / lineSpacingBits;
}

// Dose of a bitmap pixel of this delay in a cell pitchBits (> 0) square.
constexpr double PixelDose(double power, double delayUs, double pitchBits) {
    return power * delayUs / (pitchBits * pitchBits);
}

// 0 (untouched) .. 1 (black).
constexpr double Darkness(double dose) { return std::clamp(dose / kBlackDose, 0.0, 1.0); }

// The dose that gives this ink (clamped to 0..1).
constexpr double DoseForInk(double ink) { return std::clamp(ink, 0.0, 1.0) * kBlackDose; }

// The power (fraction of full) that gives this ink with vectors at this speed and spacing. Above
// 1 when the ink cannot be reached so: mark slower or closer.
constexpr double PowerForInk(double ink, double speedBitsPerMs, double lineSpacingBits) {
    return DoseForInk(ink) * speedBitsPerMs / 1000.0 * lineSpacingBits;
}

// The pixel delay in µs that gives this ink at this power (> 0; else 0) and pixel pitch.
constexpr double DelayForInk(double ink, double power, double pitchBits) {
    return power > 0 ? DoseForInk(ink) * pitchBits * pitchBits / power : 0.0;
}

}  // namespace txorb::proto
