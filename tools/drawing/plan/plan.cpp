#include "drawing/plan/plan.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "drawing/plan/bitmap_lines.h"
#include "drawing/plan/clip_units.h"
#include "drawing/plan/hatching.h"
#include "drawing/plan/item_areas.h"
#include "drawing/plan/knockout.h"
#include "drawing/plan/ordering.h"
#include "drawing/plan/placement.h"
#include "drawing/plan/work_estimate.h"

namespace txorb::drawing {
namespace {

using ClipperLib::IntRect;
using ClipperLib::Path;
using ClipperLib::Paths;
using Clock = std::chrono::steady_clock;

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

bool IsPicture(const Item& item) { return item.fill && item.fill->picture >= 0; }

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

// What the drawing marks in the field: polylines in the drawing's order and bitmap lines.
class Planner {
public:
    Planner(const Drawing& d, const PlanOptions& o, const Affine& toField, PlanTimes* times)
        : d_(d), o_(o), toField_(toField), areas_(d, o, toField), times_(times) {}

    void Run();
    std::vector<Polyline> polylines;
    std::vector<BitmapLine> rows;

private:
    void Filled();
    void OutlinesOnly();
    void Hatch(const Paths& region);
    void Lines(const Paths& lines);
    void Slivers(const Paths& region, const std::vector<Path>& chains);
    void PictureRows(const Item& item, const PaintedItem& painted, const Paths* visible);

    const Drawing& d_;
    const PlanOptions& o_;
    Affine toField_;
    ItemAreas areas_;
    PlanTimes* times_;
    std::vector<std::vector<Point>> lines_;  // field bits, in the drawing's order
};

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
        const IntRect box = PathBox(outer);
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

// A picture's rows, cut to what is visible of it (null: all of it).
void Planner::PictureRows(const Item& item, const PaintedItem& painted, const Paths* visible) {
    const Picture& picture = d_.pictures.at(static_cast<size_t>(item.fill->picture));
    if (visible != nullptr) {
        // Only a picture that something covers (or clips) needs the row-by-row cut.
        const Paths own = Normalise(painted.area, FillRule::kNonZero);
        double full = 0, left = 0;
        for (const Path& p : own) full += ClipperLib::Area(p);
        for (const Path& p : *visible) left += ClipperLib::Area(p);
        if (std::fabs(full - left) <= std::fabs(full) * 1e-6) visible = nullptr;
    }
    const auto start = Clock::now();
    for (BitmapLine& row : PictureLines(picture, toField_, visible, o_.raster, item.fill->opacity))
        rows.push_back(std::move(row));
    times_->raster += Seconds(start);
}

void Planner::OutlinesOnly() {
    for (const Item& item : d_.items) {
        if (!ItemShows(item, o_)) continue;
        if (IsPicture(item)) {
            PictureRows(item, {}, nullptr);
            continue;
        }
        // Nothing is knocked out here, but a clip still cuts its own item.
        const PaintedItem outline = areas_.Outline(item);
        Lines(outline.clipped ? KnockOut({outline}).front().lines : outline.lines);
    }
}

void Planner::Filled() {
    auto start = Clock::now();
    std::vector<PaintedItem> painted;
    painted.reserve(d_.items.size());
    for (const Item& item : d_.items) painted.push_back(areas_.Painted(item));
    const std::vector<Visible> visible = KnockOut(painted);
    times_->flattening = Seconds(start);
    start = Clock::now();
    const double raster = times_->raster;
    for (size_t i = 0; i < painted.size(); ++i) {
        if (IsPicture(d_.items[i])) {
            if (painted[i].fillCovers) PictureRows(d_.items[i], painted[i], &visible[i].area);
            continue;
        }
        Hatch(visible[i].hatch);
        Lines(visible[i].lines);
    }
    times_->hatching = Seconds(start) - (times_->raster - raster);
}

void Planner::Run() {
    if (o_.hatch.fill) {
        Filled();
    } else {
        OutlinesOnly();
    }
    for (const auto& line : lines_) {
        Polyline rounded;
        for (const Point q : line) {
            const FieldPoint f = Round(q);
            if (rounded.empty() || !(rounded.back() == f)) rounded.push_back(f);
        }
        if (rounded.size() >= 2) polylines.push_back(std::move(rounded));
    }
}

bool Refuse(const PlanOptions& o, std::string* error) {
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

LayerSettings SettingsFrom(const PlanOptions& o) {
    LayerSettings s;
    s.mode = o.hatch.fill ? LayerMode::kFill : LayerMode::kOutline;
    s.hatchSpacing = o.hatch.spacing;
    s.hatchAngle = o.hatch.angle;
    s.crossHatch = o.hatch.cross;
    return s;
}

// The polylines' layer: black, with the moves it marks.
PlanLayer LinesLayer(std::vector<Polyline> polylines, const Drawing& d, const PlanOptions& o) {
    PlanLayer layer;
    layer.settings = SettingsFrom(o);
    for (const Item& item : d.items) layer.stats.items += !IsPicture(item) && ItemShows(item, o);
    for (const Polyline& line : polylines) {
        for (size_t i = 1; i < line.size(); ++i) {
            layer.stats.markLength += Length(line[i - 1], line[i]);
        }
        layer.stats.markMoves += line.size() - 1;
    }
    layer.polylines = std::move(polylines);
    return layer;
}

// The pictures' layer, in the mean grey of its pictures.
PlanLayer PictureLayer(std::vector<BitmapLine> rows, const Drawing& d, const PlanOptions& o) {
    PlanLayer layer;
    layer.picture = true;
    layer.settings = SettingsFrom(o);
    layer.settings.mode = LayerMode::kPicture;
    unsigned grey = 0;
    for (const Item& item : d.items) {
        if (!IsPicture(item)) continue;
        ++layer.stats.items;
        grey += item.fill->colour.r;
    }
    if (layer.stats.items > 0) {
        const auto mean = static_cast<uint8_t>(grey / layer.stats.items);
        layer.colour = {mean, mean, mean};
    }
    for (const BitmapLine& row : rows) {
        for (const uint16_t delay : row.delays) layer.stats.pixels += delay != 0;
    }
    layer.bitmapLines = std::move(rows);
    return layer;
}

}  // namespace

bool PlanDrawing(const Drawing& drawing, const PlanOptions& options, MarkPlan* plan,
                 std::string* error) {
    if (Refuse(options, error)) return false;
    *plan = MarkPlan{};
    auto start = Clock::now();
    if (!PlaceDrawing(DrawnBounds(drawing, options), drawing, options, &plan->toField, error)) {
        return false;
    }
    plan->times.placing = Seconds(start);
    if (!WithinLimits(EstimateWork(drawing, options, plan->toField), options, error)) return false;
    if (!options.clipToField && !MarksInField(drawing, options, plan->toField, error)) return false;
    Planner planner(drawing, options, plan->toField, &plan->times);
    planner.Run();
    if (planner.polylines.empty() && planner.rows.empty()) {
        *error = "the drawing's shapes are all smaller than one field bit";
        return false;
    }
    const FieldPoint centre{0, 0};
    plan->jumpLengthBefore = JumpTravel(planner.polylines, centre);
    if (options.order == PathOrder::kShort) {
        start = Clock::now();
        OrderPolylines(&planner.polylines, centre, options.orderSeconds);
        plan->times.ordering = Seconds(start);
    }
    plan->jumpLength = JumpTravel(planner.polylines, centre);
    if (!planner.polylines.empty()) {
        plan->layers.push_back(LinesLayer(std::move(planner.polylines), drawing, options));
    }
    if (!planner.rows.empty()) {
        plan->layers.push_back(PictureLayer(std::move(planner.rows), drawing, options));
    }
    return true;
}

}  // namespace txorb::drawing
