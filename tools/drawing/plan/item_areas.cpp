#include "drawing/plan/item_areas.h"

#include <algorithm>
#include <cmath>

#include "drawing/plan/clip_units.h"
#include "drawing/plan/dashes.h"
#include "drawing/plan/placement.h"

namespace txorb::drawing {
namespace {

using ClipperLib::IntRect;
using ClipperLib::Path;
using ClipperLib::Paths;

// A stroke at least this many hatch spacings wide is hatched as a band; a thinner one is
// marked as its centre line.
constexpr double kBandSpacings = 2.0;

// A clip that is one rectangle around everything the item has cuts nothing (the page's clip,
// for nearly every item): leaving it out saves the clipper's work.
bool CutsNothing(const Paths& clip, const PaintedItem& painted) {
    if (clip.size() != 1 || clip[0].size() != 4) return false;
    const IntRect c = PathBox(clip[0]);
    for (const Paths* paths : {&painted.area, &painted.lines, &painted.band}) {
        for (const Path& path : *paths) {
            const IntRect b = PathBox(path);
            if (b.left < c.left || b.right > c.right || b.top < c.top || b.bottom > c.bottom)
                return false;
        }
    }
    const double area = std::fabs(ClipperLib::Area(clip[0]));
    return area == double(c.right - c.left) * double(c.bottom - c.top);  // a true rectangle
}

bool IsPicture(const Item& item) { return item.fill && item.fill->picture >= 0; }

}  // namespace

ItemAreas::ItemAreas(const Drawing& drawing, const PlanOptions& options, const Affine& toField)
    : d_(drawing),
      o_(options),
      toField_(toField),
      scale_(std::sqrt(std::fabs(toField.a * toField.d - toField.b * toField.c))) {}

// The subpaths in the field, flattened, in clipper units; `closeOpen` repeats the start of a
// closed subpath at its end, as a line to be marked needs it.
Paths ItemAreas::FieldOutlines(const std::vector<Subpath>& subpaths, bool closeOpen) const {
    Paths out;
    for (Subpath p : subpaths) {
        Transform(toField_, &p);
        Path path;
        for (const Point q : Flatten(p, o_.toleranceBits)) {
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

const Paths& ItemAreas::ClipOf(uint32_t clip) {
    auto it = clips_.find(clip);
    if (it != clips_.end()) return it->second;
    // Parts in order: each keeps its area, or (a dark part of a mask) takes it away again.
    Paths kept;
    for (const Clip::Part& part : d_.clips.at(clip).parts) {
        const Paths one = Normalise(FieldOutlines(part.outline, false), part.rule);
        ClipperLib::Clipper c;
        c.AddPaths(kept, ClipperLib::ptSubject, true);
        c.AddPaths(one, ClipperLib::ptClip, true);
        c.Execute(part.cut ? ClipperLib::ctDifference : ClipperLib::ctUnion, kept,
                  ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    }
    return clips_[clip] = kept;
}

// The stroke's lines in clipper units, cut into dashes when it has them.
Paths ItemAreas::StrokeLines(const Stroke& stroke, const std::vector<Subpath>& subpaths) {
    Paths lines = FieldOutlines(subpaths, true);
    if (stroke.dashes.empty()) return lines;
    const double units = scale_ * kClipUnitsPerBit;
    std::vector<double> pattern;
    for (double d : stroke.dashes) pattern.push_back(d * units);
    return Dashed(lines, pattern, stroke.dashOffset * units);
}

void ItemAreas::AddStroke(const Item& item, PaintedItem* painted) {
    const Stroke& s = *item.stroke;
    const double width = s.width * scale_;
    const bool marks = !Skipped(s.colour, s.opacity, o_);
    // A pale stroke is not marked; one at least a hatch spacing wide still covers.
    if (!marks && width < o_.hatch.spacing) return;
    if (marks && width < kBandSpacings * o_.hatch.spacing) {
        const Paths lines = StrokeLines(s, item.outline);
        painted->lines.insert(painted->lines.end(), lines.begin(), lines.end());
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
    for (const Subpath& p : item.outline) {
        if (!s.dashes.empty()) {
            offset.AddPaths(StrokeLines(s, {p}), join, end);
            continue;
        }
        offset.AddPaths(FieldOutlines({p}, false), join, p.closed ? ClipperLib::etClosedLine : end);
    }
    offset.Execute(painted->band, width / 2.0 * kClipUnitsPerBit);
    painted->bandMarks = marks;
}

PaintedItem ItemAreas::Painted(const Item& item) {
    PaintedItem painted;
    const bool picture = IsPicture(item);
    if (item.fill) {
        painted.area = FieldOutlines(item.outline, false);
        painted.rule = picture ? FillRule::kNonZero : item.fill->rule;
        painted.fillCovers = item.fill->opacity >= kCoveringOpacity;
        painted.fillMarks = !picture && !Skipped(item.fill->colour, item.fill->opacity, o_);
    }
    if (!picture && item.stroke && item.stroke->width > 0) {
        AddStroke(item, &painted);
        painted.bandCovers = item.stroke->opacity >= kCoveringOpacity;
    }
    if (!picture && o_.hatch.outlineAll && item.fill && !item.stroke) {
        painted.lines = FieldOutlines(item.outline, true);
    }
    Clip(item, &painted);
    return painted;
}

PaintedItem ItemAreas::Outline(const Item& item) {
    PaintedItem painted;
    painted.lines = FieldOutlines(item.outline, true);
    Clip(item, &painted);
    return painted;
}

// The intersection of the item's clips.
void ItemAreas::Clip(const Item& item, PaintedItem* painted) {
    for (const uint32_t clip : item.clips) {
        const Paths& c = ClipOf(clip);
        if (CutsNothing(c, *painted)) continue;
        if (!painted->clipped) {
            painted->clip = c;
            painted->clipped = true;
        } else {
            ClipperLib::Clipper both;
            both.AddPaths(painted->clip, ClipperLib::ptSubject, true);
            both.AddPaths(c, ClipperLib::ptClip, true);
            both.Execute(ClipperLib::ctIntersection, painted->clip, ClipperLib::pftNonZero,
                         ClipperLib::pftNonZero);
        }
    }
}

}  // namespace txorb::drawing
