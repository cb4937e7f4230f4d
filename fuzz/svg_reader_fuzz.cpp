// The SVG reader of the drawing library on any text: a result or a located error, never a
// crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "drawing/svg/read_svg.h"
#include "drawing/svg/values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::drawing;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ReadResult result = ReadSvgText(text, "fuzz.svg");
    if (!result.ok && result.error.empty()) __builtin_trap();
    // Standalone pieces on the same bytes.
    Affine transform;
    std::string error;
    svg::ParseTransform(text, &transform, &error);
    double length = 0.0;
    svg::ParseLength(text, &length, &error);
    return 0;
}
