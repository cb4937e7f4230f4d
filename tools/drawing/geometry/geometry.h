// Plane geometry for drawings: points, affine maps, curve segments and their flattening into
// straight pieces within a distance tolerance.
#pragma once

#include <limits>
#include <vector>

namespace txorb::drawing {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

inline Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
inline Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
inline Point operator*(Point a, double s) { return {a.x * s, a.y * s}; }
double Distance(Point a, Point b);
// Distance from p to the segment a-b (to a when the segment is a point).
double DistanceToSegment(Point p, Point a, Point b);

// x' = a*x + c*y + e, y' = b*x + d*y + f: the order of an SVG matrix(a b c d e f).
struct Affine {
    double a = 1.0, b = 0.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;

    Point Apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // (this * other)(p) = this(other(p)): other is applied first.
    Affine operator*(const Affine& other) const;
    static Affine Translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Affine Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Affine Rotate(double degrees);
    static Affine SkewX(double degrees);
    static Affine SkewY(double degrees);
};

// A straight piece (only `end` used) or a cubic Bézier piece from the previous end point.
struct Segment {
    bool cubic = false;
    Point c1, c2, end;
};

// One connected run of segments from `start`; closed runs end back at `start`.
struct Subpath {
    Point start;
    std::vector<Segment> segments;
    bool closed = false;

    Point End() const { return segments.empty() ? start : segments.back().end; }
    void LineTo(Point p) { segments.push_back({false, {}, {}, p}); }
    void CubicTo(Point c1, Point c2, Point p) { segments.push_back({true, c1, c2, p}); }
    void QuadTo(Point c, Point p);
    // An elliptical arc as SVG path data gives it (endpoint form, x-axis rotation in degrees).
    void ArcTo(double rx, double ry, double rotationDegrees, bool largeArc, bool sweep, Point p);
    void Close();
};

void Transform(const Affine& m, Subpath* path);

// An axis-aligned box; empty until a point is added.
struct BoundingBox {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();
    bool Empty() const { return !(maxX >= minX) || !(maxY >= minY); }
    // Points that are not finite are left out.
    void Add(Point p);
    void Add(const BoundingBox& other);
    // Only what lies in both.
    void Intersect(const BoundingBox& other);
};

// The point at t (0..1) of the cubic p0 c1 c2 p3.
Point CubicAt(Point p0, Point c1, Point c2, Point p3, double t);
// The places t in (0, 1) where the cubic's y (alongY) or x turns back, its derivative 0 there;
// returns how many (at most 2, into t).
int CubicTurns(Point p0, Point c1, Point c2, Point p3, bool alongY, double* t);

// Grows the box by exactly what the subpath covers: its points and the places where a curve
// turns back along x or y (where its derivative is 0), not its control points, which would
// overstate it. Costs a few operations a segment, whatever the curve's size.
void AddToBox(const Subpath& path, BoundingBox* box);

// Appends the points after p0 of a polyline that stays within tolerance of the cubic.
void FlattenCubic(Point p0, Point c1, Point c2, Point p3, double tolerance,
                  std::vector<Point>* out);
// The whole subpath as a polyline, start point first.
std::vector<Point> Flatten(const Subpath& path, double tolerance);

}  // namespace txorb::drawing
