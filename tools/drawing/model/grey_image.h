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
};

}  // namespace txorb::drawing
