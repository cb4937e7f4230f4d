#include "svg_picture.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "proto/exposure.h"

namespace txorb::sim {
namespace {

// Marks made with the laser disabled leave no energy; the SVG shows their path as a pale trace.
constexpr double kPaleDarkness = 0.15;

// One path's data, relative moves throughout: "m" opens a piece, the pairs after it draw on.
class PathData {
public:
    void Segment(long x0, long y0, long x1, long y1) {
        if (!started_ || x0 != x_ || y0 != y_) {
            d_ += 'm';
            Pair(x0 - x_, y0 - y_);
        }
        Pair(x1 - x0, y1 - y0);
        x_ = x1;
        y_ = y1;
        started_ = true;
    }
    void Spot(long x, long y) {  // a zero-length piece: round caps make it a disc
        d_ += 'm';
        Pair(x - x_, y - y_);
        d_ += "h0";
        x_ = x;
        y_ = y;
    }
    const std::string& Text() const { return d_; }

private:
    void Number(long v) {
        // A minus sign separates numbers on its own.
        if (v >= 0 && !d_.empty() && d_.back() != 'm') d_ += ' ';
        char buf[24];
        d_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
    void Pair(long dx, long dy) {
        Number(dx);
        Number(dy);
    }
    std::string d_;
    long x_ = 0, y_ = 0;
    bool started_ = false;
};

long Bits(float v) { return static_cast<long>(std::floor(v + 0.5f)); }

std::string Grey(double darkness) {
    const int level = 255 - static_cast<int>(std::lround(darkness * 255.0));
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", level, level, level);
    return buf;
}

std::string Base64(const std::string& bytes) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t v = 0;
        for (size_t k = 0; k < 3; ++k) {
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        }
        for (size_t k = 0; k < 4; ++k) {
            out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
        }
    }
    return out;
}

using GroupKey = std::pair<float, float>;  // power and speed, or power and duration

// The marks, one path per power and speed.
void AppendMarkPaths(const Picture& picture, double spotBits, std::string* out) {
    std::map<GroupKey, PathData> groups;
    PathData* last = nullptr;
    GroupKey lastKey{-1.0f, -1.0f};
    for (const Picture::Mark& m : picture.Marks()) {
        const GroupKey key{m.power, m.speed};
        if (last == nullptr || key != lastKey) {
            last = &groups[key];
            lastKey = key;
        }
        last->Segment(Bits(m.x0), Bits(m.y0), Bits(m.x1), Bits(m.y1));
    }
    for (const auto& [key, path] : groups) {
        const double dark =
            key.first > 0 ? proto::Darkness(proto::VectorDose(key.first, key.second, spotBits))
                          : kPaleDarkness;
        out->append("<path stroke=\"").append(Grey(dark)).append("\" d=\"");
        out->append(path.Text()).append("\"/>\n");
    }
}

void AppendDotPaths(const Picture& picture, double spotBits, std::string* out) {
    std::map<GroupKey, PathData> groups;
    for (const Picture::Dot& d : picture.Dots()) {
        groups[{d.power, d.durationUs}].Spot(Bits(d.x), Bits(d.y));
    }
    for (const auto& [key, path] : groups) {
        const double dose = double(key.first) * key.second / (spotBits * spotBits);
        const double dark = key.first > 0 ? proto::Darkness(dose) : kPaleDarkness;
        out->append("<path stroke=\"")
            .append(Grey(dark))
            .append("\" stroke-linecap=\"round\" d=\"");
        out->append(path.Text()).append("\"/>\n");
    }
}

}  // namespace

std::string SvgPicture(const Picture& picture, const PictureView& view,
                       const RenderOptions& options, const std::string& linesPng) {
    // The view box is in bits with y down, so the marks are drawn flipped, in the card's bits.
    char box[256];
    std::snprintf(box, sizeof box, "%.6g %.6g %.6g %.6g", view.minX, -(view.minY + view.span),
                  view.span, view.span);
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
        "width=\"" +
        std::to_string(view.sizePx) + "\" height=\"" + std::to_string(view.sizePx) +
        "\" viewBox=\"" + box + "\">\n";
    std::snprintf(box, sizeof box, "x=\"%.6g\" y=\"%.6g\" width=\"%.6g\" height=\"%.6g\"",
                  view.minX, -(view.minY + view.span), view.span, view.span);
    svg += std::string("<rect ") + box + " fill=\"#fff\"/>\n";
    if (!linesPng.empty()) {
        svg += std::string("<image ") + box + " preserveAspectRatio=\"none\" " +
               "xlink:href=\"data:image/png;base64," + Base64(linesPng) + "\"/>\n";
    }
    char width[64];
    std::snprintf(width, sizeof width, "%.6g", options.spotBits);
    svg += std::string("<g transform=\"scale(1 -1)\" fill=\"none\" stroke-width=\"") + width +
           "\" stroke-linejoin=\"round\">\n";
    AppendMarkPaths(picture, options.spotBits, &svg);
    AppendDotPaths(picture, options.spotBits, &svg);
    svg += "</g>\n</svg>\n";
    return svg;
}

}  // namespace txorb::sim
