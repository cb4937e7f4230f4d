// Pictures in a drawing: <image> elements (the picture's bytes from a data: URI or a file next
// to the drawing, placed in its viewport as preserveAspectRatio says), and a pattern holding
// one image, which is that picture cut to its shape.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

#include "drawing/model/image_files.h"
#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"

namespace txorb::drawing::svg {
namespace {

constexpr uintmax_t kMaxPictureFileBytes = uintmax_t{256} << 20;

// The picture's bytes, or false with the kind of failure for the list of what was not marked.
bool ImageBytes(const std::string& href, const std::string& baseDir, std::vector<uint8_t>* bytes,
                std::string* kind) {
    std::string mediaType;
    if (DecodeDataUri(href, bytes, &mediaType)) return true;
    if (href.rfind("http:", 0) == 0 || href.rfind("https:", 0) == 0) {
        *kind = "<image> from the web";
        return false;
    }
    std::string path = href.rfind("file://", 0) == 0 ? href.substr(7) : href;
    std::filesystem::path p(path);
    if (p.is_relative()) p = std::filesystem::path(baseDir) / p;
    std::error_code ec;
    // Only a plain file of a sane size: a drawing may name a device or a huge file.
    const bool plain = std::filesystem::is_regular_file(p, ec) &&
                       std::filesystem::file_size(p, ec) <= kMaxPictureFileBytes && !ec;
    std::FILE* f = plain ? std::fopen(p.string().c_str(), "rb") : nullptr;
    if (f == nullptr) {
        *kind = "<image> whose file cannot be opened";
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

}  // namespace

void SvgDocument::Image(const pugi::xml_node& node, const DrawContext& ctx) {
    const std::string href =
        node.attribute("href").as_string(node.attribute("xlink:href").as_string());
    std::vector<uint8_t> bytes;
    std::string kind;
    if (href.empty() || !ImageBytes(href, baseDir_, &bytes, &kind)) {
        NotMarked(href.empty() ? "<image> without a picture" : kind);
        return;
    }
    Picture placed;
    std::string why;
    if (!DecodeImage(bytes, &placed.image, &why)) {
        NotMarked(SniffImageFormat(bytes) == ImageFormat::kUnknown
                      ? "<image> with an unsupported format"
                      : "<image> that cannot be decoded");
        return;
    }
    const double iw = placed.image.width, ih = placed.image.height;
    const double x = Length(node, "x", 0, Axis::kX, ctx);
    const double y = Length(node, "y", 0, Axis::kY, ctx);
    // Without a size the picture takes its own, one pixel per user unit.
    const double w = Length(node, "width", iw, Axis::kX, ctx);
    const double h = Length(node, "height", ih, Axis::kY, ctx);
    if (!(w > 0) || !(h > 0) || iw <= 0 || ih <= 0) return;
    AspectRatio ratio;
    const char* par = node.attribute("preserveAspectRatio").as_string("xMidYMid meet");
    if (!ParseAspectRatio(par, &ratio)) {
        Warn(node, "preserveAspectRatio",
             std::string("preserveAspectRatio=\"") + par + "\": cannot be read; ignored");
    }
    placed.toDrawing = FitBox({0, 0, iw, ih}, {x, y, w, h}, ratio);
    // Sliced pictures show only what falls in the viewport.
    const Affine& f = placed.toDrawing;
    placed.visibleX0 = std::max(0.0, (x - f.e) / f.a);
    placed.visibleY0 = std::max(0.0, (y - f.f) / f.d);
    placed.visibleX1 = std::min(iw, (x + w - f.e) / f.a);
    placed.visibleY1 = std::min(ih, (y + h - f.f) / f.d);
    AddPicture(std::move(placed), ctx);
}

// A pattern that is one picture covering the shape (as design tools write a picture fill: a
// pattern in bounding-box units holding a reference to an <image>) is that picture, cut to
// the shape. False for any other pattern, which is then hatched as a solid fill.
bool SvgDocument::PatternPicture(const std::vector<Subpath>& subpaths, const DrawContext& ctx) {
    const pugi::xml_node* pattern = Find(ctx.style.fill.server);
    if (pattern == nullptr || pattern->attribute("viewBox")) return false;
    const pugi::xml_node content =
        pattern->find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_element; });
    Affine place;
    pugi::xml_node picture = content;
    if (std::strcmp(content.name(), "use") == 0) {
        const char* href =
            content.attribute("href").as_string(content.attribute("xlink:href").as_string());
        const pugi::xml_node* target = href[0] == '#' ? Find(href + 1) : nullptr;
        if (target == nullptr) return false;
        picture = *target;
        std::string why;
        if (const pugi::xml_attribute t = content.attribute("transform"))
            ParseTransform(t.value(), &place, &why);
        place = place * Affine::Translate(content.attribute("x").as_double(),
                                          content.attribute("y").as_double());
    }
    if (!picture || std::strcmp(picture.name(), "image") != 0) return false;
    // The shape's box, which bounding-box units are fractions of.
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const Subpath& p : subpaths) {
        for (const Point q : Flatten(p, 1e-3)) {
            x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y),
            y1 = std::max(y1, q.y);
        }
    }
    const bool boxUnits = std::strcmp(pattern->attribute("patternContentUnits").as_string(),
                                      "objectBoundingBox") == 0;
    // One tile must cover the shape: the default tile is the whole box.
    const bool tileBoxUnits =
        std::strcmp(pattern->attribute("patternUnits").as_string("objectBoundingBox"),
                    "objectBoundingBox") == 0;
    const double tw = pattern->attribute("width").as_double(0),
                 th = pattern->attribute("height").as_double(0);
    if (!(x1 > x0) || !(y1 > y0) ||
        (tileBoxUnits ? (tw < 0.999 || th < 0.999) : (tw < x1 - x0 || th < y1 - y0))) {
        return false;
    }
    DrawContext inside = ctx;
    const Affine box = boxUnits ? Affine{x1 - x0, 0, 0, y1 - y0, x0, y0} : Affine{};
    inside.m = ctx.m * box * place;
    auto region = std::make_shared<ClipRegion>();
    region->parts.push_back({subpaths, ctx.style.fillRule});
    for (Subpath& p : region->parts.back().subpaths) Transform(ctx.m, &p);
    inside.clips.push_back(std::move(region));
    Image(picture, inside);
    return true;
}

}  // namespace txorb::drawing::svg
