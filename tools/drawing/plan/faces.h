// A drawing's paint in field bits, ready for compositing: every fill and every wide stroke an
// area with its fill rule, colour and opacity (or picture), every thin stroke a line, every
// clip one area under the nonzero rule, resolved once however many items use it. Curves are
// flattened within the tolerance; coordinates that are not numbers become 0 and those beyond
// kFarBits are held there, so that no input makes the work grow past the drawing's size.
#pragma once

#include <polyclipping/clipper.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "drawing/model/drawing.h"

namespace txorb::drawing {

// Far outside the 16-bit field, yet small enough that rotating and scaling stay exact.
inline constexpr double kFarBits = 16777216.0;  // 2^24

// The field's edge: a point rounds to a field coordinate up to half a bit beyond.
inline constexpr double kFieldLowBits = -32768.5;
inline constexpr double kFieldHighBits = 32767.5;

struct Bounds {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // empty while x1 < x0
    bool Empty() const { return !(x1 >= x0) || !(y1 >= y0); }
    void Add(Point p);
    bool Overlaps(const Bounds& o) const {
        return x0 <= o.x1 && o.x0 <= x1 && y0 <= o.y1 && o.y0 <= y1;
    }
};

// Closed rings (the last point joins the first) under one fill rule.
struct Area {
    std::vector<std::vector<Point>> rings;
    FillRule rule = FillRule::kNonZero;
    Bounds box;
};

// One area's paint, in paint order: later paint covers earlier paint.
struct AreaPaint {
    Area area;
    Colour colour;         // of a picture: its mean
    double opacity = 1.0;  // 0 < opacity <= 1
    int32_t picture = -1;  // index into Drawing::pictures, or -1
    uint32_t item = 0;     // index into Drawing::items
    uint32_t group = 0;
    bool band = false;            // a wide stroke rather than a fill
    std::vector<uint32_t> clips;  // indices into Faces::clips; the paint shows inside all
};

// A line marked along its length: a thin stroke, or an outline marked as one. Its colour is
// its paint blended over white by its opacity: what it covers or is covered by does not tint
// it, so that a line keeps one colour along its whole length.
struct LinePaint {
    std::vector<std::vector<Point>> lines;  // open polylines; closed ones end at their start
    Colour colour;
    uint32_t item = 0;
    uint32_t group = 0;
    Bounds box;
    std::vector<uint32_t> clips;
};

// Items whose marked paint reaches beyond the field, and how far the farthest goes (bits,
// from the field's edge).
struct FieldOverflow {
    size_t items = 0;
    double farthestBits = 0.0;
    bool operator==(const FieldOverflow&) const = default;
};

struct Faces {
    std::vector<AreaPaint> areas;  // in paint order
    std::vector<LinePaint> lines;  // in paint order
    std::vector<Area> clips;       // empty for clip indices no item uses
    // The clipper's form (sixteenths of a bit) of clips of several parts, which the clipper
    // made; for the others ClipAreaPaths(clips[i]) when a line needs it.
    std::vector<ClipperLib::Paths> clipPaths;
    FieldOverflow outside;
};

struct FaceOptions {
    double toleranceBits = 1.0;        // largest distance between a curve and its straight pieces
    double bandWidthBits = 60.0;       // strokes at least this wide are areas; thinner ones lines
    Colour skipColour{255, 255, 255};  // paint of this colour marks nothing (for the overflow)
    bool fill = true;                  // false: every outline as a line and no area
    bool outlineAll = false;           // a fill without a stroke is outlined too
    // Whether a closed contour (Item::fillableContour) of this stroke colour and group is filled.
    std::function<bool(const Colour&, uint32_t group)> fillContour;
    int threads = 1;  // flattening is shared out; the result does not change
};

Faces BuildFaces(const Drawing& drawing, const Affine& toField, const FaceOptions& options);

// `paint` blended over white by `opacity`: how a line of it looks on a page.
Colour OverWhite(const Colour& paint, double opacity);

// Field bits in the clipper's units and back (a sixteenth of a bit).
ClipperLib::Path ToClipPath(const std::vector<Point>& points);
std::vector<Point> FromClipPath(const ClipperLib::Path& path);
// An area under its own rule as the clipper's non-overlapping form (nonzero-safe).
ClipperLib::Paths ClipAreaPaths(const Area& area);

}  // namespace txorb::drawing
