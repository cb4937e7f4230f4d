// From a placed drawing to the layers of a mark plan, as a browser shows it: every distinct
// final colour (after later paint covers earlier paint and see-through paint is blended over
// what is below it) is a layer, in drawing order (by the first item whose paint gives it),
// marked by its tone (tone.h) with the settings the caller's resolver gives.
//
// What each layer marks, by its mode:
//   fill:    hatch lines where the layer shows, on one grid for the whole drawing (so that
//            neighbouring faces' lines meet), joined into zig-zags where the step to the next
//            line stays in the layer; thin strokes as lines (their visible parts); a fill that
//            shows but gets no hatch line (a sliver) as its visible outline.
//   outline: the outline of what shows of each of its items, and its lines.
//   picture: grey levels as bitmap lines on the raster grid (rows along the field's x axis),
//            pictures sampled, other layers at their tone; only where the layer shows.
//   skip:    covers what is below it, marks nothing.
// White (and the skip colour) covers and marks nothing; so does a colour paler than minInk.
// In a drawing whose colours only name pens (Drawing::colourIsTone false) every colour but the
// skip colour marks at its layer's full power.
// Strokes at least two hatch spacings wide are areas like fills; thinner ones are lines.
// A line's colour is its paint over white by its opacity; paint at least half opaque painted
// later hides it. A picture covers what is below it; see-through paint over it is not marked.
//
// Everything is cut at the field's edge; `outside` says which items reached beyond it, so
// that a caller can refuse the plan or keep the cut one. Polylines come in a raw order (hatch
// lines line by line, then lines in paint order): ordering is the next stage's.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/model/drawing.h"
#include "drawing/plan/faces.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"
#include "drawing/plan/tone.h"

namespace txorb::drawing {

struct ComposeOptions {
    double toleranceBits = 1.0;  // largest distance between a curve and its straight moves
    // Every layer's settings when `resolve` is empty, and the drawing's hatch grid (its angle
    // and spacing; a layer whose spacing is a whole multiple of it uses its lines).
    LayerSettings defaults;
    LayerResolver resolve;
    ToneMode tone = ToneMode::kPower;
    Colour skipColour{255, 255, 255};
    double minInk = 0.0;      // layers paler than this are not marked (0: only white)
    double inset = 0.0;       // bits kept free at both ends of every hatch line
    bool fill = true;         // false: every item's outline and nothing else, nothing covered
    bool outlineAll = false;  // a fill without a stroke is outlined too
    RasterOptions raster;     // the grid and delays of bitmap lines
    int threads = 2;          // sweeps share their lines out; the result does not change
    // Single-threaded and without the bounding-box index that limits what covers a line: the
    // plain form the fast one must equal.
    bool reference = false;
};

struct ComposeResult {
    std::vector<PlanLayer> layers;  // in drawing order, marked ones and the others
    FieldOverflow outside;
    PlanTimes times;  // flattening (areas, compositing), hatching (and lines), raster
};

ComposeResult ComposeLayers(const Drawing& drawing, const Affine& toField,
                            const ComposeOptions& options);

}  // namespace txorb::drawing
