#include "drawing/dxf/dxf_curves.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace txorb::drawing {
namespace {

constexpr double kTurn = 2.0 * std::numbers::pi;
constexpr size_t kSamplesPerSpan = 16;  // for rational splines and degrees above 3

// A point with its weight, so that rational splines are evaluated as they are defined.
struct Weighted {
    double x = 0, y = 0, w = 1;
};

Weighted Mix(const Weighted& a, const Weighted& b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.w + (b.w - a.w) * t};
}

// The blossom of the spline's piece on knot span [u[span], u[span + 1]) at args (one per
// degree): with all args equal, the curve's point there; with args a..a, b..b mixed, the
// Bézier control points of that piece.
Weighted Blossom(const std::vector<Weighted>& p, const std::vector<double>& u, int degree,
                 size_t span, const std::vector<double>& args) {
    std::vector<Weighted> d(p.begin() + static_cast<long>(span) - degree,
                            p.begin() + static_cast<long>(span) + 1);
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const size_t k = span - degree + j;
            const double width = u[k + degree + 1 - r] - u[k];
            const double alpha = width > 0 ? (args[r - 1] - u[k]) / width : 0.0;
            d[j] = Mix(d[j - 1], d[j], alpha);
        }
    }
    return d[degree];
}

Point Projected(const Weighted& p) { return p.w != 0 ? Point{p.x / p.w, p.y / p.w} : Point{}; }

// One piece in Bézier form (exact for polynomial splines of degree 1 to 3).
void AppendBezierPiece(Subpath* path, const std::vector<Weighted>& p, const std::vector<double>& u,
                       int degree, size_t span) {
    const double a = u[span], b = u[span + 1];
    if (degree == 1) {
        path->LineTo(Projected(Blossom(p, u, 1, span, {b})));
    } else if (degree == 2) {
        path->QuadTo(Projected(Blossom(p, u, 2, span, {a, b})),
                     Projected(Blossom(p, u, 2, span, {b, b})));
    } else {
        path->CubicTo(Projected(Blossom(p, u, 3, span, {a, a, b})),
                      Projected(Blossom(p, u, 3, span, {a, b, b})),
                      Projected(Blossom(p, u, 3, span, {b, b, b})));
    }
}

void AppendSampledPiece(Subpath* path, const std::vector<Weighted>& p, const std::vector<double>& u,
                        int degree, size_t span) {
    for (size_t i = 1; i <= kSamplesPerSpan; ++i) {
        const double t = u[span] + (u[span + 1] - u[span]) * i / kSamplesPerSpan;
        path->LineTo(Projected(Blossom(p, u, degree, span, std::vector<double>(degree, t))));
    }
}

// A curve through the fit points (Catmull-Rom, as cubic pieces), for splines given only so.
Subpath ThroughFitPoints(const std::vector<Point>& fit, bool closed) {
    Subpath path;
    path.start = fit[0];
    const size_t n = fit.size();
    auto at = [&](long i) {
        if (closed) return fit[static_cast<size_t>((i % static_cast<long>(n) + n) % n)];
        return fit[static_cast<size_t>(std::clamp(i, 0L, static_cast<long>(n) - 1))];
    };
    const size_t pieces = closed ? n : n - 1;
    for (size_t i = 0; i < pieces; ++i) {
        const long k = static_cast<long>(i);
        const Point p1 = at(k), p2 = at(k + 1);
        path.CubicTo(p1 + (p2 - at(k - 1)) * (1.0 / 6.0), p2 - (at(k + 2) - p1) * (1.0 / 6.0), p2);
    }
    if (closed) path.Close();
    return path;
}

}  // namespace

void AppendEllipseArc(Subpath* path, Point c, Point m, Point n, double t0, double t1) {
    const double sweep = std::clamp(t1 - t0, -kTurn, kTurn);
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 4) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4.0);
    auto point = [&](double t) { return c + m * std::cos(t) + n * std::sin(t); };
    auto tangent = [&](double t) { return n * std::cos(t) - m * std::sin(t); };
    for (int i = 0; i < pieces; ++i) {
        const double a = t0 + step * i, b = a + step;
        path->CubicTo(point(a) + tangent(a) * k, point(b) - tangent(b) * k, point(b));
    }
}

double TurnBetween(double from, double to) {
    const double turn = std::fmod(to - from, kTurn);
    return turn <= 1e-12 ? turn + kTurn : turn;
}

void CloseExactly(Subpath* path) {
    if (!path->segments.empty() && Distance(path->End(), path->start) < 1e-9) {
        path->segments.back().end = path->start;
    }
    path->Close();
}

void AppendBulge(Subpath* path, Point to, double bulge) {
    const Point from = path->End();
    const double chord = Distance(from, to);
    if (std::fabs(bulge) < 1e-12 || chord == 0.0) {
        path->LineTo(to);
        return;
    }
    // The arc turns by 4 atan(bulge); its centre lies on the chord's perpendicular bisector,
    // to the left of the chord for a positive bulge.
    const double angle = 4.0 * std::atan(bulge);
    const double radius = chord / (2.0 * std::sin(angle / 2.0));
    const Point mid = (from + to) * 0.5;
    const Point left = Point{-(to.y - from.y), to.x - from.x} * (1.0 / chord);
    const Point centre = mid + left * (radius * std::cos(angle / 2.0));
    const double r = std::fabs(radius);
    const double start = std::atan2(from.y - centre.y, from.x - centre.x);
    AppendEllipseArc(path, centre, {r, 0}, {0, r}, start, start + angle);
    path->segments.back().end = to;  // exactly, whatever the rounding
}

bool SplinePath(const SplineData& spline, Subpath* out, std::string* error) {
    const int p = spline.degree;
    if (spline.control.empty()) {
        if (spline.fit.size() < 2) {
            *error = "a spline of fewer than 2 points";
            return false;
        }
        *out = ThroughFitPoints(spline.fit, spline.closed);
        return true;
    }
    const size_t n = spline.control.size();
    if (p < 1 || p > kMaxSplineDegree || n < static_cast<size_t>(p) + 1) {
        *error = "a spline of degree " + std::to_string(p) + " with " + std::to_string(n) +
                 " control points (degree 1 to 11, at least degree + 1 points)";
        return false;
    }
    std::vector<double> u = spline.knots;
    if (u.empty()) {  // clamped and uniform
        for (int i = 0; i <= p; ++i) u.push_back(0.0);
        for (size_t i = 1; i + p < n; ++i) u.push_back(static_cast<double>(i));
        for (int i = 0; i <= p; ++i) u.push_back(static_cast<double>(n - p));
    }
    bool ordered = u.size() == n + p + 1;
    for (size_t i = 1; ordered && i < u.size(); ++i) ordered = u[i] >= u[i - 1];
    if (!ordered || !(u[n] > u[p])) {
        *error = "a spline's " + std::to_string(spline.knots.size()) + " knots do not fit " +
                 std::to_string(n) + " control points of degree " + std::to_string(p) + " (" +
                 std::to_string(n + p + 1) + " rising knots expected)";
        return false;
    }
    const bool rational = spline.weights.size() == n;
    std::vector<Weighted> points;
    for (size_t i = 0; i < n; ++i) {
        const double w = rational && spline.weights[i] > 0 ? spline.weights[i] : 1.0;
        points.push_back({spline.control[i].x * w, spline.control[i].y * w, w});
    }
    bool weighted = false;
    for (const Weighted& q : points) weighted = weighted || q.w != 1.0;
    Subpath path;
    path.start =
        Projected(Blossom(points, u, p, static_cast<size_t>(p), std::vector<double>(p, u[p])));
    for (size_t span = p; span < n; ++span) {
        if (u[span + 1] <= u[span]) continue;
        if (weighted || p > 3) {
            AppendSampledPiece(&path, points, u, p, span);
        } else {
            AppendBezierPiece(&path, points, u, p, span);
        }
    }
    if (spline.closed) path.Close();
    *out = std::move(path);
    return true;
}

}  // namespace txorb::drawing
