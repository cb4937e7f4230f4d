#include "svg_picture.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "proto/exposure.h"

namespace txorb::sim {
namespace {

// Marks made with the laser disabled leave no energy; the SVG shows their path as a pale trace.
constexpr double kPaleDarkness = 0.15;

// One path's data, written as it comes, relative moves throughout: "m" opens a piece, the
// pairs after it draw on.
class PathData {
public:
    explicit PathData(TextOutput* out) : out_(out) {}
    void Segment(long x0, long y0, long x1, long y1) {
        if (!started_ || x0 != x_ || y0 != y_) Move(x0, y0);
        Pair(x1 - x0, y1 - y0);
        x_ = x1;
        y_ = y1;
        started_ = true;
    }
    void Spot(long x, long y) {  // a zero-length piece: round caps make it a disc
        Move(x, y);
        out_->Append("h0");
    }

private:
    void Move(long x, long y) {
        out_->Append('m');
        afterCommand_ = true;
        Pair(x - x_, y - y_);
        x_ = x;
        y_ = y;
    }
    void Number(long v) {
        // A minus sign separates numbers on its own.
        if (v >= 0 && !afterCommand_) out_->Append(' ');
        afterCommand_ = false;
        char buf[24];
        out_->Append(
            std::string_view(buf, size_t(std::to_chars(buf, buf + sizeof buf, v).ptr - buf)));
    }
    void Pair(long dx, long dy) {
        Number(dx);
        Number(dy);
    }
    TextOutput* out_;
    long x_ = 0, y_ = 0;
    bool started_ = false;
    bool afterCommand_ = false;
};

long Bits(float v) { return static_cast<long>(std::floor(v + 0.5f)); }

std::string Grey(double darkness) {
    const int level = 255 - static_cast<int>(std::lround(darkness * 255.0));
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", level, level, level);
    return buf;
}

void AppendBase64(const std::string& bytes, TextOutput* out) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k) {
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        char quad[4];
        for (size_t k = 0; k < 4; ++k) quad[k] = k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
        out->Append(std::string_view(quad, 4));
    }
}

using GroupKey = std::pair<float, float>;  // power and speed, or power and duration

// The marks, one path per power and speed: the runs of each style in turn, in the order made.
void AppendMarkPaths(const Picture& picture, double spotBits, TextOutput* out) {
    std::map<GroupKey, std::vector<size_t>> groups;
    for (size_t run = 0; run < picture.Runs(); ++run) {
        const Picture::Style style = picture.RunStyle(run);
        groups[{style.power, style.speed}].push_back(run);
    }
    for (const auto& [key, runs] : groups) {
        const double dark =
            key.first > 0 ? proto::Darkness(proto::VectorDose(key.first, key.second, spotBits))
                          : kPaleDarkness;
        out->Append("<path stroke=\"");
        out->Append(Grey(dark));
        out->Append("\" d=\"");
        PathData path(out);
        for (const size_t run : runs) {
            picture.ForEachMarkIn(run, [&](const Picture::Mark& m) {
                path.Segment(Bits(m.x0), Bits(m.y0), Bits(m.x1), Bits(m.y1));
            });
        }
        out->Append("\"/>\n");
    }
}

void AppendDotPaths(const Picture& picture, double spotBits, TextOutput* out) {
    std::map<GroupKey, std::vector<size_t>> groups;
    const std::vector<Picture::Dot>& dots = picture.Dots();
    for (size_t i = 0; i < dots.size(); ++i)
        groups[{dots[i].power, dots[i].durationUs}].push_back(i);
    for (const auto& [key, members] : groups) {
        const double dose = double(key.first) * key.second / (spotBits * spotBits);
        const double dark = key.first > 0 ? proto::Darkness(dose) : kPaleDarkness;
        out->Append("<path stroke=\"");
        out->Append(Grey(dark));
        out->Append("\" stroke-linecap=\"round\" d=\"");
        PathData path(out);
        for (const size_t i : members) path.Spot(Bits(dots[i].x), Bits(dots[i].y));
        out->Append("\"/>\n");
    }
}

}  // namespace

void WriteSvgPicture(const Picture& picture, const PictureView& view, const RenderOptions& options,
                     const std::string& linesPng, TextOutput* out) {
    // The view box is in bits with y down, so the marks are drawn flipped, in the card's bits.
    char box[256];
    std::snprintf(box, sizeof box, "%.6g %.6g %.6g %.6g", view.minX, -(view.minY + view.span),
                  view.span, view.span);
    out->Append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "width=\"" +
        std::to_string(view.sizePx) + "\" height=\"" + std::to_string(view.sizePx) +
        "\" viewBox=\"" + box + "\">\n");
    std::snprintf(box, sizeof box, "x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\"",
                  view.minX, -(view.minY + view.span), view.span, view.span);
    out->Append(std::string("<rect ") + box + " fill=\"#fff\"/>\n");
    if (!linesPng.empty()) {
        out->Append(std::string("<image ") + box + " preserveAspectRatio=\"none\" " +
                    "xlink:href=\"data:image/png;base64,");
        AppendBase64(linesPng, out);
        out->Append("\"/>\n");
    }
    char width[64];
    std::snprintf(width, sizeof width, "%.6g", options.spotBits);
    out->Append(std::string("<g transform=\"scale(1 -1)\" fill=\"none\" stroke-width=\"") + width +
                "\" stroke-linejoin=\"round\">\n");
    AppendMarkPaths(picture, options.spotBits, out);
    AppendDotPaths(picture, options.spotBits, out);
    out->Append("</g>\n</svg>\n");
}

}  // namespace txorb::sim
