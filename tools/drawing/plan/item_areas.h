// An item of the drawing in the field, in the clipper's units, as the knock-out takes it: the
// area its fill covers and whether it marks, its stroke as lines or as a band wide enough to
// be hatched, and the intersection of its clips.
#pragma once

#include <polyclipping/clipper.hpp>

#include <map>
#include <vector>

#include "drawing/model/drawing.h"
#include "drawing/plan/knockout.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

class ItemAreas {
public:
    ItemAreas(const Drawing& drawing, const PlanOptions& options, const Affine& toField);

    // The item as filled and stroked.
    PaintedItem Painted(const Item& item);
    // The item's outline alone (closed outlines end at their start), cut by its clips.
    PaintedItem Outline(const Item& item);

private:
    ClipperLib::Paths FieldOutlines(const std::vector<Subpath>& subpaths, bool closeOpen) const;
    ClipperLib::Paths StrokeLines(const Stroke& stroke, const std::vector<Subpath>& subpaths);
    void AddStroke(const Item& item, PaintedItem* painted);
    void Clip(const Item& item, PaintedItem* painted);
    const ClipperLib::Paths& ClipOf(uint32_t clip);

    const Drawing& d_;
    const PlanOptions& o_;
    Affine toField_;
    double scale_;  // field bits per drawing unit
    std::map<uint32_t, ClipperLib::Paths> clips_;
};

}  // namespace txorb::drawing
