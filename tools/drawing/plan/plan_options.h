// How a drawing is planned: placed in the field, filled, outlined, its pictures rastered and
// its paths put in order.
#pragma once

#include <cstdint>
#include <functional>

#include "drawing/model/colour.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/tone.h"

namespace txorb::drawing {

// kSize: what is drawn at the size its file gives (Drawing::unitsPerMm, with the raster's
// bitsPerMm), centred; a drawing that gives no size is fitted as kDrawing.
enum class FitMode : uint8_t { kDrawing, kPage, kSize };
enum class Dither : uint8_t { kNone, kFloydSteinberg, kOrdered };
enum class PathOrder : uint8_t { kInput, kShort };

struct HatchOptions {
    bool fill = true;         // false: every item's outline and nothing else, no knock-out
    double spacing = 30.0;    // bits between hatch lines
    double angle = 0.0;       // degrees, counter-clockwise from the field's x axis
    bool cross = false;       // a second set of lines at right angles
    double inset = 0.0;       // bits between the outline and the ends of the hatch lines
    bool outlineAll = false;  // mark the outline of filled items that have no stroke too
};

struct RasterOptions {
    double lineSpacing = 0.0;  // bits between bitmap lines and pixels; 0: from dpi
    double dpi = 254.0;        // lines per inch when lineSpacing is 0
    double bitsPerMm = 600.0;  // for dpi: 60,000 bits over 100 mm unless told otherwise
    uint16_t minDelay = 10;    // pixel delay of the lightest grey that is marked
    uint16_t maxDelay = 100;   // pixel delay of black
    Dither dither = Dither::kNone;
    bool bidirectional = true;  // every other line runs backwards
    // Delays from the exposure model (proto/exposure.h) at the layer's power, black being
    // DelayForInk(1, power, pitch) and greys in proportion; false: minDelay..maxDelay.
    bool exposureDelays = true;

    double Pitch() const { return lineSpacing > 0 ? lineSpacing : bitsPerMm * 25.4 / dpi; }
};

// A layer's settings and which of them its job file gives (tone mapping leaves those alone;
// a closed contour of Item::fillableContour is filled only when its layer's mode is given).
struct LayerChoice {
    LayerSettings settings;
    bool powerGiven = false;
    bool spacingGiven = false;
    bool modeGiven = false;
};

// The settings of the layer of a final colour in a group (Item::group), a picture's or not.
using LayerResolver =
    std::function<LayerChoice(const Colour& colour, uint32_t group, bool picture)>;

struct PlanOptions {
    double fieldBits = 60000.0;  // edge of the square the drawing is fitted into
    double toleranceBits = 1.0;  // largest distance between a curve and its straight moves
    bool flipY = true;           // a drawing's y points down, the field's up
    FitMode mode = FitMode::kDrawing;
    int rotate = 0;        // 0, 90, 180 or 270 degrees clockwise as the field is seen
    char mirror = '\0';    // 'x': left and right swapped, 'y': top and bottom
    double offsetX = 0.0;  // bits, after everything else
    double offsetY = 0.0;
    HatchOptions hatch;
    Colour skipColour{255, 255, 255};  // paint of this colour covers but is not marked
    // Paler paint (1 - luminance, times opacity) is not marked; only with tone kNone: tones
    // mark pale colours lightly.
    double minInk = 0.3;
    ToneMode tone = ToneMode::kPower;  // how a layer's colour becomes its marking (tone.h)
    // Each layer's settings (the job file's); empty: the hatch options at full power.
    LayerResolver resolve;
    RasterOptions raster;
    PathOrder order = PathOrder::kShort;
    double orderSeconds = 1.0;  // time the improvement pass of the ordering may take
    // A drawing whose estimate (work_estimate.h) asks for more is refused before planning.
    double maxVectors = 5e6;   // marks and jumps
    double maxPixels = 5e7;    // bitmap pixels
    bool clipToField = false;  // marks beyond the field's edge: cut there, instead of refused
};

}  // namespace txorb::drawing
