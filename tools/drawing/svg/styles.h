// How a drawing's element is painted: fill, stroke, visibility and font, cascaded from the
// parent, the document's style sheet, presentation attributes and the style attribute, as a
// browser computes them for the properties that decide what is marked. The computed style
// stays inside the reader: what it hands over is the resolved paint of drawing/model/drawing.h.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/model/colour.h"
#include "drawing/model/drawing.h"
#include "drawing/svg/css.h"

namespace pugi {
class xml_node;
}

namespace txorb::drawing::svg {

enum class PaintKind : uint8_t { kNone, kColour, kGradient, kPattern };

struct Paint {
    PaintKind kind = PaintKind::kNone;
    Colour colour;            // a gradient's: the mean of its stops; a pattern's: black
    double alpha = 1.0;       // the colour's own opacity (a gradient's: the mean of its stops')
    std::string server = {};  // the id of the gradient or pattern
};

enum class TextAnchor : uint8_t { kStart, kMiddle, kEnd };

struct Style {
    Paint fill{PaintKind::kColour, {}};  // black unless told otherwise
    Paint stroke;
    Colour current;  // the `color` property, for currentColor
    FillRule fillRule = FillRule::kNonZero;
    double fillOpacity = 1.0;    // 0..1
    double strokeOpacity = 1.0;  // 0..1
    double opacity = 1.0;        // the product of the element's and its ancestors'
    double strokeWidth = 1.0;
    // A stroke-width in % (of the viewport's diagonal over sqrt 2), kept as written because an
    // element in a nested viewport inherits the percentage, not its length; negative: none.
    double strokeWidthPercent = -1.0;
    LineCap cap = LineCap::kButt;
    LineJoin join = LineJoin::kMiter;
    double miterLimit = 4.0;
    std::vector<double> dashArray;     // empty: a solid stroke; else an even count of lengths
    std::vector<double> dashPercents;  // per dashArray entry: the % it is written in, or NaN
    double dashOffset = 0.0;
    double dashOffsetPercent = std::numeric_limits<double>::quiet_NaN();
    bool fixedStroke = false;  // vector-effect: non-scaling-stroke (width in root units)
    bool visible = true;
    bool displayed = true;  // display:none hides the element and everything in it
    std::string fontFamily = "serif";
    double fontSize = 16.0;  // user units
    int fontWeight = 400;
    bool italic = false;
    double letterSpacing = 0.0;  // user units
    TextAnchor anchor = TextAnchor::kStart;
    double baselineShift = 0.0;  // em the letters move down from y (dominant-baseline)
    std::string clipPath;        // id of the clipPath that clips the element, empty for none
    std::string mask;            // id of the mask over the element, empty for none
    std::string markerStart, markerMid, markerEnd;  // ids of <marker> elements, empty for none
};

// The paint of the server an id names (a gradient or a pattern), kind kNone when nothing has
// that id.
using PaintServerLookup = std::function<Paint(std::string_view id)>;

// The style of node given its parent's. Values that cannot be read are left as inherited and
// named in *problems as "property=\"value\"".
Style ComputeStyle(const Style& parent, const pugi::xml_node& node, const StyleSheet& sheet,
                   const PaintServerLookup& servers, std::vector<std::string>* problems);

}  // namespace txorb::drawing::svg
