#include "drawing/model/colour.h"

#include "drawing/model/plain_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace txorb::drawing {
namespace {

// The CSS named colours (the 147 of SVG and CSS 3, and rebeccapurple).
const std::map<std::string, uint32_t, std::less<>>& NamedColours() {
    static const std::map<std::string, uint32_t, std::less<>> kNames = {
        {"aliceblue", 0xF0F8FF},
        {"antiquewhite", 0xFAEBD7},
        {"aqua", 0x00FFFF},
        {"aquamarine", 0x7FFFD4},
        {"azure", 0xF0FFFF},
        {"beige", 0xF5F5DC},
        {"bisque", 0xFFE4C4},
        {"black", 0x000000},
        {"blanchedalmond", 0xFFEBCD},
        {"blue", 0x0000FF},
        {"blueviolet", 0x8A2BE2},
        {"brown", 0xA52A2A},
        {"burlywood", 0xDEB887},
        {"cadetblue", 0x5F9EA0},
        {"chartreuse", 0x7FFF00},
        {"chocolate", 0xD2691E},
        {"coral", 0xFF7F50},
        {"cornflowerblue", 0x6495ED},
        {"cornsilk", 0xFFF8DC},
        {"crimson", 0xDC143C},
        {"cyan", 0x00FFFF},
        {"darkblue", 0x00008B},
        {"darkcyan", 0x008B8B},
        {"darkgoldenrod", 0xB8860B},
        {"darkgray", 0xA9A9A9},
        {"darkgreen", 0x006400},
        {"darkgrey", 0xA9A9A9},
        {"darkkhaki", 0xBDB76B},
        {"darkmagenta", 0x8B008B},
        {"darkolivegreen", 0x556B2F},
        {"darkorange", 0xFF8C00},
        {"darkorchid", 0x9932CC},
        {"darkred", 0x8B0000},
        {"darksalmon", 0xE9967A},
        {"darkseagreen", 0x8FBC8F},
        {"darkslateblue", 0x483D8B},
        {"darkslategray", 0x2F4F4F},
        {"darkslategrey", 0x2F4F4F},
        {"darkturquoise", 0x00CED1},
        {"darkviolet", 0x9400D3},
        {"deeppink", 0xFF1493},
        {"deepskyblue", 0x00BFFF},
        {"dimgray", 0x696969},
        {"dimgrey", 0x696969},
        {"dodgerblue", 0x1E90FF},
        {"firebrick", 0xB22222},
        {"floralwhite", 0xFFFAF0},
        {"forestgreen", 0x228B22},
        {"fuchsia", 0xFF00FF},
        {"gainsboro", 0xDCDCDC},
        {"ghostwhite", 0xF8F8FF},
        {"gold", 0xFFD700},
        {"goldenrod", 0xDAA520},
        {"gray", 0x808080},
        {"grey", 0x808080},
        {"green", 0x008000},
        {"greenyellow", 0xADFF2F},
        {"honeydew", 0xF0FFF0},
        {"hotpink", 0xFF69B4},
        {"indianred", 0xCD5C5C},
        {"indigo", 0x4B0082},
        {"ivory", 0xFFFFF0},
        {"khaki", 0xF0E68C},
        {"lavender", 0xE6E6FA},
        {"lavenderblush", 0xFFF0F5},
        {"lawngreen", 0x7CFC00},
        {"lemonchiffon", 0xFFFACD},
        {"lightblue", 0xADD8E6},
        {"lightcoral", 0xF08080},
        {"lightcyan", 0xE0FFFF},
        {"lightgoldenrodyellow", 0xFAFAD2},
        {"lightgray", 0xD3D3D3},
        {"lightgreen", 0x90EE90},
        {"lightgrey", 0xD3D3D3},
        {"lightpink", 0xFFB6C1},
        {"lightsalmon", 0xFFA07A},
        {"lightseagreen", 0x20B2AA},
        {"lightskyblue", 0x87CEFA},
        {"lightslategray", 0x778899},
        {"lightslategrey", 0x778899},
        {"lightsteelblue", 0xB0C4DE},
        {"lightyellow", 0xFFFFE0},
        {"lime", 0x00FF00},
        {"limegreen", 0x32CD32},
        {"linen", 0xFAF0E6},
        {"magenta", 0xFF00FF},
        {"maroon", 0x800000},
        {"mediumaquamarine", 0x66CDAA},
        {"mediumblue", 0x0000CD},
        {"mediumorchid", 0xBA55D3},
        {"mediumpurple", 0x9370DB},
        {"mediumseagreen", 0x3CB371},
        {"mediumslateblue", 0x7B68EE},
        {"mediumspringgreen", 0x00FA9A},
        {"mediumturquoise", 0x48D1CC},
        {"mediumvioletred", 0xC71585},
        {"midnightblue", 0x191970},
        {"mintcream", 0xF5FFFA},
        {"mistyrose", 0xFFE4E1},
        {"moccasin", 0xFFE4B5},
        {"navajowhite", 0xFFDEAD},
        {"navy", 0x000080},
        {"oldlace", 0xFDF5E6},
        {"olive", 0x808000},
        {"olivedrab", 0x6B8E23},
        {"orange", 0xFFA500},
        {"orangered", 0xFF4500},
        {"orchid", 0xDA70D6},
        {"palegoldenrod", 0xEEE8AA},
        {"palegreen", 0x98FB98},
        {"paleturquoise", 0xAFEEEE},
        {"palevioletred", 0xDB7093},
        {"papayawhip", 0xFFEFD5},
        {"peachpuff", 0xFFDAB9},
        {"peru", 0xCD853F},
        {"pink", 0xFFC0CB},
        {"plum", 0xDDA0DD},
        {"powderblue", 0xB0E0E6},
        {"purple", 0x800080},
        {"rebeccapurple", 0x663399},
        {"red", 0xFF0000},
        {"rosybrown", 0xBC8F8F},
        {"royalblue", 0x4169E1},
        {"saddlebrown", 0x8B4513},
        {"salmon", 0xFA8072},
        {"sandybrown", 0xF4A460},
        {"seagreen", 0x2E8B57},
        {"seashell", 0xFFF5EE},
        {"sienna", 0xA0522D},
        {"silver", 0xC0C0C0},
        {"skyblue", 0x87CEEB},
        {"slateblue", 0x6A5ACD},
        {"slategray", 0x708090},
        {"slategrey", 0x708090},
        {"snow", 0xFFFAFA},
        {"springgreen", 0x00FF7F},
        {"steelblue", 0x4682B4},
        {"tan", 0xD2B48C},
        {"teal", 0x008080},
        {"thistle", 0xD8BFD8},
        {"tomato", 0xFF6347},
        {"turquoise", 0x40E0D0},
        {"violet", 0xEE82EE},
        {"wheat", 0xF5DEB3},
        {"white", 0xFFFFFF},
        {"whitesmoke", 0xF5F5F5},
        {"yellow", 0xFFFF00},
        {"yellowgreen", 0x9ACD32},
    };
    return kNames;
}

Colour FromRgb(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

bool ParseHex(std::string_view hex, Colour* out, double* alpha) {
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    const uint32_t v = static_cast<uint32_t>(std::strtoul(std::string(hex).c_str(), nullptr, 16));
    if (hex.size() == 3 || hex.size() == 4) {  // #rgb(a): each digit doubled
        const uint32_t v3 = hex.size() == 4 ? v >> 4 : v;
        if (hex.size() == 4) *alpha = (v & 0xF) / 15.0;
        const uint32_t r = (v3 >> 8) & 0xF, g = (v3 >> 4) & 0xF, b = v3 & 0xF;
        *out = FromRgb((r * 17) << 16 | (g * 17) << 8 | (b * 17));
        return true;
    }
    if (hex.size() == 6 || hex.size() == 8) {
        *out = FromRgb(hex.size() == 8 ? v >> 8 : v);
        if (hex.size() == 8) *alpha = (v & 0xFF) / 255.0;
        return true;
    }
    return false;
}

// The arguments of rgb()/hsl(): commas or spaces between them, a slash before the alpha.
bool FunctionArguments(std::string_view text, std::string_view name,
                       std::vector<std::string>* out) {
    if (text.substr(0, name.size()) != name) return false;
    std::string_view rest = TrimView(text.substr(name.size()));
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return false;
    std::string args(rest.substr(1, rest.size() - 2));
    std::replace(args.begin(), args.end(), ',', ' ');
    const size_t slash = args.find('/');
    if (slash != std::string::npos) args[slash] = ' ';
    size_t pos = 0;
    while (pos < args.size()) {
        while (pos < args.size() && std::isspace(static_cast<unsigned char>(args[pos]))) ++pos;
        size_t end = pos;
        while (end < args.size() && !std::isspace(static_cast<unsigned char>(args[end]))) ++end;
        if (end > pos) out->push_back(args.substr(pos, end - pos));
        pos = end;
    }
    return out->size() == 3 || out->size() == 4;
}

// A number with an optional unit from units; false for anything else after it.
bool NumberWithUnit(const std::string& text, std::initializer_list<const char*> units,
                    double* value, std::string* unit) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(*value)) return false;
    *unit = end;
    if (unit->empty()) return true;
    return std::any_of(units.begin(), units.end(), [&](const char* u) { return *unit == u; });
}

bool ParseAlphaArgument(const std::string& text, double* alpha) {
    double v = 0;
    std::string unit;
    if (!NumberWithUnit(text, {"%"}, &v, &unit)) return false;
    *alpha = std::clamp(unit == "%" ? v / 100.0 : v, 0.0, 1.0);
    return true;
}

uint8_t Channel(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

bool ParseRgbFunction(std::string_view text, Colour* out, double* alpha) {
    std::vector<std::string> args;
    if (!FunctionArguments(text, text.substr(0, 4) == "rgba" ? "rgba" : "rgb", &args)) {
        return false;
    }
    uint8_t channel[3];
    for (size_t i = 0; i < 3; ++i) {
        double v = 0;
        std::string unit;
        if (!NumberWithUnit(args[i], {"%"}, &v, &unit)) return false;
        channel[i] = Channel(unit == "%" ? v * 255.0 / 100.0 : v);
    }
    if (args.size() == 4 && !ParseAlphaArgument(args[3], alpha)) return false;
    *out = {channel[0], channel[1], channel[2]};
    return true;
}

// Hue in degrees from a number with deg, rad, grad or turn (none: degrees).
bool ParseHue(const std::string& text, double* degrees) {
    double v = 0;
    std::string unit;
    if (!NumberWithUnit(text, {"deg", "rad", "grad", "turn"}, &v, &unit)) return false;
    const double kPi = 3.14159265358979323846;
    *degrees = unit == "rad"    ? v * 180.0 / kPi
               : unit == "grad" ? v * 0.9
               : unit == "turn" ? v * 360.0
                                : v;
    return true;
}

bool ParseHslFunction(std::string_view text, Colour* out, double* alpha) {
    std::vector<std::string> args;
    if (!FunctionArguments(text, text.substr(0, 4) == "hsla" ? "hsla" : "hsl", &args)) {
        return false;
    }
    double hue = 0, sl[2] = {0, 0};
    if (!ParseHue(args[0], &hue)) return false;
    for (size_t i = 0; i < 2; ++i) {
        std::string unit;
        if (!NumberWithUnit(args[i + 1], {"%"}, &sl[i], &unit)) return false;
        sl[i] = std::clamp(sl[i] / 100.0, 0.0, 1.0);
    }
    if (args.size() == 4 && !ParseAlphaArgument(args[3], alpha)) return false;
    // The usual HSL to RGB: each channel from its own offset around the hue circle.
    hue = std::fmod(std::fmod(hue, 360.0) + 360.0, 360.0);
    const double s = sl[0], l = sl[1];
    const double a = s * std::min(l, 1.0 - l);
    auto f = [&](double n) {
        const double k = std::fmod(n + hue / 30.0, 12.0);
        return (l - a * std::max(-1.0, std::min({k - 3.0, 9.0 - k, 1.0}))) * 255.0;
    };
    *out = {Channel(f(0)), Channel(f(8)), Channel(f(4))};
    return true;
}

}  // namespace

double Ink(const Colour& c) { return 1.0 - (0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b) / 255.0; }

bool ParseColour(std::string_view text, Colour* out) {
    double alpha = 1.0;
    return ParseColourAlpha(text, out, &alpha);
}

bool ParseColourAlpha(std::string_view text, Colour* out, double* alpha) {
    const std::string lower = Lower(TrimView(text));
    if (lower.empty()) return false;
    if (lower[0] == '#') return ParseHex(std::string_view(lower).substr(1), out, alpha);
    if (lower.rfind("rgb", 0) == 0) return ParseRgbFunction(lower, out, alpha);
    if (lower.rfind("hsl", 0) == 0) return ParseHslFunction(lower, out, alpha);
    if (lower == "transparent") {
        *out = {};
        *alpha = 0.0;
        return true;
    }
    const auto& names = NamedColours();
    if (const auto it = names.find(lower); it != names.end()) {
        *out = FromRgb(it->second);
        return true;
    }
    return false;
}

}  // namespace txorb::drawing
