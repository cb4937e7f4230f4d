// Reads what an SVG drawing paints: every path, line, polyline, polygon, rect, circle, ellipse,
// text and image, through nested groups, references and their transforms, in the coordinates
// of the root, each with the style that decides how it is marked. Like a browser it draws what
// it can: an attribute it cannot read is a located warning and the element is drawn without it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/geometry.h"
#include "cli/raster.h"
#include "cli/styles.h"
#include "cli/svg_values.h"

namespace txorb::cli {

// The outlines a clip-path keeps, in root coordinates.
struct ClipRegion {
    struct Part {
        std::vector<Subpath> subpaths;
        FillRule rule = FillRule::kNonZero;
        bool cut = false;  // a dark shape in a mask: it hides what the parts before it keep
    };
    std::vector<Part> parts;
    // Parts in fractions of the clipped element's box, until the element is read (the
    // shapes it added then get a copy in root coordinates).
    bool boxUnits = false;
};

// A picture placed in the drawing: pixel (u, v) of the image lies at toRoot(u, v); only the
// pixels inside `visible` (in pixel coordinates) are shown.
struct PlacedImage {
    GreyImage image;
    Affine toRoot;
    double visibleX0 = 0, visibleY0 = 0, visibleX1 = 0, visibleY1 = 0;
};

// One painted thing, in the order of painting: later ones cover earlier ones.
struct Shape {
    std::vector<Subpath> subpaths;  // root coordinates; for an image, the outline it covers
    Style style;
    double strokeScale = 1.0;  // how much the transform widens the stroke
    int image = -1;            // index into Drawing::images, or -1 for a shape
    std::vector<std::shared_ptr<const ClipRegion>> clips;  // all of them apply
};

struct PageBox {
    double x = 0, y = 0, width = 0, height = 0;
};

struct Drawing {
    std::vector<Shape> shapes;
    std::vector<PlacedImage> images;
    bool hasPage = false;
    PageBox page;  // the root's viewBox, else its width and height, in root coordinates
    // "NAME:LINE:COLUMN: <element>: what" for what was drawn differently from the file.
    std::vector<std::string> warnings;
    // What is painted in the file but not marked (or marked differently), by kind.
    std::map<std::string, size_t> notMarked;
};

struct SvgReadResult {
    Drawing drawing;
    bool ok = false;
    // "NAME:LINE:COLUMN: why" when the drawing cannot be read.
    std::string error;
};

SvgReadResult ReadSvgText(std::string_view text, const std::string& name);
SvgReadResult ReadSvgFile(const std::string& path);

// Every subpath of every shape that is not an image, in painting order.
std::vector<Subpath> AllOutlines(const Drawing& drawing);

}  // namespace txorb::cli
