#include "drawing/model/image_files.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace txorb::drawing {
namespace {

// Pictures larger than this (8192 x 8192) are refused: decoding one takes three bytes a pixel
// for a moment, which keeps the tool well under a gigabyte whatever a file says.
constexpr uint64_t kMaxPixels = uint64_t{1} << 26;

bool DecodePng(const std::vector<uint8_t>& bytes, GreyImage* out, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        *error = std::string("PNG: ") + image.message;
        return false;
    }
    if (uint64_t{image.width} * image.height > kMaxPixels) {
        png_image_free(&image);
        *error = "PNG: the picture is too large (more than 8192 x 8192 pixels)";
        return false;
    }
    // Grey with alpha, composed over white by hand: the library's background needs a colour map.
    image.format = PNG_FORMAT_GA;
    std::vector<uint8_t> ga(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, ga.data(), 0, nullptr)) {
        *error = std::string("PNG: ") + image.message;
        return false;
    }
    out->width = static_cast<int>(image.width);
    out->height = static_cast<int>(image.height);
    out->grey.resize(size_t{image.width} * image.height);
    for (size_t i = 0; i < out->grey.size(); ++i) {
        const unsigned g = ga[2 * i], a = ga[2 * i + 1];
        out->grey[i] = static_cast<uint8_t>((g * a + 255u * (255u - a) + 127u) / 255u);
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
    auto* e = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, e->message);
    std::longjmp(e->jump, 1);
}

// Kept apart from DecodeJpeg so that no object with a destructor lives across the setjmp.
bool JpegRows(jpeg_decompress_struct* info, JpegError* err, const std::vector<uint8_t>& bytes,
              GreyImage* out) {
    if (setjmp(err->jump)) return false;
    jpeg_mem_src(info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(info);
    if (uint64_t{info->output_width} * info->output_height > kMaxPixels) {
        std::strcpy(err->message, "the picture is too large (more than 8192 x 8192 pixels)");
        return false;
    }
    out->width = static_cast<int>(info->output_width);
    out->height = static_cast<int>(info->output_height);
    out->grey.resize(size_t{info->output_width} * info->output_height);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = out->grey.data() + size_t{info->output_scanline} * info->output_width;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    return true;
}

bool DecodeJpeg(const std::vector<uint8_t>& bytes, GreyImage* out, std::string* error) {
    jpeg_decompress_struct info;
    JpegError err;
    err.message[0] = '\0';
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    jpeg_create_decompress(&info);
    const bool ok = JpegRows(&info, &err, bytes, out);
    jpeg_destroy_decompress(&info);
    if (!ok) *error = std::string("JPEG: ") + err.message;
    return ok;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
}

void Base64(std::string_view text, std::vector<uint8_t>* out) {
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const int v = Base64Value(c);
        if (v < 0) continue;  // white space, line breaks and padding
        bits = (bits << 6) | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out->push_back(static_cast<uint8_t>(bits >> count));
        }
    }
}

void PercentDecode(std::string_view text, std::vector<uint8_t>* out) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out->push_back(
                static_cast<uint8_t>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16)));
            i += 2;
        } else {
            out->push_back(static_cast<uint8_t>(text[i]));
        }
    }
}

}  // namespace

ImageFormat SniffImageFormat(const std::vector<uint8_t>& bytes) {
    static constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= sizeof kPng && std::equal(kPng, kPng + sizeof kPng, bytes.begin())) {
        return ImageFormat::kPng;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        return ImageFormat::kJpeg;
    }
    return ImageFormat::kUnknown;
}

bool DecodeImage(const std::vector<uint8_t>& bytes, GreyImage* out, std::string* error) {
    switch (SniffImageFormat(bytes)) {
        case ImageFormat::kPng: return DecodePng(bytes, out, error);
        case ImageFormat::kJpeg: return DecodeJpeg(bytes, out, error);
        default: *error = "neither PNG nor JPEG"; return false;
    }
}

bool DecodeDataUri(std::string_view uri, std::vector<uint8_t>* bytes, std::string* mediaType) {
    if (uri.substr(0, 5) != "data:") return false;
    const size_t comma = uri.find(',');
    if (comma == std::string_view::npos) return false;
    const std::string_view header = uri.substr(5, comma - 5);
    *mediaType = std::string(header.substr(0, header.find(';')));
    bytes->clear();
    const bool base64 = header.size() >= 7 && header.substr(header.size() - 7) == ";base64";
    if (base64) {
        Base64(uri.substr(comma + 1), bytes);
    } else {
        PercentDecode(uri.substr(comma + 1), bytes);
    }
    return true;
}

}  // namespace txorb::drawing
