#include "drawing/dxf/dxf_parse.h"

#include <dxflib/dl_dxf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <set>
#include <sstream>

#include "drawing/dxf/dxf_collector.h"
#include "drawing/dxf/dxf_groups.h"

namespace txorb::drawing {
namespace {

constexpr double kMaxMagnitude = 1e12;  // no drawing needs more; keeps every later sum finite
// dxflib reads lines of at most 1024 bytes; a longer text value is cut to this.
constexpr size_t kMaxValue = 1000;

// The entities the reader draws; every other one is counted as not marked.
const std::set<std::string_view> kDrawn = {
    "LINE",   "ARC",   "CIRCLE", "ELLIPSE", "LWPOLYLINE", "POLYLINE", "VERTEX", "SEQEND",
    "SPLINE", "SOLID", "TRACE",  "HATCH",   "INSERT",     "TEXT",     "MTEXT",  "ATTRIB"};
// Records that are neither entities nor of use here, passed over without a word.
const std::set<std::string_view> kPassedOver = {"SECTION", "ENDSEC", "TABLE",
                                                "ENDTAB",  "EOF",    "ATTDEF"};

// Checks the numbers of an entity's groups, so that no value dxflib reads is out of reach.
bool CheckNumbers(const std::vector<DxfGroup>& groups, const DxfRecord& r, std::string* error) {
    for (size_t i = r.begin + 1; i < r.end; ++i) {
        const DxfGroup& g = groups[i];
        const char* first = g.value.data();
        const char* last = first + g.value.size();
        bool ok = true;
        if (DxfRealCode(g.code)) {
            double v = 0;
            const auto [end, ec] = std::from_chars(first, last, v);
            ok = ec == std::errc() && end == last && std::isfinite(v) &&
                 std::fabs(v) <= kMaxMagnitude;
        } else if (DxfIntegerCode(g.code)) {
            long long v = 0;
            const auto [end, ec] = std::from_chars(first, last, v);
            ok = ec == std::errc() && end == last && v >= INT32_MIN && v <= INT32_MAX;
        }
        if (!ok) {
            *error = std::to_string(g.line + 1) + ": " + std::string(r.type) + ": group code " +
                     std::to_string(g.code) + " holds '" + std::string(g.value.substr(0, 40)) +
                     "', not a number within +-1e12";
            return false;
        }
    }
    return true;
}

int IntegerValue(const DxfGroup& g) {
    int v = 0;
    std::from_chars(g.value.data(), g.value.data() + g.value.size(), v);
    return v;
}

// A group as it is handed to dxflib.
struct FedGroup {
    int code;
    std::string value;
};

// An entity's groups as dxflib should see them: the counts it sizes its arrays by (vertices of
// a light polyline, knots, control and fit points of a spline) made to match what follows,
// and values before a polyline's first vertex dropped.
std::vector<FedGroup> Normalised(const std::vector<DxfGroup>& groups, const DxfRecord& r) {
    std::vector<FedGroup> out;
    for (size_t i = r.begin; i < r.end; ++i) {
        out.push_back({groups[i].code, std::string(groups[i].value)});
    }
    auto count = [&](int code) {
        return std::to_string(std::count_if(out.begin(), out.end(),
                                            [code](const FedGroup& g) { return g.code == code; }));
    };
    auto firstVertex = [&] {
        return std::find_if(out.begin(), out.end(), [](const FedGroup& g) { return g.code == 10; });
    };
    if (r.type == "LWPOLYLINE") {
        const std::string vertices = count(10);
        const auto vertex = firstVertex();
        const auto stray = std::remove_if(out.begin(), vertex, [](const FedGroup& g) {
            return g.code == 20 || g.code == 30 || g.code == 42;
        });
        out.erase(stray, vertex);
        out.erase(
            std::remove_if(out.begin(), out.end(), [](const FedGroup& g) { return g.code == 90; }),
            out.end());
        out.insert(firstVertex(), {90, vertices});
    } else if (r.type == "SPLINE") {
        const std::string knots = count(40), control = count(10), fit = count(11);
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [](const FedGroup& g) {
                                     return g.code == 72 || g.code == 73 || g.code == 74;
                                 }),
                  out.end());
        out.insert(out.begin() + 1, {{72, knots}, {73, control}, {74, fit}});
    }
    return out;
}

class Feeder {
public:
    explicit Feeder(DxfModel* model) : collector_(model) {
        std::istringstream nothing;
        dxf_.in(nothing, &collector_);  // sets dxflib's reading state up
    }

    // dxflib reads its groups from a stream; each record is handed over as a stream of its own.
    void Feed(const std::vector<FedGroup>& groups, uint32_t line) {
        collector_.SetEntityLine(lastLine_);
        std::string text;
        for (const FedGroup& g : groups) {
            text += std::to_string(g.code) + "\n" + g.value.substr(0, kMaxValue) + "\n";
        }
        std::istringstream stream(text);
        // One group a call; the bound only guards against a stream that fails short of its end.
        for (size_t i = 0; i <= groups.size() && dxf_.readDxfGroups(stream, &collector_); ++i) {
        }
        lastLine_ = line;
    }
    void Finish() {
        Feed({{0, "EOF"}}, lastLine_);
        collector_.Finish();
    }
    DxfCollector& Collector() { return collector_; }

private:
    DL_Dxf dxf_;
    DxfCollector collector_;
    uint32_t lastLine_ = 0;
};

}  // namespace

bool ParseDxf(std::string_view text, DxfModel* model, std::string* error) {
    std::vector<DxfGroup> groups;
    std::vector<DxfRecord> records;
    if (!SplitDxfGroups(text, &groups, &records, error)) return false;
    Feeder feeder(model);
    std::string_view section;
    for (const DxfRecord& r : records) {
        if (r.type == "SECTION") {
            section = r.end > r.begin + 1 ? groups[r.begin + 1].value : std::string_view();
        } else if (r.type == "ENDSEC") {
            section = {};
        }
        const bool header = r.type == "SECTION" && section == "HEADER";
        const bool table = section == "TABLES" && (r.type == "LAYER" || r.type == "STYLE");
        const bool drawing = section == "ENTITIES" || section == "BLOCKS";
        const bool block = section == "BLOCKS" && (r.type == "BLOCK" || r.type == "ENDBLK");
        if (drawing && !block && !kDrawn.count(r.type) && !kPassedOver.count(r.type)) {
            feeder.Collector().AddUnsupported(std::string(r.type.substr(0, 40)), r.line);
            continue;
        }
        if (!header && !table && !(drawing && (block || kDrawn.count(r.type)))) continue;
        // A fitted polyline's frame points are not on the curve it draws.
        // Invisible attributes (flag 1) are not drawn either.
        const int hiddenFlag = r.type == "VERTEX" ? 16 : r.type == "ATTRIB" ? 1 : 0;
        if (hiddenFlag != 0 &&
            std::any_of(groups.begin() + static_cast<long>(r.begin),
                        groups.begin() + static_cast<long>(r.end), [&](const DxfGroup& g) {
                            return g.code == 70 && (IntegerValue(g) & hiddenFlag);
                        })) {
            continue;
        }
        if (!header && !CheckNumbers(groups, r, error)) return false;
        feeder.Feed(Normalised(groups, r), r.line);
        if (!feeder.Collector().Error().empty()) break;
    }
    feeder.Finish();
    if (!feeder.Collector().Error().empty()) {
        *error = feeder.Collector().Error();
        return false;
    }
    return true;
}

}  // namespace txorb::drawing
