// DXF drawings (text DXF of any version, read with dxflib) as a Drawing.
//
// Lines, arcs, circles, ellipses, polylines with bulges, splines, solids, traces, hatches and
// lettering (TEXT, MTEXT, ATTRIB) are drawn, and blocks wherever INSERTs place them (nested up
// to kMaxDxfBlockDepth). Open entities become strokes; closed ones (circles, closed polylines
// and splines, whole ellipses) strokes with `fillableContour` set, so that they are outlines
// unless their layer is filled; solids, hatches (pattern hatches too, noted in `notMarked`)
// and lettering are fills. Strokes are hairlines: width 0 drawing units, one line of marks
// however far the drawing is scaled, as CAD draws a line whatever its zoom.
// Each item takes the colour of its entity, of its layer (BYLAYER) or of the INSERT that
// placed its block (BYBLOCK); the colour index 7 is black; true colours win over indices.
// Colours name layers and pens, not tones (`colourIsTone` is false).
// Entities on layers that are off, frozen or DEFPOINTS, in paper space, or of kinds not drawn
// (dimensions, points, images, ...) are counted in `notMarked` by kind.
// y points down (the file's y points up); `unitsPerMm` follows $INSUNITS (files without
// units are taken as millimetres); the page is the box of what is drawn.
//
// Errors: "FILE:LINE: what" (LINE of the entity or value that is wrong), *out untouched.
// The work and the drawing are bounded by the file's length, the nesting of blocks,
// kMaxDxfItems and kMaxDxfSegments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "drawing/model/drawing.h"

namespace txorb::drawing {

inline constexpr int kMaxDxfBlockDepth = 16;
// What a file may grow to once its blocks are placed: beyond, it is refused.
inline constexpr size_t kMaxDxfItems = 1'000'000;
inline constexpr size_t kMaxDxfSegments = 4'000'000;

bool ReadDxfFile(const std::string& path, Drawing* out, std::string* error);
// The same for a file's text already read; `name` stands for the file in errors.
bool ReadDxfText(std::string_view text, const std::string& name, Drawing* out, std::string* error);

}  // namespace txorb::drawing
