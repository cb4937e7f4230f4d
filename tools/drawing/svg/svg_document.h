// Inside the SVG reader: the walk through the document and what the files that read shapes,
// clips, text, markers, pictures and gradients share (svg_document.cpp, shapes.cpp, clips.cpp,
// text.cpp, markers.cpp, images.cpp, gradients.cpp), and the shapes as read, each with its
// whole computed style, until hand_over.cpp resolves them into the Drawing.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawing/geometry/geometry.h"
#include "drawing/model/drawing.h"
#include "drawing/model/read_result.h"
#include "drawing/svg/css.h"
#include "drawing/svg/styles.h"

namespace txorb::drawing::svg {

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

// One painted thing as read, in the order of painting: later ones cover earlier ones.
struct Shape {
    std::vector<Subpath> subpaths;  // root coordinates; for a picture, the outline it covers
    Style style;
    double strokeScale = 1.0;  // how much the transform widens the stroke
    int picture = -1;          // index into Drawing::pictures, or -1 for a shape
    std::vector<std::shared_ptr<const ClipRegion>> clips;  // all of them apply
    uint32_t line = 0;                                     // of its element in the file
};

enum class Axis : uint8_t { kX, kY, kDiagonal };

// What an element inherits from where it is drawn.
struct DrawContext {
    Affine m;  // element coordinates to root coordinates
    Style style;
    std::vector<std::shared_ptr<const ClipRegion>> clips;
    double viewportWidth = 100.0;  // what percentages are of
    double viewportHeight = 100.0;
    int useDepth = 0;
    int depth = 0;             // elements between this one and the root
    bool maskContent = false;  // inside a mask, whose groups count as its outlines too
    uint32_t line = 0;         // where the element is written
};

// How deep references (<use>, gradients, markers) may nest: a cycle ends here.
inline constexpr int kMaxUseDepth = 16;
// Deeper nesting than any drawing needs; the walk is recursive and must not run out of stack.
inline constexpr int kMaxDepth = 256;
// Path pieces (subpaths and their segments) a drawing may grow to once <use>, markers and
// text are placed: a few bytes of references can ask for billions; beyond this it is refused.
inline constexpr size_t kMaxSvgPieces = 4'000'000;
// A shape holds its style besides its pieces: it counts as about this many of them.
inline constexpr size_t kShapePieces = 16;

// An element's name without its namespace prefix.
inline std::string_view LocalName(const char* name) {
    std::string_view n(name);
    const size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// A gradient's stop: offset 0..1 (never less than the one before), colour and opacity.
struct GradientStop {
    double offset = 0.0;
    Colour colour;
    double alpha = 1.0;
};
std::vector<GradientStop> ReadGradientStops(const pugi::xml_node& gradient);

// The text with references to the entities its DOCTYPE declares replaced; false (and `out`
// untouched) when it declares none.
bool ExpandEntities(std::string_view text, std::string* out);

// A rectangle's outline, with rounded corners when rx and ry are above 0.
Subpath RectOutline(double x, double y, double w, double h, double rx, double ry);

// The shapes that paint something, with their paint resolved, into drawing->items, and the
// clips they use into drawing->clips.
void HandOver(const std::vector<Shape>& shapes, Drawing* drawing);

class SvgDocument {
public:
    SvgDocument(std::string_view text, std::string name, std::string baseDir)
        : text_(text), name_(std::move(name)), baseDir_(std::move(baseDir)) {}

    ReadResult Run();

    // Pieces the element readers share.
    void Warn(const pugi::xml_node& node, const char* attribute, const std::string& message);
    void NotMarked(const std::string& kind) { ++drawing_.notMarked[kind]; }
    // A length attribute in user units; percentages of the viewport, em of the font size. A
    // value that cannot be read is a warning and gives the fallback.
    double Length(const pugi::xml_node& node, const char* attribute, double fallback, Axis axis,
                  const DrawContext& ctx);
    void AddShape(std::vector<Subpath> subpaths, const DrawContext& ctx);
    bool Grow(size_t pieces, const DrawContext& ctx);
    void AddPicture(Picture picture, const DrawContext& ctx);

private:
    void IndexLines();
    uint32_t LineOf(size_t offset) const;
    std::string Where(size_t offset) const;
    void Index(const pugi::xml_node& root);
    bool ReadPage(const pugi::xml_node& root, DrawContext* ctx);
    bool EmptyViewBox(const pugi::xml_node& node);
    void LeaveOutHugeStroke(const pugi::xml_node& node, DrawContext* ctx);
    Paint ServerPaint(std::string_view id) const;
    bool Enter(const pugi::xml_node& node, const DrawContext& parent, DrawContext* ctx);
    void ResolvePercentages(DrawContext* ctx);
    void NoteUnsupportedStyle(const pugi::xml_node& node);
    const pugi::xml_node* Find(const std::string& id) const {
        const auto it = ids_.find(id);
        return it == ids_.end() ? nullptr : &it->second;
    }
    void Element(const pugi::xml_node& node, const DrawContext& parent);
    void Draw(const pugi::xml_node& node, std::string_view kind, const DrawContext& ctx);
    void Children(const pugi::xml_node& node, const DrawContext& ctx);
    void Switch(const pugi::xml_node& node, const DrawContext& ctx);
    void NestedSvg(const pugi::xml_node& node, const DrawContext& ctx);
    void Use(const pugi::xml_node& node, const DrawContext& ctx);

    // shapes.cpp
    bool Geometry(const pugi::xml_node& node, const DrawContext& ctx, std::vector<Subpath>* out);
    void PathGeometry(const pugi::xml_node& node, std::vector<Subpath>* out);
    void PolyGeometry(const pugi::xml_node& node, bool closed, std::vector<Subpath>* out);
    void RectGeometry(const pugi::xml_node& node, const DrawContext& ctx,
                      std::vector<Subpath>* out);
    void EllipseGeometry(const pugi::xml_node& node, const DrawContext& ctx, bool circle,
                         std::vector<Subpath>* out);
    // clips.cpp
    std::shared_ptr<const ClipRegion> Clip(const std::string& id, const DrawContext& ctx);
    void ClipOutlines(const pugi::xml_node& node, const DrawContext& ctx, ClipRegion* region);
    void ResolveBoxClip(size_t firstShape, const std::shared_ptr<const ClipRegion>& clip);
    // text.cpp
    void Text(const pugi::xml_node& node, const DrawContext& ctx);
    // markers.cpp
    void Markers(const std::vector<Subpath>& subpaths, const DrawContext& ctx);
    void Marker(const pugi::xml_node& marker, Point at, double angle, bool start,
                const DrawContext& ctx);
    // images.cpp
    void Image(const pugi::xml_node& node, const DrawContext& ctx);
    bool PatternPicture(const std::vector<Subpath>& subpaths, const DrawContext& ctx);
    // gradients.cpp
    bool GradientPicture(const std::vector<Subpath>& subpaths, const DrawContext& ctx);
    double GradientPixels(double side) const;

    friend class TextReader;

    std::string_view text_;
    std::string expanded_;  // the text with the DOCTYPE's entities replaced, when it has any
    std::string name_;
    std::string baseDir_;
    std::vector<size_t> lineStarts_;  // where each line of the text starts
    std::unordered_map<std::string, pugi::xml_node> ids_;
    StyleSheet sheet_;
    std::vector<Shape> shapes_;
    size_t pieces_ = 0;        // in shapes_, counted against kMaxSvgPieces
    ptrdiff_t tooLarge_ = -1;  // where the drawing grew past it; -1 while it has not
    Drawing drawing_;          // all but the items and clips, which HandOver makes of shapes_
};

}  // namespace txorb::drawing::svg
