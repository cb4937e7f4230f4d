// What to mark, in field bits: the hand-over from the planning to the list program. The
// drawing's distinct final colours are its layers, each with the settings it is marked with,
// its polylines (outlines and hatch lines, in marking order) and its picture rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drawing/geometry/geometry.h"
#include "drawing/model/colour.h"

namespace txorb::drawing {

// A position in the card's field: 16-bit signed bits, y pointing up.
struct FieldPoint {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const FieldPoint&) const = default;
};

// At least two distinct points, marked from the first to the last.
using Polyline = std::vector<FieldPoint>;

// One line of a picture: a pixel delay (µs; 0 leaves the pixel unmarked) for each point from
// begin to end, evenly spaced.
struct BitmapLine {
    FieldPoint begin, end;
    std::vector<uint16_t> delays;
    bool operator==(const BitmapLine&) const = default;
};

enum class LayerMode : uint8_t {
    kFill,     // areas hatched, strokes marked as lines or hatched bands
    kOutline,  // only the outlines of what shows in the layer
    kPicture,  // grey levels as bitmap lines
    kSkip,     // covers what is below it, marks nothing
};

// How one layer is marked: what a job file can set per layer.
struct LayerSettings {
    LayerMode mode = LayerMode::kFill;
    double power = 100.0;        // % of full power
    double speed = 250.0;        // mark speed, bits/ms
    int passes = 1;              // the layer's marks, repeated
    double hatchSpacing = 30.0;  // bits between hatch lines
    double hatchAngle = 0.0;     // degrees, counter-clockwise from the field's x axis
    bool crossHatch = false;
    bool operator==(const LayerSettings&) const = default;
};

struct LayerStats {
    size_t items = 0;         // items of the drawing that show in the layer
    double areaBits2 = 0.0;   // area of the layer's faces
    size_t markMoves = 0;     // straight moves over all polylines
    double markLength = 0.0;  // bits, one pass
    size_t pixels = 0;        // bitmap pixels that are marked
};

struct PlanLayer {
    Colour colour;           // the final colour it takes (for a picture layer: its mean)
    bool picture = false;    // images and gradients: marked as bitmap lines
    LayerSettings settings;  // as marked: the job file's, the options', or tone-mapped
    std::vector<Polyline> polylines;
    std::vector<BitmapLine> bitmapLines;  // marked after the polylines
    LayerStats stats;
    std::string notMarked;  // why the layer marks nothing ("white", "mode skip"); else empty
};

// Where the planning spent its time, in seconds.
struct PlanTimes {
    double placing = 0.0;
    double flattening = 0.0;  // compositing and clipping
    double hatching = 0.0;
    double ordering = 0.0;
    double raster = 0.0;
};

struct MarkPlan {
    std::vector<PlanLayer> layers;  // in drawing order
    Affine toField;                 // drawing units to field bits
    double jumpLength = 0.0;        // bits, from the field's centre through every layer, as marked
    double jumpLengthBefore = 0.0;  // the same in the drawing's own order
    PlanTimes times;

    size_t MarkMoves() const {
        size_t n = 0;
        for (const PlanLayer& l : layers) n += l.stats.markMoves;
        return n;
    }
};

}  // namespace txorb::drawing
