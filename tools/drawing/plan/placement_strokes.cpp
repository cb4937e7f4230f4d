#include "drawing/plan/placement_strokes.h"

#include <algorithm>
#include <cmath>

namespace txorb::drawing {
namespace {

bool Moves(Point d) { return d.x != 0.0 || d.y != 0.0; }

Point Unit(Point d) {
    const double l = std::hypot(d.x, d.y);
    return {d.x / l, d.y / l};
}

Point Left(Point u) { return {-u.y, u.x}; }

class StrokeBox {
public:
    StrokeBox(const Stroke& s, BoundingBox* box) : s_(s), r_(s.width / 2.0), box_(box) {}

    void Add(const Subpath& p) {
        Point from = p.start, firstOut{}, lastIn{};
        bool any = false;
        for (const Segment& seg : p.segments) {
            Point out, in;
            if (Directions(from, seg, &out, &in)) {
                Sides(from, seg, out, in);
                if (any) Join(from, lastIn, out);
                if (!any) firstOut = out;
                lastIn = in;
                any = true;
            }
            from = seg.end;
        }
        if (!any) return;
        if (p.closed) {
            Join(p.start, lastIn, firstOut);
        } else {
            Cap(p.start, Unit(firstOut) * -1.0);
            Cap(from, Unit(lastIn));
        }
    }

private:
    // The direction a piece leaves `from` and arrives at its end; false for a piece that does
    // not move. A control point on its end point leaves the tangent to the next one.
    static bool Directions(Point from, const Segment& s, Point* out, Point* in) {
        const Point chord = s.end - from;
        if (!s.cubic) {
            *out = *in = chord;
            return Moves(chord);
        }
        *out = Moves(s.c1 - from) ? s.c1 - from : Moves(s.c2 - from) ? s.c2 - from : chord;
        *in = Moves(s.end - s.c2) ? s.end - s.c2 : Moves(s.end - s.c1) ? s.end - s.c1 : chord;
        return Moves(*out) && Moves(*in);
    }

    // A side of the band lies half the width out along the normal, which is along x or y
    // where a curve turns back along the other.
    void Sides(Point from, const Segment& s, Point out, Point in) {
        Across(from, out);
        Across(s.end, in);
        if (!s.cubic) return;
        for (const bool alongY : {false, true}) {
            double t[2];
            const int n = CubicTurns(from, s.c1, s.c2, s.end, alongY, t);
            for (int i = 0; i < n; ++i) {
                const Point at = CubicAt(from, s.c1, s.c2, s.end, t[i]);
                const Point off = alongY ? Point{0.0, r_} : Point{r_, 0.0};
                box_->Add(at + off);
                box_->Add(at - off);
            }
        }
    }

    void Across(Point at, Point direction) {
        const Point n = Left(Unit(direction)) * r_;
        box_->Add(at + n);
        box_->Add(at - n);
    }

    // Half the width round the point, every way.
    void Round(Point at) {
        box_->Add(Point{at.x - r_, at.y - r_});
        box_->Add(Point{at.x + r_, at.y + r_});
    }

    void Join(Point at, Point in, Point out) {
        if (s_.join == LineJoin::kRound) return Round(at);
        if (s_.join != LineJoin::kMiter) return;  // a bevel joins the sides' corners
        const Point d0 = Unit(in), d1 = Unit(out);
        const double turn = d0.x * d1.y - d0.y * d1.x;
        const double side = turn > 0.0 ? -1.0 : 1.0;
        const Point n0 = Left(d0) * side, n1 = Left(d1) * side;
        const double along = n0.x * n1.x + n0.y * n1.y;
        // cos(angle / 2) between the normals, as the band measures the miter.
        const double cosHalf = std::sqrt(std::max(0.0, (1.0 + along) / 2.0));
        if (cosHalf > 0.0 && 1.0 / cosHalf <= s_.miterLimit) {
            box_->Add(at + (n0 + n1) * (r_ / (1.0 + along)));
        }
    }

    // The cap beyond `end`, the line leaving it along d.
    void Cap(Point end, Point d) {
        if (s_.cap == LineCap::kRound) return Round(end);
        if (s_.cap != LineCap::kSquare) return;
        const Point n = Left(d) * r_;
        box_->Add(end + n + d * r_);
        box_->Add(end - n + d * r_);
    }

    const Stroke& s_;
    const double r_;
    BoundingBox* box_;
};

}  // namespace

void AddStrokeToBox(const Subpath& path, const Stroke& stroke, BoundingBox* box) {
    StrokeBox(stroke, box).Add(path);
}

}  // namespace txorb::drawing
