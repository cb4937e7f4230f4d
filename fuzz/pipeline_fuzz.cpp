// The whole drawing pipeline on any bytes, as txorb preview runs it before the card: the SVG
// read, planned and made into a list program. A result or a reason, never a crash, and work
// and memory bounded by the budgets whatever numbers the drawing holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "drawing/plan/plan.h"
#include "drawing/program/list_program.h"
#include "drawing/svg/read_svg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb::drawing;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ReadResult read = ReadSvgText(text, "fuzz.svg");
    if (!read.ok) {
        if (read.error.empty()) __builtin_trap();
        return 0;
    }
    PlanOptions options;
    // Cut at the field's edge rather than refused, so that the planning goes on; budgets a
    // hundred times below the tool's keep each input within the fuzzer's time per input.
    options.clipToField = true;
    options.maxVectors = 5e4;
    options.maxPixels = 5e5;
    options.orderSeconds = 0.01;
    MarkPlan plan;
    std::string why;
    if (!PlanDrawing(read.drawing, options, &plan, &why)) {
        if (why.empty()) __builtin_trap();
        return 0;
    }
    const ListProgram program = BuildListProgram(plan, {});
    if (program.commands.empty() || program.commands.back().op != ListOp::kEnd) __builtin_trap();
    return 0;
}
