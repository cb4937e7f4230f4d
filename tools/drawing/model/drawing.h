// What a drawing shows, resolved: the hand-over from every reader (SVG, DXF, a picture file,
// generated codes and lettering) to the planning. Everything here is in drawing units with y
// pointing down, as on a page (readers of y-up formats flip), in the order of painting (later
// items cover earlier ones), with paint already resolved to a colour and opacities already
// multiplied out: nothing past this type knows about CSS, cascades, <use>, percentages or fonts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "drawing/geometry/geometry.h"
#include "drawing/model/colour.h"
#include "drawing/model/grey_image.h"

namespace txorb::drawing {

enum class FillRule : uint8_t { kNonZero, kEvenOdd };
enum class LineCap : uint8_t { kButt, kRound, kSquare };
enum class LineJoin : uint8_t { kMiter, kRound, kBevel };

// Paint of at least this opacity hides what is below it; fainter paint lets it show through.
inline constexpr double kCoveringOpacity = 0.5;

// Paint of an item's inside. `opacity` is everything that makes it see-through, multiplied:
// the element's and its groups' opacity, fill-opacity and the colour's own alpha (0 paints
// nothing, 1 hides what is below).
struct Fill {
    FillRule rule = FillRule::kNonZero;
    Colour colour;         // for a picture fill: the picture's mean, for summaries
    double opacity = 1.0;  // 0..1
    int picture = -1;      // index into Drawing::pictures: painted as that grey picture
};

// Paint along an item's outline. Widths and dashes are in drawing units, with the transform's
// widening already applied. A width of 0 is a hairline (DXF's lines): one line of marks. A
// reader of a format in which a zero width draws nothing (SVG) leaves such a stroke out.
struct Stroke {
    double width = 1.0;
    Colour colour;
    double opacity = 1.0;  // 0..1, as for Fill
    LineCap cap = LineCap::kButt;
    LineJoin join = LineJoin::kMiter;
    double miterLimit = 4.0;
    std::vector<double> dashes;  // empty: solid; else an even count of drawn, skipped lengths
    double dashOffset = 0.0;
};

// Where a clipped item may show: the parts in order, each adding its area or (`cut`, a dark
// shape of a mask) taking it away again.
struct Clip {
    struct Part {
        std::vector<Subpath> outline;
        FillRule rule = FillRule::kNonZero;
        bool cut = false;
    };
    std::vector<Part> parts;
};

// A picture placed in the drawing: pixel (u, v) lies at toDrawing(u, v); only the pixels in
// the visible box (pixel coordinates) show.
struct Picture {
    GreyImage image;
    Affine toDrawing;
    double visibleX0 = 0, visibleY0 = 0, visibleX1 = 0, visibleY1 = 0;
};

// One painted thing. At least one of fill and stroke is set.
struct Item {
    std::vector<Subpath> outline;  // for a picture, the outline it covers
    std::optional<Fill> fill;
    std::optional<Stroke> stroke;
    std::vector<uint32_t> clips;  // indices into Drawing::clips; all of them apply
    uint32_t line = 0;            // where it is written in the file (1-based), 0 when unknown
    // Items of different groups never share a layer, even in the same colour: 0 is the drawing
    // itself; a job's text and code items each get a group of their own (and their settings).
    uint32_t group = 0;
    // A closed contour drawn as its outline (DXF draws areas so) that a layer whose mode is set
    // to fill fills with the stroke's colour.
    bool fillableContour = false;
};

struct PageBox {
    double x = 0, y = 0, width = 0, height = 0;
};

struct Drawing {
    std::vector<Item> items;
    std::vector<Clip> clips;
    std::vector<Picture> pictures;
    std::optional<PageBox> page;  // the page the file gives (SVG: viewBox, else width/height)
    // Drawing units per millimetre when the file says how large it is (DXF's $INSUNITS);
    // 0 when it does not.
    double unitsPerMm = 0.0;
    // Whether colours are what the drawing looks like (SVG, pictures: marked by their tone) or
    // only name pens and layers (DXF: every colour marks at the layer's full power).
    bool colourIsTone = true;
    // "NAME:LINE:COLUMN: <element>: what" for what is drawn differently from the file.
    std::vector<std::string> warnings;
    // What the file paints that the drawing does not hold (filters, ...), by kind and count.
    std::map<std::string, size_t> notMarked;
};

}  // namespace txorb::drawing
