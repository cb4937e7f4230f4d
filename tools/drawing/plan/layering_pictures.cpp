#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "drawing/plan/bitmap_lines.h"
#include "drawing/plan/layering_parts.h"

namespace txorb::drawing {
namespace {

Affine Inverse(const Affine& m) {
    const double det = m.a * m.d - m.b * m.c;
    const Affine inv{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
    const Point t = inv.Apply({m.e, m.f});
    return {inv.a, inv.b, inv.c, inv.d, -t.x, -t.y};
}

// A picture's mean darkness over the pixels a raster cell covers, from sums over every
// top-left rectangle.
class PictureSampler {
public:
    PictureSampler(const Picture& p, const Affine& drawingToField, double pitch)
        : p_(p),
          toPixel_(Inverse(drawingToField * p.toDrawing)),
          w_(size_t(p.image.width) + 1),
          sums_(w_ * (size_t(p.image.height) + 1), 0.0) {
        for (int y = 0; y < p.image.height; ++y) {
            double row = 0.0;
            for (int x = 0; x < p.image.width; ++x) {
                row += (255 - p.image.At(x, y)) / 255.0;
                sums_[(size_t(y) + 1) * w_ + size_t(x) + 1] =
                    sums_[size_t(y) * w_ + size_t(x) + 1] + row;
            }
        }
        hx_ = (std::fabs(toPixel_.a) + std::fabs(toPixel_.c)) * pitch / 2.0;
        hy_ = (std::fabs(toPixel_.b) + std::fabs(toPixel_.d)) * pitch / 2.0;
    }

    float At(Point field) const {
        const Point at = toPixel_.Apply(field);
        if (!(at.x >= p_.visibleX0 && at.x < p_.visibleX1 && at.y >= p_.visibleY0 &&
              at.y < p_.visibleY1))
            return 0.0f;
        const int x0 = std::max(int(std::floor(at.x - hx_)), int(p_.visibleX0));
        const int y0 = std::max(int(std::floor(at.y - hy_)), int(p_.visibleY0));
        const int x1 = std::min(std::max(x0 + 1, int(std::ceil(at.x + hx_))), p_.image.width);
        const int y1 = std::min(std::max(y0 + 1, int(std::ceil(at.y + hy_))), p_.image.height);
        if (!(x1 > x0 && y1 > y0) || x0 < 0 || y0 < 0) return 0.0f;
        const double s = sums_[size_t(y1) * w_ + size_t(x1)] - sums_[size_t(y0) * w_ + size_t(x1)] -
                         sums_[size_t(y1) * w_ + size_t(x0)] + sums_[size_t(y0) * w_ + size_t(x0)];
        return static_cast<float>(s / double((x1 - x0) * (y1 - y0)));
    }

private:
    const Picture& p_;
    Affine toPixel_;
    size_t w_;
    std::vector<double> sums_;
    double hx_ = 0, hy_ = 0;
};

// Columns of the raster grid (x = column * pitch) in [u0, u1).
long FirstColumn(double u, double pitch) {
    long c = std::lround(std::ceil(u / pitch));
    while (double(c) * pitch < u) ++c;
    while (double(c - 1) * pitch >= u) --c;
    return c;
}

void AddRow(const uint16_t* delays, size_t count, long row, long col0, double pitch, bool backwards,
            std::vector<BitmapLine>* out) {
    auto at = [&](long col) {
        return FieldPoint{static_cast<int16_t>(std::lround(double(col) * pitch)),
                          static_cast<int16_t>(std::lround(double(row) * pitch))};
    };
    const size_t first = out->size();
    for (size_t begin = 0; begin < count; begin += kMaxBitmapValues) {
        const size_t end = std::min(count, begin + kMaxBitmapValues);
        out->push_back({at(col0 + long(begin)), at(col0 + long(end) - 1),
                        std::vector<uint16_t>(delays + begin, delays + end)});
    }
    if (!backwards) return;
    std::reverse(out->begin() + long(first), out->end());
    for (auto it = out->begin() + long(first); it != out->end(); ++it) {
        std::swap(it->begin, it->end);
        std::reverse(it->delays.begin(), it->delays.end());
    }
}

}  // namespace

std::vector<BitmapLine> PictureRows(const SweepResult& rows, const std::vector<KeySpan>& spans,
                                    const Picture* picture, double darkness, const Affine& toField,
                                    const RasterOptions& raster) {
    std::vector<BitmapLine> out;
    const double pitch = rows.grid.step;
    if (spans.empty() || !(pitch > 0)) return out;
    long c0 = LONG_MAX, c1 = LONG_MIN;
    for (const KeySpan& span : spans) {
        c0 = std::min(c0, FirstColumn(span.u0, pitch));
        c1 = std::max(c1, FirstColumn(span.u1, pitch) - 1);
    }
    const long r0 = long(spans.front().line), r1 = long(spans.back().line);
    if (c1 < c0) return out;
    const size_t width = size_t(c1 - c0 + 1), height = size_t(r1 - r0 + 1);
    std::vector<float> dark(width * height, 0.0f);
    std::optional<PictureSampler> sampler;
    if (picture && picture->image.width > 0 && picture->image.height > 0)
        sampler.emplace(*picture, toField, pitch);
    for (const KeySpan& span : spans) {
        const double y = double(rows.firstLine + long(span.line)) * pitch;
        float* row = &dark[size_t(long(span.line) - r0) * width];
        for (long c = FirstColumn(span.u0, pitch); double(c) * pitch < span.u1; ++c) {
            const float d = picture ? (sampler ? sampler->At({double(c) * pitch, y}) : 0.0f) : 1.0f;
            row[c - c0] = static_cast<float>(d * darkness);
        }
    }
    const std::vector<uint16_t> delays = DelaysFor(std::move(dark), width, raster);
    size_t made = 0;
    // From the top of the field down, as a page is read.
    for (size_t r = height; r-- > 0;) {
        const uint16_t* row = &delays[r * width];
        size_t first = 0, last = width;
        while (first < last && row[first] == 0) ++first;
        while (last > first && row[last - 1] == 0) --last;
        if (first == last) continue;
        AddRow(row + first, last - first, rows.firstLine + r0 + long(r), c0 + long(first), pitch,
               raster.bidirectional && made % 2 == 1, &out);
        ++made;
    }
    return out;
}

}  // namespace txorb::drawing
