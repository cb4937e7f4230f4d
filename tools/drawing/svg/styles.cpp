#include "drawing/svg/styles.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <map>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "drawing/svg/values.h"

namespace txorb::drawing::svg {
namespace {

// "url(#id) fallback" -> id and the fallback's text.
bool ParseUrl(std::string_view text, std::string* id, std::string_view* fallback) {
    if (text.substr(0, 4) != "url(") return false;
    const size_t close = text.find(')');
    if (close == std::string_view::npos) return false;
    std::string_view ref = TrimView(text.substr(4, close - 4));
    if (!ref.empty() && (ref.front() == '"' || ref.front() == '\'')) {
        ref = ref.substr(1, ref.size() >= 2 ? ref.size() - 2 : 0);
    }
    const size_t hash = ref.find('#');
    *id = hash == std::string_view::npos ? std::string(ref) : std::string(ref.substr(hash + 1));
    *fallback = TrimView(text.substr(close + 1));
    return true;
}

bool ParsePaint(std::string_view text, const Style& s, const PaintServerLookup& servers,
                Paint* out) {
    text = TrimView(text);
    std::string id;
    std::string_view fallback;
    if (ParseUrl(text, &id, &fallback)) {
        const Paint server = servers ? servers(id) : Paint{};
        if (server.kind != PaintKind::kNone) {
            *out = server;
            out->server = id;
            return true;
        }
        if (fallback.empty()) {  // a reference to nothing paints nothing
            *out = {PaintKind::kNone, {}};
            return true;
        }
        text = fallback;
    }
    const std::string lower = Lower(text);
    if (lower == "none" || lower == "transparent") {
        *out = {PaintKind::kNone, {}};
        return true;
    }
    if (lower == "currentcolor") {
        *out = {PaintKind::kColour, s.current};
        return true;
    }
    Colour c;
    double alpha = 1.0;
    if (!ParseColourAlpha(lower, &c, &alpha)) return false;
    // A fully transparent colour paints nothing.
    *out = alpha > 0.0 ? Paint{PaintKind::kColour, c, alpha} : Paint{PaintKind::kNone, {}, 0.0};
    return true;
}

bool ParseNumber(std::string_view text, double* out) {
    const std::string s(TrimView(text));
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || !std::isfinite(v)) return false;
    if (*end == '%') v /= 100.0, ++end;
    if (*end != '\0') return false;
    *out = v;
    return true;
}

bool ParseFontSize(std::string_view text, double parent, double* out) {
    static const std::map<std::string, double, std::less<>> kKeywords = {
        {"xx-small", 9}, {"x-small", 10}, {"small", 13},   {"medium", 16},
        {"large", 18},   {"x-large", 24}, {"xx-large", 32}};
    const std::string lower = Lower(TrimView(text));
    if (const auto it = kKeywords.find(lower); it != kKeywords.end()) {
        *out = it->second;
        return true;
    }
    if (lower == "larger" || lower == "smaller") {
        *out = parent * (lower == "larger" ? 1.2 : 1.0 / 1.2);
        return true;
    }
    char* end = nullptr;
    const double v = std::strtod(lower.c_str(), &end);
    if (end == lower.c_str() || !std::isfinite(v)) return false;
    const std::string_view unit(end);
    if (unit == "em") return *out = v * parent, true;
    if (unit == "%") return *out = v * parent / 100.0, true;
    if (unit == "ex") return *out = v * parent / 2.0, true;
    if (unit == "rem") return *out = v * 16.0, true;
    std::string why;
    return ParseLength(lower, out, &why);
}

bool ParseFontWeight(std::string_view text, int parent, int* out) {
    const std::string lower = Lower(TrimView(text));
    if (lower == "normal") return *out = 400, true;
    if (lower == "bold") return *out = 700, true;
    if (lower == "bolder") return *out = std::min(900, parent + 300), true;
    if (lower == "lighter") return *out = std::max(100, parent - 300), true;
    char* end = nullptr;
    const long v = std::strtol(lower.c_str(), &end, 10);
    if (end == lower.c_str() || *end != '\0' || v < 1 || v > 1000) return false;
    *out = static_cast<int>(v);
    return true;
}

std::string FirstFamily(std::string_view text) {
    std::string family(TrimView(text));
    // Pango takes a comma-separated list itself; quotes are CSS syntax only.
    family.erase(
        std::remove_if(family.begin(), family.end(), [](char c) { return c == '"' || c == '\''; }),
        family.end());
    return family;
}

// Editors write fonts by their PostScript names ("Arial-BoldMT", "MyriadPro-It"): the family
// is the part before the dash, and the rest says the weight and slant.
void PostScriptName(Style* s) {
    const std::string& family = s->fontFamily;
    const size_t dash = family.find('-');
    if (dash == std::string::npos || family.find(',') != std::string::npos ||
        family.find(' ') != std::string::npos) {
        return;
    }
    const std::string face = family.substr(dash + 1);
    if (face.find("Bold") != std::string::npos || face.find("Black") != std::string::npos ||
        face.find("Heavy") != std::string::npos) {
        s->fontWeight = 700;
    }
    if (face.find("Semibold") != std::string::npos) s->fontWeight = 600;
    if (face.find("Light") != std::string::npos) s->fontWeight = 300;
    if (face.find("It") != std::string::npos || face.find("Oblique") != std::string::npos) {
        s->italic = true;
    }
    s->fontFamily = family.substr(0, dash);
}

template <typename E, size_t N>
bool Keyword(std::string_view value, const std::pair<const char*, E> (&table)[N], E* out) {
    const std::string lower = Lower(TrimView(value));
    for (const auto& [name, e] : table) {
        if (lower == name) {
            *out = e;
            return true;
        }
    }
    return false;
}

bool ApplyPaintOrRule(Style* s, const std::string& name, std::string_view value,
                      const PaintServerLookup& servers, bool* known) {
    *known = true;
    if (name == "fill") return ParsePaint(value, *s, servers, &s->fill);
    if (name == "stroke") return ParsePaint(value, *s, servers, &s->stroke);
    if (name == "color") return ParseColour(Lower(TrimView(value)), &s->current);
    if (name == "fill-rule") {
        static constexpr std::pair<const char*, FillRule> kRules[] = {
            {"nonzero", FillRule::kNonZero}, {"evenodd", FillRule::kEvenOdd}};
        return Keyword(value, kRules, &s->fillRule);
    }
    // Opacities outside 0..1 are taken as the nearest end, as CSS does.
    double* opacity = name == "fill-opacity"     ? &s->fillOpacity
                      : name == "stroke-opacity" ? &s->strokeOpacity
                      : name == "opacity"        ? &s->opacity  // the element's own until the end
                                                 : nullptr;
    if (opacity != nullptr) {
        double v = 1.0;
        if (!ParseNumber(value, &v)) return false;
        *opacity = std::clamp(v, 0.0, 1.0);
        return true;
    }
    *known = false;
    return true;
}

// "5 3", "5,3,1" (repeated to an even count) or none; all zero is a solid line. An entry in %
// is kept in percents (NaN for the others) until the viewport is known.
bool ParseDashes(std::string_view value, std::vector<double>* out, std::vector<double>* percents) {
    std::string text(TrimView(value));
    if (Lower(text) == "none") return out->clear(), percents->clear(), true;
    std::replace(text.begin(), text.end(), ',', ' ');
    std::vector<double> dashes, inPercent;
    double total = 0;
    const char* p = text.c_str();
    while (*p != '\0') {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p || v < 0 || !std::isfinite(v)) return false;
        const bool percent = *end == '%';
        if (percent) ++end;
        while (std::isalpha(static_cast<unsigned char>(*end))) ++end;  // px and the like
        while (std::isspace(static_cast<unsigned char>(*end))) ++end;
        dashes.push_back(percent ? 0.0 : v);
        inPercent.push_back(percent ? v : std::numeric_limits<double>::quiet_NaN());
        total += v;
        p = end;
    }
    if (dashes.size() % 2 == 1) {
        dashes.insert(dashes.end(), dashes.begin(), dashes.end());
        inPercent.insert(inPercent.end(), inPercent.begin(), inPercent.end());
    }
    if (!(total > 0)) dashes.clear(), inPercent.clear();
    *out = std::move(dashes);
    *percents = std::move(inPercent);
    return true;
}

bool ApplyStrokeShape(Style* s, const std::string& name, std::string_view value, bool* known) {
    *known = true;
    if (name == "stroke-width") {
        std::string why;
        const std::string v(TrimView(value));
        if (!v.empty() && v.back() == '%') {
            double percent = 0;
            if (!ParseNumber(v, &percent) || percent < 0) return false;
            s->strokeWidthPercent = percent * 100.0;  // ParseNumber gives the fraction
            return true;
        }
        double width = 0;
        if (!ParseLength(v, &width, &why) || width < 0) return false;
        s->strokeWidth = width;
        s->strokeWidthPercent = -1.0;
        return true;
    }
    if (name == "stroke-linecap") {
        static constexpr std::pair<const char*, LineCap> kCaps[] = {
            {"butt", LineCap::kButt}, {"round", LineCap::kRound}, {"square", LineCap::kSquare}};
        return Keyword(value, kCaps, &s->cap);
    }
    if (name == "stroke-linejoin") {
        static constexpr std::pair<const char*, LineJoin> kJoins[] = {
            {"miter", LineJoin::kMiter},
            {"miter-clip", LineJoin::kMiter},
            {"round", LineJoin::kRound},
            {"bevel", LineJoin::kBevel},
            {"arcs", LineJoin::kMiter}};
        return Keyword(value, kJoins, &s->join);
    }
    if (name == "stroke-miterlimit") return ParseNumber(value, &s->miterLimit);
    if (name == "stroke-dasharray") return ParseDashes(value, &s->dashArray, &s->dashPercents);
    if (name == "vector-effect") {
        s->fixedStroke = Lower(TrimView(value)) == "non-scaling-stroke";
        return true;
    }
    if (name == "stroke-dashoffset") {
        const std::string v(TrimView(value));
        if (!v.empty() && v.back() == '%') {
            double fraction = 0;
            if (!ParseNumber(v, &fraction)) return false;
            s->dashOffsetPercent = fraction * 100.0;
            return true;
        }
        std::string why;
        if (!ParseLength(v, &s->dashOffset, &why)) return false;
        s->dashOffsetPercent = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    *known = false;
    return true;
}

bool ApplyVisibility(Style* s, const std::string& name, std::string_view value, bool* known) {
    *known = true;
    const std::string lower = Lower(TrimView(value));
    if (name == "visibility") {
        if (lower != "visible" && lower != "hidden" && lower != "collapse") return false;
        s->visible = lower == "visible";
        return true;
    }
    if (name == "display") {
        s->displayed = lower != "none";
        return true;
    }
    if (name == "marker-start" || name == "marker-mid" || name == "marker-end" ||
        name == "marker") {
        std::string id;
        std::string_view fallback;
        if (lower != "none" && !ParseUrl(TrimView(value), &id, &fallback)) return false;
        if (name != "marker-mid" && name != "marker-end") s->markerStart = id;
        if (name != "marker-start" && name != "marker-end") s->markerMid = id;
        if (name != "marker-start" && name != "marker-mid") s->markerEnd = id;
        return true;
    }
    if (name == "clip-path" || name == "mask") {
        std::string& id = name == "mask" ? s->mask : s->clipPath;
        std::string_view fallback;
        if (lower == "none") return id.clear(), true;
        return ParseUrl(TrimView(value), &id, &fallback);
    }
    *known = false;
    return true;
}

bool ApplyFont(Style* s, const std::string& name, std::string_view value, bool* known) {
    *known = true;
    if (name == "font-family") {
        s->fontFamily = FirstFamily(value);
        PostScriptName(s);
        return true;
    }
    if (name == "font-size") return ParseFontSize(value, s->fontSize, &s->fontSize);
    if (name == "font-weight") return ParseFontWeight(value, s->fontWeight, &s->fontWeight);
    if (name == "font-style") {
        const std::string lower = Lower(TrimView(value));
        s->italic = lower == "italic" || lower == "oblique";
        return lower == "normal" || s->italic;
    }
    if (name == "letter-spacing") {
        std::string why;
        const std::string v(TrimView(value));
        if (v == "normal") return s->letterSpacing = 0.0, true;
        if (v.size() > 2 && v.compare(v.size() - 2, 2, "em") == 0) {
            if (!ParseLength(v.substr(0, v.size() - 2), &s->letterSpacing, &why)) return false;
            s->letterSpacing *= s->fontSize;
            return true;
        }
        return ParseLength(v, &s->letterSpacing, &why);
    }
    if (name == "dominant-baseline" || name == "alignment-baseline") {
        // Where y meets the letters, in em below the alphabetic baseline, for fonts of the
        // common proportions (ascent 0.93 em, descent 0.24 em, x-height 0.55 em).
        static constexpr std::pair<const char*, double> kBaselines[] = {
            {"auto", 0.0},          {"alphabetic", 0.0},
            {"baseline", 0.0},      {"middle", 0.27},
            {"central", 0.35},      {"mathematical", 0.35},
            {"hanging", 0.75},      {"text-before-edge", 0.93},
            {"text-top", 0.93},     {"text-after-edge", -0.24},
            {"text-bottom", -0.24}, {"ideographic", -0.24}};
        return Keyword(value, kBaselines, &s->baselineShift);
    }
    if (name == "text-anchor") {
        static constexpr std::pair<const char*, TextAnchor> kAnchors[] = {
            {"start", TextAnchor::kStart},
            {"middle", TextAnchor::kMiddle},
            {"end", TextAnchor::kEnd}};
        return Keyword(value, kAnchors, &s->anchor);
    }
    *known = false;
    return true;
}

// The shorthand `font: italic bold 12px serif` in its common forms.
bool ApplyFontShorthand(Style* s, std::string_view value) {
    std::string rest(TrimView(value));
    for (;;) {
        const size_t space = rest.find(' ');
        if (space == std::string::npos) break;
        const std::string word = rest.substr(0, space);
        bool known = false;
        int weight = s->fontWeight;
        if (word == "italic" || word == "oblique") {
            s->italic = true;
        } else if (ParseFontWeight(word, s->fontWeight, &weight)) {
            s->fontWeight = weight;
        } else if (ParseFontSize(word.substr(0, word.find('/')), s->fontSize, &s->fontSize)) {
            s->fontFamily = FirstFamily(rest.substr(space + 1));
            return true;
        } else if (word != "normal" && word != "small-caps") {
            return known;
        }
        rest = std::string(TrimView(rest.substr(space + 1)));
    }
    return false;
}

bool Apply(Style* s, const std::string& name, std::string_view value,
           const PaintServerLookup& servers) {
    if (TrimView(value) == "inherit") return true;  // the parent's value is already there
    bool known = false;
    bool ok = ApplyPaintOrRule(s, name, value, servers, &known);
    if (!known) ok = ApplyStrokeShape(s, name, value, &known);
    if (!known) ok = ApplyVisibility(s, name, value, &known);
    if (!known) ok = ApplyFont(s, name, value, &known);
    if (!known && name == "font") ok = ApplyFontShorthand(s, value);
    return ok;
}

constexpr const char* kPresentationAttributes[] = {"fill",
                                                   "stroke",
                                                   "color",
                                                   "fill-rule",
                                                   "fill-opacity",
                                                   "stroke-opacity",
                                                   "opacity",
                                                   "stroke-width",
                                                   "stroke-linecap",
                                                   "stroke-linejoin",
                                                   "stroke-miterlimit",
                                                   "stroke-dasharray",
                                                   "stroke-dashoffset",
                                                   "vector-effect",
                                                   "visibility",
                                                   "display",
                                                   "clip-path",
                                                   "mask",
                                                   "marker-start",
                                                   "marker-mid",
                                                   "marker-end",
                                                   "font-family",
                                                   "font-size",
                                                   "font-weight",
                                                   "font-style",
                                                   "text-anchor",
                                                   "dominant-baseline",
                                                   "alignment-baseline",
                                                   "letter-spacing"};
constexpr size_t kPresentationCount = std::size(kPresentationAttributes);

// The place of a presentation attribute in the list above; kPresentationCount for another.
size_t PresentationIndex(std::string_view name) {
    static const std::unordered_map<std::string_view, size_t> index = [] {
        std::unordered_map<std::string_view, size_t> m;
        for (size_t k = 0; k < kPresentationCount; ++k) m.emplace(kPresentationAttributes[k], k);
        return m;
    }();
    const auto it = index.find(name);
    return it == index.end() ? kPresentationCount : it->second;
}

}  // namespace

Style ComputeStyle(const Style& parent, const pugi::xml_node& node, const StyleSheet& sheet,
                   const PaintServerLookup& servers, std::vector<std::string>* problems) {
    Style s = parent;
    s.displayed = true;  // not inherited: a hidden parent is never descended into
    s.clipPath.clear();  // not inherited: the parent's clip is applied to the parent
    s.mask.clear();
    s.opacity = 1.0;  // the element's own until the end
    // Presentation attributes are overridden by the sheet, which is overridden by `style`.
    // In the order of the list, each name's first: one look at each of the element's
    // attributes rather than a search of them for every name.
    pugi::xml_attribute given[kPresentationCount];
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const size_t k = PresentationIndex(a.name());
        if (k < kPresentationCount && !given[k]) given[k] = a;
    }
    for (size_t k = 0; k < kPresentationCount; ++k) {
        const pugi::xml_attribute a = given[k];
        const char* name = kPresentationAttributes[k];
        if (a && !Apply(&s, name, a.value(), servers) && problems != nullptr) {
            problems->push_back(std::string(name) + "=\"" + a.value() + "\"");
        }
    }
    // Then !important declarations, the style sheet's under the style attribute's.
    struct Declaration {
        std::string name, value;
        bool own;  // written in the element's style attribute
    };
    std::vector<Declaration> later;
    const char* inline_ = node.attribute("style").as_string();
    for (bool important : {false, true}) {
        if (!sheet.Empty()) {
            for (auto& [n, v] : sheet.Matching(node, important)) later.push_back({n, v, false});
        }
        const Importance which = important ? Importance::kImportant : Importance::kNormal;
        for (auto& [n, v] : ParseDeclarations(inline_, which)) later.push_back({n, v, true});
    }
    // A declaration that cannot be read is dropped, as CSS does: what the property had before
    // (the attribute's, the parent's or its initial value) stays. Only the element's own are
    // told about; a style sheet's would be told once for every element it matches.
    for (const auto& d : later) {
        if (!Apply(&s, d.name, d.value, servers) && d.own && problems != nullptr) {
            problems->push_back("style=\"" + d.name + ":" + d.value + "\"");
        }
    }
    s.opacity *= parent.opacity;
    return s;
}

}  // namespace txorb::drawing::svg
