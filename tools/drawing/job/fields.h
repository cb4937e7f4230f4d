// Fields in the values of a job's texts and codes: "SN {serial:06}  {date:%Y-%m-%d}" is read
// once and then filled in for every part from its serial and the time it is made.
//
//   {serial}        the part's serial number; {serial:06} zero-padded to 6 digits, {serial:6}
//                   padded with spaces to 6 characters (a width of 1..20)
//   {date}          the local date, %Y-%m-%d unless a strftime format follows: {date:%d.%m.%y}
//   {time}          the local time, %H:%M:%S unless a format follows: {time:%H%M}
//   {{ and }}       a brace
//
// A template that cannot be read names where (a 1-based column, counted in bytes) and what;
// the caller adds its file, line and key. Expanding cannot fail and its output is bounded by
// the template's length (a date or time conversion gives at most a few dozen bytes).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace txorb::drawing {

struct FieldError {
    size_t column = 0;  // 1-based, in bytes of the template
    std::string what;   // "unknown field 'seral'"
};

// The value of one field as it was filled in, for a part's record: ("serial", "000042").
using FieldValue = std::pair<std::string, std::string>;

class FieldTemplate {
public:
    // Reads `text`. False with *error set when it holds a field that cannot be filled in.
    static bool Parse(std::string_view text, FieldTemplate* out, FieldError* error);

    // The text for the part `serial` made at `when` (local time). Each field filled in is
    // appended to *values (when given) in the template's order.
    std::string Expand(int64_t serial, std::chrono::system_clock::time_point when,
                       std::vector<FieldValue>* values = nullptr) const;

    bool HasFields() const;
    bool UsesSerial() const;

private:
    enum class Kind : uint8_t { kText, kSerial, kDate, kTime };
    struct Piece {
        Kind kind = Kind::kText;
        std::string text;  // kText: the text; kDate, kTime: the strftime format
        int width = 0;     // kSerial: 0 for none
        bool zeros = false;
    };
    std::vector<Piece> pieces_;
};

}  // namespace txorb::drawing
