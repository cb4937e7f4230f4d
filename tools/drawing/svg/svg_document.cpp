// The walk through an SVG document: the page, groups, nested viewports, references and
// switches, each element entered with its transform, style and clips, its shapes added in the
// order of painting.
#include "drawing/svg/read_svg.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"

namespace txorb::drawing::svg {
namespace {

// Elements that paint nothing themselves or are only drawn through a reference.
bool Silent(std::string_view kind) {
    static const std::set<std::string_view> kSilent = {"defs",
                                                       "symbol",
                                                       "clipPath",
                                                       "mask",
                                                       "marker",
                                                       "pattern",
                                                       "linearGradient",
                                                       "radialGradient",
                                                       "style",
                                                       "script",
                                                       "title",
                                                       "desc",
                                                       "metadata",
                                                       "filter",
                                                       "namedview",
                                                       "font",
                                                       "font-face",
                                                       "cursor",
                                                       "view",
                                                       "animate",
                                                       "animateTransform",
                                                       "set",
                                                       "animateMotion",
                                                       "stop"};
    return kSilent.count(kind) != 0;
}

// The general entities a DOCTYPE declares in its internal subset (editors declare namespaces,
// styles and path data there), as name and replacement text.
std::vector<std::pair<std::string, std::string>> DeclaredEntities(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> out;
    const size_t doctype = text.find("<!DOCTYPE");
    if (doctype == std::string_view::npos) return out;
    const size_t open = text.find('[', doctype), tag = text.find('>', doctype);
    if (open == std::string_view::npos || open > tag) return out;
    const size_t close = text.find("]>", open);
    for (size_t at = text.find("<!ENTITY", open); at != std::string_view::npos && at < close;
         at = text.find("<!ENTITY", at + 8)) {
        size_t p = at + 8;
        while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p]))) ++p;
        if (p >= text.size() || text[p] == '%') continue;  // parameter entities are the DTD's own
        const size_t nameEnd = text.find_first_of(" \t\r\n", p);
        const size_t quote = text.find_first_of("\"'", nameEnd);
        if (nameEnd == std::string_view::npos || quote == std::string_view::npos) break;
        const size_t end = text.find(text[quote], quote + 1);
        if (end == std::string_view::npos) break;
        out.emplace_back(std::string(text.substr(p, nameEnd - p)),
                         std::string(text.substr(quote + 1, end - quote - 1)));
    }
    return out;
}

}  // namespace

// Replaces references to declared entities once each (no entity within an entity, so that a
// hostile file cannot blow up); false when there is nothing to replace.
bool ExpandEntities(std::string_view text, std::string* out) {
    const auto entities = DeclaredEntities(text);
    if (entities.empty()) return false;
    const size_t body = text.find("]>") + 2;
    out->assign(text.substr(0, body));
    for (size_t p = body; p < text.size();) {
        const size_t amp = text.find('&', p);
        out->append(
            text.substr(p, amp == std::string_view::npos ? std::string_view::npos : amp - p));
        if (amp == std::string_view::npos) break;
        const size_t semi = text.find(';', amp);
        const std::string_view name =
            semi == std::string_view::npos ? "" : text.substr(amp + 1, semi - amp - 1);
        const auto it = std::find_if(entities.begin(), entities.end(),
                                     [&](const auto& e) { return e.first == name; });
        if (it == entities.end()) {
            out->push_back('&');
            p = amp + 1;
            continue;
        }
        out->append(it->second);
        p = semi + 1;
    }
    return true;
}

// Where each line starts, so that a place in the text is found without counting again.
void SvgDocument::IndexLines() {
    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < text_.size(); ++i) {
        if (text_[i] == '\n') lineStarts_.push_back(i + 1);
    }
}

uint32_t SvgDocument::LineOf(size_t offset) const {
    return static_cast<uint32_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) -
                                 lineStarts_.begin());
}

std::string SvgDocument::Where(size_t offset) const {
    offset = std::min(offset, text_.size());
    const uint32_t line = LineOf(offset);
    const size_t column = offset - lineStarts_[line - 1] + 1;
    return name_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
}

void SvgDocument::Warn(const pugi::xml_node& node, const char* attribute,
                       const std::string& message) {
    const ptrdiff_t at = node.offset_debug();
    size_t offset = at < 0 ? 0 : static_cast<size_t>(at);
    if (attribute != nullptr) {
        // The attribute's own place: its name after the element's start.
        const size_t end = text_.find('>', offset);
        const std::string key = std::string(attribute) + "=";
        for (size_t p = text_.find(key, offset); p != std::string_view::npos && p < end;
             p = text_.find(key, p + 1)) {
            if (p > 0 && std::isspace(static_cast<unsigned char>(text_[p - 1]))) {
                offset = p;
                break;
            }
        }
    }
    drawing_.warnings.push_back(Where(offset) + "<" + node.name() + ">: " + message);
}

double SvgDocument::Length(const pugi::xml_node& node, const char* attribute, double fallback,
                           Axis axis, const DrawContext& ctx) {
    const pugi::xml_attribute a = node.attribute(attribute);
    if (!a) return fallback;
    std::string text(a.value());
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    if (text == "auto") return fallback;  // the same as no value
    double scale = 1.0;
    if (!text.empty() && text.back() == '%') {
        const double w = ctx.viewportWidth, h = ctx.viewportHeight;
        scale = (axis == Axis::kX   ? w
                 : axis == Axis::kY ? h
                                    : std::hypot(w, h) / std::sqrt(2.0)) /
                100.0;
        text.pop_back();
    } else if (text.size() > 2 && text.compare(text.size() - 2, 2, "em") == 0) {
        scale = ctx.style.fontSize;
        text.resize(text.size() - 2);
    }
    double v = 0;
    std::string why;
    if (!ParseLength(text, &v, &why)) {
        Warn(node, attribute,
             std::string(attribute) + "=\"" + a.value() + "\": " + why + "; ignored");
        return fallback;
    }
    return v * scale;
}

// Counts the pieces against kMaxSvgPieces; false (and the walk stops) once they are too many.
bool SvgDocument::Grow(size_t pieces, const DrawContext& ctx) {
    if (tooLarge_ >= 0) return false;
    pieces_ += pieces;
    if (pieces_ <= kMaxSvgPieces) return true;
    tooLarge_ = static_cast<ptrdiff_t>(lineStarts_.at(std::max<uint32_t>(ctx.line, 1) - 1));
    return false;
}

void SvgDocument::AddShape(std::vector<Subpath> subpaths, const DrawContext& ctx) {
    size_t pieces = kShapePieces;
    for (const Subpath& p : subpaths) pieces += 1 + p.segments.size();
    if (subpaths.empty() || !Grow(pieces, ctx)) return;
    if (ctx.style.fill.kind == PaintKind::kPattern) NotMarked("<pattern> fills (hatched as solid)");
    Shape s;
    for (Subpath& p : subpaths) Transform(ctx.m, &p);
    s.subpaths = std::move(subpaths);
    s.style = ctx.style;
    s.strokeScale =
        ctx.style.fixedStroke ? 1.0 : std::sqrt(std::fabs(ctx.m.a * ctx.m.d - ctx.m.b * ctx.m.c));
    s.clips = ctx.clips;
    s.line = ctx.line;
    shapes_.push_back(std::move(s));
}

void SvgDocument::AddPicture(Picture picture, const DrawContext& ctx) {
    // Pixels take a byte each, a piece about as much as sixteen of them.
    constexpr size_t kPixelsPerPiece = 16;
    if (!Grow(kShapePieces + picture.image.grey.size() / kPixelsPerPiece, ctx)) return;
    picture.toDrawing = ctx.m * picture.toDrawing;
    const double x0 = picture.visibleX0, y0 = picture.visibleY0;
    const double x1 = picture.visibleX1, y1 = picture.visibleY1;
    Subpath outline = RectOutline(x0, y0, x1 - x0, y1 - y0, 0, 0);
    Transform(picture.toDrawing, &outline);
    Shape s;
    s.subpaths.push_back(std::move(outline));
    s.style = ctx.style;
    s.clips = ctx.clips;
    s.line = ctx.line;
    s.picture = static_cast<int>(drawing_.pictures.size());
    drawing_.pictures.push_back(std::move(picture));
    shapes_.push_back(std::move(s));
}

void SvgDocument::Index(const pugi::xml_node& root) {
    for (pugi::xml_node n = root; n;) {
        if (n.type() == pugi::node_element) {
            if (const char* id = n.attribute("id").as_string(); id[0] != '\0') ids_.emplace(id, n);
            if (LocalName(n.name()) == "style") sheet_.Add(n.child_value());
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
}

// A gradient paints the mean of its stops' colours and opacities (its own stops, or those of
// the gradient it refers to); a pattern paints as solid black.
Paint SvgDocument::ServerPaint(std::string_view id) const {
    auto it = ids_.find(std::string(id));
    if (it == ids_.end()) return {};
    const std::string_view kind = LocalName(it->second.name());
    if (kind == "pattern") return {PaintKind::kPattern, {}, 1.0};  // black
    if (kind != "linearGradient" && kind != "radialGradient") return {};
    for (int hops = 0; hops < kMaxUseDepth && !it->second.child("stop"); ++hops) {
        const char* href =
            it->second.attribute("href").as_string(it->second.attribute("xlink:href").as_string());
        if (href[0] != '#') break;
        const auto next = ids_.find(href + 1);
        if (next == ids_.end()) break;
        it = next;
    }
    double r = 0, g = 0, b = 0, alpha = 0;
    int stops = 0;
    for (const GradientStop& stop : ReadGradientStops(it->second)) {
        r += stop.colour.r, g += stop.colour.g, b += stop.colour.b, alpha += stop.alpha, ++stops;
    }
    // Without stops a gradient paints nothing.
    if (stops == 0 || alpha <= 0.0) return {};
    auto mean = [&](double v) { return static_cast<uint8_t>(std::lround(v / stops)); };
    return {PaintKind::kGradient, {mean(r), mean(g), mean(b)}, alpha / stops};
}

// A viewBox of four numbers without a positive width and height: the element draws nothing,
// as in a browser, and says so.
bool SvgDocument::EmptyViewBox(const pugi::xml_node& node) {
    ViewBox box;
    bool empty = false;
    const char* viewBox = node.attribute("viewBox").as_string();
    if (ParseViewBox(viewBox, &box, &empty) || !empty) return false;
    Warn(node, "viewBox",
         std::string("viewBox=\"") + viewBox + "\": no width or height; nothing in it is drawn");
    return true;
}

// A stroke wider than a million pages (or than a million of its viewports when the drawing
// gives no page), or one whose width is not a number, is no stroke a browser would draw: it
// is left out with a warning, and the rest of the element is drawn.
void SvgDocument::LeaveOutHugeStroke(const pugi::xml_node& node, DrawContext* ctx) {
    constexpr double kMostPages = 1e6;
    Style& s = ctx->style;
    if (s.stroke.kind == PaintKind::kNone) return;
    const Affine& m = ctx->m;
    const double scale = s.fixedStroke ? 1.0 : std::sqrt(std::fabs(m.a * m.d - m.b * m.c));
    const double page = drawing_.page ? std::max(drawing_.page->width, drawing_.page->height)
                                      : std::max(ctx->viewportWidth, ctx->viewportHeight) * scale;
    const double width = s.strokeWidth * scale;
    if (std::isfinite(width) && !(width > kMostPages * page)) return;
    char text[160];
    std::snprintf(text, sizeof text,
                  "stroke-width %g is wider than a million pages; the stroke is left out",
                  s.strokeWidth);
    Warn(node, "stroke-width", text);
    s.stroke.kind = PaintKind::kNone;
}

// The page: the root's width and height with its viewBox laid into them as
// preserveAspectRatio says (root coordinates are then the page's), else the viewBox, else
// width and height. A browser shows nothing beyond the page's edge: everything is cut to it.
// False when nothing is drawn at all (an empty viewBox).
bool SvgDocument::ReadPage(const pugi::xml_node& root, DrawContext* ctx) {
    if (EmptyViewBox(root)) return false;
    ViewBox box;
    const char* viewBox = root.attribute("viewBox").as_string();
    const bool hasBox = viewBox[0] != '\0' && ParseViewBox(viewBox, &box);
    if (viewBox[0] != '\0' && !hasBox) {
        Warn(root, "viewBox",
             std::string("viewBox=\"") + viewBox +
                 "\": not four numbers with a positive size; ignored");
    }
    DrawContext none;
    const double w = Length(root, "width", 0, Axis::kX, none);
    const double h = Length(root, "height", 0, Axis::kY, none);
    const bool sized = w > 0 && h > 0 &&
                       std::strchr(root.attribute("width").as_string(), '%') == nullptr &&
                       std::strchr(root.attribute("height").as_string(), '%') == nullptr;
    if (hasBox) {
        ctx->viewportWidth = box.width;  // percentages inside are of the viewBox
        ctx->viewportHeight = box.height;
        drawing_.page = PageBox{box.x, box.y, box.width, box.height};
        if (sized) {
            AspectRatio ratio;
            ParseAspectRatio(root.attribute("preserveAspectRatio").as_string("xMidYMid"), &ratio);
            ctx->m = FitBox(box, {0, 0, w, h}, ratio);
            drawing_.page = PageBox{0, 0, w, h};
        }
    } else if (sized) {
        ctx->viewportWidth = w;
        ctx->viewportHeight = h;
        drawing_.page = PageBox{0, 0, w, h};
    }
    if (!drawing_.page) return true;
    const PageBox& p = *drawing_.page;
    auto region = std::make_shared<ClipRegion>();
    region->parts.push_back({{RectOutline(p.x, p.y, p.width, p.height, 0, 0)}, FillRule::kNonZero});
    ctx->clips.push_back(std::move(region));
    return true;
}

ReadResult SvgDocument::Run() {
    ReadResult result;
    if (ExpandEntities(text_, &expanded_)) text_ = expanded_;
    IndexLines();
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text_.data(), text_.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    if (!parsed) {
        result.error =
            Where(static_cast<size_t>(parsed.offset)) + "XML error: " + parsed.description();
        return result;
    }
    const pugi::xml_node root = doc.document_element();
    if (LocalName(root.name()) != "svg") {
        result.error = Where(static_cast<size_t>(root.offset_debug())) +
                       "not an SVG drawing: the root element is <" + root.name() + ">";
        return result;
    }
    Index(root);
    DrawContext top;
    DrawContext ctx;
    if (ReadPage(root, &top) && Enter(root, top, &ctx)) Children(root, ctx);
    if (tooLarge_ >= 0) {
        result.error = Where(static_cast<size_t>(tooLarge_)) + "the drawing grows past " +
                       std::to_string(kMaxSvgPieces) +
                       " path pieces where it is placed (<use>, markers, text); not read";
        return result;
    }
    HandOver(shapes_, &drawing_);
    result.drawing = std::move(drawing_);
    result.ok = true;
    return result;
}

// The element's transform, style and clip on top of its parent's; false when it shows nothing.
bool SvgDocument::Enter(const pugi::xml_node& node, const DrawContext& parent, DrawContext* ctx) {
    *ctx = parent;
    ctx->line = LineOf(static_cast<size_t>(std::max<ptrdiff_t>(0, node.offset_debug())));
    std::vector<std::string> problems;
    ctx->style = ComputeStyle(
        parent.style, node, sheet_, [this](std::string_view id) { return ServerPaint(id); },
        &problems);
    for (const std::string& p : problems) {
        Warn(node, p.substr(0, p.find('=')).c_str(), p + ": cannot be read; ignored");
    }
    if (!ctx->style.displayed) return false;
    if (const pugi::xml_attribute t = node.attribute("transform")) {
        Affine local;
        std::string why;
        if (ParseTransform(t.value(), &local, &why)) {
            ctx->m = parent.m * local;
        } else {
            // A browser drops the whole list, not just the part it could not read.
            Warn(node, "transform",
                 std::string("transform=\"") + t.value() + "\": " + why + "; ignored");
        }
    }
    for (const std::string* id : {&ctx->style.clipPath, &ctx->style.mask}) {
        if (id->empty()) continue;
        if (auto clip = Clip(*id, *ctx)) ctx->clips.push_back(std::move(clip));
    }
    ResolvePercentages(ctx);
    LeaveOutHugeStroke(node, ctx);
    NoteUnsupportedStyle(node);
    return true;
}

// Stroke lengths in % are of the viewport's diagonal over sqrt 2, in the viewport the element
// is drawn in (an inherited percentage follows a nested viewport).
void SvgDocument::ResolvePercentages(DrawContext* ctx) {
    const double w = ctx->viewportWidth, h = ctx->viewportHeight;
    const double diagonal = std::sqrt((w * w + h * h) / 2.0);
    Style& s = ctx->style;
    if (s.strokeWidthPercent >= 0) s.strokeWidth = s.strokeWidthPercent / 100.0 * diagonal;
    for (size_t i = 0; i < s.dashArray.size() && i < s.dashPercents.size(); ++i) {
        if (!std::isnan(s.dashPercents[i])) s.dashArray[i] = s.dashPercents[i] / 100.0 * diagonal;
    }
    if (!std::isnan(s.dashOffsetPercent)) s.dashOffset = s.dashOffsetPercent / 100.0 * diagonal;
}

void SvgDocument::NoteUnsupportedStyle(const pugi::xml_node& node) {
    const std::string style = node.attribute("style").as_string();
    auto uses = [&](const char* property) {
        const std::string p = std::string(property) + ":";
        return node.attribute(property) || style.find(p) != std::string::npos;
    };
    if (uses("filter")) NotMarked("filter effects (drawn without)");
}

void SvgDocument::Children(const pugi::xml_node& node, const DrawContext& ctx) {
    for (const pugi::xml_node& child : node.children()) Element(child, ctx);
}

void SvgDocument::Element(const pugi::xml_node& node, const DrawContext& parent) {
    if (node.type() != pugi::node_element) return;
    const std::string_view kind = LocalName(node.name());
    // Elements of other vocabularies (an editor's own) are passed over; "svg:" is SVG itself.
    const std::string_view name(node.name());
    const bool foreign = name.find(':') != std::string_view::npos && name.substr(0, 4) != "svg:";
    if (Silent(kind) || foreign || tooLarge_ >= 0) return;
    if (parent.depth >= kMaxDepth) {
        if (parent.depth == kMaxDepth) Warn(node, nullptr, "elements nest too deep; not drawn");
        return;
    }
    DrawContext ctx;
    if (!Enter(node, parent, &ctx)) return;
    ctx.depth = parent.depth + 1;
    const size_t first = shapes_.size();
    Draw(node, kind, ctx);
    for (size_t i = parent.clips.size(); i < ctx.clips.size(); ++i) {
        if (ctx.clips[i]->boxUnits) ResolveBoxClip(first, ctx.clips[i]);
    }
}

void SvgDocument::Draw(const pugi::xml_node& node, std::string_view kind, const DrawContext& ctx) {
    if (kind == "g" || kind == "a") return Children(node, ctx);
    if (kind == "svg") return NestedSvg(node, ctx);
    if (kind == "switch") return Switch(node, ctx);
    if (kind == "use") return Use(node, ctx);
    if (kind == "text") return Text(node, ctx);
    if (kind == "image") return Image(node, ctx);
    std::vector<Subpath> subpaths;
    if (Geometry(node, ctx, &subpaths)) {
        const std::vector<Subpath> own = subpaths;
        const bool picture =
            (ctx.style.fill.kind == PaintKind::kPattern && PatternPicture(own, ctx)) ||
            (ctx.style.fill.kind == PaintKind::kGradient && GradientPicture(own, ctx));
        if (picture) {
            DrawContext outline = ctx;  // the picture is the fill; the stroke goes over it
            outline.style.fill = {};
            AddShape(std::move(subpaths), outline);
        } else {
            AddShape(std::move(subpaths), ctx);
        }
        Markers(own, ctx);
        return;
    }
    static const std::set<std::string_view> kShapes = {"path", "line",   "polyline", "polygon",
                                                       "rect", "circle", "ellipse"};
    if (kShapes.count(kind) == 0) NotMarked("<" + std::string(kind) + ">");
}

// The first child whose conditions hold, as a browser without extensions chooses.
void SvgDocument::Switch(const pugi::xml_node& node, const DrawContext& ctx) {
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        if (child.attribute("requiredExtensions")) continue;
        const std::string lang = child.attribute("systemLanguage").as_string("en");
        if (lang.find("en") == std::string::npos) continue;
        Element(child, ctx);
        return;
    }
}

void SvgDocument::NestedSvg(const pugi::xml_node& node, const DrawContext& ctx) {
    if (EmptyViewBox(node)) return;
    DrawContext inner = ctx;
    const double x = Length(node, "x", 0, Axis::kX, ctx);
    const double y = Length(node, "y", 0, Axis::kY, ctx);
    const double w = Length(node, "width", ctx.viewportWidth, Axis::kX, ctx);
    const double h = Length(node, "height", ctx.viewportHeight, Axis::kY, ctx);
    ViewBox box;
    AspectRatio ratio;
    ParseAspectRatio(node.attribute("preserveAspectRatio").as_string("xMidYMid"), &ratio);
    const std::string overflow = node.attribute("overflow").as_string("hidden");
    if (overflow == "hidden" || overflow == "scroll" || overflow == "clip") {
        // What a nested viewport draws outside itself is cut off.
        auto region = std::make_shared<ClipRegion>();
        region->parts.push_back({{RectOutline(x, y, w, h, 0, 0)}, FillRule::kNonZero});
        Transform(ctx.m, &region->parts.back().subpaths.back());
        inner.clips.push_back(std::move(region));
    }
    if (ParseViewBox(node.attribute("viewBox").as_string(), &box) && w > 0 && h > 0) {
        inner.m = ctx.m * FitBox(box, {x, y, w, h}, ratio);
        inner.viewportWidth = box.width;
        inner.viewportHeight = box.height;
    } else {
        inner.m = ctx.m * Affine::Translate(x, y);
        inner.viewportWidth = w;
        inner.viewportHeight = h;
    }
    Children(node, inner);
}

void SvgDocument::Use(const pugi::xml_node& node, const DrawContext& ctx) {
    const char* href = node.attribute("href").as_string(node.attribute("xlink:href").as_string());
    if (href[0] != '#') {
        Warn(node, "href", "only references within the drawing (#id) are drawn");
        return;
    }
    if (ctx.useDepth >= kMaxUseDepth) {
        Warn(node, "href", "references nest too deep (a cycle?); not drawn");
        return;
    }
    const auto it = ids_.find(href + 1);
    if (it == ids_.end()) {
        Warn(node, "href", std::string("no element with id \"") + (href + 1) + "\"; not drawn");
        return;
    }
    DrawContext placed = ctx;
    placed.m = ctx.m * Affine::Translate(Length(node, "x", 0, Axis::kX, ctx),
                                         Length(node, "y", 0, Axis::kY, ctx));
    placed.useDepth = ctx.useDepth + 1;
    const pugi::xml_node target = it->second;
    if (LocalName(target.name()) == "symbol") {
        if (EmptyViewBox(target)) return;
        DrawContext inside;
        if (!Enter(target, placed, &inside)) return;
        ViewBox box;
        const double w = Length(node, "width", 0, Axis::kX, ctx);
        const double h = Length(node, "height", 0, Axis::kY, ctx);
        if (ParseViewBox(target.attribute("viewBox").as_string(), &box) && w > 0 && h > 0) {
            AspectRatio ratio;
            ParseAspectRatio(target.attribute("preserveAspectRatio").as_string("xMidYMid"), &ratio);
            inside.m = placed.m * FitBox(box, {0, 0, w, h}, ratio);
        }
        Children(target, inside);
        return;
    }
    Element(target, placed);
}

}  // namespace txorb::drawing::svg

namespace txorb::drawing {

ReadResult ReadSvgText(std::string_view text, const std::string& name) {
    return svg::SvgDocument(text, name, ".").Run();
}

ReadResult ReadSvgFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReadResult result;
        result.error = path + ": cannot open: " + std::strerror(errno);
        return result;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    const std::filesystem::path dir = std::filesystem::path(path).parent_path();
    return svg::SvgDocument(text, path, dir.empty() ? "." : dir.string()).Run();
}

}  // namespace txorb::drawing
