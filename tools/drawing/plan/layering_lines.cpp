#include <algorithm>
#include <cmath>

#include "drawing/plan/clip_units.h"
#include "drawing/plan/layering_parts.h"

namespace txorb::drawing {
namespace {

// Paint at least this opaque hides a line (or an outline) below it.
constexpr double kHidingOpacity = 0.5;
// The index's grid: cells per side over the field.
constexpr int kCells = 64;
// Segments of a line cut against the paint over them at a time.
constexpr size_t kChunk = 32;
// Bits between a stretch of line and the box the paint near it is cropped to.
constexpr double kCropMargin = 4.0;

ClipperLib::Paths Boolean(ClipperLib::ClipType type, const ClipperLib::Paths& subject,
                          const ClipperLib::Paths& clip, bool open) {
    ClipperLib::Clipper c;
    c.AddPaths(subject, ClipperLib::ptSubject, !open);
    c.AddPaths(clip, ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    if (open) {
        ClipperLib::PolyTree tree;
        c.Execute(type, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        ClipperLib::OpenPathsFromPolyTree(tree, out);
    } else {
        c.Execute(type, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    }
    return out;
}

const ClipperLib::Paths& FieldPaths() {
    static const ClipperLib::Paths field = {ToClipPath({{kFieldLowBits, kFieldLowBits},
                                                        {kFieldHighBits, kFieldLowBits},
                                                        {kFieldHighBits, kFieldHighBits},
                                                        {kFieldLowBits, kFieldHighBits}})};
    return field;
}

bool InField(const Bounds& b) {
    return b.x0 >= kFieldLowBits && b.x1 <= kFieldHighBits && b.y0 >= kFieldLowBits &&
           b.y1 <= kFieldHighBits;
}

// Paths inside each of the clips and the field.
ClipperLib::Paths Within(ClipperLib::Paths paths, const std::vector<uint32_t>& clips,
                         const Bounds& box, CoverIndex* cover, bool open) {
    for (uint32_t c : clips) {
        if (paths.empty()) break;
        paths = Boolean(ClipperLib::ctIntersection, paths, cover->ClipPaths(c), open);
    }
    if (!InField(box) && !paths.empty()) {
        paths = Boolean(ClipperLib::ctIntersection, paths, FieldPaths(), open);
    }
    return paths;
}

// Each path cut to the box grown by kCropMargin (Sutherland-Hodgman: a ring keeps its
// winding everywhere inside the box, and the edges it gains lie on the box's edge, away from
// the line), so that the clipper only sees what lies near the line.
ClipperLib::Paths Cropped(const ClipperLib::Paths& paths, const Bounds& box) {
    using ClipperLib::cInt;
    const double m = kCropMargin * kClipUnitsPerBit;
    const double lo[2] = {box.x0 * kClipUnitsPerBit - m, box.y0 * kClipUnitsPerBit - m};
    const double hi[2] = {box.x1 * kClipUnitsPerBit + m, box.y1 * kClipUnitsPerBit + m};
    ClipperLib::Paths out;
    ClipperLib::Path ring, next;
    for (const ClipperLib::Path& path : paths) {
        ring = path;
        for (int edge = 0; edge < 4 && !ring.empty(); ++edge) {
            const int axis = edge / 2;
            const bool low = edge % 2 == 0;
            const double at = low ? lo[axis] : hi[axis];
            auto value = [axis](const ClipperLib::IntPoint& p) { return double(axis ? p.Y : p.X); };
            auto in = [&](const ClipperLib::IntPoint& p) {
                return low ? value(p) >= at : value(p) <= at;
            };
            next.clear();
            for (size_t i = 0; i < ring.size(); ++i) {
                const ClipperLib::IntPoint& a = ring[i];
                const ClipperLib::IntPoint& b = ring[(i + 1) % ring.size()];
                if (in(a)) next.push_back(a);
                if (in(a) != in(b)) {
                    const double t = (at - value(a)) / (value(b) - value(a));
                    const double x = double(a.X) + t * double(b.X - a.X);
                    const double y = double(a.Y) + t * double(b.Y - a.Y);
                    next.push_back(
                        {cInt(std::llround(axis ? x : at)), cInt(std::llround(axis ? at : y))});
                }
            }
            ring.swap(next);
        }
        if (ring.size() >= 3) out.push_back(ring);
    }
    return out;
}

// What later paint leaves of open paths, taken a stretch of kChunk segments at a time, each
// cut only by the paint over its own box: a long line under many shapes costs what the shapes
// near each of its stretches cost, not all of them at once. Stretches meet at the path's own
// points, so that what shows across them joins up again.
ClipperLib::Paths KnockOut(const ClipperLib::Paths& paths, uint32_t item, CoverIndex* cover) {
    ClipperLib::Paths out;
    for (const ClipperLib::Path& path : paths) {
        const size_t first = out.size();
        for (size_t begin = 0; begin + 1 < path.size(); begin += kChunk) {
            const ClipperLib::Path chunk(
                path.begin() + long(begin),
                path.begin() + long(std::min(path.size(), begin + kChunk + 1)));
            Bounds box;
            for (const ClipperLib::IntPoint& p : chunk) box.Add(FromClip(p));
            const ClipperLib::Paths above = Cropped(cover->Above(item, box), box);
            ClipperLib::Paths shown = above.empty()
                                          ? ClipperLib::Paths{chunk}
                                          : Boolean(ClipperLib::ctDifference, {chunk}, above, true);
            for (ClipperLib::Path& piece : shown) {
                if (piece.size() < 2) continue;
                if (out.size() > first && out.back().back() == piece.front()) {
                    out.back().insert(out.back().end(), piece.begin() + 1, piece.end());
                } else {
                    out.push_back(std::move(piece));
                }
            }
        }
    }
    return out;
}

}  // namespace

CoverIndex::CoverIndex(const Faces& faces, bool everything)
    : faces_(faces),
      everything_(everything),
      stamp_(faces.areas.size(), 0),
      paths_(faces.areas.size()),
      made_(faces.areas.size(), false) {
    if (everything_) return;
    cells_ = kCells;
    x0_ = y0_ = kFieldLowBits;
    cell_ = (kFieldHighBits - kFieldLowBits) / kCells;
    buckets_.resize(size_t(cells_) * size_t(cells_));
    for (uint32_t a = 0; a < faces.areas.size(); ++a) {
        const AreaPaint& p = faces.areas[a];
        if (p.opacity < kHidingOpacity || p.area.box.Empty()) continue;
        int cx0, cy0, cx1, cy1;
        auto cell = [&](double v, double origin) {
            return std::clamp(static_cast<int>(std::floor((v - origin) / cell_)), 0, cells_ - 1);
        };
        cx0 = cell(p.area.box.x0, x0_), cx1 = cell(p.area.box.x1, x0_);
        cy0 = cell(p.area.box.y0, y0_), cy1 = cell(p.area.box.y1, y0_);
        for (int y = cy0; y <= cy1; ++y) {
            for (int x = cx0; x <= cx1; ++x)
                buckets_[size_t(y) * size_t(cells_) + size_t(x)].push_back(a);
        }
    }
}

const ClipperLib::Paths& CoverIndex::ClipPaths(uint32_t c) {
    if (!faces_.clipPaths[c].empty()) return faces_.clipPaths[c];
    if (clipMade_.empty()) clipMade_.resize(faces_.clips.size());
    if (!clipMade_[c]) clipMade_[c] = ClipAreaPaths(faces_.clips[c]);
    return *clipMade_[c];
}

const ClipperLib::Paths& CoverIndex::Covering(uint32_t a) {
    if (!made_[a]) {
        made_[a] = true;
        const AreaPaint& p = faces_.areas[a];
        // A band's pieces all turn one way: under nonzero they need no tidying up.
        if (p.band) {
            for (const auto& ring : p.area.rings) paths_[a].push_back(ToClipPath(ring));
        } else {
            paths_[a] = ClipAreaPaths(p.area);
        }
        for (uint32_t c : p.clips) {
            if (paths_[a].empty()) break;
            paths_[a] = Boolean(ClipperLib::ctIntersection, paths_[a], ClipPaths(c), false);
        }
    }
    return paths_[a];
}

ClipperLib::Paths CoverIndex::Above(uint32_t item, const Bounds& box) {
    std::vector<uint32_t> found;
    auto consider = [&](uint32_t a) {
        const AreaPaint& p = faces_.areas[a];
        if (p.item <= item || p.opacity < kHidingOpacity) return;
        if (!everything_ && !p.area.box.Overlaps(box)) return;
        found.push_back(a);
    };
    if (everything_) {
        for (uint32_t a = 0; a < faces_.areas.size(); ++a) consider(a);
    } else if (!box.Empty()) {
        ++round_;
        auto cell = [&](double v, double origin) {
            return std::clamp(static_cast<int>(std::floor((v - origin) / cell_)), 0, cells_ - 1);
        };
        for (int y = cell(box.y0, y0_); y <= cell(box.y1, y0_); ++y) {
            for (int x = cell(box.x0, x0_); x <= cell(box.x1, x0_); ++x) {
                for (uint32_t a : buckets_[size_t(y) * size_t(cells_) + size_t(x)]) {
                    if (stamp_[a] == round_) continue;
                    stamp_[a] = round_;
                    consider(a);
                }
            }
        }
        std::sort(found.begin(), found.end());
    }
    ClipperLib::Paths out;
    for (uint32_t a : found) {
        const ClipperLib::Paths& p = Covering(a);
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

std::vector<std::vector<Point>> VisibleLine(const LinePaint& line, CoverIndex* cover,
                                            bool knockOut) {
    ClipperLib::Paths paths;
    for (const auto& l : line.lines) paths.push_back(ToClipPath(l));
    paths = Within(std::move(paths), line.clips, line.box, cover, true);
    if (knockOut && !paths.empty()) paths = KnockOut(paths, line.item, cover);
    std::vector<std::vector<Point>> out;
    for (const ClipperLib::Path& p : paths) out.push_back(FromClipPath(p));
    return out;
}

std::vector<std::vector<Point>> VisibleOutline(const AreaPaint& area, CoverIndex* cover) {
    ClipperLib::Paths paths =
        Within(ClipAreaPaths(area.area), area.clips, area.area.box, cover, false);
    const ClipperLib::Paths above = cover->Above(area.item, area.area.box);
    if (!above.empty() && !paths.empty())
        paths = Boolean(ClipperLib::ctDifference, paths, above, false);
    std::vector<std::vector<Point>> out;
    for (const ClipperLib::Path& p : paths) {
        out.push_back(FromClipPath(p));
        if (!out.back().empty()) out.back().push_back(out.back().front());
    }
    return out;
}

}  // namespace txorb::drawing
