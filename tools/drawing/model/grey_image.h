// A picture in grey levels, as the drawing tools engrave it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace txorb::drawing {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> grey;  // row by row from the top; 0 black, 255 white

    uint8_t At(int x, int y) const { return grey[static_cast<size_t>(y) * width + x]; }
    // The mean grey, rounded (white for an empty picture).
    uint8_t Mean() const {
        if (grey.empty()) return 255;
        uint64_t sum = 0;
        for (const uint8_t g : grey) sum += g;
        return static_cast<uint8_t>((sum + grey.size() / 2) / grey.size());
    }
};

}  // namespace txorb::drawing
