#include "drawing/plan/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace txorb::drawing {
namespace {

// Field-side steps after the scaling: a quarter turn clockwise maps (x, y) to (y, -x).
Affine Orientation(const PlanOptions& o) {
    Affine m;
    switch (((o.rotate % 360) + 360) % 360) {
        case 90: m = {0, -1, 1, 0, 0, 0}; break;
        case 180: m = {-1, 0, 0, -1, 0, 0}; break;
        case 270: m = {0, 1, -1, 0, 0, 0}; break;
        default: break;
    }
    if (o.mirror == 'x') m = Affine::Scale(-1, 1) * m;
    if (o.mirror == 'y') m = Affine::Scale(1, -1) * m;
    return Affine::Translate(o.offsetX, o.offsetY) * m;
}

Box NoBox() {
    const double inf = std::numeric_limits<double>::infinity();
    return {inf, inf, -inf, -inf};
}

void Grow(const Subpath& p, double tolerance, Box* b) {
    for (const Point q : Flatten(p, tolerance)) {
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) continue;
        b->minX = std::min(b->minX, q.x);
        b->maxX = std::max(b->maxX, q.x);
        b->minY = std::min(b->minY, q.y);
        b->maxY = std::max(b->maxY, q.y);
    }
}

}  // namespace

bool Skipped(const Colour& colour, double opacity, const PlanOptions& options) {
    return colour == options.skipColour || Ink(colour) * opacity < options.minInk;
}

bool ItemShows(const Item& item, const PlanOptions& options) {
    if (item.fill && item.fill->picture >= 0) return true;
    if (!options.hatch.fill) return true;
    const bool fill = item.fill && !Skipped(item.fill->colour, item.fill->opacity, options);
    const bool stroke = item.stroke && !Skipped(item.stroke->colour, item.stroke->opacity, options);
    return fill || stroke;
}

Box DrawnBounds(const Drawing& drawing, const PlanOptions& given) {
    // Where colours only name pens, a pale one is marked like any other.
    PlanOptions options = given;
    if (!drawing.colourIsTone) options.minInk = 0.0;
    double roughExtent = 0.0;
    for (const Item& item : drawing.items) {
        for (const Subpath& p : item.outline) {
            auto grow = [&](Point q) {
                roughExtent = std::max({roughExtent, std::fabs(q.x), std::fabs(q.y)});
            };
            grow(p.start);
            for (const Segment& s : p.segments) grow(s.end), grow(s.c1), grow(s.c2);
        }
    }
    const double fineTolerance = std::max(roughExtent, 1e-9) * 1e-6;
    Box b = NoBox();
    for (const Item& item : drawing.items) {
        if (!ItemShows(item, options)) continue;
        Box own = NoBox();
        for (const Subpath& p : item.outline) Grow(p, fineTolerance, &own);
        // What a clip cuts off is not drawn.
        for (const uint32_t clip : item.clips) {
            Box kept = NoBox();
            for (const Clip::Part& part : drawing.clips.at(clip).parts) {
                for (const Subpath& p : part.outline) Grow(p, fineTolerance, &kept);
            }
            own = {std::max(own.minX, kept.minX), std::max(own.minY, kept.minY),
                   std::min(own.maxX, kept.maxX), std::min(own.maxY, kept.maxY)};
        }
        if (own.Empty()) continue;
        b = {std::min(b.minX, own.minX), std::min(b.minY, own.minY), std::max(b.maxX, own.maxX),
             std::max(b.maxY, own.maxY)};
    }
    return b;
}

bool PlaceDrawing(const Box& drawn, const Drawing& drawing, const PlanOptions& options,
                  Affine* toField, std::string* error) {
    Box box = drawn;
    if (options.mode == FitMode::kPage && drawing.page) {
        const PageBox& p = *drawing.page;
        box = {p.x, p.y, p.x + p.width, p.y + p.height};
    }
    if (box.Empty()) {
        *error = "the drawing holds no shape to mark";
        return false;
    }
    const double extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
    if (!(extent > 0.0) || !std::isfinite(extent)) {
        *error = "the drawing's shapes have no extent";
        return false;
    }
    const bool trueSize = options.mode == FitMode::kSize && drawing.unitsPerMm > 0.0;
    const double scale =
        trueSize ? options.raster.bitsPerMm / drawing.unitsPerMm : options.fieldBits / extent;
    const double cx = (box.minX + box.maxX) / 2.0;
    const double cy = (box.minY + box.maxY) / 2.0;
    const double sy = options.flipY ? -scale : scale;
    *toField = Orientation(options) * Affine{scale, 0, 0, sy, -cx * scale, -cy * sy};
    return true;
}

}  // namespace txorb::drawing
