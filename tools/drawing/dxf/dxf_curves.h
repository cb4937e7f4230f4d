// The curves of DXF entities as the drawing's segments: arcs, ellipses and polyline bulges as
// cubic pieces of at most an eighth of a turn (off the true curve by at most 5 millionths of
// the radius: 0.5 um on a circle of 100 mm), splines of degree 1 to 3 as their exact Bézier
// pieces, others sampled.
#pragma once

#include <string>
#include <vector>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing {

// Appends the ellipse arc E(t) = c + m cos t + n sin t for t from t0 to t1 (backwards when
// t1 < t0; at most one turn) to `path`, whose end is E(t0). A circle of radius r has
// m = (r, 0), n = (0, r).
void AppendEllipseArc(Subpath* path, Point c, Point m, Point n, double t0, double t1);

// The counter-clockwise turn from angle `from` to angle `to` (radians), in (0, 2 pi]: equal
// angles are a whole turn, as DXF draws them.
double TurnBetween(double from, double to);

// Closes a path that went once around, its end moved exactly onto its start (where the
// rounding of its curves left it a hair away).
void CloseExactly(Subpath* path);

// Appends the polyline segment from the path's end to `to` bent by `bulge` (the tangent of a
// quarter of the arc's angle, positive counter-clockwise; 0 is straight).
void AppendBulge(Subpath* path, Point to, double bulge);

struct SplineData {
    int degree = 3;
    std::vector<Point> control;
    std::vector<double> weights;  // empty, or one per control point
    std::vector<double> knots;    // empty: clamped and uniform
    std::vector<Point> fit;       // used when there are no control points
    bool closed = false;
};

inline constexpr int kMaxSplineDegree = 11;  // as CAD programs make them

// The spline as one subpath. False with the reason in *error for a degree out of 1..11, too
// few control points or a knot vector that does not fit them.
bool SplinePath(const SplineData& spline, Subpath* out, std::string* error);

}  // namespace txorb::drawing
