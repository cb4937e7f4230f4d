// The DXF reader on any text: a drawing or an error naming its line, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "drawing/dxf/read_dxf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    txorb::drawing::Drawing drawing;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!txorb::drawing::ReadDxfText(text, "fuzz.dxf", &drawing, &error) && error.empty()) {
        __builtin_trap();
    }
    return 0;
}
