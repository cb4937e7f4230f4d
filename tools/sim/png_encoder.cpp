#include "png_encoder.h"

#include <zlib.h>

namespace txorb::sim {
namespace {

void PutU32(std::string* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(v >> shift));
}

void PutChunk(std::string* out, const char type[4], const std::string& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out->size();
    out->append(type, 4);
    out->append(data);
    const auto* bytes = reinterpret_cast<const Bytef*>(out->data() + start);
    PutU32(out, static_cast<uint32_t>(crc32(0, bytes, static_cast<uInt>(out->size() - start))));
}

}  // namespace

std::string EncodeGreyPng(const std::vector<uint8_t>& pixels, int width, int height) {
    // Each row behind a filter byte of 0 (none): deflate alone does well on flat greys.
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    std::vector<uint8_t> rows((w + 1) * h);
    for (size_t y = 0; y < h; ++y) {
        rows[y * (w + 1)] = 0;
        std::copy(pixels.begin() + long(y * w), pixels.begin() + long((y + 1) * w),
                  rows.begin() + long(y * (w + 1) + 1));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, rows.data(),
                  static_cast<uLong>(rows.size()), Z_BEST_SPEED) != Z_OK) {
        return std::string();
    }
    packed.resize(packedSize);

    std::string header;
    PutU32(&header, static_cast<uint32_t>(width));
    PutU32(&header, static_cast<uint32_t>(height));
    header +=
        std::string("\x08\x00\x00\x00\x00", 5);  // 8 bits, grey, deflate, filters, no interlace
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", packed);
    PutChunk(&png, "IEND", std::string());
    return png;
}

}  // namespace txorb::sim
