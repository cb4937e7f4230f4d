#include "dose_raster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace txorb::sim {
namespace {

// How much of the unit interval centred on c lies in [lo, hi]: a pixel's share of a span,
// summing to the span's length over a row of pixels.
inline double Overlap(double c, double lo, double hi) {
    return std::max(0.0, std::min(c + 0.5, hi) - std::max(c - 0.5, lo));
}

// Narrows [*lo, *hi] to the x where c0 + c1 * x lies strictly between vmin and vmax; inverse
// is 1 / c1, or 0 when c1 is (about) 0.
void Limit(double c0, double c1, double inverse, double vmin, double vmax, double* lo, double* hi) {
    if (inverse == 0) {
        if (c0 <= vmin || c0 >= vmax) *lo = std::numeric_limits<double>::infinity();
        return;
    }
    double a = (vmin - c0) * inverse, b = (vmax - c0) * inverse;
    if (c1 < 0) std::swap(a, b);
    *lo = std::max(*lo, a);
    *hi = std::min(*hi, b);
}

double Inverse(double v) { return std::abs(v) < 1e-12 ? 0.0 : 1.0 / v; }

// The pixels [first, last] of a line of `count` that meet the open span (lo, hi); empty when
// first > last.
void PixelsMeeting(double lo, double hi, int count, int* first, int* last) {
    *first = std::max(0, static_cast<int>(std::floor(std::clamp(lo, -1.0, double(count)))));
    *last = std::min(count - 1, static_cast<int>(std::ceil(std::clamp(hi, -1.0, count + 1.0))) - 1);
}

}  // namespace

void DoseRaster::AddBand(double x0, double y0, double x1, double y1, double widthPx,
                         double energyPerPx) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0) || !(widthPx > 0) || !(energyPerPx > 0)) return;
    const double half = widthPx / 2;
    const auto density = static_cast<float>(energyPerPx / widthPx);
    // Along an axis the band is a box, and a pixel's share is the part of the box it holds.
    if (dy == 0) {
        return AddBox(std::min(x0, x1), y0 - half, std::max(x0, x1), y0 + half, density);
    }
    if (dx == 0) {
        return AddBox(x0 - half, std::min(y0, y1), x0 + half, std::max(y0, y1), density);
    }
    AddSlantedBand(x0, y0, y1, dx / length, dy / length, length, half, density);
}

void DoseRaster::AddBox(double xa, double ya, double xb, double yb, float density) {
    int xFirst, xLast, yFirst, yLast;
    PixelsMeeting(xa, xb, width_, &xFirst, &xLast);
    PixelsMeeting(ya, yb, height_, &yFirst, &yLast);
    if (xFirst > xLast || yFirst > yLast) return;
    // Only the end columns hold part of the box's width; those between hold all of it.
    const auto share = [](int pixel, double lo, double hi) {
        return std::min(pixel + 1.0, hi) - std::max(double(pixel), lo);
    };
    const double firstColumn = share(xFirst, xa, xb), lastColumn = share(xLast, xa, xb);
    for (int y = yFirst; y <= yLast; ++y) {
        const double rowShare = share(y, ya, yb);
        float* row = energy_.data() + size_t(y) * size_t(width_);
        row[xFirst] += static_cast<float>(firstColumn * rowShare) * density;
        if (xLast == xFirst) continue;
        const float inner = static_cast<float>(rowShare) * density;
        for (int x = xFirst + 1; x < xLast; ++x) row[x] += inner;
        row[xLast] += static_cast<float>(lastColumn * rowShare) * density;
    }
}

void DoseRaster::AddSlantedBand(double x0, double y0, double y1, double ux, double uy,
                                double length, double half, float density) {
    // Along the band (u) from its start, and across it (n) from its middle.
    const double nx = -uy, ny = ux;
    const double invUx = Inverse(ux), invNx = Inverse(nx);
    // Rows whose pixels can meet the band: the band grown by half a pixel each way.
    const double reach = (half + 0.5) * std::abs(ny) + 0.5 * std::abs(uy);
    const int yFirst = std::max(0, static_cast<int>(std::ceil(std::min(y0, y1) - reach - 0.5)));
    const int yLast =
        std::min(height_ - 1, static_cast<int>(std::floor(std::max(y0, y1) + reach - 0.5)));
    for (int y = yFirst; y <= yLast; ++y) {
        const double yc = y + 0.5;
        // The pixel centres of this row whose pixel can meet the band.
        double lo = -std::numeric_limits<double>::infinity();
        double hi = std::numeric_limits<double>::infinity();
        Limit((yc - y0) * uy - x0 * ux, ux, invUx, -0.5, length + 0.5, &lo, &hi);
        Limit((yc - y0) * ny - x0 * nx, nx, invNx, -half - 0.5, half + 0.5, &lo, &hi);
        if (!(lo <= hi)) continue;
        const int xFirst = std::max(0, static_cast<int>(std::ceil(lo - 0.5)));
        const int xLast = std::min(width_ - 1, static_cast<int>(std::floor(hi - 0.5)));
        const double xc = xFirst + 0.5;
        double along = (xc - x0) * ux + (yc - y0) * uy;
        double across = (xc - x0) * nx + (yc - y0) * ny;
        float* row = energy_.data() + size_t(y) * size_t(width_);
        for (int x = xFirst; x <= xLast; ++x, along += ux, across += nx) {
            const double share = Overlap(along, 0, length) * Overlap(across, -half, half);
            row[x] += static_cast<float>(share) * density;
        }
    }
}

void DoseRaster::AddSquare(double x, double y, double sidePx, double energy) {
    if (!(sidePx > 0) || !(energy > 0)) return;
    const double half = sidePx / 2;
    AddBox(x - half, y - half, x + half, y + half, static_cast<float>(energy / (sidePx * sidePx)));
}

bool DoseRaster::Empty() const {
    return std::all_of(energy_.begin(), energy_.end(), [](float e) { return e == 0.0f; });
}

}  // namespace txorb::sim
