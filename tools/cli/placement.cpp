#include "cli/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace txorb::cli {
namespace {

bool PaintShows(const Paint& paint, double opacity) {
    return paint.kind != PaintKind::kNone && opacity > 0.0;
}

// Field-side steps after the scaling: a quarter turn clockwise maps (x, y) to (y, -x).
Affine Orientation(const FitOptions& o) {
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

bool Skipped(const Paint& paint, double opacity, const FitOptions& options) {
    if (paint.kind != PaintKind::kColour && paint.kind != PaintKind::kGradient) return false;
    return paint.colour == options.skipColour || Ink(paint.colour) * opacity < options.minInk;
}

bool ShapeShows(const Shape& shape, const FitOptions& options) {
    const Style& s = shape.style;
    if (shape.image >= 0) return s.visible && s.opacity > 0.0;
    if (!s.visible || s.opacity <= 0.0) return false;
    if (!options.hatch.fill)
        return PaintShows(s.fill, s.fillOpacity) || PaintShows(s.stroke, s.strokeOpacity);
    const bool fill = PaintShows(s.fill, s.fillOpacity) &&
                      !Skipped(s.fill, s.opacity * s.fillOpacity * s.fill.alpha, options);
    const bool stroke = PaintShows(s.stroke, s.strokeOpacity) &&
                        !Skipped(s.stroke, s.opacity * s.strokeOpacity * s.stroke.alpha, options);
    return fill || stroke;
}

Box DrawnBounds(const Drawing& drawing, const FitOptions& options) {
    double roughExtent = 0.0;
    for (const Shape& shape : drawing.shapes) {
        for (const Subpath& p : shape.subpaths) {
            auto grow = [&](Point q) {
                roughExtent = std::max({roughExtent, std::fabs(q.x), std::fabs(q.y)});
            };
            grow(p.start);
            for (const Segment& s : p.segments) grow(s.end), grow(s.c1), grow(s.c2);
        }
    }
    const double fineTolerance = std::max(roughExtent, 1e-9) * 1e-6;
    Box b = NoBox();
    for (const Shape& shape : drawing.shapes) {
        if (!ShapeShows(shape, options)) continue;
        Box own = NoBox();
        for (const Subpath& p : shape.subpaths) Grow(p, fineTolerance, &own);
        // What a clip cuts off is not drawn.
        for (const auto& clip : shape.clips) {
            Box kept = NoBox();
            for (const ClipRegion::Part& part : clip->parts) {
                for (const Subpath& p : part.subpaths) Grow(p, fineTolerance, &kept);
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

bool PlaceDrawing(const Box& drawn, const Drawing& drawing, const FitOptions& options,
                  Affine* toField, std::string* error) {
    Box box = drawn;
    if (options.mode == FitMode::kPage && drawing.hasPage) {
        const PageBox& p = drawing.page;
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
    const double scale = options.fieldBits / extent;
    const double cx = (box.minX + box.maxX) / 2.0;
    const double cy = (box.minY + box.maxY) / 2.0;
    const double sy = options.flipY ? -scale : scale;
    *toField = Orientation(options) * Affine{scale, 0, 0, sy, -cx * scale, -cy * sy};
    return true;
}

}  // namespace txorb::cli
