// The parts of ComposeLayers (layering.h), each in a file of its own: hatch lines from a
// sweep's spans, what of a line or an area later paint leaves visible, and picture rows.
#pragma once

#include <polyclipping/clipper.hpp>

#include <cstdint>
#include <optional>
#include <vector>

#include "drawing/plan/faces.h"
#include "drawing/plan/layering.h"
#include "drawing/plan/sweep.h"

namespace txorb::drawing {

// A span of one key: its line (from the sweep's first) and its ends.
struct KeySpan {
    uint32_t line;
    double u0, u1;
};

// A sweep's spans by key, each key's in line order.
std::vector<std::vector<KeySpan>> SpansByKey(const SweepResult& sweep);

// The hatch lines of one key from a sweep at half the hatch spacing (lines at even j are hatch
// lines, those between test joins): every step-th hatch line, spans shortened by `inset` at
// both ends, joined into zig-zags, in field bits.
std::vector<Polyline> HatchKey(const SweepResult& sweep, const std::vector<KeySpan>& spans,
                               int step, double inset);

FieldPoint Round(Point p);  // to the nearest field point, held at the field's edge

// Straight pieces in field bits rounded to the field, repeated points dropped; pieces of one
// point are left out.
void AddRounded(const std::vector<std::vector<Point>>& pieces, std::vector<Polyline>* out);

// The areas that hide a line or an area below them (at least half opaque), found by bounding
// box (or all of them, for the reference), each with its clips applied, in the clipper's form.
class CoverIndex {
public:
    CoverIndex(const Faces& faces, bool everything);
    // Union (nonzero) of what areas of items after `item` overlapping `box` cover.
    ClipperLib::Paths Above(uint32_t item, const Bounds& box);
    // A clip in the clipper's form.
    const ClipperLib::Paths& ClipPaths(uint32_t clip);

private:
    const ClipperLib::Paths& Covering(uint32_t area);
    const Faces& faces_;
    bool everything_;
    int cells_ = 1;
    double x0_ = 0, y0_ = 0, cell_ = 1;
    std::vector<std::vector<uint32_t>> buckets_;
    std::vector<uint32_t> stamp_;
    uint32_t round_ = 0;
    std::vector<ClipperLib::Paths> paths_;
    std::vector<bool> made_;
    std::vector<std::optional<ClipperLib::Paths>> clipMade_;
};

// What of a line shows: inside its clips and the field, less what later paint covers (when
// `knockOut`).
std::vector<std::vector<Point>> VisibleLine(const LinePaint& line, CoverIndex* cover,
                                            bool knockOut);

// The outline of what shows of an area: inside its clips and the field, less later paint.
std::vector<std::vector<Point>> VisibleOutline(const AreaPaint& area, CoverIndex* cover);

// Bitmap lines of one key's spans from a sweep along the raster rows (angle 0, step = the
// pitch, offset 0): the picture sampled where the key shows, times `darkness` (its opacity),
// or without a picture `darkness` itself.
std::vector<BitmapLine> PictureRows(const SweepResult& rows, const std::vector<KeySpan>& spans,
                                    const Picture* picture, double darkness, const Affine& toField,
                                    const RasterOptions& raster);

}  // namespace txorb::drawing
