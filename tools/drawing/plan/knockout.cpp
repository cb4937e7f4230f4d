#include "drawing/plan/knockout.h"

#include <algorithm>

namespace txorb::drawing {
namespace {

using ClipperLib::Clipper;
using ClipperLib::IntRect;
using ClipperLib::Paths;

ClipperLib::PolyFillType Pft(FillRule rule) {
    return rule == FillRule::kEvenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero;
}

IntRect Bounds(const Paths& paths) {
    IntRect r{0, 0, -1, -1};
    bool first = true;
    for (const auto& path : paths) {
        for (const auto& p : path) {
            if (first) r = {p.X, p.Y, p.X, p.Y}, first = false;
            r.left = std::min(r.left, p.X), r.right = std::max(r.right, p.X);
            r.top = std::min(r.top, p.Y), r.bottom = std::max(r.bottom, p.Y);
        }
    }
    return r;
}

bool Overlap(const IntRect& a, const IntRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// The covered area above the current item, as pieces with their bounds so that an item is
// only cut by the pieces that can touch it.
class Cover {
public:
    void Add(Paths area) {
        if (area.empty()) return;
        const IntRect b = Bounds(area);
        pieces_.push_back({b, std::move(area)});
    }
    // The pieces that overlap the box, as one set under nonzero.
    Paths Near(const IntRect& box) const {
        Paths out;
        for (const Piece& p : pieces_) {
            if (Overlap(p.bounds, box)) out.insert(out.end(), p.area.begin(), p.area.end());
        }
        return out;
    }

private:
    struct Piece {
        IntRect bounds;
        Paths area;
    };
    std::vector<Piece> pieces_;
};

Paths Boolean(ClipperLib::ClipType type, const Paths& subject, const Paths& clip,
              ClipperLib::PolyFillType subjectFill = ClipperLib::pftNonZero) {
    Clipper c;
    c.AddPaths(subject, ClipperLib::ptSubject, true);
    c.AddPaths(clip, ClipperLib::ptClip, true);
    Paths out;
    c.Execute(type, out, subjectFill, ClipperLib::pftNonZero);
    return out;
}

Paths OpenBoolean(ClipperLib::ClipType type, const Paths& lines, const Paths& clip) {
    Clipper c;
    c.AddPaths(lines, ClipperLib::ptSubject, false);
    c.AddPaths(clip, ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    c.Execute(type, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    Paths out;
    ClipperLib::OpenPathsFromPolyTree(tree, out);
    return out;
}

// The item's own parts before anything above it is taken away: what it hatches, what it
// covers (its fill when that covers, and a widened stroke) and its lines.
Visible Own(const PaintedItem& layer) {
    Visible v;
    if (layer.fillCovers || layer.fillMarks) {
        Paths fill = Normalise(layer.area, layer.rule);
        if (layer.clipped) fill = Boolean(ClipperLib::ctIntersection, fill, layer.clip);
        if (layer.fillMarks) v.hatch = fill;
        if (layer.fillCovers) v.area = std::move(fill);
    }
    if (!layer.band.empty()) {
        const Paths band = layer.clipped
                               ? Boolean(ClipperLib::ctIntersection, layer.band, layer.clip)
                               : Normalise(layer.band, FillRule::kNonZero);
        if (layer.bandMarks) {
            v.hatch.insert(v.hatch.end(), band.begin(), band.end());
            v.hatch = Normalise(v.hatch, FillRule::kNonZero);
        } else if (layer.bandCovers && !v.hatch.empty()) {
            // A stroke is painted over its own fill: a pale one eats into it.
            v.hatch = Boolean(ClipperLib::ctDifference, v.hatch, band);
        }
        if (layer.bandCovers) {
            v.area.insert(v.area.end(), band.begin(), band.end());
            v.area = Normalise(v.area, FillRule::kNonZero);
        }
    }
    v.lines = layer.clipped ? OpenBoolean(ClipperLib::ctIntersection, layer.lines, layer.clip)
                            : layer.lines;
    return v;
}

}  // namespace

Paths Normalise(const Paths& outlines, FillRule rule) {
    Paths out;
    ClipperLib::SimplifyPolygons(outlines, out, Pft(rule));
    return out;
}

std::vector<Visible> KnockOut(const std::vector<PaintedItem>& items) {
    std::vector<Visible> out(items.size());
    Cover cover;
    for (size_t i = items.size(); i-- > 0;) {
        Visible v = Own(items[i]);
        Paths covers = v.area;
        Paths all = v.area;
        all.insert(all.end(), v.lines.begin(), v.lines.end());
        all.insert(all.end(), v.hatch.begin(), v.hatch.end());
        const Paths above = all.empty() ? Paths{} : cover.Near(Bounds(all));
        if (!above.empty()) {
            // A plain fill hatches what it covers: one cut serves both.
            const bool same = v.hatch == v.area;
            if (!v.area.empty()) v.area = Boolean(ClipperLib::ctDifference, v.area, above);
            if (same) {
                v.hatch = v.area;
            } else if (!v.hatch.empty()) {
                v.hatch = Boolean(ClipperLib::ctDifference, v.hatch, above);
            }
            if (!v.lines.empty()) v.lines = OpenBoolean(ClipperLib::ctDifference, v.lines, above);
        }
        cover.Add(std::move(covers));
        out[i] = std::move(v);
    }
    return out;
}

}  // namespace txorb::drawing
