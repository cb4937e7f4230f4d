// From a drawing to what the card marks: the drawing placed in the field (scaled, centred, y
// pointing up, turned, mirrored, moved), fills hatched with what is painted over them knocked
// out, outlines flattened to straight moves within a tolerance in field bits, pictures cut into
// bitmap lines, everything rounded to the card's 16-bit coordinates and put in a short order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/geometry.h"
#include "cli/styles.h"
#include "cli/svg_reader.h"

namespace txorb::cli {

enum class FitMode : uint8_t { kDrawing, kPage };
enum class Dither : uint8_t { kNone, kFloydSteinberg, kOrdered };
enum class PathOrder : uint8_t { kInput, kShort };

struct HatchOptions {
    bool fill = true;         // false: every shape's outline and nothing else, no knock-out
    double spacing = 30.0;    // bits between hatch lines
    double angle = 0.0;       // degrees, counter-clockwise from the field's x axis
    bool cross = false;       // a second set of lines at right angles
    double inset = 0.0;       // bits between the outline and the ends of the hatch lines
    bool outlineAll = false;  // mark the outline of filled shapes that have no stroke too
};

struct RasterOptions {
    double lineSpacing = 0.0;  // bits between bitmap lines and pixels; 0: from dpi
    double dpi = 254.0;        // lines per inch when lineSpacing is 0
    double bitsPerMm = 600.0;  // for dpi: 60,000 bits over 100 mm unless told otherwise
    uint16_t minDelay = 10;    // pixel delay of the lightest grey that is marked
    uint16_t maxDelay = 100;   // pixel delay of black
    Dither dither = Dither::kNone;
    bool bidirectional = true;  // every other line runs backwards

    double Pitch() const { return lineSpacing > 0 ? lineSpacing : bitsPerMm * 25.4 / dpi; }
};

struct FitOptions {
    double fieldBits = 60000.0;  // edge of the square the drawing is fitted into
    double toleranceBits = 1.0;  // largest distance between a curve and its straight moves
    bool flipY = true;           // SVG's y points down, the field's up
    FitMode mode = FitMode::kDrawing;
    int rotate = 0;        // 0, 90, 180 or 270 degrees clockwise as the field is seen
    char mirror = '\0';    // 'x': left and right swapped, 'y': top and bottom
    double offsetX = 0.0;  // bits, after everything else
    double offsetY = 0.0;
    HatchOptions hatch;
    Colour skipColour{255, 255, 255};  // paint of this colour covers but is not marked
    double minInk = 0.3;               // paler paint (1 - luminance, times opacity) is not marked
    RasterOptions raster;
    PathOrder order = PathOrder::kShort;
    double orderSeconds = 1.0;  // time the improvement pass of the ordering may take
};

struct FieldPoint {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const FieldPoint&) const = default;
};

// One line of a picture: a pixel delay for each point from begin to end, evenly spaced.
struct BitmapLine {
    FieldPoint begin, end;
    std::vector<uint16_t> delays;
};

// Where the planning spent its time, in seconds.
struct PlanTimes {
    double clipping = 0.0;  // knock-out, clipping and hatching
    double ordering = 0.0;
    double raster = 0.0;
};

struct FittedJob {
    std::vector<std::vector<FieldPoint>> polylines;  // each at least two distinct points
    std::vector<BitmapLine> bitmapLines;             // marked after the polylines
    Affine toField;                                  // drawing coordinates to field bits
    size_t markMoves = 0;                            // straight moves over all polylines
    double markLength = 0.0;                         // in bits
    double jumpLength = 0.0;                         // in bits, from the field's centre on
    double jumpLengthBefore = 0.0;                   // the same in the order of the drawing
    PlanTimes times;
};

// False with a reason when the options are unusable or the drawing holds nothing to mark.
bool FitDrawing(const Drawing& drawing, const FitOptions& options, FittedJob* job,
                std::string* error);

}  // namespace txorb::cli
