#include "cli/path_data.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace txorb::cli {
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
    bool NumberAhead() {
        const char c = Peek();
        return std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.';
    }
    bool Number(double* value) {
        SkipSpace();
        const size_t begin = pos_;
        size_t p = pos_;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
        size_t digits = 0;
        while (p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p]))) ++p, ++digits;
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
        const std::string token(text_.substr(begin, p - begin));
        *value = std::strtod(token.c_str(), nullptr);
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
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r' ||
                                       text_[pos_] == '\f')) {
            ++pos_;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

int ArgumentCount(char upper) {
    switch (upper) {
        case 'M': case 'L': case 'T': return 2;
        case 'H': case 'V': return 1;
        case 'C': return 6;
        case 'S': case 'Q': return 4;
        case 'A': return 7;
        default: return 0;
    }
}

}  // namespace

PathDataResult ParsePathData(std::string_view data) {
    PathDataResult result;
    Scanner in(data);
    Point current;
    Point lastControl;        // reflected by S and T
    char previous = '\0';     // the previous command, upper case
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
        } else if (command == '\0') {
            return fail(at, "path data must begin with a moveto command");
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
            current = open->start;
            lastControl = current;
            previous = 'Z';
            // A drawing command after Z continues from the same start in a new subpath.
            begin(current);
            continue;
        }
        double a[7] = {};
        const int count = ArgumentCount(upper);
        for (int i = 0; i < count; ++i) {
            const size_t argAt = in.Pos();
            bool ok;
            if (upper == 'A' && (i == 3 || i == 4)) {
                bool flag = false;
                ok = in.Flag(&flag);
                a[i] = flag ? 1.0 : 0.0;
                if (!ok) return fail(argAt, "arc flag must be 0 or 1");
            } else {
                ok = in.Number(&a[i]);
                if (!ok) {
                    return fail(argAt, std::string("expected a number for '") + command + "'");
                }
            }
        }
        const Point base = rel ? current : Point{0, 0};
        switch (upper) {
            case 'M': {
                current = base + Point{a[0], a[1]};
                if (open != nullptr && open->segments.empty()) result.subpaths.pop_back();
                begin(current);
                // Further pairs are implicit linetos.
                command = rel ? 'l' : 'L';
                lastControl = current;
                break;
            }
            case 'L':
                current = base + Point{a[0], a[1]};
                open->LineTo(current);
                lastControl = current;
                break;
            case 'H':
                current = {rel ? current.x + a[0] : a[0], current.y};
                open->LineTo(current);
                lastControl = current;
                break;
            case 'V':
                current = {current.x, rel ? current.y + a[0] : a[0]};
                open->LineTo(current);
                lastControl = current;
                break;
            case 'C': {
                const Point c1 = base + Point{a[0], a[1]};
                const Point c2 = base + Point{a[2], a[3]};
                current = base + Point{a[4], a[5]};
                open->CubicTo(c1, c2, current);
                lastControl = c2;
                break;
            }
            case 'S': {
                const Point c1 = (previous == 'C' || previous == 'S')
                                     ? current + (current - lastControl)
                                     : current;
                const Point c2 = base + Point{a[0], a[1]};
                current = base + Point{a[2], a[3]};
                open->CubicTo(c1, c2, current);
                lastControl = c2;
                break;
            }
            case 'Q': {
                const Point ctrl = base + Point{a[0], a[1]};
                current = base + Point{a[2], a[3]};
                open->QuadTo(ctrl, current);
                lastControl = ctrl;
                break;
            }
            case 'T': {
                const Point ctrl = (previous == 'Q' || previous == 'T')
                                       ? current + (current - lastControl)
                                       : current;
                current = base + Point{a[0], a[1]};
                open->QuadTo(ctrl, current);
                lastControl = ctrl;
                break;
            }
            case 'A':
                current = base + Point{a[5], a[6]};
                open->ArcTo(a[0], a[1], a[2], a[3] != 0.0, a[4] != 0.0, current);
                lastControl = current;
                break;
            default:
                break;
        }
        previous = upper;
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

}  // namespace txorb::cli
