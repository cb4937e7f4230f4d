// Pictures for engraving: PNG and JPEG files or bytes decoded to grey levels (transparent
// parts laid over white, as a page shows them).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/model/grey_image.h"

namespace txorb::drawing {

enum class ImageFormat : uint8_t { kUnknown, kPng, kJpeg };

ImageFormat SniffImageFormat(const std::vector<uint8_t>& bytes);

// False with a reason for a format other than PNG or JPEG, or a damaged file.
bool DecodeImage(const std::vector<uint8_t>& bytes, GreyImage* out, std::string* error);

// The bytes of a data: URI ("data:image/png;base64,...." or percent-encoded).
bool DecodeDataUri(std::string_view uri, std::vector<uint8_t>* bytes, std::string* mediaType);

}  // namespace txorb::drawing
