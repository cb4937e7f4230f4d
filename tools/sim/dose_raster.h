// Laser energy summed per picture pixel: every mark, dot and bitmap pixel adds its energy to
// the pixels it covers, so that passes over one place add up. Picture pixels, x to the right
// and y down; energy in power·µs (power a fraction 0..1).
#pragma once

#include <cstddef>
#include <vector>

namespace txorb::sim {

class DoseRaster {
public:
    DoseRaster(int width, int height)
        : width_(width), height_(height), energy_(size_t(width) * size_t(height), 0.0f) {}

    // A band widthPx wide centred on the segment, with square ends, leaving energyPerPx for
    // each pixel of its length spread evenly across its width. Each pixel takes the share of
    // the band that falls on it, so a band narrower than a pixel is spread over the pixel.
    void AddBand(double x0, double y0, double x1, double y1, double widthPx, double energyPerPx);
    // A square sidePx across centred on (x, y) holding this energy.
    void AddSquare(double x, double y, double sidePx, double energy);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<float>& Energy() const { return energy_; }
    bool Empty() const;

private:
    // The box [xa, xb] x [ya, yb] holding density per unit of its area.
    void AddBox(double xa, double ya, double xb, double yb, float density);
    // A band that follows neither axis, from (x0, y0) along the unit vector (ux, uy) to y1.
    void AddSlantedBand(double x0, double y0, double y1, double ux, double uy, double length,
                        double half, float density);

    int width_, height_;
    std::vector<float> energy_;
};

}  // namespace txorb::sim
