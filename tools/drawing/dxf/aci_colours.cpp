#include "drawing/dxf/aci_colours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace txorb::drawing {
namespace {

// Indices 10..249 run through 24 hues 15 degrees apart; each hue has five brightnesses, each
// as the pure colour (even index) and paled half-way to its brightness (odd index). Indices
// 250..255 are greys from dark to white.
std::array<Colour, 256> MakeTable() {
    std::array<Colour, 256> table{};
    const Colour named[10] = {{0, 0, 0},       {255, 0, 0},    {255, 255, 0}, {0, 255, 0},
                              {0, 255, 255},   {0, 0, 255},    {255, 0, 255}, {0, 0, 0},
                              {128, 128, 128}, {192, 192, 192}};
    for (int i = 0; i < 10; ++i) table[i] = named[i];
    constexpr double kBrightness[5] = {255, 204, 153, 127, 76};
    for (int i = 10; i < 250; ++i) {
        const double hue = (i - 10) / 10 * 15.0 / 60.0;  // in sixths of the circle
        // The pure hue's channel n (5 red, 3 green, 1 blue), 0..1, as HSV makes it.
        auto channel = [hue](int n) {
            const double k = std::fmod(n + hue, 6.0);
            return 1.0 - std::max(0.0, std::min({k, 4.0 - k, 1.0}));
        };
        const double v = kBrightness[(i % 10) / 2];
        const bool pale = i % 2 == 1;
        auto level = [&](int n) {
            const double c = channel(n);
            return static_cast<uint8_t>(std::floor(pale ? v * (0.5 + 0.5 * c) : v * c));
        };
        table[i] = {level(5), level(3), level(1)};
    }
    for (int i = 250; i < 256; ++i) {
        const auto grey = static_cast<uint8_t>(std::floor(51 + (i - 250) * 40.8));
        table[i] = {grey, grey, grey};
    }
    return table;
}

}  // namespace

Colour AciColour(int index) {
    static const std::array<Colour, 256> table = MakeTable();
    if (index >= -255 && index <= -1) index = -index;
    return index >= 1 && index <= 255 ? table[index] : Colour{0, 0, 0};
}

}  // namespace txorb::drawing
