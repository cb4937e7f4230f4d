// Clip paths and masks: the outlines that cut what an element marks, in root coordinates.
#include <algorithm>
#include <cstring>
#include <memory>

#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"

namespace txorb::drawing::svg {

std::shared_ptr<const ClipRegion> SvgDocument::Clip(const std::string& id, const DrawContext& ctx) {
    // A mask is taken as a clip by the outlines of what it paints: how light it paints them
    // (a soft edge, a fade) is not followed.
    const auto it = ids_.find(id);
    if (it == ids_.end()) return nullptr;
    const std::string_view kind = LocalName(it->second.name());
    const bool mask = kind == "mask";
    if (kind != "clipPath" && !mask) return nullptr;
    auto region = std::make_shared<ClipRegion>();
    DrawContext inside = ctx;
    inside.clips.clear();
    Affine local;
    if (const pugi::xml_attribute t = it->second.attribute("transform")) {
        std::string why;
        if (!ParseTransform(t.value(), &local, &why)) local = Affine{};
    }
    inside.m = ctx.m * local;
    const char* units =
        it->second.attribute(mask ? "maskContentUnits" : "clipPathUnits").as_string();
    if (std::strcmp(units, "objectBoundingBox") == 0) {
        // Fractions of the element's box, which is known once the element is read.
        region->boxUnits = true;
        inside.m = local;
    }
    inside.maskContent = mask;
    inside.depth = 0;
    for (const pugi::xml_node& child : it->second.children())
        ClipOutlines(child, inside, region.get());
    // A mask of nothing this reader follows (text, say) is left out rather than hiding all.
    if (mask && region->parts.empty()) return nullptr;
    return region;
}

// The box of the shapes the clipped element added, in root coordinates (turned elements get
// the box around their turned shapes), and the clip's parts placed in it.
void SvgDocument::ResolveBoxClip(size_t firstShape, const std::shared_ptr<const ClipRegion>& clip) {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (size_t i = firstShape; i < shapes_.size(); ++i) {
        for (const Subpath& p : shapes_[i].subpaths) {
            for (const Point q : Flatten(p, 1e-3)) {
                x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y),
                y1 = std::max(y1, q.y);
            }
        }
    }
    auto placed = std::make_shared<ClipRegion>(*clip);
    placed->boxUnits = false;
    const Affine box =
        x1 > x0 && y1 > y0 ? Affine{x1 - x0, 0, 0, y1 - y0, x0, y0} : Affine{0, 0, 0, 0, 0, 0};
    for (ClipRegion::Part& part : placed->parts) {
        for (Subpath& p : part.subpaths) Transform(box, &p);
    }
    for (size_t i = firstShape; i < shapes_.size(); ++i) {
        for (auto& c : shapes_[i].clips) {
            if (c == clip) c = placed;
        }
    }
}

void SvgDocument::ClipOutlines(const pugi::xml_node& node, const DrawContext& ctx,
                               ClipRegion* region) {
    if (node.type() != pugi::node_element) return;
    DrawContext own = ctx;
    if (const pugi::xml_attribute t = node.attribute("transform")) {
        Affine local;
        std::string why;
        if (ParseTransform(t.value(), &local, &why)) own.m = ctx.m * local;
    }
    const std::string_view kind = LocalName(node.name());
    if (kind == "g" && ctx.maskContent && ctx.depth < kMaxDepth) {
        DrawContext group = own;
        group.depth = ctx.depth + 1;
        for (const pugi::xml_node& child : node.children()) ClipOutlines(child, group, region);
        return;
    }
    if (kind == "use") {
        // A reference to a shape clips with that shape, moved by the reference's x and y.
        const char* href =
            node.attribute("href").as_string(node.attribute("xlink:href").as_string());
        const auto it = href[0] == '#' ? ids_.find(href + 1) : ids_.end();
        if (it == ids_.end() || ctx.useDepth >= kMaxUseDepth) return;
        DrawContext placed = own;
        placed.m = own.m * Affine::Translate(Length(node, "x", 0, Axis::kX, ctx),
                                             Length(node, "y", 0, Axis::kY, ctx));
        placed.useDepth = ctx.useDepth + 1;
        ClipOutlines(it->second, placed, region);
        return;
    }
    ClipRegion::Part part;
    if (kind == "image" && ctx.maskContent) {
        // A picture in a mask (a soft mask of a picture, as PDF converters write them) keeps
        // its rectangle.
        const double x = Length(node, "x", 0, Axis::kX, ctx),
                     y = Length(node, "y", 0, Axis::kY, ctx);
        const double w = Length(node, "width", 0, Axis::kX, ctx),
                     h = Length(node, "height", 0, Axis::kY, ctx);
        if (w > 0 && h > 0) part.subpaths.push_back(RectOutline(x, y, w, h, 0, 0));
    } else if (!Geometry(node, own, &part.subpaths)) {
        return;
    }
    if (part.subpaths.empty()) return;
    const std::string rule = node.attribute("clip-rule").as_string();
    const std::string style = node.attribute("style").as_string();
    part.rule = rule == "evenodd" || style.find("clip-rule:evenodd") != std::string::npos
                    ? FillRule::kEvenOdd
                    : FillRule::kNonZero;
    for (Subpath& p : part.subpaths) Transform(own.m, &p);
    if (ctx.maskContent && kind != "image") {
        // In a mask, light paint keeps what is under it and dark paint hides it.
        const Style style = ComputeStyle(
            ctx.style, node, sheet_, [this](std::string_view id) { return ServerPaint(id); },
            nullptr);
        if (style.fill.kind == PaintKind::kNone || style.fillOpacity <= 0.0) return;
        const Colour& c = style.fill.colour;
        part.cut = style.fill.kind == PaintKind::kColour && Ink(c) > 0.5;
    }
    region->parts.push_back(std::move(part));
}

}  // namespace txorb::drawing::svg
