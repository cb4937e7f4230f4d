#include "drawing/items/cover.h"

#include <algorithm>
#include <cmath>

namespace txorb::drawing {
namespace {

// Pieces of a move shorter than this (a share of the move) are where it only touches an edge.
constexpr double kSliver = 1e-9;

double Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }

Point ToPoint(FieldPoint p) { return {static_cast<double>(p.x), static_cast<double>(p.y)}; }

FieldPoint ToField(Point p) {
    auto one = [](double v) {
        return static_cast<int16_t>(std::clamp(std::floor(v + 0.5), -32768.0, 32767.0));
    };
    return {one(p.x), one(p.y)};
}

// Where along a..b (0..1) the move crosses an edge of the cover, with 0 and 1, in order.
std::vector<double> Crossings(const Cover& cover, Point a, Point b) {
    std::vector<double> ts{0.0, 1.0};
    const Point d = b - a;
    for (const Cover::Ring& r : cover.outlines) {
        if (!r.box.Meets(a, b)) continue;
        const std::vector<Point>& ring = r.points;
        for (size_t i = 0; i < ring.size(); ++i) {
            const Point p = ring[i], q = ring[(i + 1) % ring.size()];
            const Point e = q - p;
            const double denom = Cross(d, e);
            if (denom == 0.0) continue;  // parallel: the pieces' middles decide
            const double t = Cross(p - a, e) / denom;
            const double u = Cross(p - a, d) / denom;
            if (t > 0.0 && t < 1.0 && u >= 0.0 && u <= 1.0) ts.push_back(t);
        }
    }
    std::sort(ts.begin(), ts.end());
    return ts;
}

// Appends the pieces of one polyline that lie outside the cover, in its order.
void CutPolyline(const Cover& cover, const Polyline& line, std::vector<Polyline>* out) {
    Polyline piece;
    auto finish = [&] {
        if (piece.size() >= 2) out->push_back(std::move(piece));
        piece.clear();
    };
    auto add = [&](FieldPoint p) {
        if (piece.empty() || !(piece.back() == p)) piece.push_back(p);
    };
    for (size_t i = 1; i < line.size(); ++i) {
        const Point a = ToPoint(line[i - 1]), b = ToPoint(line[i]);
        if (!cover.Meets(a, b)) {
            add(line[i - 1]);
            add(line[i]);
            continue;
        }
        const std::vector<double> ts = Crossings(cover, a, b);
        for (size_t k = 1; k < ts.size(); ++k) {
            if (ts[k] - ts[k - 1] < kSliver) continue;
            const Point from = a + (b - a) * ts[k - 1], to = a + (b - a) * ts[k];
            if (cover.Covers((from + to) * 0.5)) {
                finish();
                continue;
            }
            add(ToField(from));
            add(ToField(to));
        }
    }
    finish();
}

void CutBitmapLine(const Cover& cover, BitmapLine* row) {
    const Point a = ToPoint(row->begin), b = ToPoint(row->end);
    if (!cover.Meets(a, b)) return;
    const size_t n = row->delays.size();
    for (size_t k = 0; k < n; ++k) {
        const double t = n > 1 ? static_cast<double>(k) / static_cast<double>(n - 1) : 0.0;
        if (row->delays[k] != 0 && cover.Covers(a + (b - a) * t)) row->delays[k] = 0;
    }
}

}  // namespace

void Extent::Take(Point p) {
    if (Empty()) minX = maxX = p.x, minY = maxY = p.y;
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
}

bool Extent::Meets(Point a, Point b) const {
    return std::max(a.x, b.x) >= minX && std::min(a.x, b.x) <= maxX && std::max(a.y, b.y) >= minY &&
           std::min(a.y, b.y) <= maxY;
}

void Cover::Add(const Drawing& drawing, const Affine& toField, double toleranceBits) {
    const double scale = std::sqrt(std::fabs(toField.a * toField.d - toField.b * toField.c));
    const double tolerance = toleranceBits / std::max(scale, 1e-12);
    for (const Item& item : drawing.items) {
        if (!item.fill || item.fill->opacity < kCoveringOpacity) continue;
        for (const Subpath& path : item.outline) {
            Ring ring;
            for (const Point p : Flatten(path, tolerance)) {
                ring.points.push_back(toField.Apply(p));
                ring.box.Take(ring.points.back());
                Take(ring.points.back());
            }
            if (ring.points.size() >= 3) outlines.push_back(std::move(ring));
        }
    }
}

// The non-zero rule over all outlines together, by their winding around p.
bool Cover::Covers(Point p) const {
    if (!Meets(p, p)) return false;
    int winding = 0;
    for (const Ring& r : outlines) {
        if (!r.box.Meets(p, p)) continue;  // a ring winds around no point outside its box
        const std::vector<Point>& ring = r.points;
        for (size_t i = 0; i < ring.size(); ++i) {
            const Point a = ring[i], b = ring[(i + 1) % ring.size()];
            const double side = Cross(b - a, p - a);
            if (a.y <= p.y) {
                if (b.y > p.y && side > 0) ++winding;
            } else if (b.y <= p.y && side < 0) {
                --winding;
            }
        }
    }
    return winding != 0;
}

void CutCovered(const Cover& cover, PlanLayer* layer) {
    if (cover.Empty()) return;
    std::vector<Polyline> kept;
    kept.reserve(layer->polylines.size());
    for (const Polyline& line : layer->polylines) CutPolyline(cover, line, &kept);
    layer->polylines = std::move(kept);
    layer->stats.pixels = 0;
    for (BitmapLine& row : layer->bitmapLines) {
        CutBitmapLine(cover, &row);
        for (const uint16_t delay : row.delays) layer->stats.pixels += delay != 0;
    }
    layer->stats.markMoves = 0;
    layer->stats.markLength = 0.0;
    for (const Polyline& line : layer->polylines) {
        layer->stats.markMoves += line.size() - 1;
        for (size_t i = 1; i < line.size(); ++i) {
            layer->stats.markLength += std::hypot(static_cast<double>(line[i].x) - line[i - 1].x,
                                                  static_cast<double>(line[i].y) - line[i - 1].y);
        }
    }
}

}  // namespace txorb::drawing
