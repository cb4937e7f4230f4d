#include "drawing/dxf/dxf_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>

#include "drawing/model/plain_text.h"
#include "drawing/text/text_outlines.h"

namespace txorb::drawing {
namespace {

constexpr double kDefaultCapHeight = 0.7;   // of the em, when the font gives no capital H
constexpr double kDescent = 0.3;            // of the capitals' height: where "bottom" lies
constexpr double kLineSpacing = 5.0 / 3.0;  // of the capitals' height, CAD's single spacing

// The family fontconfig is asked for: a TrueType or OpenType file's name without its folder
// and extension; CAD's own stroke fonts and an empty style are drawn in sans-serif.
std::string Family(const DxfTextStyle& style) {
    std::string name = style.font.substr(style.font.find_last_of("/\\") + 1);
    const size_t dot = name.rfind('.');
    const std::string ext = dot == std::string::npos ? "" : Lower(name.substr(dot + 1));
    if (ext != "ttf" && ext != "ttc" && ext != "otf") return "sans-serif";
    return name.substr(0, dot);
}

// The height of a capital H in ems, per family, measured once.
double CapHeight(const FontChoice& font) {
    static std::mutex mutex;
    static std::map<std::string, double> known;
    const std::lock_guard<std::mutex> lock(mutex);
    const std::string key =
        font.family + (font.weight > 400 ? "/b" : "") + (font.italic ? "/i" : "");
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    FontChoice probe = font;
    probe.size = 100.0;
    double top = 0.0;
    for (const Subpath& path : SetTextOutlines("H", probe).outlines) {
        for (const Point& p : Flatten(path, 0.1)) top = std::min(top, p.y);
    }
    return known[key] = top < 0.0 ? -top / 100.0 : kDefaultCapHeight;
}

void AppendUtf8(uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | c >> 6);
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | c >> 12);
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | c >> 18);
        *out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ValidUtf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

// Files before DXF 2007 are in a code page; Latin-1 is what most of them hold.
std::string AsUtf8(std::string_view text) {
    if (ValidUtf8(text)) return std::string(text);
    std::string out;
    for (const char c : text) AppendUtf8(static_cast<unsigned char>(c), &out);
    return out;
}

// \U+XXXX at text[i] (after the backslash's U): its character, and how far it reaches.
bool UnicodeEscape(std::string_view text, size_t i, std::string* out, size_t* next) {
    if (i + 5 > text.size() || text[i] != '+') return false;
    uint32_t c = 0;
    for (size_t k = i + 1; k < i + 5; ++k) {
        if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
        c = c * 16 + static_cast<uint32_t>(std::stoi(std::string(1, text[k]), nullptr, 16));
    }
    AppendUtf8(c, out);
    *next = i + 5;
    return true;
}

}  // namespace

std::string PlainText(std::string_view raw) {
    const std::string text = AsUtf8(raw);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "%%" && i + 2 < text.size()) {
            const char code =
                static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 2])));
            const char* symbol = code == 'd'   ? "\xC2\xB0"
                                 : code == 'p' ? "\xC2\xB1"
                                 : code == 'c' ? "\xE2\x8C\x80"
                                 : code == '%' ? "%"
                                               : nullptr;
            if (symbol != nullptr || code == 'u' || code == 'o') {
                if (symbol != nullptr) out += symbol;
                i += 2;
                continue;
            }
        }
        if (text.substr(i, 3) == "\\U+" || text.substr(i, 3) == "\\u+") {
            size_t next = 0;
            if (UnicodeEscape(text, i + 2, &out, &next)) {
                i = next - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::vector<std::string> MTextLines(std::string_view raw) {
    const std::string text = AsUtf8(raw);
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{' || c == '}') continue;
        if (c != '\\' || i + 1 >= text.size()) {
            lines.back() += c;
            continue;
        }
        const char code = text[++i];
        switch (code) {
            case 'P': lines.emplace_back(); break;
            case '~': lines.back() += ' '; break;
            case '\\':
            case '{':
            case '}': lines.back() += code; break;
            case 'L':
            case 'l':
            case 'O':
            case 'o':
            case 'K':
            case 'k':
            case 'N': break;
            case 'U':
            case 'u': {
                size_t next = 0;
                if (UnicodeEscape(text, i + 1, &lines.back(), &next)) i = next - 1;
                break;
            }
            case 'S': {  // a stacked fraction up to ';': "1^2" or "1/2" or "1#2", set as 1/2
                const size_t end = std::min(text.find(';', i), text.size());
                std::string stack(text.substr(i + 1, end - i - 1));
                std::replace_if(
                    stack.begin(), stack.end(), [](char s) { return s == '^' || s == '#'; }, '/');
                lines.back() += stack;
                i = end;
                break;
            }
            default: {  // a code with a value up to ';' (\f, \H, \W, \Q, \T, \A, \C, \p, ...)
                const size_t end = text.find(';', i);
                if (end != std::string_view::npos) i = end;
                break;
            }
        }
    }
    for (std::string& line : lines) line = PlainText(line);
    return lines;
}

std::vector<Subpath> DxfTextOutlines(const DxfText& text, const DxfTextStyle& style) {
    FontChoice font;
    font.family = Family(style);
    font.weight = style.bold ? 700 : 400;
    font.italic = style.italic;
    font.size = text.height / CapHeight(font);
    const double cap = text.height;
    const double spacing = text.lineSpacing > 0 ? text.lineSpacing : kLineSpacing * cap;
    const double below = (text.lines.size() - 1) * spacing;  // first to last baseline
    double first = 0.0;  // the first baseline's height above the anchor
    switch (text.vertical) {
        case DxfText::Vertical::kBaseline: first = 0.0; break;
        case DxfText::Vertical::kBottom: first = below + kDescent * cap; break;
        case DxfText::Vertical::kMiddle: first = (below - cap) / 2.0; break;
        case DxfText::Vertical::kTop: first = -cap; break;
    }
    const Affine place = Affine::Translate(text.anchor.x, text.anchor.y) *
                         Affine::Rotate(text.angle * 180.0 / std::numbers::pi) *
                         Affine::Scale(text.mirrorX ? -1 : 1, text.mirrorY ? -1 : 1) *
                         Affine::SkewX(text.obliqueDegrees);
    std::vector<Subpath> out;
    for (size_t i = 0; i < text.lines.size(); ++i) {
        SetText set = SetTextOutlines(text.lines[i], font);
        const double baseline = first - static_cast<double>(i) * spacing;
        const Affine line =
            place * Affine::Translate(-text.across * set.advance * text.widthFactor, baseline) *
            Affine::Scale(text.widthFactor, -1.0);
        for (Subpath& path : set.outlines) {
            Transform(line, &path);
            out.push_back(std::move(path));
        }
    }
    return out;
}

}  // namespace txorb::drawing
