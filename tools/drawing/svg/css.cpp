// CSS as drawings carry it: declarations ("fill: red; stroke: none"), and the rules of <style>
// elements with the selectors editors write (element, .class, #id, [attribute], descendants).
#include "drawing/svg/css.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>

namespace txorb::drawing::svg {

namespace {

// After an at-rule: its ';', or its block with the blocks inside it.
size_t SkipAtRule(const std::string& text, size_t pos) {
    const size_t semi = text.find(';', pos), open = text.find('{', pos);
    if (open == std::string::npos || (semi != std::string::npos && semi < open)) {
        return semi == std::string::npos ? text.size() : semi + 1;
    }
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '{') ++depth;
        if (text[i] == '}' && --depth == 0) return i + 1;
    }
    return text.size();
}

// [name], [name=value] and [name="value"] after a compound's element and class.
bool AttributesMatch(std::string_view conditions, const pugi::xml_node& node) {
    while (!conditions.empty() && conditions.front() == '[') {
        const size_t close = conditions.find(']');
        if (close == std::string_view::npos) return false;
        const std::string_view inside = conditions.substr(1, close - 1);
        conditions = conditions.substr(close + 1);
        const size_t eq = inside.find('=');
        const std::string name(TrimView(inside.substr(0, eq)));
        const pugi::xml_attribute a = node.attribute(name.c_str());
        if (!a) return false;
        if (eq == std::string_view::npos) continue;
        std::string_view value = TrimView(inside.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')) {
            value = value.substr(1, value.size() - 2);
        }
        if (value != a.value()) return false;
    }
    return conditions.empty();
}

bool SelectorMatches(std::string_view selector, const pugi::xml_node& node) {
    selector = TrimView(selector);
    if (const size_t bracket = selector.find('['); bracket != std::string_view::npos) {
        if (!AttributesMatch(selector.substr(bracket), node)) return false;
        selector = selector.substr(0, bracket);
        if (selector.empty()) return true;
    }
    if (selector.empty() || selector == "*") return !selector.empty();
    if (selector.front() == '#') return selector.substr(1) == node.attribute("id").as_string();
    std::string_view element = selector;
    std::string_view cls;
    if (const size_t dot = selector.find('.'); dot != std::string_view::npos) {
        element = selector.substr(0, dot);
        cls = selector.substr(dot + 1);
    }
    if (!element.empty()) {
        std::string_view name(node.name());
        if (const size_t colon = name.find(':'); colon != std::string_view::npos) {
            name = name.substr(colon + 1);
        }
        if (element != name) return false;
    }
    if (cls.empty()) return true;
    // Appended piece by piece: GCC 12 at -O3 takes " " + std::string for an overlapping copy.
    std::string classes = " ";
    classes.append(node.attribute("class").as_string()).append(" ");
    std::string padded = " ";
    padded.append(cls).append(" ");
    for (char& c : padded) {
        if (std::isspace(static_cast<unsigned char>(c))) c = ' ';
    }
    std::string spaced = classes;
    std::replace_if(
        spaced.begin(), spaced.end(),
        [](char c) { return std::isspace(static_cast<unsigned char>(c)); }, ' ');
    return spaced.find(padded) != std::string::npos;
}

int CompoundSpecificity(std::string_view selector) {
    selector = TrimView(selector);
    if (!selector.empty() && selector.front() == '#') return 100;
    int s = selector.find('.') != std::string_view::npos ? 10 : 0;
    if (!selector.empty() && selector.front() != '.' && selector != "*") s += 1;
    return s;
}

// "g .a > path" into its compound selectors; a child combinator is taken as a descendant one.
std::vector<std::string> Compounds(std::string_view selector) {
    std::string text(selector);
    std::replace(text.begin(), text.end(), '>', ' ');
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        size_t end = pos;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        if (end > pos) out.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

int Specificity(std::string_view selector) {
    int s = 0;
    for (const std::string& c : Compounds(selector)) s += CompoundSpecificity(c);
    return s;
}

// The last compound matches the node, and the ones before it ancestors of it, in order.
bool SelectorMatchesInContext(std::string_view selector, const pugi::xml_node& node) {
    const std::vector<std::string> parts = Compounds(selector);
    if (parts.empty() || !SelectorMatches(parts.back(), node)) return false;
    size_t next = parts.size() - 1;
    for (pugi::xml_node up = node.parent(); up && next > 0; up = up.parent()) {
        if (up.type() == pugi::node_element && SelectorMatches(parts[next - 1], up)) --next;
    }
    return next == 0;
}

}  // namespace

Declarations ParseDeclarations(std::string_view text, Importance which) {
    Declarations out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view decl = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t colon = decl.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view value = TrimView(decl.substr(colon + 1));
        const size_t bang = value.find("!important");
        const bool important = bang != std::string_view::npos;
        if (important) value = TrimView(value.substr(0, bang));
        if (which == Importance::kNormal && important) continue;
        if (which == Importance::kImportant && !important) continue;
        out.emplace_back(Lower(TrimView(decl.substr(0, colon))), std::string(value));
    }
    return out;
}

void StyleSheet::Add(std::string_view css) {
    // Comments out, then "selectors { declarations }" one after another; at-rules (@import;
    // @media { ... { } }) are passed over whole.
    std::string text(css);
    for (size_t c = text.find("/*"); c != std::string::npos; c = text.find("/*", c)) {
        const size_t e = text.find("*/", c + 2);
        text.erase(c, e == std::string::npos ? std::string::npos : e + 2 - c);
    }
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
        if (pos < text.size() && text[pos] == '@') {
            pos = SkipAtRule(text, pos);
            continue;
        }
        const size_t open = text.find('{', pos);
        if (open == std::string::npos) break;
        const size_t close = text.find('}', open);
        if (close == std::string::npos) break;
        const std::string selectors = text.substr(pos, open - pos);
        const std::string_view body = std::string_view(text).substr(open + 1, close - open - 1);
        pos = close + 1;
        AddRule(selectors, body);
    }
}

void StyleSheet::AddRule(const std::string& selectors, std::string_view body) {
    const auto decls = ParseDeclarations(body, Importance::kNormal);
    const auto important = ParseDeclarations(body, Importance::kImportant);
    size_t s = 0;
    while (s <= selectors.size()) {
        size_t comma = selectors.find(',', s);
        if (comma == std::string::npos) comma = selectors.size();
        const std::string one(TrimView(std::string_view(selectors).substr(s, comma - s)));
        s = comma + 1;
        // Sibling combinators and pseudo-classes (:hover and the like never hold on paper)
        // are passed over.
        if (one.empty() || one.find_first_of("+~:") != std::string::npos) continue;
        rules_.push_back({one, Specificity(one), rules_.size(), decls, important});
    }
}

Declarations StyleSheet::Matching(const pugi::xml_node& node, bool important) const {
    std::vector<const Rule*> hits;
    for (const Rule& r : rules_) {
        if (SelectorMatchesInContext(r.selector, node)) hits.push_back(&r);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Rule* a, const Rule* b) {
        return a->specificity != b->specificity ? a->specificity < b->specificity
                                                : a->order < b->order;
    });
    Declarations out;
    for (const Rule* r : hits) {
        const auto& d = important ? r->important : r->declarations;
        out.insert(out.end(), d.begin(), d.end());
    }
    return out;
}

}  // namespace txorb::drawing::svg
