#include "drawing/plan/work_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "drawing/plan/placement.h"

namespace txorb::drawing {
namespace {

constexpr double kFieldLow = kFieldLowBits;
constexpr double kFieldHigh = kFieldHighBits;
// Strokes at least this many hatch spacings wide are hatched as bands.
constexpr double kBandSpacings = 2.0;
// Each hatch segment begins and ends at a crossing, and a face's edge bounds the faces on both
// of its sides: crossings are counted twice.
constexpr double kSidesPerEdge = 2.0;

double Scale(const Affine& m) { return std::sqrt(std::fabs(m.a * m.d - m.b * m.c)); }

// Straight moves a cubic is flattened into at this tolerance (Wang's bound).
double CubicMoves(Point p0, Point c1, Point c2, Point p3, double tolerance) {
    const double ddx =
        std::max(std::fabs(p0.x - 2 * c1.x + c2.x), std::fabs(c1.x - 2 * c2.x + p3.x));
    const double ddy =
        std::max(std::fabs(p0.y - 2 * c1.y + c2.y), std::fabs(c1.y - 2 * c2.y + p3.y));
    return std::max(1.0, std::ceil(std::sqrt(0.75 * std::hypot(ddx, ddy) / tolerance)));
}

// An item's outline in field bits, measured: its straight moves, its length, and how many
// hatch lines of each direction its edges cross inside the field.
struct OutlineMeasure {
    double moves = 0.0;
    double length = 0.0;
    double segments = 0.0;
    double crossings[2] = {0.0, 0.0};
};

class Estimator {
public:
    Estimator(const PlanOptions& o, const Affine& toField) : o_(o), toField_(toField) {
        const double angles[2] = {o.hatch.angle, o.hatch.angle + 90.0};
        for (int i = 0; i < 2; ++i) {
            const double r = angles[i] * M_PI / 180.0;
            // Hatch lines run along (cos, sin): they are told apart along the normal.
            normal_[i] = {-std::sin(r), std::cos(r)};
            // The field's extent along that normal: no hatch line lies outside it.
            reach_[i] = kFieldHigh * (std::fabs(normal_[i].x) + std::fabs(normal_[i].y));
        }
    }

    OutlineMeasure Measure(const std::vector<Subpath>& outline) const;
    // Hatch lines crossed by an edge of this extent along the normal, from `from` to `to`.
    double Crossings(int direction, Point from, Point to) const;
    double ItemVectors(const Item& item) const;

private:
    const PlanOptions& o_;
    const Affine& toField_;
    Point normal_[2];
    double reach_[2];
};

double Estimator::Crossings(int direction, Point from, Point to) const {
    const Point n = normal_[direction];
    double lo = from.x * n.x + from.y * n.y, hi = to.x * n.x + to.y * n.y;
    if (lo > hi) std::swap(lo, hi);
    lo = std::max(lo, -reach_[direction]);
    hi = std::min(hi, reach_[direction]);
    if (!(hi >= lo)) return 0.0;
    return (hi - lo) / o_.hatch.spacing + 1.0;
}

OutlineMeasure Estimator::Measure(const std::vector<Subpath>& outline) const {
    OutlineMeasure m;
    const double tolerance = o_.toleranceBits;
    for (const Subpath& p : outline) {
        Point last = toField_.Apply(p.start);
        for (const Segment& s : p.segments) {
            const Point end = toField_.Apply(s.end);
            double moves = 1.0, length = Distance(last, end);
            std::vector<Point> hull = {last, end};
            if (s.cubic) {
                const Point c1 = toField_.Apply(s.c1), c2 = toField_.Apply(s.c2);
                moves = CubicMoves(last, c1, c2, end, tolerance);
                length = Distance(last, c1) + Distance(c1, c2) + Distance(c2, end);
                hull = {last, c1, c2, end};
            }
            m.moves += moves;
            m.length += length;
            m.segments += 1.0;
            for (size_t i = 1; i < hull.size(); ++i) {
                for (int d = 0; d < 2; ++d) m.crossings[d] += Crossings(d, hull[i - 1], hull[i]);
            }
            last = end;
        }
    }
    // A value that is not a number counts as the most there can be.
    if (!std::isfinite(m.moves + m.length + m.crossings[0] + m.crossings[1])) {
        m.moves = m.length = m.crossings[0] = m.crossings[1] = HUGE_VAL;
    }
    return m;
}

double Estimator::ItemVectors(const Item& item) const {
    const OutlineMeasure m = Measure(item.outline);
    const double hatch = kSidesPerEdge * (m.crossings[0] + (o_.hatch.cross ? m.crossings[1] : 0.0));
    double vectors = 0.0;
    const bool fill =
        o_.hatch.fill && item.fill && !Skipped(item.fill->colour, item.fill->opacity, o_);
    if (fill) vectors += hatch + m.moves;  // slivers are marked as their outline
    if (!o_.hatch.fill || o_.hatch.outlineAll || item.fillableContour) vectors += m.moves;
    if (!item.stroke || (o_.hatch.fill && Skipped(item.stroke->colour, item.stroke->opacity, o_))) {
        return vectors;
    }
    const Stroke& s = *item.stroke;
    const double width = s.width * Scale(toField_);
    if (o_.hatch.fill && width >= kBandSpacings * o_.hatch.spacing) {
        // A band: both sides of every segment, and a join or cap as wide as the band at each.
        const double across = std::isfinite(width) ? width / o_.hatch.spacing + 1.0 : HUGE_VAL;
        return vectors + 2.0 * hatch +
               kSidesPerEdge * m.segments * std::min(across, 2.0 * reach_[0]);
    }
    double pattern = 0.0;
    for (double d : s.dashes) pattern += d * Scale(toField_);
    if (s.dashes.size() < 2 || !(pattern >= o_.toleranceBits)) return vectors + m.moves;
    // Every dash a piece of its own, ended where a move of the outline ends too.
    const double dashes = (m.length / pattern + 1.0) * static_cast<double>(s.dashes.size() / 2);
    return vectors + m.moves + dashes;
}

// A picture's pixels inside the field: its visible box placed, cut to the field's box.
double PicturePixels(const Picture& picture, const Affine& toField, double pitch) {
    const Affine m = toField * picture.toDrawing;
    const Point corners[4] = {m.Apply({picture.visibleX0, picture.visibleY0}),
                              m.Apply({picture.visibleX1, picture.visibleY0}),
                              m.Apply({picture.visibleX1, picture.visibleY1}),
                              m.Apply({picture.visibleX0, picture.visibleY1})};
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    for (const Point& c : corners) {
        x0 = std::min(x0, c.x), x1 = std::max(x1, c.x);
        y0 = std::min(y0, c.y), y1 = std::max(y1, c.y);
    }
    if (std::isnan(x0 + x1 + y0 + y1)) return HUGE_VAL;
    const double w = std::min(x1, kFieldHigh) - std::max(x0, kFieldLow);
    const double h = std::min(y1, kFieldHigh) - std::max(y0, kFieldLow);
    if (!(w > 0) || !(h > 0)) return 0.0;
    return (w / pitch + 1.0) * (h / pitch + 1.0);
}

}  // namespace

WorkEstimate EstimateWork(const Drawing& drawing, const PlanOptions& options,
                          const Affine& toField) {
    PlanOptions o = options;
    if (!drawing.colourIsTone) o.minInk = 0.0;  // every pen's colour is marked
    const Estimator estimator(o, toField);
    WorkEstimate e;
    for (const Item& item : drawing.items) {
        if (!ItemShows(item, o)) continue;
        if (item.fill && item.fill->picture >= 0) {
            const Picture& picture = drawing.pictures.at(static_cast<size_t>(item.fill->picture));
            e.pixels += PicturePixels(picture, toField, o.raster.Pitch());
            continue;
        }
        e.vectors += estimator.ItemVectors(item);
    }
    return e;
}

bool WithinLimits(const WorkEstimate& estimate, const PlanOptions& options, std::string* error) {
    auto over = [&](double need, double limit, const char* what, const char* option) {
        if (!(need > limit)) return false;
        char text[200];
        std::snprintf(text, sizeof text,
                      "the drawing would need about %.3g %s, more than the limit of %.0f (%s)",
                      need, what, limit, option);
        *error = text;
        return true;
    };
    return !over(estimate.vectors, options.maxVectors, "vectors", "--max-vectors") &&
           !over(estimate.pixels, options.maxPixels, "bitmap pixels", "--max-pixels");
}

bool MarksInField(const FieldOverflow& outside, std::string* error) {
    if (outside.items == 0) return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "%zu %s beyond the card's field, the farthest by %.0f bits "
                  "(--clip-to-field cuts them at its edge)",
                  outside.items, outside.items == 1 ? "item reaches" : "items reach",
                  std::ceil(outside.farthestBits));
    *error = text;
    return false;
}

}  // namespace txorb::drawing
