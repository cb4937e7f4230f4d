#include "drawing/job/fields.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace txorb::drawing {
namespace {

constexpr int kMaxWidth = 20;  // an int64_t has at most 19 digits and a sign
constexpr std::string_view kDefaultDate = "%Y-%m-%d";
constexpr std::string_view kDefaultTime = "%H:%M:%S";
// The conversions of strftime that C and POSIX define; E and O may come before some of them.
constexpr std::string_view kConversions = "aAbBcCdDeFgGhHIjmMnprRStTuUVwWxXyYzZ%";

// The first conversion of `format` strftime does not know, or npos.
size_t UnknownConversion(std::string_view format) {
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        const size_t at = i;
        if (++i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
        if (i >= format.size() || kConversions.find(format[i]) == std::string_view::npos) {
            return at;
        }
    }
    return std::string_view::npos;
}

bool Fail(FieldError* error, size_t offset, std::string what) {
    *error = {offset + 1, std::move(what)};
    return false;
}

std::string FormatTime(const std::string& format, const std::tm& when) {
    if (format.empty()) return {};
    // A conversion gives at most a few dozen bytes (a locale's %c), so this always suffices.
    std::string out(64 + 64 * format.size(), '\0');
    out.resize(std::strftime(out.data(), out.size(), format.c_str(), &when));
    return out;
}

std::string FormatSerial(int64_t serial, int width, bool zeros) {
    char text[32];
    std::snprintf(text, sizeof text, zeros ? "%0*" PRId64 : "%*" PRId64, width, serial);
    return text;
}

}  // namespace

bool FieldTemplate::Parse(std::string_view text, FieldTemplate* out, FieldError* error) {
    FieldTemplate parsed;
    std::string literal;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '}') {
            if (i + 1 >= text.size() || text[i + 1] != '}') {
                return Fail(error, i, "'}' without its '{' (write '}}' for a brace)");
            }
            literal += '}';
            ++i;
            continue;
        }
        if (c != '{') {
            literal += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            literal += '{';
            ++i;
            continue;
        }
        const size_t close = text.find_first_of("{}", i + 1);
        if (close == std::string_view::npos || text[close] == '{') {
            return Fail(error, i, "'{' without its '}' (write '{{' for a brace)");
        }
        const std::string_view field = text.substr(i + 1, close - i - 1);
        const size_t colon = field.find(':');
        const std::string_view name = field.substr(0, colon);
        const bool hasFormat = colon != std::string_view::npos;
        const std::string_view format = hasFormat ? field.substr(colon + 1) : std::string_view();
        const size_t formatAt = i + 1 + name.size() + 1;
        Piece piece;
        if (name == "serial") {
            piece.kind = Kind::kSerial;
            if (hasFormat) {
                piece.zeros = format.size() > 1 && format[0] == '0';
                const std::string_view digits = format.substr(piece.zeros ? 1 : 0);
                if (digits.empty() || digits.size() > 2 ||
                    digits.find_first_not_of("0123456789") != std::string_view::npos) {
                    return Fail(error, formatAt, "a serial's width is a number: {serial:06}");
                }
                piece.width = std::stoi(std::string(digits));
                if (piece.width < 1 || piece.width > kMaxWidth) {
                    return Fail(error, formatAt, "a serial's width is 1 to 20");
                }
            }
        } else if (name == "date" || name == "time") {
            piece.kind = name == "date" ? Kind::kDate : Kind::kTime;
            piece.text = hasFormat ? format : name == "date" ? kDefaultDate : kDefaultTime;
            if (hasFormat && format.empty()) {
                return Fail(error, formatAt, "an empty format (leave out the ':' for the default)");
            }
            const size_t bad = UnknownConversion(format);
            if (hasFormat && bad != std::string_view::npos) {
                // Appended piece by piece: GCC 12 at -O3 takes "x" + std::string for an
                // overlapping copy (-Wrestrict).
                std::string what = "'";
                what.append(format.substr(bad, 2));
                what.append(
                    "' is not a date or time conversion (strftime's %Y, %m, %d, %H, %M, %S, ...)");
                return Fail(error, formatAt + bad, what);
            }
        } else {
            std::string what = "a field without a name (serial, date, time)";
            if (!name.empty()) {
                what = "unknown field '";
                what.append(name);
                what.append("' (serial, date or time)");
            }
            return Fail(error, i + 1, what);
        }
        if (!literal.empty()) parsed.pieces_.push_back({Kind::kText, std::move(literal)});
        literal.clear();
        parsed.pieces_.push_back(std::move(piece));
        i = close;
    }
    if (!literal.empty()) parsed.pieces_.push_back({Kind::kText, std::move(literal)});
    *out = std::move(parsed);
    return true;
}

std::string FieldTemplate::Expand(int64_t serial, std::chrono::system_clock::time_point when,
                                  std::vector<FieldValue>* values) const {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    std::string out;
    for (const Piece& piece : pieces_) {
        std::string value;
        const char* name = "";
        switch (piece.kind) {
            case Kind::kText: out += piece.text; continue;
            case Kind::kSerial:
                value = FormatSerial(serial, piece.width, piece.zeros);
                name = "serial";
                break;
            case Kind::kDate:
            case Kind::kTime:
                value = FormatTime(piece.text, local);
                name = piece.kind == Kind::kDate ? "date" : "time";
                break;
        }
        out += value;
        if (values != nullptr) values->emplace_back(name, std::move(value));
    }
    return out;
}

bool FieldTemplate::HasFields() const {
    for (const Piece& piece : pieces_) {
        if (piece.kind != Kind::kText) return true;
    }
    return false;
}

bool FieldTemplate::UsesSerial() const {
    for (const Piece& piece : pieces_) {
        if (piece.kind == Kind::kSerial) return true;
    }
    return false;
}

}  // namespace txorb::drawing
