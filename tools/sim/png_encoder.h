// An 8-bit grey PNG, written quickly: the pictures are mostly flat, and a preview waits for
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace txorb::sim {

// pixels: width x height bytes, row by row from the top. Empty when zlib fails.
std::string EncodeGreyPng(const std::vector<uint8_t>& pixels, int width, int height);

}  // namespace txorb::sim
