// <text> and <tspan>: characters laid out as a browser does it for horizontal text (white
// space collapsed, x/y/dx/dy per character, text-anchor per chunk), each run of characters set
// as glyph outlines and added as a shape with the style of its element.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"
#include "drawing/text/text_outlines.h"

namespace txorb::drawing::svg {
namespace {

// A list of lengths (x, y, dx, dy): user units, absolute units, or em and ex of the font.
std::vector<double> NumberList(const char* text, double fontSize) {
    std::vector<double> out;
    const char* p = text;
    for (;;) {
        while (*p != '\0' && (std::isspace(static_cast<unsigned char>(*p)) || *p == ',')) ++p;
        if (*p == '\0') break;
        char* end = nullptr;
        double v = std::strtod(p, &end);
        if (end == p) break;
        const char* unit = end;
        while (*end != '\0' && (std::isalpha(static_cast<unsigned char>(*end)) || *end == '%'))
            ++end;
        const std::string u(unit, static_cast<size_t>(end - unit));
        double scale = 1.0;
        std::string why;
        if (u == "em") {
            scale = fontSize;
        } else if (u == "ex") {
            scale = fontSize / 2.0;
        } else if (!u.empty() && u != "%" && !ParseLength("1" + u, &scale, &why)) {
            scale = 1.0;
        }
        out.push_back(v * scale);
        p = end;
    }
    return out;
}

// Deeper tspans than any text needs are passed over: the walk is recursive.
constexpr size_t kMaxNesting = 64;

size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

}  // namespace

class TextReader {
public:
    explicit TextReader(SvgDocument* doc) : doc_(doc) {}

    void Run(const pugi::xml_node& text, const DrawContext& ctx) {
        for (pugi::xml_node n = text; n; n = n.parent()) {
            if (const pugi::xml_attribute space = n.attribute("xml:space")) {
                preserve_ = std::strcmp(space.value(), "preserve") == 0;
                break;
            }
        }
        Walk(text, ctx);
        EndSegment();
        EndChunk();
    }

private:
    struct Level {
        std::vector<double> x, y, dx, dy;
        size_t index = 0;
    };
    struct Piece {
        std::vector<Subpath> outlines;
        DrawContext ctx;
    };

    void Walk(const pugi::xml_node& node, const DrawContext& ctx);
    void Characters(std::string_view text, const pugi::xml_node& element, const DrawContext& ctx);
    void Character(std::string_view utf8, const pugi::xml_node& element, const DrawContext& ctx,
                   size_t depth);
    void EndSegment();
    void EndChunk();

    SvgDocument* doc_;
    std::vector<Level> levels_;
    double penX_ = 0.0, penY_ = 0.0;
    bool spacePending_ = false;
    bool preserve_ = false;        // xml:space="preserve": white space kept as it is
    pugi::xml_node spaceElement_;  // where the pending space was written
    DrawContext spaceCtx_;
    size_t spaceDepth_ = 0;
    bool anyCharacter_ = false;
    std::string segment_;  // characters set together from the pen position
    DrawContext segmentCtx_;
    pugi::xml_node segmentElement_;  // the element the segment's characters are in
    double segmentX_ = 0.0, segmentY_ = 0.0;
    std::vector<Piece> chunk_;
    double chunkStart_ = 0.0;
    TextAnchor chunkAnchor_ = TextAnchor::kStart;
};

void TextReader::Walk(const pugi::xml_node& node, const DrawContext& ctx) {
    if (levels_.size() >= kMaxNesting) return;
    const double em = ctx.style.fontSize;
    levels_.push_back({NumberList(node.attribute("x").as_string(), em),
                       NumberList(node.attribute("y").as_string(), em),
                       NumberList(node.attribute("dx").as_string(), em),
                       NumberList(node.attribute("dy").as_string(), em), 0});
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            Characters(child.value(), node, ctx);
            continue;
        }
        if (child.type() != pugi::node_element) continue;
        const std::string_view name(child.name());
        if (name == "tspan" || name == "a") {
            DrawContext inner;
            if (doc_->Enter(child, ctx, &inner)) {
                inner.m = ctx.m;  // a tspan has no transform of its own
                Walk(child, inner);
            }
        } else if (name == "textPath") {
            doc_->NotMarked("<textPath>");
        }
    }
    levels_.pop_back();
}

void TextReader::Characters(std::string_view text, const pugi::xml_node& element,
                            const DrawContext& ctx) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (preserve_ && (c == '\n' || c == '\t' || c == '\r' || c == ' ')) {
            // Kept white space: every character of it is a space.
            Character(" ", element, ctx, levels_.size());
            anyCharacter_ = true;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            // Runs of white space become one space, and none at the start. The space belongs
            // to the element it is written in, even when it is set with the next letter.
            if (anyCharacter_ && !spacePending_) {
                spacePending_ = true;
                spaceElement_ = element;
                spaceCtx_ = ctx;
                spaceDepth_ = levels_.size();
            }
            ++i;
            continue;
        }
        const size_t n = std::min(Utf8Length(c), text.size() - i);
        if (spacePending_) {
            spacePending_ = false;
            Character(" ", spaceElement_, spaceCtx_, spaceDepth_);
        }
        Character(text.substr(i, n), element, ctx, levels_.size());
        anyCharacter_ = true;
        i += n;
    }
}

// `depth`: how many of the open elements the character is in (a space set late is in fewer).
void TextReader::Character(std::string_view utf8, const pugi::xml_node& element,
                           const DrawContext& ctx, size_t depth) {
    // The innermost element with a value for this character's place wins.
    const double* x = nullptr;
    const double* y = nullptr;
    double dx = 0.0, dy = 0.0;
    bool dxSet = false, dySet = false;
    const auto inside = levels_.begin() + long(std::min(depth, levels_.size()));
    for (auto level = std::make_reverse_iterator(inside); level != levels_.rend(); ++level) {
        const size_t i = level->index;
        if (!x && i < level->x.size()) x = &level->x[i];
        if (!y && i < level->y.size()) y = &level->y[i];
        if (!dxSet && i < level->dx.size()) dx = level->dx[i], dxSet = true;
        if (!dySet && i < level->dy.size()) dy = level->dy[i], dySet = true;
    }
    // The character takes its place in the lists of every element it is in.
    for (auto level = levels_.begin(); level != inside; ++level) level->index += 1;
    if (x || y || dxSet || dySet || segmentElement_ != element) EndSegment();
    if (x || y) EndChunk();
    if (x) penX_ = *x;
    if (y) penY_ = *y;
    penX_ += dx;
    penY_ += dy;
    if (chunk_.empty() && segment_.empty() && (x || y || !anyCharacter_)) {
        chunkStart_ = penX_;
        chunkAnchor_ = ctx.style.anchor;
    }
    if (segment_.empty()) {
        segmentCtx_ = ctx;
        segmentElement_ = element;
        segmentX_ = penX_;
        segmentY_ = penY_;
    }
    segment_ += utf8;
}

void TextReader::EndSegment() {
    if (segment_.empty()) return;
    const Style& s = segmentCtx_.style;
    SetText set = SetTextOutlines(
        segment_, {s.fontFamily, s.fontSize, s.fontWeight, s.italic, s.letterSpacing});
    const Affine at = Affine::Translate(segmentX_, segmentY_ + s.baselineShift * s.fontSize);
    for (Subpath& p : set.outlines) Transform(at, &p);
    penX_ = segmentX_ + set.advance;
    penY_ = segmentY_;
    chunk_.push_back({std::move(set.outlines), segmentCtx_});
    segment_.clear();
}

void TextReader::EndChunk() {
    EndSegment();
    const double width = penX_ - chunkStart_;
    const double shift = chunkAnchor_ == TextAnchor::kMiddle ? -width / 2
                         : chunkAnchor_ == TextAnchor::kEnd  ? -width
                                                             : 0.0;
    for (Piece& piece : chunk_) {
        for (Subpath& p : piece.outlines) Transform(Affine::Translate(shift, 0), &p);
        if (!piece.ctx.style.visible) continue;
        // Lettering filled with a gradient is engraved as a picture cut to its glyphs.
        if (piece.ctx.style.fill.kind == PaintKind::kGradient &&
            doc_->GradientPicture(piece.outlines, piece.ctx)) {
            piece.ctx.style.fill = {};
        }
        doc_->AddShape(std::move(piece.outlines), piece.ctx);
    }
    chunk_.clear();
    chunkStart_ = penX_;
}

void SvgDocument::Text(const pugi::xml_node& node, const DrawContext& ctx) {
    TextReader(this).Run(node, ctx);
}

}  // namespace txorb::drawing::svg
