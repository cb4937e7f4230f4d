#include "drawing/dxf/dxf_hatch.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "drawing/dxf/dxf_curves.h"

namespace txorb::drawing {
namespace {

// Values dxflib leaves unset in edges the file does not complete are refused by this.
constexpr double kMaxCoordinate = 1e12;

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxCoordinate; }

// One edge of a hatch boundary (a line, arc, ellipse arc or spline) as a piece of its own.
// False for an edge dxflib left incomplete.
bool HatchEdge(const DL_HatchEdgeData& e, Subpath* piece) {
    switch (e.type) {
        case 1: {
            if (!Usable(e.x1) || !Usable(e.y1) || !Usable(e.x2) || !Usable(e.y2)) return false;
            piece->start = {e.x1, e.y1};
            piece->LineTo({e.x2, e.y2});
            return true;
        }
        case 2:
        case 3: {
            const bool ellipse = e.type == 3;
            const double r = ellipse ? 1.0 : e.radius;
            if (!Usable(e.cx) || !Usable(e.cy) || !Usable(r) || !Usable(e.angle1) ||
                !Usable(e.angle2) ||
                (ellipse && (!Usable(e.mx) || !Usable(e.my) || !Usable(e.ratio)))) {
                return false;
            }
            const Point m = ellipse ? Point{e.mx, e.my} : Point{r, 0};
            const Point n = ellipse ? Point{-e.my * e.ratio, e.mx * e.ratio} : Point{0, r};
            // A clockwise edge gives its angles as a counter-clockwise arc mirrored in x.
            const double a0 = e.ccw ? e.angle1 : -e.angle1;
            const double a1 =
                e.ccw ? a0 + TurnBetween(a0, e.angle2) : a0 - TurnBetween(-e.angle2, a0);
            const Point c{e.cx, e.cy};
            piece->start = c + m * std::cos(a0) + n * std::sin(a0);
            AppendEllipseArc(piece, c, m, n, a0, a1);
            return true;
        }
        case 4: {
            SplineData spline;
            spline.degree = static_cast<int>(std::min(e.degree, 1000u));
            for (const auto& p : e.controlPoints) {
                if (p.size() < 2 || !Usable(p[0]) || !Usable(p[1])) return false;
                spline.control.push_back({p[0], p[1]});
            }
            for (const auto& p : e.fitPoints) {
                if (p.size() < 2 || !Usable(p[0]) || !Usable(p[1])) return false;
                spline.fit.push_back({p[0], p[1]});
            }
            spline.knots = e.knots;
            spline.weights = e.weights;
            std::string ignored;
            return SplinePath(spline, piece, &ignored);
        }
        default: return false;
    }
}

Subpath Reversed(const Subpath& path) {
    Subpath out;
    out.start = path.End();
    for (size_t i = path.segments.size(); i-- > 0;) {
        const Segment& s = path.segments[i];
        const Point to = i > 0 ? path.segments[i - 1].end : path.start;
        out.segments.push_back({s.cubic, s.c2, s.c1, to});
    }
    return out;
}

// Appends an edge to a boundary: edges need not run the same way round, so an edge is taken
// backwards when its end is nearer the boundary's end; a gap is bridged by a straight piece.
void AppendEdge(const Subpath& piece, bool first, Subpath* path) {
    if (first) {
        *path = piece;
        return;
    }
    const Point at = path->End();
    const Subpath next =
        Distance(piece.End(), at) < Distance(piece.start, at) ? Reversed(piece) : piece;
    if (Distance(next.start, at) > 1e-9) path->LineTo(next.start);
    path->segments.insert(path->segments.end(), next.segments.begin(), next.segments.end());
}

// A polyline boundary: its vertices, each with the bulge of the segment after it.
bool AppendHatchPolyline(const DL_HatchEdgeData& e, Subpath* path) {
    std::vector<Point> points;
    std::vector<double> bulges;
    for (const auto& v : e.vertices) {
        if (v.size() < 2 || !Usable(v[0]) || !Usable(v[1])) return false;
        points.push_back({v[0], v[1]});
        bulges.push_back(v.size() > 2 && Usable(v[2]) ? v[2] : 0.0);
    }
    path->start = points[0];
    for (size_t i = 1; i <= points.size(); ++i) {
        AppendBulge(path, points[i % points.size()], bulges[i - 1]);
    }
    return true;
}

}  // namespace

bool HatchLoop(const std::vector<DL_HatchEdgeData>& edges, Subpath* out) {
    Subpath path;
    bool first = true;
    for (const DL_HatchEdgeData& edge : edges) {
        if (edge.type == 0) {
            // A polyline boundary is one edge; dxflib may add its seed point as another.
            if (first && edge.vertices.size() >= 2) {
                if (!AppendHatchPolyline(edge, &path)) return false;
                first = false;
            }
            continue;
        }
        Subpath piece;
        if (!HatchEdge(edge, &piece)) return false;
        AppendEdge(piece, first, &path);
        first = false;
    }
    if (!path.segments.empty()) CloseExactly(&path);
    *out = std::move(path);
    return true;
}

}  // namespace txorb::drawing
