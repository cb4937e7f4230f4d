// The small text rules every reader of drawings and job files shares: names in these formats
// are ASCII and case-blind, and values may be padded with white space.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace txorb::drawing {

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

inline std::string_view TrimView(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace txorb::drawing
