// What the reader hands over: every shape that paints something, as an item with its paint
// resolved (opacities multiplied out, widths and dashes widened by the shape's transform,
// clips shared by index); the computed styles stay here.
#include <cstdint>
#include <map>
#include <optional>

#include "drawing/svg/svg_document.h"

namespace txorb::drawing::svg {
namespace {

bool Paints(const Paint& paint, double opacity) {
    return paint.kind != PaintKind::kNone && opacity > 0.0;
}

Stroke ResolveStroke(const Shape& shape) {
    const Style& s = shape.style;
    Stroke stroke;
    stroke.width = s.strokeWidth * shape.strokeScale;
    stroke.colour = s.stroke.colour;
    stroke.opacity = s.opacity * s.strokeOpacity * s.stroke.alpha;
    stroke.cap = s.cap;
    stroke.join = s.join;
    stroke.miterLimit = s.miterLimit;
    for (const double d : s.dashArray) stroke.dashes.push_back(d * shape.strokeScale);
    stroke.dashOffset = s.dashOffset * shape.strokeScale;
    return stroke;
}

// The item a shape paints, or nothing when it paints nothing.
std::optional<Item> Resolve(const Shape& shape, const Drawing& drawing) {
    const Style& s = shape.style;
    if (!s.visible || s.opacity <= 0.0) return std::nullopt;
    Item item;
    if (shape.picture >= 0) {
        Fill fill;
        const uint8_t grey = drawing.pictures[static_cast<size_t>(shape.picture)].image.Mean();
        fill.colour = {grey, grey, grey};
        fill.opacity = s.opacity;
        fill.picture = shape.picture;
        item.fill = fill;
    } else {
        if (Paints(s.fill, s.fillOpacity)) {
            item.fill = Fill{s.fillRule, s.fill.colour, s.opacity * s.fillOpacity * s.fill.alpha};
        }
        // A stroke of no width draws nothing in SVG (a zero width is a hairline elsewhere).
        if (Paints(s.stroke, s.strokeOpacity)) {
            const Stroke stroke = ResolveStroke(shape);
            if (stroke.width > 0) item.stroke = stroke;
        }
        if (!item.fill && !item.stroke) return std::nullopt;
    }
    item.outline = shape.subpaths;
    item.line = shape.line;
    return item;
}

Clip ResolveClip(const ClipRegion& region) {
    Clip clip;
    for (const ClipRegion::Part& part : region.parts) {
        clip.parts.push_back({part.subpaths, part.rule, part.cut});
    }
    return clip;
}

}  // namespace

void HandOver(const std::vector<Shape>& shapes, Drawing* drawing) {
    std::map<const ClipRegion*, uint32_t> clipIndex;
    for (const Shape& shape : shapes) {
        std::optional<Item> item = Resolve(shape, *drawing);
        if (!item) continue;
        for (const auto& region : shape.clips) {
            const auto [at, added] =
                clipIndex.emplace(region.get(), static_cast<uint32_t>(drawing->clips.size()));
            if (added) drawing->clips.push_back(ResolveClip(*region));
            item->clips.push_back(at->second);
        }
        drawing->items.push_back(std::move(*item));
    }
}

}  // namespace txorb::drawing::svg
