// CSS as drawings carry it: declarations in style attributes and the rules of the document's
// <style> elements. Which properties there are and what their values mean is styles.h's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drawing/model/plain_text.h"

namespace pugi {
class xml_node;
}

namespace txorb::drawing::svg {

using Declarations = std::vector<std::pair<std::string, std::string>>;

// Rules of the document's <style> elements with simple selectors (element, .class, #id,
// [attribute], descendants, lists of them); anything more involved is passed over.
class StyleSheet {
public:
    void Add(std::string_view css);
    // Declarations that apply to the node, lowest specificity first.
    // The !important ones alone when `important`, else the others.
    Declarations Matching(const pugi::xml_node& node, bool important = false) const;
    bool Empty() const { return rules_.empty(); }

private:
    void AddRule(const std::string& selectors, std::string_view body);
    struct Rule {
        std::string selector;
        int specificity;
        size_t order;
        Declarations declarations;
        Declarations important;
    };
    std::vector<Rule> rules_;
};

enum class Importance : uint8_t { kAll, kNormal, kImportant };

// "prop: value; ..." into pairs, names lower case, values trimmed (of "!important" too);
// `which` keeps only the declarations marked !important, or only the others.
Declarations ParseDeclarations(std::string_view text, Importance which = Importance::kAll);

}  // namespace txorb::drawing::svg
