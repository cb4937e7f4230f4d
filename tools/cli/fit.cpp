#include "cli/fit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

#include "cli/bitmap_lines.h"
#include "cli/clip_units.h"
#include "cli/dashes.h"
#include "cli/hatching.h"
#include "cli/knockout.h"
#include "cli/ordering.h"
#include "cli/placement.h"

namespace txorb::cli {
namespace {

using ClipperLib::IntRect;
using ClipperLib::Path;
using ClipperLib::Paths;
using Clock = std::chrono::steady_clock;

// A stroke at least this many hatch spacings wide is hatched as a band; a thinner one is
// marked as its centre line.
constexpr double kBandSpacings = 2.0;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

FieldPoint Round(Point p) {
    auto one = [](double v) {
        return static_cast<int16_t>(std::clamp(std::floor(v + 0.5), -32768.0, 32767.0));
    };
    return {one(p.x), one(p.y)};
}

double Length(FieldPoint a, FieldPoint b) {
    return std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
}

bool Shows(const Paint& paint, double opacity) {
    return paint.kind != PaintKind::kNone && opacity > 0.0;
}

bool Covers(double opacity) { return opacity >= kCoveringOpacity; }

// The shape's subpaths in the field, flattened, in clipper units; `closeOpen` repeats the
// start of a closed subpath at its end, as a line to be marked needs it.
Paths FieldOutlines(const std::vector<Subpath>& subpaths, const Affine& toField, double tolerance,
                    bool closeOpen) {
    Paths out;
    for (Subpath p : subpaths) {
        Transform(toField, &p);
        Path path;
        for (const Point q : Flatten(p, tolerance)) {
            const ClipperLib::IntPoint c = ToClip(q);
            if (path.empty() || !(path.back() == c)) path.push_back(c);
        }
        if (closeOpen && p.closed && path.size() > 1 && !(path.back() == path.front())) {
            path.push_back(path.front());
        }
        if (path.size() >= 2) out.push_back(std::move(path));
    }
    return out;
}

IntRect BoxOf(const Path& path) {
    IntRect r{path.front().X, path.front().Y, path.front().X, path.front().Y};
    for (const auto& p : path) {
        r.left = std::min(r.left, p.X), r.right = std::max(r.right, p.X);
        r.top = std::min(r.top, p.Y), r.bottom = std::max(r.bottom, p.Y);
    }
    return r;
}

// A clip that is one rectangle around everything the layer has cuts nothing (the page's
// clip, for nearly every shape): leaving it out saves the clipper's work.
bool CutsNothing(const Paths& clip, const Layer& layer) {
    if (clip.size() != 1 || clip[0].size() != 4) return false;
    const IntRect c = BoxOf(clip[0]);
    for (const Paths* paths : {&layer.area, &layer.lines, &layer.band}) {
        for (const Path& path : *paths) {
            const IntRect b = BoxOf(path);
            if (b.left < c.left || b.right > c.right || b.top < c.top || b.bottom > c.bottom)
                return false;
        }
    }
    const double area = std::fabs(ClipperLib::Area(clip[0]));
    return area == double(c.right - c.left) * double(c.bottom - c.top);  // a true rectangle
}

class Planner {
public:
    Planner(const Drawing& d, const FitOptions& o, FittedJob* job)
        : d_(d),
          o_(o),
          job_(job),
          scale_(std::sqrt(
              std::fabs(job->toField.a * job->toField.d - job->toField.b * job->toField.c))) {}

    void Run();

private:
    Layer ShapeLayer(const Shape& shape);
    void Clip(const Shape& shape, Layer* layer);
    void AddStroke(const Shape& shape, Layer* layer);
    Paths StrokeLines(const Shape& shape, const std::vector<Subpath>& subpaths);
    const Paths& ClipOf(const ClipRegion* region);
    void Hatch(const Paths& region);
    void Lines(const Paths& lines);
    void Slivers(const Paths& region, const std::vector<Path>& chains);
    void Picture(const Shape& shape, const Layer& layer, const Visible& visible);
    void OutlinesOnly();

    const Drawing& d_;
    const FitOptions& o_;
    FittedJob* job_;
    double scale_;  // field bits per drawing unit
    std::map<const ClipRegion*, Paths> clips_;
    std::vector<std::vector<Point>> lines_;  // field bits, in the drawing's order
};

const Paths& Planner::ClipOf(const ClipRegion* region) {
    auto it = clips_.find(region);
    if (it != clips_.end()) return it->second;
    // Parts in order: each keeps its area, or (a dark part of a mask) takes it away again.
    Paths kept;
    for (const ClipRegion::Part& part : region->parts) {
        const Paths one = Normalise(
            FieldOutlines(part.subpaths, job_->toField, o_.toleranceBits, false), part.rule);
        ClipperLib::Clipper c;
        c.AddPaths(kept, ClipperLib::ptSubject, true);
        c.AddPaths(one, ClipperLib::ptClip, true);
        c.Execute(part.cut ? ClipperLib::ctDifference : ClipperLib::ctUnion, kept,
                  ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    }
    return clips_[region] = kept;
}

// The stroke's lines in clipper units, cut into dashes when it has them.
Paths Planner::StrokeLines(const Shape& shape, const std::vector<Subpath>& subpaths) {
    Paths lines = FieldOutlines(subpaths, job_->toField, o_.toleranceBits, true);
    const Style& s = shape.style;
    if (s.dashArray.empty()) return lines;
    const double units = shape.strokeScale * scale_ * kClipUnitsPerBit;
    std::vector<double> pattern;
    for (double d : s.dashArray) pattern.push_back(d * units);
    return Dashed(lines, pattern, s.dashOffset * units);
}

void Planner::AddStroke(const Shape& shape, Layer* layer) {
    const Style& s = shape.style;
    const double width = s.strokeWidth * shape.strokeScale * scale_;
    const bool marks = !Skipped(s.stroke, s.opacity * s.strokeOpacity * s.stroke.alpha, o_);
    // A pale stroke is not marked; one at least a hatch spacing wide still covers.
    if (!marks && width < o_.hatch.spacing) return;
    if (marks && width < kBandSpacings * o_.hatch.spacing) {
        const Paths lines = StrokeLines(shape, shape.subpaths);
        layer->lines.insert(layer->lines.end(), lines.begin(), lines.end());
        return;
    }
    ClipperLib::ClipperOffset offset(std::max(1.0, s.miterLimit),
                                     std::max(1.0, o_.toleranceBits * kClipUnitsPerBit));
    const ClipperLib::JoinType join = s.join == LineJoin::kRound   ? ClipperLib::jtRound
                                      : s.join == LineJoin::kBevel ? ClipperLib::jtSquare
                                                                   : ClipperLib::jtMiter;
    const ClipperLib::EndType end = s.cap == LineCap::kRound    ? ClipperLib::etOpenRound
                                    : s.cap == LineCap::kSquare ? ClipperLib::etOpenSquare
                                                                : ClipperLib::etOpenButt;
    for (const Subpath& p : shape.subpaths) {
        if (!s.dashArray.empty()) {
            offset.AddPaths(StrokeLines(shape, {p}), join, end);
            continue;
        }
        const Paths one = FieldOutlines({p}, job_->toField, o_.toleranceBits, false);
        offset.AddPaths(one, join, p.closed ? ClipperLib::etClosedLine : end);
    }
    offset.Execute(layer->band, width / 2.0 * kClipUnitsPerBit);
    layer->bandMarks = marks;
}

Layer Planner::ShapeLayer(const Shape& shape) {
    Layer layer;
    const Style& s = shape.style;
    if (!s.visible || s.opacity <= 0.0) return layer;
    const bool image = shape.image >= 0;
    const bool fill = image || Shows(s.fill, s.fillOpacity);
    if (fill) {
        layer.area = FieldOutlines(shape.subpaths, job_->toField, o_.toleranceBits, false);
        layer.rule = image ? FillRule::kNonZero : s.fillRule;
        layer.fillCovers = Covers(image ? s.opacity : s.opacity * s.fillOpacity * s.fill.alpha);
        layer.fillMarks = !image && !Skipped(s.fill, s.opacity * s.fillOpacity * s.fill.alpha, o_);
    }
    if (!image && Shows(s.stroke, s.strokeOpacity) && s.strokeWidth > 0) {
        AddStroke(shape, &layer);
        layer.bandCovers = Covers(s.opacity * s.strokeOpacity * s.stroke.alpha);
    }
    if (!image && o_.hatch.outlineAll && fill && !Shows(s.stroke, s.strokeOpacity)) {
        layer.lines = FieldOutlines(shape.subpaths, job_->toField, o_.toleranceBits, true);
    }
    Clip(shape, &layer);
    return layer;
}

// The intersection of the shape's clips, in the layer.
void Planner::Clip(const Shape& shape, Layer* layer) {
    for (const auto& clip : shape.clips) {
        const Paths& c = ClipOf(clip.get());
        if (CutsNothing(c, *layer)) continue;
        if (!layer->clipped) {
            layer->clip = c;
            layer->clipped = true;
        } else {
            ClipperLib::Clipper both;
            both.AddPaths(layer->clip, ClipperLib::ptSubject, true);
            both.AddPaths(c, ClipperLib::ptClip, true);
            both.Execute(ClipperLib::ctIntersection, layer->clip, ClipperLib::pftNonZero,
                         ClipperLib::pftNonZero);
        }
    }
}

// The card's field in clipper units, up to where rounding still gives a field coordinate:
// nothing outside it can be marked.
constexpr ClipperLib::cInt kFieldLow = static_cast<ClipperLib::cInt>(-32768.5 * kClipUnitsPerBit);
constexpr ClipperLib::cInt kFieldHigh = static_cast<ClipperLib::cInt>(32767.5 * kClipUnitsPerBit);

Paths FieldBox() {
    const ClipperLib::cInt lo = kFieldLow, hi = kFieldHigh;
    return {{{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}}};
}

bool InsideField(const Paths& paths) {
    const ClipperLib::cInt lo = kFieldLow, hi = kFieldHigh;
    for (const Path& path : paths) {
        for (const auto& p : path) {
            if (p.X < lo || p.X > hi || p.Y < lo || p.Y > hi) return false;
        }
    }
    return true;
}

// What of the paths lies in the field (closed paths as areas, open ones as lines).
Paths InField(const Paths& paths, bool closed) {
    if (InsideField(paths)) return paths;
    ClipperLib::Clipper c;
    c.AddPaths(paths, ClipperLib::ptSubject, closed);
    c.AddPaths(FieldBox(), ClipperLib::ptClip, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    Paths out;
    if (closed) {
        ClipperLib::PolyTreeToPaths(tree, out);
    } else {
        ClipperLib::OpenPathsFromPolyTree(tree, out);
    }
    return out;
}

void Planner::Hatch(const Paths& visible) {
    const Paths region = InField(visible, true);
    if (region.empty()) return;
    const double spacing = o_.hatch.spacing * kClipUnitsPerBit;
    const double inset = o_.hatch.inset * kClipUnitsPerBit;
    std::vector<double> angles{o_.hatch.angle};
    if (o_.hatch.cross) angles.push_back(o_.hatch.angle + 90.0);
    std::vector<Path> chains;
    for (double angle : angles) {
        for (Path& chain : HatchRegion(region, {spacing, angle, inset}))
            chains.push_back(std::move(chain));
    }
    for (const Path& chain : chains) {
        std::vector<Point> line;
        for (const auto& q : chain) line.push_back(FromClip(q));
        lines_.push_back(std::move(line));
    }
    Slivers(region, chains);
}

// Parts of a fill narrower than the hatch spacing get no hatch line: a browser still shows
// them, so their outline is marked instead.
void Planner::Slivers(const Paths& region, const std::vector<Path>& chains) {
    for (const Path& outer : region) {
        if (!ClipperLib::Orientation(outer)) continue;  // a hole
        const IntRect box = BoxOf(outer);
        bool hatched = false;
        for (const Path& chain : chains) {
            for (const auto& q : chain) {
                if (q.X >= box.left && q.X <= box.right && q.Y >= box.top && q.Y <= box.bottom) {
                    hatched = true;
                    break;
                }
            }
            if (hatched) break;
        }
        if (hatched) continue;
        Path closed = outer;
        closed.push_back(outer.front());
        Lines({closed});
    }
}

void Planner::Lines(const Paths& all) {
    for (const Path& path : InField(all, false)) {
        std::vector<Point> line;
        for (const auto& q : path) line.push_back(FromClip(q));
        lines_.push_back(std::move(line));
    }
}

void Planner::Picture(const Shape& shape, const Layer& layer, const Visible& visible) {
    const PlacedImage& picture = d_.images[static_cast<size_t>(shape.image)];
    // Only a picture that something covers (or clips) needs the row-by-row cut.
    const Paths own = Normalise(layer.area, FillRule::kNonZero);
    double full = 0, left = 0;
    for (const Path& p : own) full += ClipperLib::Area(p);
    for (const Path& p : visible.area) left += ClipperLib::Area(p);
    const bool whole = std::fabs(full - left) <= std::fabs(full) * 1e-6;
    const auto start = Clock::now();
    std::vector<BitmapLine> rows = PictureLines(
        picture, job_->toField, whole ? nullptr : &visible.area, o_.raster, shape.style.opacity);
    job_->times.raster += Seconds(start);
    for (BitmapLine& row : rows) job_->bitmapLines.push_back(std::move(row));
}

void Planner::OutlinesOnly() {
    for (const Shape& shape : d_.shapes) {
        if (!ShapeShows(shape, o_)) continue;
        if (shape.image >= 0) {
            const auto start = Clock::now();
            for (BitmapLine& row : PictureLines(d_.images[size_t(shape.image)], job_->toField,
                                                nullptr, o_.raster, shape.style.opacity)) {
                job_->bitmapLines.push_back(std::move(row));
            }
            job_->times.raster += Seconds(start);
            continue;
        }
        Layer layer;
        layer.lines = FieldOutlines(shape.subpaths, job_->toField, o_.toleranceBits, true);
        if (shape.clips.empty()) {
            Lines(layer.lines);
            continue;
        }
        // Nothing is knocked out here, but a clip still cuts its own shape.
        Clip(shape, &layer);
        Lines(KnockOut({layer}).front().lines);
    }
}

void Planner::Run() {
    if (!o_.hatch.fill) {
        OutlinesOnly();
    } else {
        const auto start = Clock::now();
        std::vector<Layer> layers;
        layers.reserve(d_.shapes.size());
        for (const Shape& shape : d_.shapes) layers.push_back(ShapeLayer(shape));
        const std::vector<Visible> visible = KnockOut(layers);
        for (size_t i = 0; i < layers.size(); ++i) {
            if (d_.shapes[i].image >= 0) {
                if (layers[i].fillCovers) Picture(d_.shapes[i], layers[i], visible[i]);
                continue;
            }
            Hatch(visible[i].hatch);
            Lines(visible[i].lines);
        }
        job_->times.clipping = Seconds(start) - job_->times.raster;
    }
    for (const auto& line : lines_) {
        std::vector<FieldPoint> rounded;
        for (const Point q : line) {
            const FieldPoint f = Round(q);
            if (rounded.empty() || !(rounded.back() == f)) rounded.push_back(f);
        }
        if (rounded.size() >= 2) job_->polylines.push_back(std::move(rounded));
    }
}

bool Refuse(const FitOptions& o, std::string* error) {
    if (!(o.fieldBits > 0.0) || o.fieldBits > 65535.0) {
        *error = "the field must be between 1 and 65535 bits wide";
        return true;
    }
    if (!(o.toleranceBits > 0.0)) {
        *error = "the flattening tolerance must be above 0";
        return true;
    }
    if (!(o.hatch.spacing >= 1.0)) {
        *error = "the hatch spacing must be at least 1 bit";
        return true;
    }
    return false;
}

}  // namespace

bool FitDrawing(const Drawing& drawing, const FitOptions& options, FittedJob* job,
                std::string* error) {
    if (Refuse(options, error)) return false;
    *job = FittedJob{};
    if (!PlaceDrawing(DrawnBounds(drawing, options), drawing, options, &job->toField, error)) {
        return false;
    }
    Planner(drawing, options, job).Run();
    if (job->polylines.empty() && job->bitmapLines.empty()) {
        *error = "the drawing's shapes are all smaller than one field bit";
        return false;
    }
    const FieldPoint centre{0, 0};
    job->jumpLengthBefore = JumpTravel(job->polylines, centre);
    if (options.order == PathOrder::kShort) {
        const auto start = Clock::now();
        OrderPolylines(&job->polylines, centre, options.orderSeconds);
        job->times.ordering = Seconds(start);
    }
    job->jumpLength = JumpTravel(job->polylines, centre);
    for (const auto& line : job->polylines) {
        for (size_t i = 1; i < line.size(); ++i) job->markLength += Length(line[i - 1], line[i]);
        job->markMoves += line.size() - 1;
    }
    return true;
}

}  // namespace txorb::cli
