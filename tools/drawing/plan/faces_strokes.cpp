#include "drawing/plan/faces_strokes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace txorb::drawing {
namespace {

// Where a line starts in the pattern: the piece's index and the length left of it.
void Start(const std::vector<double>& pattern, double total, double offset, size_t* index,
           double* left) {
    double at = std::fmod(offset, total);
    if (!(at >= 0.0)) at = at < 0.0 ? at + total : 0.0;
    *index = 0;
    while (at >= pattern[*index]) {
        at -= pattern[*index];
        *index = (*index + 1) % pattern.size();
    }
    *left = pattern[*index] - at;
}

bool Usable(const std::vector<double>& pattern, double tolerance, double* total) {
    *total = 0.0;
    bool gapSeen = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (!(pattern[i] >= 0.0) || !std::isfinite(pattern[i])) return false;
        *total += pattern[i];
        if (i % 2 == 1 && pattern[i] >= tolerance) gapSeen = true;
    }
    return pattern.size() % 2 == 0 && gapSeen && *total >= tolerance;
}

void DashOne(const std::vector<Point>& line, const std::vector<double>& pattern, double total,
             double offset, std::vector<std::vector<Point>>* out) {
    size_t index = 0;
    double left = 0;
    Start(pattern, total, offset, &index, &left);
    std::vector<Point> piece;
    if (index % 2 == 0) piece.push_back(line.front());
    for (size_t i = 1; i < line.size(); ++i) {
        const Point a = line[i - 1], b = line[i];
        const double length = Distance(a, b);
        double done = 0;
        while (length - done > left) {
            done += left;
            const Point p = a + (b - a) * (done / length);
            if (index % 2 == 0) {
                piece.push_back(p);
                if (piece.size() >= 2) out->push_back(std::move(piece));
                piece.clear();
            } else {
                piece = {p};
            }
            index = (index + 1) % pattern.size();
            left = pattern[index];
        }
        left -= length - done;
        if (index % 2 == 0) piece.push_back(b);
    }
    if (index % 2 == 0 && piece.size() >= 2) out->push_back(std::move(piece));
}

// A wide stroke as pieces that each turn counter-clockwise: a quadrilateral along every
// segment, a wedge at every join, a cap at every open end. Under the nonzero rule they paint
// their union, which is the stroke, with no polygon clipping (whose cost grows with the
// square of the stroke's crossings of itself): the sweep composites them as they are.
class BandMaker {
public:
    BandMaker(const Stroke& s, double width, double tolerance) : s_(s), r_(width / 2.0) {
        // The angle an arc of radius r may turn through and stay within the tolerance.
        const double t =
            std::clamp(1.0 - std::max(tolerance, 1e-3) / std::max(r_, 1e-9), -1.0, 1.0);
        step_ = std::max(2.0 * std::acos(t), std::numbers::pi / 64);
    }

    void Line(std::vector<Point> line, bool closed) {
        size_t kept = 0;
        for (Point p : line) {
            if (kept == 0 || !Same(line[kept - 1], p)) line[kept++] = p;
        }
        line.resize(kept);
        while (closed && line.size() > 1 && Same(line.front(), line.back())) line.pop_back();
        if (line.size() < 2) return;
        const size_t n = line.size();
        const size_t segments = closed ? n : n - 1;
        for (size_t i = 0; i < segments; ++i) Quad(line[i], line[(i + 1) % n]);
        for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i)
            Join(line[(i + n - 1) % n], line[i], line[(i + 1) % n]);
        if (!closed) {
            Cap(line[1], line[0]);
            Cap(line[n - 2], line[n - 1]);
        }
    }

    std::vector<std::vector<Point>> Take() { return std::move(out_); }

private:
    static bool Same(Point a, Point b) { return a.x == b.x && a.y == b.y; }
    static Point Unit(Point d) {
        const double l = std::sqrt(d.x * d.x + d.y * d.y);
        return {d.x / l, d.y / l};
    }
    static Point Left(Point u) { return {-u.y, u.x}; }

    void Add(std::vector<Point> ring) {
        double area = 0.0;
        for (size_t i = 0; i < ring.size(); ++i) {
            const Point a = ring[i], b = ring[(i + 1) % ring.size()];
            area += a.x * b.y - b.x * a.y;
        }
        if (area < 0.0) std::reverse(ring.begin(), ring.end());
        if (area != 0.0) out_.push_back(std::move(ring));
    }

    void Quad(Point a, Point b) {
        const Point n = Left(Unit(b - a)) * r_;
        Add({a + n, a - n, b - n, b + n});
    }

    // Points on the circle of radius r around c from direction `from` turning by `angle`.
    void Arc(Point c, Point from, double angle, std::vector<Point>* out) const {
        const int pieces = std::max(1, int(std::ceil(std::fabs(angle) / step_)));
        const double a0 = std::atan2(from.y, from.x);
        for (int k = 0; k <= pieces; ++k) {
            const double a = a0 + angle * k / pieces;
            out->push_back({c.x + r_ * std::cos(a), c.y + r_ * std::sin(a)});
        }
    }

    // The wedge between the quads of a-p and p-b, on the outer side of the turn.
    void Join(Point a, Point p, Point b) {
        const Point d0 = Unit(p - a), d1 = Unit(b - p);
        const double turn = d0.x * d1.y - d0.y * d1.x;
        const double along = d0.x * d1.x + d0.y * d1.y;
        if (turn == 0.0 && along > 0.0) return;
        // The outer side is the right of a left turn and the left of a right one.
        const double side = turn > 0.0 ? -1.0 : 1.0;
        const Point n0 = Left(d0) * side, n1 = Left(d1) * side;
        const double angle = std::atan2(n0.x * n1.y - n0.y * n1.x, n0.x * n1.x + n0.y * n1.y);
        if (s_.join == LineJoin::kRound) {
            std::vector<Point> wedge{p};
            Arc(p, n0, angle, &wedge);
            Add(std::move(wedge));
            return;
        }
        const double cosHalf = std::cos(angle / 2.0);
        if (s_.join == LineJoin::kMiter && cosHalf > 0.0 && 1.0 / cosHalf <= s_.miterLimit) {
            const Point tip = p + (n0 + n1) * (r_ / (1.0 + n0.x * n1.x + n0.y * n1.y));
            Add({p, p + n0 * r_, tip, p + n1 * r_});
            return;
        }
        Add({p, p + n0 * r_, p + n1 * r_});
    }

    // The cap beyond `end`, the line arriving from `from`.
    void Cap(Point from, Point end) {
        const Point d = Unit(end - from), n = Left(d) * r_;
        if (s_.cap == LineCap::kSquare) {
            Add({end + n, end - n, end - n + d * r_, end + n + d * r_});
        } else if (s_.cap == LineCap::kRound) {
            std::vector<Point> half;
            Arc(end, Left(d) * -1.0, std::numbers::pi, &half);
            Add(std::move(half));
        }
    }

    const Stroke& s_;
    const double r_;
    double step_ = 0.5;
    std::vector<std::vector<Point>> out_;
};

}  // namespace

std::vector<std::vector<Point>> Dashed(const std::vector<std::vector<Point>>& lines,
                                       const std::vector<double>& pattern, double offset,
                                       double tolerance) {
    double total = 0.0;
    if (!Usable(pattern, std::max(tolerance, 1e-9), &total)) return lines;
    std::vector<std::vector<Point>> out;
    for (const auto& line : lines) {
        if (!line.empty())
            DashOne(line, pattern, total, std::isfinite(offset) ? offset : 0.0, &out);
    }
    return out;
}

std::vector<std::vector<Point>> Band(const std::vector<std::vector<Point>>& lines,
                                     const std::vector<bool>& closed, const Stroke& s, double width,
                                     double tolerance) {
    BandMaker band(s, width, tolerance);
    for (size_t i = 0; i < lines.size(); ++i) band.Line(lines[i], closed[i]);
    return band.Take();
}

}  // namespace txorb::drawing
