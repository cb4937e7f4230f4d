#include "drawing/svg/values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace txorb::drawing::svg {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The number at the start of `text` as strtod reads it, and its length in `used` (0: none).
// Plain decimals are read without a copy; what strtod alone reads (hexadecimal, say) by it.
double ReadNumber(std::string_view text, size_t* used) {
    const size_t sign = !text.empty() && text.front() == '+' ? 1 : 0;
    double v = 0.0;
    const char* const begin = text.data();
    const auto [end, error] = std::from_chars(begin + sign, begin + text.size(), v);
    const bool more = end < begin + text.size() &&
                      (std::isalpha(static_cast<unsigned char>(*end)) || *end == '.');
    if (error == std::errc() && !more) {
        *used = static_cast<size_t>(end - begin);
        return v;
    }
    const std::string copy(text.substr(0, 64));
    char* stop = nullptr;
    v = std::strtod(copy.c_str(), &stop);
    *used = static_cast<size_t>(stop - copy.c_str());
    return v;
}

// Reads numbers separated by white space and commas up to a closing parenthesis.
bool ReadArguments(std::string_view text, size_t* pos, std::vector<double>* args) {
    args->clear();
    for (;;) {
        while (*pos < text.size() &&
               (std::isspace(static_cast<unsigned char>(text[*pos])) || text[*pos] == ',')) {
            ++*pos;
        }
        if (*pos >= text.size()) return false;
        if (text[*pos] == ')') {
            ++*pos;
            return true;
        }
        size_t used = 0;
        const double v = ReadNumber(text.substr(*pos), &used);
        if (used == 0 || !std::isfinite(v)) return false;
        args->push_back(v);
        *pos += used;
    }
}

// One named transform with its arguments.
bool TransformStep(std::string_view name, const std::vector<double>& a, Affine* step,
                   std::string* error) {
    const size_t n = a.size();
    auto wrong = [&] {
        *error = std::string(name) + " does not take " + std::to_string(n) + " arguments";
        return false;
    };
    if (name == "matrix") {
        if (n != 6) return wrong();
        *step = {a[0], a[1], a[2], a[3], a[4], a[5]};
    } else if (name == "translate") {
        if (n != 1 && n != 2) return wrong();
        *step = Affine::Translate(a[0], n == 2 ? a[1] : 0.0);
    } else if (name == "scale") {
        if (n != 1 && n != 2) return wrong();
        *step = Affine::Scale(a[0], n == 2 ? a[1] : a[0]);
    } else if (name == "rotate") {
        if (n != 1 && n != 3) return wrong();
        *step = Affine::Rotate(a[0]);
        if (n == 3) *step = Affine::Translate(a[1], a[2]) * *step * Affine::Translate(-a[1], -a[2]);
    } else if (name == "skewX" || name == "skewY") {
        if (n != 1) return wrong();
        *step = name == "skewX" ? Affine::SkewX(a[0]) : Affine::SkewY(a[0]);
    } else {
        *error = "unknown transform \"" + std::string(name) + "\"";
        return false;
    }
    return true;
}

}  // namespace

bool ParseTransform(std::string_view text, Affine* out, std::string* error) {
    Affine m;
    size_t pos = 0;
    std::vector<double> a;
    for (;;) {
        while (pos < text.size() &&
               (std::isspace(static_cast<unsigned char>(text[pos])) || text[pos] == ',')) {
            ++pos;
        }
        if (pos >= text.size()) break;
        size_t nameEnd = pos;
        while (nameEnd < text.size() && std::isalpha(static_cast<unsigned char>(text[nameEnd]))) {
            ++nameEnd;
        }
        const std::string_view name = text.substr(pos, nameEnd - pos);
        pos = nameEnd;
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        if (name.empty() || pos >= text.size() || text[pos] != '(') {
            *error = "expected a transform name and '(' at character " + std::to_string(pos + 1);
            return false;
        }
        ++pos;
        if (!ReadArguments(text, &pos, &a)) {
            *error = "malformed arguments of " + std::string(name);
            return false;
        }
        Affine step;
        if (!TransformStep(name, a, &step, error)) return false;
        m = m * step;
    }
    *out = m;
    return true;
}

bool ParseLength(std::string_view text, double* out, std::string* error) {
    const std::string s(Trim(text));
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || !std::isfinite(v)) {
        *error = "not a number";
        return false;
    }
    const std::string_view unit = Trim(std::string_view(end));
    struct Unit {
        std::string_view name;
        double perUnit;
    };
    static constexpr Unit kUnits[] = {{"", 1.0},           {"px", 1.0},  {"mm", 96.0 / 25.4},
                                      {"cm", 96.0 / 2.54}, {"in", 96.0}, {"pt", 96.0 / 72.0},
                                      {"pc", 16.0}};
    for (const Unit& u : kUnits) {
        if (unit == u.name) {
            *out = v * u.perUnit;
            return true;
        }
    }
    *error = "unit \"" + std::string(unit) + "\" is not supported";
    return false;
}

bool ParseViewBox(std::string_view text, ViewBox* out, bool* empty) {
    if (empty != nullptr) *empty = false;
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', ' ');
    double v[4];
    const char* p = s.c_str();
    for (double& x : v) {
        char* end = nullptr;
        x = std::strtod(p, &end);
        if (end == p || !std::isfinite(x)) return false;
        p = end;
    }
    if (!(v[2] > 0) || !(v[3] > 0)) {
        if (empty != nullptr) *empty = true;
        return false;
    }
    *out = {v[0], v[1], v[2], v[3]};
    return true;
}

bool ParseAspectRatio(std::string_view text, AspectRatio* out) {
    std::string_view t = Trim(text);
    if (t.substr(0, 5) == "defer") t = Trim(t.substr(5));
    const size_t space = t.find_first_of(" \t\n");
    const std::string_view align = t.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? "" : Trim(t.substr(space));
    AspectRatio r;
    if (align == "none") {
        r.none = true;
    } else if (align.size() == 8 && align[0] == 'x' && align[4] == 'Y') {
        auto where = [](std::string_view w, double* a) {
            if (w == "Min") return *a = 0.0, true;
            if (w == "Mid") return *a = 0.5, true;
            if (w == "Max") return *a = 1.0, true;
            return false;
        };
        if (!where(align.substr(1, 3), &r.alignX) || !where(align.substr(5, 3), &r.alignY)) {
            return false;
        }
    } else {
        return false;
    }
    if (rest == "slice") {
        r.slice = true;
    } else if (!rest.empty() && rest != "meet") {
        return false;
    }
    *out = r;
    return true;
}

Affine FitBox(const ViewBox& content, const ViewBox& viewport, const AspectRatio& ratio) {
    double sx = viewport.width / content.width;
    double sy = viewport.height / content.height;
    if (!ratio.none) sx = sy = ratio.slice ? std::max(sx, sy) : std::min(sx, sy);
    const double tx =
        viewport.x - content.x * sx + (viewport.width - content.width * sx) * ratio.alignX;
    const double ty =
        viewport.y - content.y * sy + (viewport.height - content.height * sy) * ratio.alignY;
    return {sx, 0, 0, sy, tx, ty};
}

}  // namespace txorb::drawing::svg
