// Places a drawing in the card's field: scaled to fit a square of the field's size with its
// aspect kept, centred on the field's middle, y pointing up, curves flattened to straight
// moves within a tolerance given in field bits, and rounded to the card's 16-bit coordinates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/geometry.h"
#include "cli/svg_reader.h"

namespace txorb::cli {

struct FitOptions {
    double fieldBits = 60000.0;  // edge of the square the drawing is fitted into
    double toleranceBits = 1.0;  // largest distance between a curve and its straight moves
    bool flipY = true;           // SVG's y points down, the field's up
};

struct FieldPoint {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const FieldPoint&) const = default;
};

struct FittedJob {
    std::vector<std::vector<FieldPoint>> polylines;  // each at least two distinct points
    Affine toField;                                  // drawing coordinates to field bits
    size_t markMoves = 0;                            // straight moves over all polylines
    double markLength = 0.0;                         // in bits
    double jumpLength = 0.0;                         // in bits, from the field's centre on
};

// False with a reason when the options are unusable or the drawing holds nothing to mark.
bool FitDrawing(const Drawing& drawing, const FitOptions& options, FittedJob* job,
                std::string* error);

}  // namespace txorb::cli
