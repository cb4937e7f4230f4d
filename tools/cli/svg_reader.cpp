#include "cli/svg_reader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/path_data.h"

namespace txorb::cli {
namespace {

constexpr int kMaxUseDepth = 16;

std::string_view LocalName(const char* name) {
    std::string_view n(name);
    const size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Reads numbers separated by white space and commas up to a closing parenthesis.
bool ReadArguments(std::string_view text, size_t* pos, std::vector<double>* args) {
    args->clear();
    for (;;) {
        while (*pos < text.size() && (std::isspace(static_cast<unsigned char>(text[*pos])) ||
                                      text[*pos] == ',')) {
            ++*pos;
        }
        if (*pos >= text.size()) return false;
        if (text[*pos] == ')') {
            ++*pos;
            return true;
        }
        const std::string rest(text.substr(*pos, 64));
        char* end = nullptr;
        const double v = std::strtod(rest.c_str(), &end);
        if (end == rest.c_str() || !std::isfinite(v)) return false;
        args->push_back(v);
        *pos += static_cast<size_t>(end - rest.c_str());
    }
}

class Reader {
public:
    Reader(std::string_view text, std::string name) : text_(text), name_(std::move(name)) {}

    SvgReadResult Run() {
        SvgReadResult result;
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(text_.data(), text_.size(), pugi::parse_default);
        if (!parsed) {
            result.error = Where(static_cast<size_t>(parsed.offset)) + "XML error: " +
                           parsed.description();
            return result;
        }
        const pugi::xml_node root = doc.document_element();
        if (LocalName(root.name()) != "svg") {
            result.error = Where(static_cast<size_t>(root.offset_debug())) +
                           "not an SVG drawing: the root element is <" + root.name() + ">";
            return result;
        }
        doc_ = &doc;
        if (!Element(root, Affine{}, 0)) {
            result.error = error_;
            return result;
        }
        for (const std::string& kind : skipped_) {
            drawing_.warnings.push_back("<" + kind + "> elements are not marked");
        }
        result.drawing = std::move(drawing_);
        result.ok = true;
        return result;
    }

private:
    std::string Where(size_t offset) const {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < offset && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return name_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": ";
    }

    bool Fail(const pugi::xml_node& node, const std::string& why) {
        const ptrdiff_t offset = node.offset_debug();
        error_ = Where(offset < 0 ? 0 : static_cast<size_t>(offset)) + "<" + node.name() +
                 ">: " + why;
        return false;
    }

    static bool Hidden(const pugi::xml_node& node) {
        if (std::strcmp(node.attribute("display").as_string(), "none") == 0) return true;
        std::string style = node.attribute("style").as_string();
        style.erase(std::remove_if(style.begin(), style.end(),
                                   [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
                    style.end());
        return style.find("display:none") != std::string::npos;
    }

    bool Length(const pugi::xml_node& node, const char* attribute, double fallback,
                double* out) {
        const pugi::xml_attribute a = node.attribute(attribute);
        if (!a) {
            *out = fallback;
            return true;
        }
        std::string why;
        if (!ParseLength(a.value(), out, &why)) {
            return Fail(node, std::string("attribute ") + attribute + "=\"" + a.value() +
                                  "\": " + why);
        }
        return true;
    }

    void Add(std::vector<Subpath> paths, const Affine& m) {
        for (Subpath& p : paths) {
            Transform(m, &p);
            drawing_.paths.push_back(std::move(p));
        }
    }

    bool Element(const pugi::xml_node& node, const Affine& parent, int useDepth) {
        if (node.type() != pugi::node_element || Hidden(node)) return true;
        Affine m = parent;
        if (const pugi::xml_attribute t = node.attribute("transform")) {
            Affine local;
            std::string why;
            if (!ParseTransform(t.value(), &local, &why)) {
                return Fail(node, std::string("transform=\"") + t.value() + "\": " + why);
            }
            m = parent * local;
        }
        const std::string_view kind = LocalName(node.name());
        if (kind == "svg" || kind == "g" || kind == "a" || kind == "switch") {
            for (const pugi::xml_node& child : node.children()) {
                if (!Element(child, m, useDepth)) return false;
            }
            return true;
        }
        if (kind == "use") return Use(node, m, useDepth);
        if (kind == "path") return Path(node, m);
        if (kind == "line") return Line(node, m);
        if (kind == "polyline" || kind == "polygon") return Poly(node, m, kind == "polygon");
        if (kind == "rect") return Rect(node, m);
        if (kind == "circle" || kind == "ellipse") return Ellipse(node, m, kind == "circle");
        static const std::set<std::string_view> kSilent = {
            "defs",   "symbol", "clipPath", "mask",  "marker", "pattern", "linearGradient",
            "radialGradient", "style", "script", "title", "desc", "metadata", "filter",
            "namedview", "sodipodi:namedview"};
        if (kSilent.count(kind) == 0) skipped_.insert(std::string(kind));
        return true;
    }

    bool Use(const pugi::xml_node& node, const Affine& m, int useDepth) {
        const char* href = node.attribute("href").as_string(node.attribute("xlink:href").as_string());
        if (href[0] != '#') return Fail(node, "only references within the drawing (#id) are supported");
        if (useDepth >= kMaxUseDepth) return Fail(node, "references nest too deep (a cycle?)");
        const pugi::xml_node target = doc_->find_node([&](const pugi::xml_node& n) {
            return std::strcmp(n.attribute("id").as_string(), href + 1) == 0;
        });
        if (!target) return Fail(node, std::string("no element with id \"") + (href + 1) + "\"");
        double x = 0, y = 0;
        if (!Length(node, "x", 0, &x) || !Length(node, "y", 0, &y)) return false;
        const Affine placed = m * Affine::Translate(x, y);
        if (LocalName(target.name()) == "symbol") {
            for (const pugi::xml_node& child : target.children()) {
                if (!Element(child, placed, useDepth + 1)) return false;
            }
            return true;
        }
        return Element(target, placed, useDepth + 1);
    }

    bool Path(const pugi::xml_node& node, const Affine& m) {
        const char* d = node.attribute("d").as_string();
        PathDataResult parsed = ParsePathData(d);
        if (!parsed.ok) {
            return Fail(node, "d, character " + std::to_string(parsed.errorOffset + 1) + ": " +
                                  parsed.error);
        }
        Add(std::move(parsed.subpaths), m);
        return true;
    }

    bool Line(const pugi::xml_node& node, const Affine& m) {
        double x1, y1, x2, y2;
        if (!Length(node, "x1", 0, &x1) || !Length(node, "y1", 0, &y1) ||
            !Length(node, "x2", 0, &x2) || !Length(node, "y2", 0, &y2)) {
            return false;
        }
        Subpath p;
        p.start = {x1, y1};
        p.LineTo({x2, y2});
        Add({p}, m);
        return true;
    }

    bool Poly(const pugi::xml_node& node, const Affine& m, bool closed) {
        std::vector<Point> points;
        std::string why;
        if (!ParsePointList(node.attribute("points").as_string(), &points, &why)) {
            return Fail(node, "points: " + why);
        }
        if (points.size() < 2) return true;
        Subpath p;
        p.start = points[0];
        for (size_t i = 1; i < points.size(); ++i) p.LineTo(points[i]);
        if (closed) p.Close();
        Add({p}, m);
        return true;
    }

    bool Rect(const pugi::xml_node& node, const Affine& m) {
        double x, y, w, h, rx, ry;
        if (!Length(node, "x", 0, &x) || !Length(node, "y", 0, &y) ||
            !Length(node, "width", 0, &w) || !Length(node, "height", 0, &h) ||
            !Length(node, "rx", -1, &rx) || !Length(node, "ry", -1, &ry)) {
            return false;
        }
        if (w < 0 || h < 0) return Fail(node, "negative width or height");
        if (w == 0 || h == 0) return true;
        if (rx < 0 && ry < 0) rx = ry = 0;
        if (rx < 0) rx = ry;
        if (ry < 0) ry = rx;
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        Subpath p;
        p.start = {x + rx, y};
        p.LineTo({x + w - rx, y});
        if (rx > 0 && ry > 0) p.ArcTo(rx, ry, 0, false, true, {x + w, y + ry});
        p.LineTo({x + w, y + h - ry});
        if (rx > 0 && ry > 0) p.ArcTo(rx, ry, 0, false, true, {x + w - rx, y + h});
        p.LineTo({x + rx, y + h});
        if (rx > 0 && ry > 0) p.ArcTo(rx, ry, 0, false, true, {x, y + h - ry});
        p.LineTo({x, y + ry});
        if (rx > 0 && ry > 0) p.ArcTo(rx, ry, 0, false, true, {x + rx, y});
        p.Close();
        Add({p}, m);
        return true;
    }

    bool Ellipse(const pugi::xml_node& node, const Affine& m, bool circle) {
        double cx, cy, rx, ry;
        if (!Length(node, "cx", 0, &cx) || !Length(node, "cy", 0, &cy)) return false;
        if (circle) {
            if (!Length(node, "r", 0, &rx)) return false;
            ry = rx;
        } else if (!Length(node, "rx", 0, &rx) || !Length(node, "ry", 0, &ry)) {
            return false;
        }
        if (rx < 0 || ry < 0) return Fail(node, "negative radius");
        if (rx == 0 || ry == 0) return true;
        Subpath p;
        p.start = {cx + rx, cy};
        p.ArcTo(rx, ry, 0, false, true, {cx, cy + ry});
        p.ArcTo(rx, ry, 0, false, true, {cx - rx, cy});
        p.ArcTo(rx, ry, 0, false, true, {cx, cy - ry});
        p.ArcTo(rx, ry, 0, false, true, {cx + rx, cy});
        p.closed = true;
        Add({p}, m);
        return true;
    }

    std::string_view text_;
    std::string name_;
    const pugi::xml_document* doc_ = nullptr;
    Drawing drawing_;
    std::set<std::string> skipped_;
    std::string error_;
};

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
        const size_t n = a.size();
        auto wrong = [&] {
            *error = std::string(name) + " does not take " + std::to_string(n) + " arguments";
            return false;
        };
        Affine step;
        if (name == "matrix") {
            if (n != 6) return wrong();
            step = {a[0], a[1], a[2], a[3], a[4], a[5]};
        } else if (name == "translate") {
            if (n != 1 && n != 2) return wrong();
            step = Affine::Translate(a[0], n == 2 ? a[1] : 0.0);
        } else if (name == "scale") {
            if (n != 1 && n != 2) return wrong();
            step = Affine::Scale(a[0], n == 2 ? a[1] : a[0]);
        } else if (name == "rotate") {
            if (n != 1 && n != 3) return wrong();
            step = Affine::Rotate(a[0]);
            if (n == 3) {
                step = Affine::Translate(a[1], a[2]) * step * Affine::Translate(-a[1], -a[2]);
            }
        } else if (name == "skewX") {
            if (n != 1) return wrong();
            step = Affine::SkewX(a[0]);
        } else if (name == "skewY") {
            if (n != 1) return wrong();
            step = Affine::SkewY(a[0]);
        } else {
            *error = "unknown transform \"" + std::string(name) + "\"";
            return false;
        }
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
    static constexpr Unit kUnits[] = {{"", 1.0},          {"px", 1.0},         {"mm", 96.0 / 25.4},
                                      {"cm", 96.0 / 2.54}, {"in", 96.0},        {"pt", 96.0 / 72.0},
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

SvgReadResult ReadSvgText(std::string_view text, const std::string& name) {
    return Reader(text, name).Run();
}

SvgReadResult ReadSvgFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SvgReadResult result;
        result.error = path + ": cannot open: " + std::strerror(errno);
        return result;
    }
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    return ReadSvgText(text, path);
}

}  // namespace txorb::cli
