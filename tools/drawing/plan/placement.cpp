#include "drawing/plan/placement.h"

#include <algorithm>
#include <cmath>

#include "drawing/plan/placement_strokes.h"

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

// The box an item paints (before its clips).
BoundingBox ItemBox(const Item& item, const PlanOptions& options) {
    BoundingBox own;
    for (const Subpath& p : item.outline) AddToBox(p, &own);
    const Stroke* s = item.stroke ? &*item.stroke : nullptr;
    // Without fills every stroke is marked as its line alone.
    if (!s || !options.hatch.fill || !(s->width > 0.0) || Skipped(s->colour, s->opacity, options))
        return own;
    for (const Subpath& p : item.outline) AddStrokeToBox(p, *s, &own);
    return own;
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

BoundingBox DrawnBounds(const Drawing& drawing, const PlanOptions& given) {
    // Where colours only name pens, a pale one is marked like any other.
    PlanOptions options = given;
    if (!drawing.colourIsTone) options.minInk = 0.0;
    BoundingBox b;
    for (const Item& item : drawing.items) {
        if (!ItemShows(item, options)) continue;
        BoundingBox own = ItemBox(item, options);
        // What a clip cuts off is not drawn; a clip's cut parts only take away.
        for (const uint32_t clip : item.clips) {
            BoundingBox kept;
            for (const Clip::Part& part : drawing.clips.at(clip).parts) {
                if (part.cut) continue;
                for (const Subpath& p : part.outline) AddToBox(p, &kept);
            }
            own.Intersect(kept);
        }
        if (!own.Empty()) b.Add(own);
    }
    return b;
}

bool PlaceDrawing(const BoundingBox& drawn, const Drawing& drawing, const PlanOptions& options,
                  Affine* toField, std::string* error) {
    BoundingBox box = drawn;
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
