// The drawing reader of the command-line tool on any text: a result or a located error,
// never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/svg_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::cli;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SvgReadResult result = ReadSvgText(text, "fuzz.svg");
    if (!result.ok && result.error.empty()) __builtin_trap();
    // Standalone pieces on the same bytes.
    Affine transform;
    std::string error;
    ParseTransform(text, &transform, &error);
    double length = 0.0;
    ParseLength(text, &length, &error);
    return 0;
}
