// The power-table file reader on any bytes: entries stay within 0..100 percent and their
// levels match, whatever the lines hold.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "list/pcd_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace txorb;
    list::PcdTable table;
    list::FillPcdDefaults(table, size % 2 == 0 ? list::PcdCurve::kOpen : list::PcdCurve::kShut);
    list::ParsePcdText(reinterpret_cast<const char*>(data), size, table.entries,
                       list::kPcdEntryCount);
    for (const list::PcdEntry& e : table.entries) {
        if (!(e.percent >= 0.0 && e.percent <= 100.0)) __builtin_trap();
        if (e.level != list::PcdLevel(e.percent)) __builtin_trap();
    }
    // The line reader on its own with every small buffer size.
    for (int bufferSize = 2; bufferSize <= 5; ++bufferSize) {
        list::PcdTextSource source(reinterpret_cast<const char*>(data), size);
        char line[list::kPcdLineBufferSize];
        int guard = 0;
        while (list::ReadTrimmedLine(line, bufferSize, source) > 0 && ++guard < 100000) {
        }
    }
    // A number at the start of a NUL-terminated copy.
    char text[64] = {};
    for (size_t i = 0; i < size && i < sizeof text - 1; ++i) text[i] = static_cast<char>(data[i]);
    list::ParseLeadingNumber(text);
    return 0;
}
