// A DXF file's text as its groups (a code line and a value line each), and the groups as
// records: each record starts with a group of code 0 that names it (SECTION, LAYER, LINE, ...).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace txorb::drawing {

struct DxfGroup {
    int code = 0;
    std::string_view value;  // into the text, without surrounding spaces and line ends
    uint32_t line = 0;       // of the code, 1-based
};

struct DxfRecord {
    std::string_view type;  // the value of its code-0 group
    uint32_t line = 0;
    size_t begin = 0, end = 0;  // its groups, the code-0 group first
};

// At most this many groups are read: a file of more is refused rather than read for long.
inline constexpr size_t kMaxDxfGroups = 50'000'000;

// Splits `text` into groups and records. Groups before the first code 0 are refused. False
// with "LINE: what" in *error for a code that is not a number, a code without a value, a
// binary DXF or too many groups.
bool SplitDxfGroups(std::string_view text, std::vector<DxfGroup>* groups,
                    std::vector<DxfRecord>* records, std::string* error);

// Whether group `code` holds a floating-point number or an integer, as DXF defines the ranges.
bool DxfRealCode(int code);
bool DxfIntegerCode(int code);

}  // namespace txorb::drawing
