// The SVG path mini-language ("M 10 10 L 20 20 C ... Z") into subpaths.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "drawing/geometry/geometry.h"

namespace txorb::drawing::svg {

struct PathDataResult {
    std::vector<Subpath> subpaths;
    bool ok = true;
    size_t errorOffset = 0;  // character index into the data where reading stopped
    std::string error;
};

// Reads the whole data. On an error the subpaths read before it are kept (as a renderer does),
// and ok is false with the place and the reason.
PathDataResult ParsePathData(std::string_view data);

// Reads the numbers of a points attribute (polyline, polygon): pairs separated by white space
// and/or commas. False with a reason for an odd count or a malformed number.
bool ParsePointList(std::string_view text, std::vector<Point>* points, std::string* error);

}  // namespace txorb::drawing::svg
