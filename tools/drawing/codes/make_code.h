// Machine-readable codes as drawings: a Data Matrix, QR or Code 128 symbol (made by libzint)
// as filled black modules over a white box that keeps its quiet zone free, so that whatever
// lies below the symbol is not marked there.
//
// The drawing is in millimetres (unitsPerMm 1), centred on (0, 0), y pointing down, its page
// the white box. The modules are one item of few rectangles: a run of dark modules in a row is
// one rectangle, and runs that repeat in the rows below it grow it downwards.
#pragma once

#include <string>
#include <string_view>

#include "drawing/job/job_file.h"
#include "drawing/model/drawing.h"

namespace txorb::drawing {

// What a symbol came out as, in modules.
struct CodeLayout {
    int columns = 0;       // modules across (Code 128: the bars' and spaces' widths, summed)
    int rows = 0;          // modules down (Code 128: 1, the bars' height is size / 3)
    int quietColumns = 0;  // the free modules kept on the left and on the right
    int quietRows = 0;     // above and below
    size_t rectangles = 0;
};

inline constexpr double kMaxCodeSizeMm = 1000.0;

// Replaces *out with the symbol of `value` (UTF-8), `sizeMm` wide without its quiet zone
// (Code 128: long; its bars are sizeMm / 3 high), 0 < sizeMm <= kMaxCodeSizeMm. QR symbols
// correct errors at level M; Data Matrix symbols are square. False with the reason in *error
// ("a QR code cannot hold this value: <libzint's reason>") when the symbology cannot encode
// the value or the size is out of range; *out is then unchanged.
bool MakeCode(CodeType type, std::string_view value, double sizeMm, Drawing* out,
              std::string* error, CodeLayout* layout = nullptr);

// "Data Matrix", "QR code", "Code 128": for messages.
std::string_view CodeTypeName(CodeType type);

}  // namespace txorb::drawing
