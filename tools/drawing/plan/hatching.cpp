#include "drawing/plan/hatching.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace txorb::drawing {
namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

// A step to the next line longer than this many spacings across is a jump, not a join: a
// long join would burn a visible line along the outline.
constexpr double kMaxJoinSpacings = 3.0;
// How far a join is tested inside the outline: an eighth of a bit.
constexpr ClipperLib::cInt kInward = 2;

struct Rotation {
    double c, s;
    IntPoint Apply(const IntPoint& p) const {
        return {static_cast<cInt>(std::llround(c * double(p.X) - s * double(p.Y))),
                static_cast<cInt>(std::llround(s * double(p.X) + c * double(p.Y)))};
    }
};

Rotation RotationBy(double degrees) {
    const double r = degrees * std::numbers::pi / 180.0;
    return {std::cos(r), std::sin(r)};
}

Paths Rotated(const Paths& in, const Rotation& r) {
    Paths out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        out[i].reserve(in[i].size());
        for (const IntPoint& p : in[i]) out[i].push_back(r.Apply(p));
    }
    return out;
}

Paths Swapped(const Paths& in) {
    Paths out(in);
    for (Path& path : out) {
        for (IntPoint& p : path) std::swap(p.X, p.Y);
    }
    return out;
}

struct Piece {
    cInt x0, x1, y;  // x0 < x1
    bool used = false;
};

// The region's cuts along every grid line, by line, each line's pieces from left to right.
std::vector<std::vector<Piece>> Cut(const Paths& region, double spacing) {
    cInt minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool first = true;
    for (const Path& path : region) {
        for (const IntPoint& p : path) {
            if (first) minX = maxX = p.X, minY = maxY = p.Y, first = false;
            minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
            minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
        }
    }
    std::vector<std::vector<Piece>> rows;
    if (first) return rows;
    const long k0 = static_cast<long>(std::ceil(double(minY) / spacing - 0.5));
    const long k1 = static_cast<long>(std::floor(double(maxY) / spacing - 0.5));
    if (k1 < k0) return rows;
    // The clipper sweeps along y, and horizontal edges are its slow case: the lines are cut
    // with x and y swapped, so that they run along the sweep.
    Paths lines;
    for (long k = k0; k <= k1; ++k) {
        const cInt y = static_cast<cInt>(std::llround((double(k) + 0.5) * spacing));
        lines.push_back({{y, minX - 1}, {y, maxX + 1}});
    }
    ClipperLib::Clipper clipper;
    clipper.AddPaths(lines, ClipperLib::ptSubject, false);
    clipper.AddPaths(Swapped(region), ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    clipper.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero,
                    ClipperLib::pftNonZero);
    Paths open;
    ClipperLib::OpenPathsFromPolyTree(tree, open);
    std::map<cInt, std::vector<Piece>> byY;
    for (const Path& p : open) {
        if (p.size() < 2) continue;
        const cInt a = p.front().Y, b = p.back().Y;
        if (a != b) byY[p.front().X].push_back({std::min(a, b), std::max(a, b), p.front().X});
    }
    for (auto& [y, pieces] : byY) {
        std::sort(pieces.begin(), pieces.end(),
                  [](const Piece& l, const Piece& r) { return l.x0 < r.x0; });
        rows.push_back(std::move(pieces));
    }
    return rows;
}

// A join runs along the outline between two lines' ends; along a straight edge it lies on the
// outline itself, so it is tested a hair towards the lines (`inward`, clipper units in x).
bool JoinStaysInside(const Paths& region, const IntPoint& a, const IntPoint& b, double spacing,
                     cInt inward) {
    if (std::fabs(double(a.X - b.X)) > kMaxJoinSpacings * spacing) return false;
    for (double t : {0.25, 0.5, 0.75}) {
        const IntPoint p{
            static_cast<cInt>(std::llround(double(a.X) + t * double(b.X - a.X))) + inward,
            static_cast<cInt>(std::llround(double(a.Y) + t * double(b.Y - a.Y)))};
        if (!InsideRegion(region, p)) return false;
    }
    return true;
}

// From `row`'s piece `start` on, each next line's piece whose near end is reached by a short
// step inside the region, alternating direction.
Path Chain(std::vector<std::vector<Piece>>& rows, size_t row, size_t start, const Paths& region,
           double spacing) {
    Piece& p = rows[row][start];
    p.used = true;
    Path out{{p.x0, p.y}, {p.x1, p.y}};
    bool rightward = true;
    // Lines are consecutive in `rows` only when their y values are one spacing apart.
    for (size_t r = row + 1; r < rows.size(); ++r) {
        if (std::fabs(double(rows[r].front().y - rows[r - 1].front().y) - spacing) > 2.0) break;
        const IntPoint at = out.back();
        Piece* best = nullptr;
        double bestDistance = 0.0;
        for (Piece& q : rows[r]) {
            if (q.used) continue;
            const double d = std::fabs(double((rightward ? q.x1 : q.x0) - at.X));
            if (!best || d < bestDistance) best = &q, bestDistance = d;
        }
        if (!best) break;
        const IntPoint near{rightward ? best->x1 : best->x0, best->y};
        if (!JoinStaysInside(region, at, near, spacing, rightward ? -kInward : kInward)) break;
        best->used = true;
        out.push_back(near);
        out.push_back({rightward ? best->x0 : best->x1, best->y});
        rightward = !rightward;
    }
    return out;
}

}  // namespace

bool InsideRegion(const Paths& region, const IntPoint& p) {
    // The clipper's output does not overlap itself: inside an odd number of outlines is inside.
    int count = 0;
    for (const Path& path : region) {
        const int in = ClipperLib::PointInPolygon(p, path);
        if (in < 0) return true;
        count += in;
    }
    return count % 2 == 1;
}

std::vector<Path> HatchRegion(const Paths& region, const HatchGrid& grid) {
    std::vector<Path> out;
    if (region.empty() || !(grid.spacing > 0)) return out;
    Paths inner = region;
    if (grid.inset > 0) {
        ClipperLib::ClipperOffset offset;
        offset.AddPaths(region, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
        offset.ArcTolerance = std::max(1.0, grid.inset / 100.0);
        offset.Execute(inner, -grid.inset);
    }
    // Lines along x in a turned copy of the region, turned back at the end.
    const Paths turned = Rotated(inner, RotationBy(-grid.angleDegrees));
    std::vector<std::vector<Piece>> rows = Cut(turned, grid.spacing);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t i = 0; i < rows[r].size(); ++i) {
            if (!rows[r][i].used) out.push_back(Chain(rows, r, i, turned, grid.spacing));
        }
    }
    const Rotation back = RotationBy(grid.angleDegrees);
    for (Path& p : out) {
        for (IntPoint& q : p) q = back.Apply(q);
    }
    return out;
}

}  // namespace txorb::drawing
