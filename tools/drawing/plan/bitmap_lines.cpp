#include "drawing/plan/bitmap_lines.h"

#include <algorithm>
#include <cmath>

#include "drawing/plan/clip_units.h"

namespace txorb::drawing {
namespace {

// Below half a grey step a pixel is white: it costs no laser time.
constexpr float kWhite = 0.5f / 255.0f;

Affine Inverse(const Affine& m) {
    const double det = m.a * m.d - m.b * m.c;
    const Affine inv{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
    const Point t = inv.Apply({m.e, m.f});
    return {inv.a, inv.b, inv.c, inv.d, -t.x, -t.y};
}

// Sums of darkness over every top-left rectangle, for box averages in constant time.
class AreaSums {
public:
    explicit AreaSums(const GreyImage& img)
        : w_(size_t(img.width) + 1), sums_(w_ * (size_t(img.height) + 1), 0.0) {
        for (int y = 0; y < img.height; ++y) {
            double row = 0.0;
            for (int x = 0; x < img.width; ++x) {
                row += (255 - img.At(x, y)) / 255.0;
                sums_[(size_t(y) + 1) * w_ + size_t(x) + 1] =
                    sums_[size_t(y) * w_ + size_t(x) + 1] + row;
            }
        }
    }
    // Mean darkness of pixels x0..x1-1, y0..y1-1.
    float Mean(int x0, int y0, int x1, int y1) const {
        const double s = sums_[size_t(y1) * w_ + size_t(x1)] - sums_[size_t(y0) * w_ + size_t(x1)] -
                         sums_[size_t(y1) * w_ + size_t(x0)] + sums_[size_t(y0) * w_ + size_t(x0)];
        return static_cast<float>(s / double((x1 - x0) * (y1 - y0)));
    }

private:
    size_t w_;
    std::vector<double> sums_;
};

struct Grid {
    long x0, y0;  // first column and row, in spacings from the field's origin
    size_t width, height;
    double pitch;
};

Grid GridOver(const Picture& p, const Affine& toField, double pitch) {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (Point c : {Point{p.visibleX0, p.visibleY0}, Point{p.visibleX1, p.visibleY0},
                    Point{p.visibleX0, p.visibleY1}, Point{p.visibleX1, p.visibleY1}}) {
        const Point f = toField.Apply(c);
        minX = std::min(minX, f.x), maxX = std::max(maxX, f.x);
        minY = std::min(minY, f.y), maxY = std::max(maxY, f.y);
    }
    minX = std::max(minX, -32768.0), maxX = std::min(maxX, 32767.0);
    minY = std::max(minY, -32768.0), maxY = std::min(maxY, 32767.0);
    Grid g{static_cast<long>(std::ceil(minX / pitch)), static_cast<long>(std::ceil(minY / pitch)),
           0, 0, pitch};
    const long x1 = static_cast<long>(std::floor(maxX / pitch));
    const long y1 = static_cast<long>(std::floor(maxY / pitch));
    g.width = x1 >= g.x0 ? size_t(x1 - g.x0 + 1) : 0;
    g.height = y1 >= g.y0 ? size_t(y1 - g.y0 + 1) : 0;
    return g;
}

// The picture's darkness at every grid point: the mean over the pixels the grid cell covers.
std::vector<float> Sample(const Picture& p, const Affine& toField, const Grid& g) {
    const Affine toPixel = Inverse(toField);
    const AreaSums sums(p.image);
    const double hx = (std::fabs(toPixel.a) + std::fabs(toPixel.c)) * g.pitch / 2.0;
    const double hy = (std::fabs(toPixel.b) + std::fabs(toPixel.d)) * g.pitch / 2.0;
    std::vector<float> dark(g.width * g.height, 0.0f);
    for (size_t r = 0; r < g.height; ++r) {
        for (size_t c = 0; c < g.width; ++c) {
            const Point at =
                toPixel.Apply({double(g.x0 + long(c)) * g.pitch, double(g.y0 + long(r)) * g.pitch});
            if (at.x < p.visibleX0 || at.x >= p.visibleX1 || at.y < p.visibleY0 ||
                at.y >= p.visibleY1)
                continue;
            const int x0 =
                std::max(static_cast<int>(std::floor(at.x - hx)), static_cast<int>(p.visibleX0));
            const int y0 =
                std::max(static_cast<int>(std::floor(at.y - hy)), static_cast<int>(p.visibleY0));
            const int x1 =
                std::min(std::max(x0 + 1, static_cast<int>(std::ceil(at.x + hx))), p.image.width);
            const int y1 =
                std::min(std::max(y0 + 1, static_cast<int>(std::ceil(at.y + hy))), p.image.height);
            if (x1 > x0 && y1 > y0) dark[r * g.width + c] = sums.Mean(x0, y0, x1, y1);
        }
    }
    return dark;
}

// Whites out grid points that something painted later covers.
void KnockOutCovered(const ClipperLib::Paths& visible, const Grid& g, std::vector<float>* dark) {
    for (size_t r = 0; r < g.height; ++r) {
        const double y = double(g.y0 + long(r)) * g.pitch;
        const double xa = double(g.x0) * g.pitch - 1.0;
        const double xb = double(g.x0 + long(g.width)) * g.pitch + 1.0;
        ClipperLib::Clipper c;
        c.AddPath({ToClip({xa, y}), ToClip({xb, y})}, ClipperLib::ptSubject, false);
        c.AddPaths(visible, ClipperLib::ptClip, true);
        ClipperLib::PolyTree tree;
        c.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
        ClipperLib::Paths pieces;
        ClipperLib::OpenPathsFromPolyTree(tree, pieces);
        std::vector<bool> keep(g.width, false);
        for (const auto& piece : pieces) {
            const double a = FromClip(piece.front()).x, b = FromClip(piece.back()).x;
            for (size_t col = 0; col < g.width; ++col) {
                const double x = double(g.x0 + long(col)) * g.pitch;
                if (x >= std::min(a, b) - 1e-6 && x <= std::max(a, b) + 1e-6) keep[col] = true;
            }
        }
        for (size_t col = 0; col < g.width; ++col) {
            if (!keep[col]) (*dark)[r * g.width + col] = 0.0f;
        }
    }
}

void FloydSteinberg(std::vector<float>* dark, size_t width) {
    const size_t height = width ? dark->size() / width : 0;
    auto& d = *dark;
    for (size_t y = 0; y < height; ++y) {
        const bool forward = y % 2 == 0;  // serpentine, so errors do not drift one way
        for (size_t k = 0; k < width; ++k) {
            const size_t x = forward ? k : width - 1 - k;
            const float old = d[y * width + x];
            const float now = old >= 0.5f ? 1.0f : 0.0f;
            d[y * width + x] = now;
            const float e = old - now;
            const long ahead = forward ? long(x) + 1 : long(x) - 1;
            const long behind = forward ? long(x) - 1 : long(x) + 1;
            auto add = [&](long xx, size_t yy, float share) {
                if (xx >= 0 && size_t(xx) < width && yy < height)
                    d[yy * width + size_t(xx)] += e * share;
            };
            add(ahead, y, 7.0f / 16);
            add(behind, y + 1, 3.0f / 16);
            add(long(x), y + 1, 5.0f / 16);
            add(ahead, y + 1, 1.0f / 16);
        }
    }
}

void Ordered(std::vector<float>* dark, size_t width) {
    static constexpr int kBayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    for (size_t i = 0; i < dark->size(); ++i) {
        const size_t x = i % width, y = i / width;
        const float threshold = (static_cast<float>(kBayer[y % 8][x % 8]) + 0.5f) / 64.0f;
        (*dark)[i] = (*dark)[i] > threshold ? 1.0f : 0.0f;
    }
}

void AddRow(std::vector<uint16_t> delays, long row, size_t col0, const Grid& g, bool backwards,
            std::vector<BitmapLine>* out) {
    auto at = [&](size_t col) {
        return FieldPoint{static_cast<int16_t>(std::lround(double(g.x0 + long(col)) * g.pitch)),
                          static_cast<int16_t>(std::lround(double(row) * g.pitch))};
    };
    for (size_t begin = 0; begin < delays.size(); begin += kMaxBitmapValues) {
        const size_t end = std::min(delays.size(), begin + kMaxBitmapValues);
        BitmapLine line{
            at(col0 + begin), at(col0 + end - 1),
            std::vector<uint16_t>(delays.begin() + long(begin), delays.begin() + long(end))};
        out->push_back(std::move(line));
    }
    if (backwards) {
        std::reverse(out->end() - long((delays.size() + kMaxBitmapValues - 1) / kMaxBitmapValues),
                     out->end());
        for (auto it = out->end() - long((delays.size() + kMaxBitmapValues - 1) / kMaxBitmapValues);
             it != out->end(); ++it) {
            std::swap(it->begin, it->end);
            std::reverse(it->delays.begin(), it->delays.end());
        }
    }
}

}  // namespace

std::vector<uint16_t> DelaysFor(std::vector<float> darkness, size_t width, const RasterOptions& o) {
    if (o.dither == Dither::kFloydSteinberg) FloydSteinberg(&darkness, width);
    if (o.dither == Dither::kOrdered) Ordered(&darkness, width);
    std::vector<uint16_t> delays(darkness.size(), 0);
    const double lo = o.minDelay, hi = std::max(o.maxDelay, o.minDelay);
    for (size_t i = 0; i < darkness.size(); ++i) {
        const float t = std::clamp(darkness[i], 0.0f, 1.0f);
        if (t < kWhite) continue;
        delays[i] = static_cast<uint16_t>(std::max(1L, std::lround(lo + (hi - lo) * t)));
    }
    return delays;
}

std::vector<BitmapLine> PictureLines(const Picture& picture, const Affine& drawingToField,
                                     const ClipperLib::Paths* visible, const RasterOptions& o,
                                     double opacity) {
    std::vector<BitmapLine> out;
    const double pitch = o.Pitch();
    if (!(pitch > 0) || picture.image.width <= 0 || picture.image.height <= 0) return out;
    const Affine toField = drawingToField * picture.toDrawing;
    const Grid g = GridOver(picture, toField, pitch);
    if (g.width == 0 || g.height == 0) return out;
    std::vector<float> dark = Sample(picture, toField, g);
    if (opacity < 1.0) {
        for (float& d : dark) d *= static_cast<float>(std::max(0.0, opacity));
    }
    if (visible != nullptr) KnockOutCovered(*visible, g, &dark);
    const std::vector<uint16_t> delays = DelaysFor(std::move(dark), g.width, o);
    size_t rows = 0;
    // From the top of the field down, as a page is read.
    for (size_t r = g.height; r-- > 0;) {
        const uint16_t* row = &delays[r * g.width];
        size_t first = 0, last = g.width;
        while (first < last && row[first] == 0) ++first;
        while (last > first && row[last - 1] == 0) --last;
        if (first == last) continue;
        const bool backwards = o.bidirectional && rows % 2 == 1;
        AddRow(std::vector<uint16_t>(row + first, row + last), g.y0 + long(r), first, g, backwards,
               &out);
        ++rows;
    }
    return out;
}

}  // namespace txorb::drawing
