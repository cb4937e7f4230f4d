// Reads the outlines of an SVG drawing: every path, line, polyline, polygon, rect, circle and
// ellipse, through nested groups and their transforms, in the coordinates of the root.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/geometry.h"

namespace txorb::cli {

struct Drawing {
    std::vector<Subpath> paths;
    std::vector<std::string> warnings;  // things drawn in the file that are not marked
};

struct SvgReadResult {
    Drawing drawing;
    bool ok = false;
    // "NAME:LINE:COLUMN: why" when the drawing cannot be read.
    std::string error;
};

SvgReadResult ReadSvgText(std::string_view text, const std::string& name);
SvgReadResult ReadSvgFile(const std::string& path);

// Pieces of the reader that stand on their own.
bool ParseTransform(std::string_view text, Affine* out, std::string* error);
// A length with an optional absolute unit (px, mm, cm, in, pt, pc) in user units (96 per inch).
bool ParseLength(std::string_view text, double* out, std::string* error);

}  // namespace txorb::cli
