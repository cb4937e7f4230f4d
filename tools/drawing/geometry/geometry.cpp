#include "drawing/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace txorb::drawing {
namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// Arcs are cut into pieces of at most 30 degrees before they become cubics: the cubic then
// stays within 4e-7 radii of the true arc, far below any useful flattening tolerance.
constexpr double kMaxArcPiece = std::numbers::pi / 6.0;
// Subdivision stops here even for a tolerance of 0: 2^-16 of a curve that spans the whole
// 65,536-bit field is one bit, and a hostile curve costs at most 65,536 points.
constexpr int kMaxDepth = 16;

double VectorAngle(double ux, double uy, double vx, double vy) {
    return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
}

// The square of DistanceToSegment: compared with the tolerance's square it tells the same
// without a square root.
double SquaredDistanceToSegment(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    Point d = p - a;
    if (len2 != 0.0) {
        const double t = std::clamp((d.x * ab.x + d.y * ab.y) / len2, 0.0, 1.0);
        d = p - (a + ab * t);
    }
    return d.x * d.x + d.y * d.y;
}

// The curve lies in the hull of its control points, so it is within the larger of their
// distances from the chord. NaN counts as flat.
bool Flat(Point p0, Point c1, Point c2, Point p3, double tolerance) {
    const double d1 = SquaredDistanceToSegment(c1, p0, p3);
    const double d2 = SquaredDistanceToSegment(c2, p0, p3);
    if (d1 == d1 && d2 == d2) return !(std::max(d1, d2) > tolerance * tolerance);
    // Infinite coordinates: the squares give NaN where the distance itself is infinite.
    return !(std::max(DistanceToSegment(c1, p0, p3), DistanceToSegment(c2, p0, p3)) > tolerance);
}

void Subdivide(Point p0, Point c1, Point c2, Point p3, double tolerance, int depth,
               std::vector<Point>* out) {
    if (depth >= kMaxDepth || Flat(p0, c1, c2, p3, tolerance)) {
        out->push_back(p3);
        return;
    }
    const Point m01 = (p0 + c1) * 0.5;
    const Point m12 = (c1 + c2) * 0.5;
    const Point m23 = (c2 + p3) * 0.5;
    const Point a = (m01 + m12) * 0.5;
    const Point b = (m12 + m23) * 0.5;
    const Point mid = (a + b) * 0.5;
    Subdivide(p0, m01, a, mid, tolerance, depth + 1, out);
    Subdivide(mid, b, m23, p3, tolerance, depth + 1, out);
}

}  // namespace

double Distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

double DistanceToSegment(Point p, Point a, Point b) {
    const Point ab = b - a;
    const double len2 = ab.x * ab.x + ab.y * ab.y;
    if (len2 == 0.0) return Distance(p, a);
    double t = ((p.x - a.x) * ab.x + (p.y - a.y) * ab.y) / len2;
    t = std::clamp(t, 0.0, 1.0);
    return Distance(p, a + ab * t);
}

Affine Affine::operator*(const Affine& o) const {
    return {a * o.a + c * o.b, b * o.a + d * o.b,     a * o.c + c * o.d,
            b * o.c + d * o.d, a * o.e + c * o.f + e, b * o.e + d * o.f + f};
}

Affine Affine::Rotate(double degrees) {
    const double r = degrees * kRadiansPerDegree;
    const double cs = std::cos(r);
    const double sn = std::sin(r);
    return {cs, sn, -sn, cs, 0, 0};
}

Affine Affine::SkewX(double degrees) {
    return {1, 0, std::tan(degrees * kRadiansPerDegree), 1, 0, 0};
}
Affine Affine::SkewY(double degrees) {
    return {1, std::tan(degrees * kRadiansPerDegree), 0, 1, 0, 0};
}

void Subpath::QuadTo(Point c, Point p) {
    const Point p0 = End();
    CubicTo(p0 + (c - p0) * (2.0 / 3.0), p + (c - p) * (2.0 / 3.0), p);
}

// Endpoint to centre form as the SVG implementation notes give it, then one cubic per piece.
void Subpath::ArcTo(double rx, double ry, double rotationDegrees, bool largeArc, bool sweep,
                    Point p) {
    const Point p0 = End();
    if (p0.x == p.x && p0.y == p.y) return;
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    if (rx == 0.0 || ry == 0.0) {
        LineTo(p);
        return;
    }
    const double phi = rotationDegrees * kRadiansPerDegree;
    const double cs = std::cos(phi);
    const double sn = std::sin(phi);
    const double dx = (p0.x - p.x) / 2.0;
    const double dy = (p0.y - p.y) / 2.0;
    const double x1 = cs * dx + sn * dy;
    const double y1 = -sn * dx + cs * dy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1.0) {
        const double grow = std::sqrt(lambda);
        rx *= grow;
        ry *= grow;
    }
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double coef = den == 0.0 ? 0.0 : std::sqrt(std::max(0.0, num / den));
    if (largeArc == sweep) coef = -coef;
    const double cxp = coef * rx * y1 / ry;
    const double cyp = -coef * ry * x1 / rx;
    const double cx = cs * cxp - sn * cyp + (p0.x + p.x) / 2.0;
    const double cy = sn * cxp + cs * cyp + (p0.y + p.y) / 2.0;
    const double theta1 = VectorAngle(1, 0, (x1 - cxp) / rx, (y1 - cyp) / ry);
    double delta =
        VectorAngle((x1 - cxp) / rx, (y1 - cyp) / ry, (-x1 - cxp) / rx, (-y1 - cyp) / ry);
    if (!sweep && delta > 0) delta -= 2.0 * std::numbers::pi;
    if (sweep && delta < 0) delta += 2.0 * std::numbers::pi;
    // Radii or end points so large that the centre cannot be computed: draw the chord.
    if (!std::isfinite(delta) || !std::isfinite(theta1) || !std::isfinite(cx) ||
        !std::isfinite(cy)) {
        LineTo(p);
        return;
    }

    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / kMaxArcPiece)));
    const double step = delta / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4.0);
    auto onEllipse = [&](double ux, double uy) {
        return Point{cx + cs * rx * ux - sn * ry * uy, cy + sn * rx * ux + cs * ry * uy};
    };
    double angle = theta1;
    for (int i = 0; i < pieces; ++i) {
        const double a0 = angle;
        const double a1 = angle + step;
        const double c0 = std::cos(a0), s0 = std::sin(a0);
        const double c1 = std::cos(a1), s1 = std::sin(a1);
        const Point end = (i == pieces - 1) ? p : onEllipse(c1, s1);
        CubicTo(onEllipse(c0 - k * s0, s0 + k * c0), onEllipse(c1 + k * s1, s1 - k * c1), end);
        angle = a1;
    }
}

void Subpath::Close() {
    const Point e = End();
    if (!segments.empty() && (e.x != start.x || e.y != start.y)) LineTo(start);
    closed = true;
}

void Transform(const Affine& m, Subpath* path) {
    path->start = m.Apply(path->start);
    for (Segment& s : path->segments) {
        s.c1 = m.Apply(s.c1);
        s.c2 = m.Apply(s.c2);
        s.end = m.Apply(s.end);
    }
}

void BoundingBox::Add(Point p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
}

void BoundingBox::Add(const BoundingBox& o) {
    minX = std::min(minX, o.minX), maxX = std::max(maxX, o.maxX);
    minY = std::min(minY, o.minY), maxY = std::max(maxY, o.maxY);
}

void BoundingBox::Intersect(const BoundingBox& o) {
    minX = std::max(minX, o.minX), maxX = std::min(maxX, o.maxX);
    minY = std::max(minY, o.minY), maxY = std::min(maxY, o.maxY);
}

namespace {

// Where one coordinate of the cubic (v0, v1, v2, v3) has a zero derivative inside (0, 1):
// a*t^2 + b*t + c = 0, solved in the form that stays exact when a is 0.
int TurningPoints(double v0, double v1, double v2, double v3, double* t) {
    const double lo = std::min(v0, v3), hi = std::max(v0, v3);
    if (v1 >= lo && v1 <= hi && v2 >= lo && v2 <= hi) return 0;  // within its ends' range
    const double a = -v0 + 3.0 * v1 - 3.0 * v2 + v3;
    const double b = 2.0 * (v0 - 2.0 * v1 + v2);
    const double c = v1 - v0;
    const double disc = b * b - 4.0 * a * c;
    if (!(disc >= 0.0)) return 0;
    const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
    int n = 0;
    for (const double root : {q / a, c / q}) {
        if (root > 0.0 && root < 1.0) t[n++] = root;
    }
    return n;
}

}  // namespace

Point CubicAt(Point p0, Point c1, Point c2, Point p3, double t) {
    const double u = 1.0 - t;
    return p0 * (u * u * u) + c1 * (3.0 * u * u * t) + c2 * (3.0 * u * t * t) + p3 * (t * t * t);
}

int CubicTurns(Point p0, Point c1, Point c2, Point p3, bool alongY, double* t) {
    return alongY ? TurningPoints(p0.y, c1.y, c2.y, p3.y, t)
                  : TurningPoints(p0.x, c1.x, c2.x, p3.x, t);
}

void AddToBox(const Subpath& path, BoundingBox* box) {
    box->Add(path.start);
    Point last = path.start;
    for (const Segment& s : path.segments) {
        box->Add(s.end);
        if (s.cubic) {
            double t[4];
            int n = CubicTurns(last, s.c1, s.c2, s.end, false, t);
            n += CubicTurns(last, s.c1, s.c2, s.end, true, t + n);
            for (int i = 0; i < n; ++i) box->Add(CubicAt(last, s.c1, s.c2, s.end, t[i]));
        }
        last = s.end;
    }
}

void FlattenCubic(Point p0, Point c1, Point c2, Point p3, double tolerance,
                  std::vector<Point>* out) {
    Subdivide(p0, c1, c2, p3, tolerance, 0, out);
}

std::vector<Point> Flatten(const Subpath& path, double tolerance) {
    std::vector<Point> out{path.start};
    Point last = path.start;
    for (const Segment& s : path.segments) {
        if (s.cubic) {
            FlattenCubic(last, s.c1, s.c2, s.end, tolerance, &out);
        } else {
            out.push_back(s.end);
        }
        last = s.end;
    }
    return out;
}

}  // namespace txorb::drawing
