// Markers: the content of a <marker> drawn at the start, the corners and the end of a path,
// turned along the path (orient="auto") and scaled with the stroke width.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"

namespace txorb::drawing::svg {
namespace {

double Direction(Point from, Point to) {
    return std::atan2(to.y - from.y, to.x - from.x) * 180.0 / std::numbers::pi;
}

// The direction a segment leaves its start in, and arrives at its end in.
double Leaving(Point start, const Segment& s) {
    if (s.cubic) {
        if (s.c1.x != start.x || s.c1.y != start.y) return Direction(start, s.c1);
        if (s.c2.x != start.x || s.c2.y != start.y) return Direction(start, s.c2);
    }
    return Direction(start, s.end);
}

double Arriving(Point start, const Segment& s) {
    if (s.cubic) {
        if (s.c2.x != s.end.x || s.c2.y != s.end.y) return Direction(s.c2, s.end);
        if (s.c1.x != s.end.x || s.c1.y != s.end.y) return Direction(s.c1, s.end);
    }
    return Direction(start, s.end);
}

// Halfway between two directions, the short way round.
double Bisect(double in, double out) {
    double d = std::fmod(out - in + 540.0, 360.0) - 180.0;
    return in + d / 2.0;
}

struct Vertex {
    Point at;
    double angle;
    int kind;  // 0 start, 1 middle, 2 end
};

std::vector<Vertex> Vertices(const std::vector<Subpath>& subpaths) {
    std::vector<Vertex> out;
    for (const Subpath& p : subpaths) {
        Point at = p.start;
        for (size_t i = 0; i < p.segments.size(); ++i) {
            const Segment& s = p.segments[i];
            const double leave = Leaving(at, s);
            if (i == 0) {
                out.push_back({at, leave, 1});
            } else {
                out.back().angle = Bisect(out.back().angle, leave);
            }
            out.push_back({s.end, Arriving(at, s), 1});
            at = s.end;
        }
    }
    if (!out.empty()) {
        out.front().kind = 0;
        out.back().kind = 2;
    }
    return out;
}

}  // namespace

void SvgDocument::Markers(const std::vector<Subpath>& subpaths, const DrawContext& ctx) {
    const Style& s = ctx.style;
    if ((s.markerStart.empty() && s.markerMid.empty() && s.markerEnd.empty()) || ctx.useDepth > 4) {
        return;
    }
    for (const Vertex& v : Vertices(subpaths)) {
        const std::string& id = v.kind == 0   ? s.markerStart
                                : v.kind == 1 ? s.markerMid
                                              : s.markerEnd;
        if (id.empty()) continue;
        const pugi::xml_node* marker = Find(id);
        if (marker == nullptr || std::strcmp(marker->name(), "marker") != 0) continue;
        Marker(*marker, v.at, v.angle, v.kind == 0, ctx);
    }
}

void SvgDocument::Marker(const pugi::xml_node& marker, Point at, double angle, bool start,
                         const DrawContext& ctx) {
    const std::string orient = marker.attribute("orient").as_string("0");
    if (orient == "auto-start-reverse" && start) angle += 180.0;
    if (orient != "auto" && orient != "auto-start-reverse")
        angle = std::strtod(orient.c_str(), nullptr);
    const bool userSpace =
        std::strcmp(marker.attribute("markerUnits").as_string(), "userSpaceOnUse") == 0;
    const double scale = userSpace ? 1.0 : ctx.style.strokeWidth;
    const double w = Length(marker, "markerWidth", 3, Axis::kX, ctx);
    const double h = Length(marker, "markerHeight", 3, Axis::kY, ctx);
    Affine content;
    ViewBox box;
    if (ParseViewBox(marker.attribute("viewBox").as_string(), &box)) {
        AspectRatio ratio;
        ParseAspectRatio(marker.attribute("preserveAspectRatio").as_string("xMidYMid"), &ratio);
        content = FitBox(box, {0, 0, w, h}, ratio);
    }
    const Point ref = content.Apply(
        {Length(marker, "refX", 0, Axis::kX, ctx), Length(marker, "refY", 0, Axis::kY, ctx)});
    DrawContext top;
    top.m = ctx.m * Affine::Translate(at.x, at.y) * Affine::Rotate(angle) *
            Affine::Scale(scale, scale) * Affine::Translate(-ref.x, -ref.y) * content;
    top.clips = ctx.clips;
    top.useDepth = ctx.useDepth + 1;
    top.viewportWidth = ctx.viewportWidth;
    top.viewportHeight = ctx.viewportHeight;
    // The marker's content takes its style from where the marker is defined, not from the path.
    DrawContext inside;
    if (!Enter(marker, top, &inside)) return;
    inside.m = top.m;
    Children(marker, inside);
}

}  // namespace txorb::drawing::svg
