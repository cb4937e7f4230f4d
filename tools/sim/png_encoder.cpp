#include "png_encoder.h"

#include <zlib.h>

#include <vector>

namespace txorb::sim {
namespace {

constexpr uint8_t kFilterUp = 2;  // each byte less the one above it
constexpr size_t kOutputStep = 64 * 1024;

void PutU32(std::string* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(v >> shift));
}

// Ends the chunk OpenChunk began at lengthAt, whose data now ends out: its length, its CRC.
void CloseChunk(std::string* out, size_t lengthAt) {
    const size_t typeAt = lengthAt + 4;
    const auto length = static_cast<uint32_t>(out->size() - typeAt - 4);
    for (int i = 0; i < 4; ++i) {
        (*out)[lengthAt + size_t(i)] = static_cast<char>(length >> (24 - 8 * i));
    }
    const auto* bytes = reinterpret_cast<const Bytef*>(out->data() + typeAt);
    PutU32(out, static_cast<uint32_t>(crc32(0, bytes, static_cast<uInt>(out->size() - typeAt))));
}

size_t OpenChunk(std::string* out, const char type[4]) {
    const size_t lengthAt = out->size();
    PutU32(out, 0);  // filled in by CloseChunk
    out->append(type, 4);
    return lengthAt;
}

// zlib packing into the end of a string, through a buffer of its own.
class Deflater {
public:
    explicit Deflater(std::string* out) : out_(out), buffer_(kOutputStep) {
        started_ = deflateInit2(&z_, Z_BEST_SPEED, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
        ok_ = started_;
    }
    ~Deflater() {
        if (started_) deflateEnd(&z_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool Add(const uint8_t* data, size_t count) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = static_cast<uInt>(count);
        while (ok_ && z_.avail_in > 0) Step(Z_NO_FLUSH);
        return ok_;
    }
    bool Finish() {
        while (ok_ && Step(Z_FINISH) != Z_STREAM_END) {
        }
        return ok_;
    }

private:
    int Step(int flush) {
        z_.next_out = buffer_.data();
        z_.avail_out = static_cast<uInt>(buffer_.size());
        const int rc = deflate(&z_, flush);
        ok_ = ok_ && (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR);
        out_->append(reinterpret_cast<const char*>(buffer_.data()), buffer_.size() - z_.avail_out);
        return rc;
    }

    std::string* out_;
    std::vector<Bytef> buffer_;
    z_stream z_{};
    bool started_ = false;
    bool ok_ = false;
};

// Deflates the rows, each behind its filter byte, into out. Filter Up turns runs down the
// picture into zeros, and run-length matching finds runs both ways: a flat picture packs
// smaller and faster so than unfiltered rows at any level.
bool DeflateRows(int width, int height, const GreyRow& row, std::string* out) {
    Deflater deflater(out);
    const size_t w = static_cast<size_t>(width);
    std::vector<uint8_t> above(w, 0), pixels(w), filtered(w + 1);
    filtered[0] = kFilterUp;
    for (int y = 0; y < height; ++y) {
        row(y, pixels.data());
        for (size_t x = 0; x < w; ++x) filtered[x + 1] = static_cast<uint8_t>(pixels[x] - above[x]);
        above.swap(pixels);
        if (!deflater.Add(filtered.data(), filtered.size())) return false;
    }
    return deflater.Finish();
}

}  // namespace

std::string EncodeGreyPng(int width, int height, const GreyRow& row) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    size_t chunk = OpenChunk(&png, "IHDR");
    PutU32(&png, static_cast<uint32_t>(width));
    PutU32(&png, static_cast<uint32_t>(height));
    png += std::string("\x08\x00\x00\x00\x00", 5);  // 8 bits, grey, deflate, filters, no interlace
    CloseChunk(&png, chunk);
    chunk = OpenChunk(&png, "IDAT");
    if (!DeflateRows(width, height, row, &png)) return std::string();
    CloseChunk(&png, chunk);
    CloseChunk(&png, OpenChunk(&png, "IEND"));
    return png;
}

}  // namespace txorb::sim
