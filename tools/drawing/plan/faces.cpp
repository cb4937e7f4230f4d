#include "drawing/plan/faces.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <thread>

#include "drawing/plan/clip_units.h"
#include "drawing/plan/faces_strokes.h"

namespace txorb::drawing {
namespace {

// Below this many segments a second thread costs more than it saves.
constexpr size_t kSegmentsPerThread = 20000;

Point Sane(Point p) {
    auto one = [](double v) { return v == v ? std::clamp(v, -kFarBits, kFarBits) : 0.0; };
    return {one(p.x), one(p.y)};
}

// A subpath in the field, flattened, its points made sane and repeats dropped.
std::vector<Point> FieldPolyline(const Subpath& p, const Affine& m, double tolerance) {
    std::vector<Point> raw{m.Apply(p.start)};
    Point last = raw.front();
    for (const Segment& s : p.segments) {
        const Point end = m.Apply(s.end);
        if (s.cubic) {
            FlattenCubic(last, m.Apply(s.c1), m.Apply(s.c2), end, tolerance, &raw);
        } else {
            raw.push_back(end);
        }
        last = end;
    }
    size_t kept = 0;
    for (Point q : raw) {
        q = Sane(q);
        if (kept == 0 || raw[kept - 1].x != q.x || raw[kept - 1].y != q.y) raw[kept++] = q;
    }
    raw.resize(kept);
    return raw;
}

// Every item's subpaths flattened, shared out between threads by their segments.
std::vector<std::vector<std::vector<Point>>> FlattenItems(const Drawing& d, const Affine& m,
                                                          double tolerance, int threads) {
    std::vector<std::vector<std::vector<Point>>> out(d.items.size());
    std::vector<std::pair<uint32_t, uint32_t>> jobs;  // (item, subpath)
    size_t segments = 0;
    for (uint32_t i = 0; i < d.items.size(); ++i) {
        out[i].resize(d.items[i].outline.size());
        for (uint32_t k = 0; k < d.items[i].outline.size(); ++k) {
            jobs.emplace_back(i, k);
            segments += d.items[i].outline[k].segments.size() + 1;
        }
    }
    auto run = [&](size_t begin, size_t end) {
        for (size_t j = begin; j < end; ++j) {
            const auto [i, k] = jobs[j];
            out[i][k] = FieldPolyline(d.items[i].outline[k], m, tolerance);
        }
    };
    if (threads < 2 || segments < kSegmentsPerThread) {
        run(0, jobs.size());
        return out;
    }
    size_t half = 0;
    for (size_t done = 0; half < jobs.size() && done * 2 < segments; ++half) {
        done += d.items[jobs[half].first].outline[jobs[half].second].segments.size() + 1;
    }
    std::thread second(run, half, jobs.size());
    run(0, half);
    second.join();
    return out;
}

bool Marks(const Colour& c, const FaceOptions& o) {
    return !(c == o.skipColour) && !(c == Colour{255, 255, 255});
}

class Builder {
public:
    Builder(const Drawing& d, const Affine& toField, const FaceOptions& o)
        : d_(d),
          toField_(toField),
          o_(o),
          scale_(std::sqrt(std::fabs(toField.a * toField.d - toField.b * toField.c))),
          flat_(FlattenItems(d, toField, o.toleranceBits, o.threads)) {
        faces_.clips.resize(d.clips.size());
        faces_.clipPaths.resize(d.clips.size());
        resolved_.assign(d.clips.size(), false);
    }

    Faces Run();

private:
    std::vector<std::vector<Point>> Rings(const std::vector<Subpath>& outline, bool closeOpen);
    std::vector<std::vector<Point>> Rings(uint32_t item, bool closeOpen) const;
    std::vector<uint32_t> Clips(const Item& item);
    void ResolveClip(uint32_t index);
    void AddArea(uint32_t i, const Item& item, Area area, const Colour& colour, double opacity,
                 int32_t picture, bool band);
    void AddLine(uint32_t i, const Item& item, std::vector<std::vector<Point>> lines,
                 const Colour& colour);
    void AddStroke(uint32_t i, const Item& item, const Stroke& stroke);
    void AddItem(uint32_t i, const Item& item);
    Bounds ClippedBox(Bounds box, const std::vector<uint32_t>& clips) const;
    void CountOverflow(uint32_t item, const Bounds& box);

    const Drawing& d_;
    const Affine toField_;
    const FaceOptions& o_;
    const double scale_;                                       // field bits per drawing unit
    const std::vector<std::vector<std::vector<Point>>> flat_;  // by item and subpath
    Faces faces_;
    std::vector<bool> resolved_;
    uint32_t lastOutsideItem_ = UINT32_MAX;
};

std::vector<std::vector<Point>> Builder::Rings(const std::vector<Subpath>& outline,
                                               bool closeOpen) {
    std::vector<std::vector<Point>> out;
    for (const Subpath& p : outline) {
        std::vector<Point> ring = FieldPolyline(p, toField_, o_.toleranceBits);
        if (closeOpen && p.closed && ring.size() > 2) ring.push_back(ring.front());
        if (ring.size() >= 2) out.push_back(std::move(ring));
    }
    return out;
}

std::vector<std::vector<Point>> Builder::Rings(uint32_t item, bool closeOpen) const {
    std::vector<std::vector<Point>> out;
    const std::vector<Subpath>& outline = d_.items[item].outline;
    for (size_t k = 0; k < outline.size(); ++k) {
        if (flat_[item][k].size() < 2) continue;
        out.push_back(flat_[item][k]);
        if (closeOpen && outline[k].closed && out.back().size() > 2)
            out.back().push_back(out.back().front());
    }
    return out;
}

// Parts in order: each adds its area, or (a dark part of a mask) takes it away again.
void Builder::ResolveClip(uint32_t index) {
    if (resolved_[index]) return;
    resolved_[index] = true;
    const std::vector<Clip::Part>& parts = d_.clips[index].parts;
    Area& area = faces_.clips[index];
    // One part is its own area: the sweep takes its rule as it is.
    if (parts.size() == 1 && !parts[0].cut) {
        area = {Rings(parts[0].outline, false), parts[0].rule, {}};
        for (const auto& ring : area.rings) {
            for (Point p : ring) area.box.Add(p);
        }
        return;
    }
    ClipperLib::Paths kept;
    for (const Clip::Part& part : parts) {
        Area one{Rings(part.outline, false), part.rule, {}};
        ClipperLib::Clipper c;
        c.AddPaths(kept, ClipperLib::ptSubject, true);
        c.AddPaths(ClipAreaPaths(one), ClipperLib::ptClip, true);
        c.Execute(part.cut ? ClipperLib::ctDifference : ClipperLib::ctUnion, kept,
                  ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    }
    for (const ClipperLib::Path& path : kept) {
        area.rings.push_back(FromClipPath(path));
        for (Point p : area.rings.back()) area.box.Add(p);
    }
    faces_.clipPaths[index] = std::move(kept);
}

std::vector<uint32_t> Builder::Clips(const Item& item) {
    std::vector<uint32_t> out;
    for (uint32_t c : item.clips) {
        if (c >= d_.clips.size()) continue;
        ResolveClip(c);
        out.push_back(c);
    }
    return out;
}

Bounds Builder::ClippedBox(Bounds box, const std::vector<uint32_t>& clips) const {
    for (uint32_t c : clips) {
        const Bounds& k = faces_.clips[c].box;
        box = {std::max(box.x0, k.x0), std::max(box.y0, k.y0), std::min(box.x1, k.x1),
               std::min(box.y1, k.y1)};
    }
    return box;
}

void Builder::CountOverflow(uint32_t item, const Bounds& box) {
    if (box.Empty()) return;
    const double beyond = std::max({kFieldLowBits - box.x0, box.x1 - kFieldHighBits,
                                    kFieldLowBits - box.y0, box.y1 - kFieldHighBits});
    if (!(beyond > 0.0)) return;
    if (item != lastOutsideItem_) ++faces_.outside.items;
    lastOutsideItem_ = item;
    faces_.outside.farthestBits = std::max(faces_.outside.farthestBits, beyond);
}

void Builder::AddArea(uint32_t i, const Item& item, Area area, const Colour& colour, double opacity,
                      int32_t picture, bool band) {
    if (area.rings.empty() || !(opacity > 0.0)) return;
    for (const auto& ring : area.rings) {
        for (Point p : ring) area.box.Add(p);
    }
    AreaPaint paint{std::move(area), colour, std::min(opacity, 1.0), picture, i, item.group, band,
                    Clips(item)};
    if (picture >= 0 || Marks(colour, o_)) {
        CountOverflow(i, ClippedBox(paint.area.box, paint.clips));
    }
    faces_.areas.push_back(std::move(paint));
}

void Builder::AddLine(uint32_t i, const Item& item, std::vector<std::vector<Point>> lines,
                      const Colour& colour) {
    if (lines.empty()) return;
    LinePaint line{std::move(lines), colour, i, item.group, {}, Clips(item)};
    for (const auto& l : line.lines) {
        for (Point p : l) line.box.Add(p);
    }
    if (Marks(colour, o_)) CountOverflow(i, ClippedBox(line.box, line.clips));
    faces_.lines.push_back(std::move(line));
}

void Builder::AddStroke(uint32_t i, const Item& item, const Stroke& s) {
    const double width = std::min(s.width * scale_, kFarBits);
    // A width of 0 is a hairline: one line of marks.
    if (!(s.opacity > 0.0) || !(width >= 0.0)) return;
    std::vector<std::vector<Point>> centre = Rings(i, true);
    std::vector<bool> closed;
    for (const auto& line : centre)
        closed.push_back(line.size() > 2 && line.front().x == line.back().x &&
                         line.front().y == line.back().y);
    if (!s.dashes.empty()) {
        std::vector<double> pattern;
        for (double d : s.dashes) pattern.push_back(d * scale_);
        centre = Dashed(centre, pattern, s.dashOffset * scale_, o_.toleranceBits);
        closed.assign(centre.size(), false);
    }
    if (width < o_.bandWidthBits) {
        AddLine(i, item, std::move(centre), OverWhite(s.colour, s.opacity));
        return;
    }
    Area band{Band(centre, closed, s, width, o_.toleranceBits), FillRule::kNonZero, {}};
    AddArea(i, item, std::move(band), s.colour, s.opacity, -1, true);
}

void Builder::AddItem(uint32_t i, const Item& item) {
    const std::optional<Fill>& fill = item.fill;
    const std::optional<Stroke>& stroke = item.stroke;
    const bool fills = fill && fill->opacity > 0.0;
    if (!o_.fill) {
        if (fills && fill->picture >= 0) {
            AddArea(i, item, {Rings(i, false), fill->rule, {}}, fill->colour, fill->opacity,
                    fill->picture, false);
        } else if (fills || (stroke && stroke->opacity > 0.0)) {
            AddLine(i, item, Rings(i, true),
                    fills ? OverWhite(fill->colour, fill->opacity)
                          : OverWhite(stroke->colour, stroke->opacity));
        }
        return;
    }
    if (item.fillableContour && stroke && o_.fillContour &&
        o_.fillContour(OverWhite(stroke->colour, stroke->opacity), item.group)) {
        AddArea(i, item, {Rings(i, false), FillRule::kNonZero, {}}, stroke->colour, stroke->opacity,
                -1, false);
        return;
    }
    if (fills) {
        AddArea(i, item, {Rings(i, false), fill->rule, {}}, fill->colour, fill->opacity,
                fill->picture, false);
        if (o_.outlineAll && !stroke && fill->picture < 0) {
            AddLine(i, item, Rings(i, true), OverWhite(fill->colour, fill->opacity));
        }
    }
    if (stroke) AddStroke(i, item, *stroke);
}

Faces Builder::Run() {
    for (size_t i = 0; i < d_.items.size(); ++i) AddItem(static_cast<uint32_t>(i), d_.items[i]);
    return std::move(faces_);
}

}  // namespace

void Bounds::Add(Point p) {
    if (Empty()) {
        *this = {p.x, p.y, p.x, p.y};
        return;
    }
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
}

Colour OverWhite(const Colour& paint, double opacity) {
    const double a = std::clamp(opacity, 0.0, 1.0);
    auto one = [a](uint8_t v) {
        return static_cast<uint8_t>(std::lround(255.0 * (1.0 - a) + double(v) * a));
    };
    return {one(paint.r), one(paint.g), one(paint.b)};
}

ClipperLib::Path ToClipPath(const std::vector<Point>& points) {
    ClipperLib::Path out;
    out.reserve(points.size());
    for (Point p : points) {
        const ClipperLib::IntPoint c = ToClip(p);
        if (out.empty() || !(out.back() == c)) out.push_back(c);
    }
    return out;
}

std::vector<Point> FromClipPath(const ClipperLib::Path& path) {
    std::vector<Point> out;
    out.reserve(path.size());
    for (const ClipperLib::IntPoint& p : path) out.push_back(FromClip(p));
    return out;
}

ClipperLib::Paths ClipAreaPaths(const Area& area) {
    ClipperLib::Paths in;
    in.reserve(area.rings.size());
    for (const auto& ring : area.rings) in.push_back(ToClipPath(ring));
    ClipperLib::Paths out;
    ClipperLib::SimplifyPolygons(
        in, out, area.rule == FillRule::kEvenOdd ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero);
    return out;
}

Faces BuildFaces(const Drawing& drawing, const Affine& toField, const FaceOptions& options) {
    return Builder(drawing, toField, options).Run();
}

}  // namespace txorb::drawing
