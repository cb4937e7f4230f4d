// Compositing along parallel lines, as a browser composites a scanline: the areas' edges are
// turned into the lines' frame and kept in an active edge table; on each line their crossings
// are sorted and walked, each area's winding (and each clip's) kept, and every stretch between
// two crossings gets the colour a browser shows there: later paint covers earlier paint,
// see-through paint is blended over what is below it (source-over in sRGB), down to the white
// page. The work is the number of crossings, with nothing quadratic in the overlaps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "drawing/plan/faces.h"

namespace txorb::drawing {

// Lines along u in a frame turned by angleDegrees from the field's: line j lies at
// v = j * step + offset, with u along the line (x = u cos - v sin, y = u sin + v cos).
struct SweepGrid {
    double angleDegrees = 0.0;
    double step = 15.0;  // bits
    double offset = 0.0;
};

// What a stretch shows: the colour of the blended paint (of a picture: its mean), the group
// of the paint on top, and the picture when one is on top (-1 for none). See-through paint
// over a picture leaves the picture's own key: its rows are what is marked there.
struct SweepKey {
    Colour colour;
    uint32_t group = 0;
    int32_t picture = -1;
    bool operator==(const SweepKey&) const = default;
};

// A stretch [u0, u1) of one line that shows one key.
struct Span {
    double u0 = 0, u1 = 0;
    uint32_t key = 0;  // index into SweepResult::keys
};

struct SweepResult {
    SweepGrid grid;
    int64_t firstLine = 0;           // j of the first line swept
    std::vector<size_t> lineStarts;  // line i's spans: spans[lineStarts[i], lineStarts[i + 1])
    std::vector<Span> spans;         // by line, then u; neighbours of one key merged
    std::vector<SweepKey> keys;
    // (key, item) for each item whose paint is on top somewhere in the key, sorted.
    std::vector<std::pair<uint32_t, uint32_t>> keyItems;

    size_t Lines() const { return lineStarts.empty() ? 0 : lineStarts.size() - 1; }
};

struct SweepOptions {
    int64_t firstLine = 0, lastLine = -1;  // the lines swept, inclusive
    int threads = 1;                       // the lines are shared out; the result is the same
};

// Lines `firstLine..lastLine` of `grid` over the faces' areas, each cut to the field. More
// than 32 lines a bit across the field are not swept: the result is then empty.
SweepResult Sweep(const Faces& faces, const SweepGrid& grid, const SweepOptions& options);

// The first and last line of `grid` that cross `box` (last < first when none does).
void LinesOver(const Bounds& box, const SweepGrid& grid, int64_t* first, int64_t* last);

}  // namespace txorb::drawing
