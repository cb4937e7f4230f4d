// An 8-bit grey PNG, written quickly: the pictures are mostly flat, and a preview waits for
// them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace txorb::sim {

// Fills row (width bytes) with the pixels of row y, counted from the top.
using GreyRow = std::function<void(int y, uint8_t* row)>;

// The PNG of width x height pixels, asked for row by row from the top, so that the whole
// picture is never held as bytes. Empty when zlib fails.
std::string EncodeGreyPng(int width, int height, const GreyRow& row);

}  // namespace txorb::sim
