// The library's own text store: the error texts, codes 0..51 (51 is the guard entry).
#pragma once

namespace txorb::api {

inline constexpr int kErrorTextCount = 52;

// The text of a code 0..51, or null for any other code (no such string).
const char* LoadErrorText(int code);

}  // namespace txorb::api
