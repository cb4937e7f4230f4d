#include "drawing/svg/path_data.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>

namespace txorb::drawing::svg {
namespace {

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    size_t Pos() const { return pos_; }
    bool AtEnd() {
        SkipSpace();
        return pos_ >= text_.size();
    }
    char Peek() {
        SkipSpace();
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void Advance() { ++pos_; }
    // White space and at most one comma.
    void SkipSeparator() {
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ',') {
            ++pos_;
            SkipSpace();
        }
    }
    bool Number(double* value) {
        SkipSpace();
        const size_t begin = pos_;
        size_t p = pos_;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        size_t digits = 0;
        while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])))
            ++p, ++digits;
        if (p < text_.size() && text_[p] == '.') {
            ++p;
            while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p]))) {
                ++p, ++digits;
            }
        }
        if (digits == 0) return false;
        if (p < text_.size() && (text_[p] == 'e' || text_[p] == 'E')) {
            size_t q = p + 1;
            if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
            if (q < text_.size() && std::isdigit(static_cast<unsigned char>(text_[q]))) {
                while (q < text_.size() && std::isdigit(static_cast<unsigned char>(text_[q]))) ++q;
                p = q;
            }
        }
        *value = ToDouble(text_.substr(begin, p - begin));
        if (!std::isfinite(*value)) return false;  // 1e999 is no coordinate a card can reach
        pos_ = p;
        SkipSeparator();
        return true;
    }
    // Arc flags are single characters and may be written without separators ("a1 1 0 01 5 5").
    bool Flag(bool* value) {
        const char c = Peek();
        if (c != '0' && c != '1') return false;
        *value = c == '1';
        ++pos_;
        SkipSeparator();
        return true;
    }

private:
    // As strtod reads the number (correctly rounded), without copying it first.
    static double ToDouble(std::string_view token) {
        const bool plus = !token.empty() && token.front() == '+';
        double v = 0.0;
        const auto [end, error] =
            std::from_chars(token.data() + (plus ? 1 : 0), token.data() + token.size(), v);
        if (error == std::errc() && end == token.data() + token.size()) return v;
        return std::strtod(std::string(token).c_str(), nullptr);  // beyond a double's range
    }
    void SkipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' ||
                text_[pos_] == '\r' || text_[pos_] == '\f')) {
            ++pos_;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

int ArgumentCount(char upper) {
    switch (upper) {
        case 'M':
        case 'L':
        case 'T': return 2;
        case 'H':
        case 'V': return 1;
        case 'C': return 6;
        case 'S':
        case 'Q': return 4;
        case 'A': return 7;
        default: return 0;
    }
}

// Where the pen is and what the previous command left for S and T to reflect.
struct Pen {
    Point current;
    Point lastControl;
    char previous = '\0';  // the previous command, upper case
};

// The command's arguments; false with the offset and reason of the first that is missing.
bool ReadArguments(Scanner* in, char command, double* a, size_t* failAt, std::string* why) {
    const char upper = static_cast<char>(std::toupper(command));
    for (int i = 0; i < ArgumentCount(upper); ++i) {
        *failAt = in->Pos();
        if (upper == 'A' && (i == 3 || i == 4)) {
            bool flag = false;
            if (!in->Flag(&flag)) return *why = "arc flag must be 0 or 1", false;
            a[i] = flag ? 1.0 : 0.0;
        } else if (!in->Number(&a[i])) {
            *why = std::string("expected a number for '") + command + "'";
            return false;
        }
    }
    return true;
}

// Curves: the control points of C, S, Q and T, with S and T reflecting the previous ones.
void Curve(char upper, Point base, const double* a, Pen* pen, Subpath* open) {
    const Point reflected = pen->current + (pen->current - pen->lastControl);
    if (upper == 'C' || upper == 'S') {
        const bool smooth = pen->previous == 'C' || pen->previous == 'S';
        const Point c1 = upper == 'C' ? base + Point{a[0], a[1]}
                         : smooth     ? reflected
                                      : pen->current;
        const int k = upper == 'C' ? 2 : 0;
        const Point c2 = base + Point{a[k], a[k + 1]};
        pen->current = base + Point{a[k + 2], a[k + 3]};
        open->CubicTo(c1, c2, pen->current);
        pen->lastControl = c2;
        return;
    }
    const bool smooth = pen->previous == 'Q' || pen->previous == 'T';
    const Point ctrl = upper == 'Q' ? base + Point{a[0], a[1]} : smooth ? reflected : pen->current;
    pen->current = base + (upper == 'Q' ? Point{a[2], a[3]} : Point{a[0], a[1]});
    open->QuadTo(ctrl, pen->current);
    pen->lastControl = ctrl;
}

// Straight moves and arcs; M is handled by the caller, which opens the subpath.
void Move(char upper, bool rel, const double* a, Pen* pen, Subpath* open) {
    const Point base = rel ? pen->current : Point{0, 0};
    switch (upper) {
        case 'L': pen->current = base + Point{a[0], a[1]}; break;
        case 'H': pen->current = {rel ? pen->current.x + a[0] : a[0], pen->current.y}; break;
        case 'V': pen->current = {pen->current.x, rel ? pen->current.y + a[0] : a[0]}; break;
        case 'A': pen->current = base + Point{a[5], a[6]}; break;
        default: Curve(upper, base, a, pen, open); return;
    }
    if (upper == 'A') {
        open->ArcTo(a[0], a[1], a[2], a[3] != 0.0, a[4] != 0.0, pen->current);
    } else {
        open->LineTo(pen->current);
    }
    pen->lastControl = pen->current;
}

}  // namespace

PathDataResult ParsePathData(std::string_view data) {
    PathDataResult result;
    Scanner in(data);
    Pen pen;
    char command = '\0';
    Subpath* open = nullptr;  // the subpath being drawn

    auto fail = [&](size_t offset, std::string why) {
        result.ok = false;
        result.errorOffset = offset;
        result.error = std::move(why);
        return result;
    };
    auto begin = [&](Point at) {
        result.subpaths.push_back({});
        result.subpaths.back().start = at;
        open = &result.subpaths.back();
    };

    while (!in.AtEnd()) {
        const size_t at = in.Pos();
        const char c = in.Peek();
        if (std::isalpha(static_cast<unsigned char>(c))) {
            if (ArgumentCount(static_cast<char>(std::toupper(c))) == 0 && c != 'Z' && c != 'z') {
                return fail(at, std::string("unknown path command '") + c + "'");
            }
            command = c;
            in.Advance();
        } else if (command == 'Z' || command == 'z') {
            return fail(at, "number after closepath");
        }
        if (command == '\0' || (open == nullptr && command != 'M' && command != 'm')) {
            return fail(at, "path data must begin with a moveto command");
        }
        const bool rel = std::islower(static_cast<unsigned char>(command)) != 0;
        const char upper = static_cast<char>(std::toupper(command));
        if (upper == 'Z') {
            open->Close();
            pen.current = pen.lastControl = open->start;
            pen.previous = 'Z';
            // A drawing command after Z continues from the same start in a new subpath.
            begin(pen.current);
            continue;
        }
        double a[7] = {};
        size_t failAt = 0;
        std::string why;
        if (!ReadArguments(&in, command, a, &failAt, &why)) return fail(failAt, why);
        if (upper == 'M') {
            pen.current = pen.lastControl = (rel ? pen.current : Point{0, 0}) + Point{a[0], a[1]};
            if (open != nullptr && open->segments.empty()) result.subpaths.pop_back();
            begin(pen.current);
            command = rel ? 'l' : 'L';  // further pairs are implicit linetos
        } else {
            Move(upper, rel, a, &pen, open);
        }
        pen.previous = upper;
    }
    if (open != nullptr && open->segments.empty()) result.subpaths.pop_back();
    return result;
}

bool ParsePointList(std::string_view text, std::vector<Point>* points, std::string* error) {
    Scanner in(text);
    std::vector<double> values;
    while (!in.AtEnd()) {
        double v = 0.0;
        if (!in.Number(&v)) {
            *error = "malformed number at character " + std::to_string(in.Pos() + 1);
            return false;
        }
        values.push_back(v);
    }
    if (values.size() % 2 != 0) {
        *error = "odd number of coordinates (" + std::to_string(values.size()) + ")";
        return false;
    }
    points->clear();
    for (size_t i = 0; i < values.size(); i += 2) points->push_back({values[i], values[i + 1]});
    return true;
}

}  // namespace txorb::drawing::svg
