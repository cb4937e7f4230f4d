#include "drawing/dxf/dxf_groups.h"

#include <charconv>

namespace txorb::drawing {
namespace {

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF";

std::string_view Trimmed(std::string_view line) {
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// The lines of a text, one at a time.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool Next(std::string_view* line) {
        if (at_ >= text_.size()) return false;
        size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) end = text_.size();
        *line = text_.substr(at_, end - at_);
        at_ = end + 1;
        ++number_;
        return true;
    }
    uint32_t Number() const { return number_; }

private:
    std::string_view text_;
    size_t at_ = 0;
    uint32_t number_ = 0;
};

}  // namespace

bool DxfRealCode(int code) {
    return (code >= 10 && code <= 59) || (code >= 110 && code <= 149) ||
           (code >= 210 && code <= 239) || (code >= 460 && code <= 469) ||
           (code >= 1010 && code <= 1059);
}

bool DxfIntegerCode(int code) {
    return (code >= 60 && code <= 99) || (code >= 160 && code <= 179) ||
           (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
           (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
           (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071);
}

bool SplitDxfGroups(std::string_view text, std::vector<DxfGroup>* groups,
                    std::vector<DxfRecord>* records, std::string* error) {
    if (text.substr(0, kBinarySentinel.size()) == kBinarySentinel) {
        *error = "1: a binary DXF; this reader takes DXF saved as text (ASCII)";
        return false;
    }
    groups->clear();
    records->clear();
    Lines lines(text);
    std::string_view codeLine, value;
    while (lines.Next(&codeLine)) {
        const uint32_t line = lines.Number();
        codeLine = Trimmed(codeLine);
        if (codeLine.empty() && !lines.Next(&value)) break;  // blank lines at the end
        int code = -1;
        const auto [end, ec] =
            std::from_chars(codeLine.data(), codeLine.data() + codeLine.size(), code);
        if (ec != std::errc() || end != codeLine.data() + codeLine.size() || code < 0) {
            *error = std::to_string(line) + ": a group code is a number, not '" +
                     std::string(codeLine.substr(0, 40)) + "'";
            return false;
        }
        if (!lines.Next(&value)) {
            *error = std::to_string(line) + ": group code " + std::to_string(code) +
                     " without its value at the end of the file";
            return false;
        }
        if (groups->size() >= kMaxDxfGroups) {
            *error = std::to_string(line) + ": more than 50 million groups";
            return false;
        }
        if (code == 0) {
            if (!records->empty()) records->back().end = groups->size();
            records->push_back({Trimmed(value), line, groups->size(), groups->size()});
        } else if (records->empty()) {
            *error = std::to_string(line) + ": the file does not start with a group of code 0";
            return false;
        }
        // Strings keep their inner and leading spaces; only the line end goes.
        if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
        groups->push_back(
            {code, code == 0 || DxfRealCode(code) || DxfIntegerCode(code) ? Trimmed(value) : value,
             line});
    }
    if (!records->empty()) records->back().end = groups->size();
    return true;
}

}  // namespace txorb::drawing
