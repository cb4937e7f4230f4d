// The basic shapes and paths of a drawing as outlines in their own coordinates.
#include <algorithm>

#include "drawing/svg/path_data.h"
#include "drawing/svg/svg_document.h"

namespace txorb::drawing::svg {
namespace {

Subpath EllipseOutline(double cx, double cy, double rx, double ry) {
    Subpath p;
    p.start = {cx + rx, cy};
    p.ArcTo(rx, ry, 0, false, true, {cx, cy + ry});
    p.ArcTo(rx, ry, 0, false, true, {cx - rx, cy});
    p.ArcTo(rx, ry, 0, false, true, {cx, cy - ry});
    p.ArcTo(rx, ry, 0, false, true, {cx + rx, cy});
    p.closed = true;
    return p;
}

}  // namespace

Subpath RectOutline(double x, double y, double w, double h, double rx, double ry) {
    Subpath p;
    p.start = {x + rx, y};
    const bool round = rx > 0 && ry > 0;
    p.LineTo({x + w - rx, y});
    if (round) p.ArcTo(rx, ry, 0, false, true, {x + w, y + ry});
    p.LineTo({x + w, y + h - ry});
    if (round) p.ArcTo(rx, ry, 0, false, true, {x + w - rx, y + h});
    p.LineTo({x + rx, y + h});
    if (round) p.ArcTo(rx, ry, 0, false, true, {x, y + h - ry});
    p.LineTo({x, y + ry});
    if (round) p.ArcTo(rx, ry, 0, false, true, {x + rx, y});
    p.Close();
    return p;
}

void SvgDocument::PathGeometry(const pugi::xml_node& node, std::vector<Subpath>* out) {
    PathDataResult parsed = ParsePathData(node.attribute("d").as_string());
    if (!parsed.ok) {
        // A browser draws the path up to the error.
        Warn(node, "d",
             "d, character " + std::to_string(parsed.errorOffset + 1) + ": " + parsed.error +
                 "; drawn up to there");
    }
    // A moveto alone draws nothing.
    for (Subpath& p : parsed.subpaths) {
        if (!p.segments.empty()) out->push_back(std::move(p));
    }
}

void SvgDocument::PolyGeometry(const pugi::xml_node& node, bool closed, std::vector<Subpath>* out) {
    std::vector<Point> points;
    std::string why;
    if (!ParsePointList(node.attribute("points").as_string(), &points, &why)) {
        Warn(node, "points", "points: " + why + "; drawn up to there");
    }
    if (points.size() < 2) return;
    Subpath p;
    p.start = points[0];
    for (size_t i = 1; i < points.size(); ++i) p.LineTo(points[i]);
    if (closed) p.Close();
    out->push_back(p);
}

void SvgDocument::RectGeometry(const pugi::xml_node& node, const DrawContext& ctx,
                               std::vector<Subpath>* out) {
    auto L = [&](const char* a, Axis axis, double fallback = 0) {
        return Length(node, a, fallback, axis, ctx);
    };
    const double x = L("x", Axis::kX), y = L("y", Axis::kY);
    const double w = L("width", Axis::kX), h = L("height", Axis::kY);
    double rx = L("rx", Axis::kX, -1), ry = L("ry", Axis::kY, -1);
    if (w < 0 || h < 0) Warn(node, nullptr, "negative width or height; not drawn");
    if (!(w > 0) || !(h > 0)) return;
    if (rx < 0 && ry < 0) rx = ry = 0;
    if (rx < 0) rx = ry;  // one radius given: both are that
    if (ry < 0) ry = rx;
    out->push_back(RectOutline(x, y, w, h, std::min(rx, w / 2), std::min(ry, h / 2)));
}

void SvgDocument::EllipseGeometry(const pugi::xml_node& node, const DrawContext& ctx, bool circle,
                                  std::vector<Subpath>* out) {
    auto L = [&](const char* a, Axis axis, double fallback = 0) {
        return Length(node, a, fallback, axis, ctx);
    };
    const double cx = L("cx", Axis::kX), cy = L("cy", Axis::kY);
    double rx = circle ? L("r", Axis::kDiagonal) : L("rx", Axis::kX, -1);
    double ry = circle ? rx : L("ry", Axis::kY, -1);
    if (rx < 0 && ry >= 0 && !circle) rx = ry;  // an ellipse with one radius: both are that
    if (ry < 0 && rx >= 0 && !circle) ry = rx;
    if ((rx < 0 || ry < 0) &&
        (node.attribute("r") || node.attribute("rx") || node.attribute("ry"))) {
        Warn(node, nullptr, "negative radius; not drawn");
    }
    if (!(rx > 0) || !(ry > 0)) return;
    out->push_back(EllipseOutline(cx, cy, rx, ry));
}

// The outlines of a basic shape or path in its own coordinates; false when the element is
// none of them or draws nothing.
bool SvgDocument::Geometry(const pugi::xml_node& node, const DrawContext& ctx,
                           std::vector<Subpath>* out) {
    const std::string_view kind = LocalName(node.name());
    if (kind == "path") {
        PathGeometry(node, out);
    } else if (kind == "line") {
        Subpath p;
        p.start = {Length(node, "x1", 0, Axis::kX, ctx), Length(node, "y1", 0, Axis::kY, ctx)};
        p.LineTo({Length(node, "x2", 0, Axis::kX, ctx), Length(node, "y2", 0, Axis::kY, ctx)});
        out->push_back(p);
    } else if (kind == "polyline" || kind == "polygon") {
        PolyGeometry(node, kind == "polygon", out);
    } else if (kind == "rect") {
        RectGeometry(node, ctx, out);
    } else if (kind == "circle" || kind == "ellipse") {
        EllipseGeometry(node, ctx, kind == "circle", out);
    } else {
        return false;
    }
    return !out->empty();
}

}  // namespace txorb::drawing::svg
