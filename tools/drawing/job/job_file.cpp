#include "drawing/job/job_file.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "drawing/job/fields.h"

// toml++ is compiled here and nowhere else, header-only and reporting through parse_result,
// so that its cost stays in this one file and no exception leaves the reader.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

namespace txorb::drawing {
namespace {

constexpr std::array<std::pair<std::string_view, LayerMode>, 4> kModes = {{
    {"fill", LayerMode::kFill},
    {"outline", LayerMode::kOutline},
    {"picture", LayerMode::kPicture},
    {"skip", LayerMode::kSkip},
}};

constexpr std::array<std::pair<std::string_view, CodeType>, 3> kCodeTypes = {{
    {"datamatrix", CodeType::kDataMatrix},
    {"qr", CodeType::kQr},
    {"code128", CodeType::kCode128},
}};

// The keys each table takes, for the message that meets a key it does not.
constexpr std::string_view kSettingKeys =
    "mode, power, speed, passes, hatch-spacing, hatch-angle, cross-hatch";
constexpr std::string_view kTopKeys = "drawing, first-serial, [[layer]], [[text]], [[code]]";

// A number's allowed values: from min (or above it) to max.
struct Range {
    double min, max;
    bool aboveMin;
    std::string_view unit;
};

constexpr Range kPower{0.0, 100.0, false, " %"};
constexpr Range kSpeed{0.0, kMaxSpeed, true, " bits/ms"};
constexpr Range kPasses{1.0, kMaxPasses, false, ""};
constexpr Range kHatchSpacing{0.0, 65535.0, true, " bits"};
constexpr Range kHatchAngle{-360.0, 360.0, false, " degrees"};
constexpr Range kItemSize{0.0, 1000.0, true, " mm"};
constexpr Range kItemOffset{-1000.0, 1000.0, false, " mm"};

// Shortest text that reads back as the same double ("40", "0.1").
std::string Number(double v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

// A TOML basic string.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string_view TypeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::table: return "a table";
        case toml::node_type::array: return "an array";
        case toml::node_type::string: return "a string";
        case toml::node_type::integer: return "an integer";
        case toml::node_type::floating_point: return "a floating-point number";
        case toml::node_type::boolean: return "a boolean";
        default: return "a date or time";
    }
}

JobPosition Where(const toml::source_region& source) {
    return {static_cast<uint32_t>(source.begin.line), static_cast<uint32_t>(source.begin.column)};
}

// Reads one parsed document into a JobFile, stopping at the first error.
class JobReader {
public:
    JobReader(const std::string& path, JobFile* job, std::string* error)
        : path_(path), job_(job), error_(error) {}

    bool ReadDocument(const toml::table& top);

private:
    bool Fail(JobPosition where, std::string_view key, std::string_view what) {
        *error_ = JobError(path_, where, key, what);
        return false;
    }
    bool WrongType(std::string_view key, const toml::node& node, std::string_view wanted) {
        return Fail(Where(node.source()), key,
                    "expected " + std::string(wanted) + ", found " + std::string(TypeName(node)));
    }

    bool ReadNumber(std::string_view key, const toml::node& node, const Range& range, double* out);
    bool ReadWhole(std::string_view key, const toml::node& node, const Range& range, int64_t* out);
    bool ReadText(std::string_view key, const toml::node& node, std::string* out);
    bool ReadTemplate(const toml::node& node, std::string* out);
    template <typename T, size_t N>
    bool ReadChoice(std::string_view key, const toml::node& node,
                    const std::array<std::pair<std::string_view, T>, N>& choices, T* out);
    // False on an error; *known false for a key that is not a layer setting.
    bool ReadSetting(std::string_view key, const toml::node& node, LayerOverrides* settings,
                     bool* known);

    bool ReadLayer(const toml::table& table);
    bool ReadText(const toml::table& table);
    bool ReadCode(const toml::table& table);
    bool ReadEntries(std::string_view key, const toml::node& node,
                     bool (JobReader::*read)(const toml::table&));
    bool CheckColoursDistinct();

    std::string path_;
    JobFile* job_;
    std::string* error_;
};

bool JobReader::ReadNumber(std::string_view key, const toml::node& node, const Range& range,
                           double* out) {
    double v = 0.0;
    if (auto i = node.as_integer()) {
        v = static_cast<double>(i->get());
    } else if (auto f = node.as_floating_point()) {
        v = f->get();
    } else {
        return WrongType(key, node, "a number");
    }
    bool low = range.aboveMin ? v <= range.min : v < range.min;
    if (!std::isfinite(v) || low || v > range.max) {
        std::string allowed =
            range.aboveMin ? "above " + Number(range.min) + ", up to " : Number(range.min) + " to ";
        return Fail(Where(node.source()), key,
                    Number(v) + " is out of range (" + allowed + Number(range.max) +
                        std::string(range.unit) + ")");
    }
    *out = v;
    return true;
}

bool JobReader::ReadWhole(std::string_view key, const toml::node& node, const Range& range,
                          int64_t* out) {
    auto i = node.as_integer();
    if (!i) return WrongType(key, node, "a whole number");
    double v = 0.0;
    if (!ReadNumber(key, node, range, &v)) return false;
    *out = i->get();
    return true;
}

bool JobReader::ReadText(std::string_view key, const toml::node& node, std::string* out) {
    auto s = node.as_string();
    if (!s) return WrongType(key, node, "a string");
    if (s->get().empty()) return Fail(Where(node.source()), key, "empty");
    *out = s->get();
    return true;
}

// A text's or code's value: its fields must be ones a part can fill in.
bool JobReader::ReadTemplate(const toml::node& node, std::string* out) {
    if (!ReadText("value", node, out)) return false;
    FieldTemplate parsed;
    FieldError error;
    if (FieldTemplate::Parse(*out, &parsed, &error)) return true;
    // Point at the faulty character when the string is written as it reads (one line, no
    // escapes), else at the string.
    JobPosition where = Where(node.source());
    const toml::source_region& s = node.source();
    if (s.begin.line == s.end.line && s.end.column - s.begin.column == out->size() + 2) {
        where.column += static_cast<uint32_t>(error.column);
    }
    return Fail(where, "value", error.what);
}

template <typename T, size_t N>
bool JobReader::ReadChoice(std::string_view key, const toml::node& node,
                           const std::array<std::pair<std::string_view, T>, N>& choices, T* out) {
    std::string text;
    if (!ReadText(key, node, &text)) return false;
    std::string names;
    for (const auto& [name, value] : choices) {
        if (name == text) {
            *out = value;
            return true;
        }
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    return Fail(Where(node.source()), key, "\"" + text + "\" is not one of " + names);
}

bool JobReader::ReadSetting(std::string_view key, const toml::node& node, LayerOverrides* settings,
                            bool* known) {
    *known = true;
    double v = 0.0;
    if (key == "mode") {
        LayerMode mode{};
        if (!ReadChoice(key, node, kModes, &mode)) return false;
        settings->mode = mode;
    } else if (key == "power") {
        if (!ReadNumber(key, node, kPower, &v)) return false;
        settings->power = v;
    } else if (key == "speed") {
        if (!ReadNumber(key, node, kSpeed, &v)) return false;
        settings->speed = v;
    } else if (key == "passes") {
        int64_t passes = 0;
        if (!ReadWhole(key, node, kPasses, &passes)) return false;
        settings->passes = static_cast<int>(passes);
    } else if (key == "hatch-spacing") {
        if (!ReadNumber(key, node, kHatchSpacing, &v)) return false;
        settings->hatchSpacing = v;
    } else if (key == "hatch-angle") {
        if (!ReadNumber(key, node, kHatchAngle, &v)) return false;
        settings->hatchAngle = v;
    } else if (key == "cross-hatch") {
        auto b = node.as_boolean();
        if (!b) return WrongType(key, node, "true or false");
        settings->crossHatch = b->get();
    } else {
        *known = false;
    }
    return true;
}

bool JobReader::ReadLayer(const toml::table& table) {
    JobLayer layer;
    bool hasColour = false;
    for (const auto& [key, node] : table) {
        bool known = false;
        if (!ReadSetting(key.str(), node, &layer.settings, &known)) return false;
        if (known) continue;
        if (key.str() != "colour") {
            return Fail(
                Where(key.source()), key.str(),
                "unknown key (a [[layer]] takes colour, " + std::string(kSettingKeys) + ")");
        }
        std::string text;
        if (!ReadText("colour", node, &text)) return false;
        hasColour = true;
        layer.where = Where(node.source());
        if (text == "other") continue;
        Colour colour;
        if (!ParseColour(text, &colour)) {
            return Fail(layer.where, "colour", "\"" + text + "\" is not a CSS colour or \"other\"");
        }
        layer.colour = colour;
    }
    if (!hasColour) {
        return Fail(Where(table.source()), "layer", "no colour (a CSS colour or \"other\")");
    }
    job_->layers.push_back(layer);
    return true;
}

bool JobReader::ReadText(const toml::table& table) {
    JobText text;
    text.where = Where(table.source());
    bool hasHeight = false;
    for (const auto& [key, node] : table) {
        bool known = false;
        if (!ReadSetting(key.str(), node, &text.settings, &known)) return false;
        if (known) continue;
        std::string_view k = key.str();
        bool ok = true;
        if (k == "value") {
            ok = ReadTemplate(node, &text.value);
        } else if (k == "font") {
            ok = ReadText(k, node, &text.font);
        } else if (k == "height") {
            ok = ReadNumber(k, node, kItemSize, &text.height);
            hasHeight = true;
        } else if (k == "x" || k == "y") {
            ok = ReadNumber(k, node, kItemOffset, k == "x" ? &text.x : &text.y);
        } else {
            return Fail(Where(key.source()), k,
                        "unknown key (a [[text]] takes value, font, height, x, y, " +
                            std::string(kSettingKeys) + ")");
        }
        if (!ok) return false;
    }
    if (text.value.empty()) return Fail(text.where, "text", "no value");
    if (!hasHeight) return Fail(text.where, "text", "no height (mm)");
    job_->texts.push_back(text);
    return true;
}

bool JobReader::ReadCode(const toml::table& table) {
    JobCode code;
    code.where = Where(table.source());
    bool hasType = false, hasSize = false;
    for (const auto& [key, node] : table) {
        bool known = false;
        if (!ReadSetting(key.str(), node, &code.settings, &known)) return false;
        if (known) continue;
        std::string_view k = key.str();
        bool ok = true;
        if (k == "type") {
            ok = ReadChoice(k, node, kCodeTypes, &code.type);
            hasType = true;
        } else if (k == "value") {
            ok = ReadTemplate(node, &code.value);
        } else if (k == "size") {
            ok = ReadNumber(k, node, kItemSize, &code.size);
            hasSize = true;
        } else if (k == "x" || k == "y") {
            ok = ReadNumber(k, node, kItemOffset, k == "x" ? &code.x : &code.y);
        } else {
            return Fail(Where(key.source()), k,
                        "unknown key (a [[code]] takes type, value, size, x, y, " +
                            std::string(kSettingKeys) + ")");
        }
        if (!ok) return false;
    }
    if (!hasType) return Fail(code.where, "code", "no type (datamatrix, qr or code128)");
    if (code.value.empty()) return Fail(code.where, "code", "no value");
    if (!hasSize) return Fail(code.where, "code", "no size (mm)");
    job_->codes.push_back(code);
    return true;
}

bool JobReader::ReadEntries(std::string_view key, const toml::node& node,
                            bool (JobReader::*read)(const toml::table&)) {
    std::string wanted = "[[" + std::string(key) + "]] tables";
    auto array = node.as_array();
    if (!array) return WrongType(key, node, wanted);
    for (const toml::node& entry : *array) {
        auto table = entry.as_table();
        if (!table) return WrongType(key, entry, wanted);
        if (!(this->*read)(*table)) return false;
    }
    return true;
}

bool JobReader::CheckColoursDistinct() {
    for (size_t i = 0; i < job_->layers.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (job_->layers[i].colour != job_->layers[j].colour) continue;
            return Fail(job_->layers[i].where, "colour",
                        "the layer at line " + std::to_string(job_->layers[j].where.line) +
                            " names this colour too");
        }
    }
    return true;
}

bool JobReader::ReadDocument(const toml::table& top) {
    for (const auto& [key, node] : top) {
        std::string_view k = key.str();
        bool ok = true;
        if (k == "layer") {
            ok = ReadEntries(k, node, &JobReader::ReadLayer);
        } else if (k == "text") {
            ok = ReadEntries(k, node, &JobReader::ReadText);
        } else if (k == "code") {
            ok = ReadEntries(k, node, &JobReader::ReadCode);
        } else if (k == "drawing") {
            std::string drawing;
            ok = ReadText(k, node, &drawing);
            std::filesystem::path folder = std::filesystem::path(path_).parent_path();
            job_->drawing = ok ? (folder / drawing).lexically_normal().string() : "";
        } else if (k == "first-serial") {
            int64_t serial = 0;
            ok = ReadWhole(k, node, Range{0.0, 9007199254740991.0, false, ""}, &serial);
            job_->firstSerial = serial;
        } else {
            return Fail(Where(key.source()), k,
                        "unknown key (a job file takes " + std::string(kTopKeys) + ")");
        }
        if (!ok) return false;
    }
    return CheckColoursDistinct();
}

}  // namespace

std::string JobError(std::string_view path, JobPosition where, std::string_view key,
                     std::string_view what) {
    std::string out(path);
    out += ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": ";
    out += std::string(key) + ": " + std::string(what);
    return out;
}

bool ParseJobFile(std::string_view text, const std::string& path, JobFile* job,
                  std::string* error) {
    *job = JobFile{};
    job->path = path;
    toml::parse_result parsed = toml::parse(text, path);
    if (!parsed) {
        const toml::parse_error& e = parsed.error();
        std::string_view what = e.description();
        constexpr std::string_view kPrefix = "Error while parsing ";
        if (what.substr(0, kPrefix.size()) == kPrefix) what.remove_prefix(kPrefix.size());
        *error = JobError(path, Where(e.source()), "not TOML", what);
        return false;
    }
    return JobReader(path, job, error).ReadDocument(parsed.table());
}

bool ReadJobFile(const std::string& path, JobFile* job, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        *error = path + ": cannot be read";
        return false;
    }
    return ParseJobFile(text.str(), path, job, error);
}

ResolvedLayer ResolveLayer(const JobFile& job, const LayerSettings& defaults, const Colour& colour,
                           uint32_t group, bool picture) {
    const LayerOverrides* rule = nullptr;
    if (group == 0) {
        for (const JobLayer& layer : job.layers) {
            if (layer.colour == colour) rule = &layer.settings;
            if (!layer.colour && !rule) rule = &layer.settings;
        }
    } else if (group - 1 < job.texts.size()) {
        rule = &job.texts[group - 1].settings;
    } else if (group - 1 - job.texts.size() < job.codes.size()) {
        rule = &job.codes[group - 1 - job.texts.size()].settings;
    }
    ResolvedLayer out{defaults, rule ? *rule : LayerOverrides{}};
    const LayerOverrides& g = out.given;
    LayerSettings& s = out.settings;
    if (picture) s.mode = LayerMode::kPicture;
    if (group != 0) s.mode = LayerMode::kFill;  // items are filled unless they say otherwise
    s.mode = g.mode.value_or(s.mode);
    s.power = g.power.value_or(s.power);
    s.speed = g.speed.value_or(s.speed);
    s.passes = g.passes.value_or(s.passes);
    s.hatchSpacing = g.hatchSpacing.value_or(s.hatchSpacing);
    s.hatchAngle = g.hatchAngle.value_or(s.hatchAngle);
    s.crossHatch = g.crossHatch.value_or(s.crossHatch);
    return out;
}

std::string_view LayerModeName(LayerMode mode) {
    for (const auto& [name, value] : kModes) {
        if (value == mode) return name;
    }
    return "fill";
}

std::string FormatJobFile(const std::vector<PlanLayer>& layers, double bitsPerMm,
                          const std::string& drawing) {
    std::string out =
        "# The layers of a drawing in drawing order, as `txorb layers --write` found them: edit\n"
        "# and use with --job. A key left out takes the command line's option; a layer of\n"
        "# colour \"other\" would take every colour no layer names.\n";
    if (!drawing.empty()) out += "drawing = " + Quoted(drawing) + "\n";
    std::vector<Colour> written;
    for (const PlanLayer& layer : layers) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", layer.colour.r, layer.colour.g,
                      layer.colour.b);
        char area[48];
        std::snprintf(area, sizeof area, "%.1f mm²",
                      bitsPerMm > 0 ? layer.stats.areaBits2 / (bitsPerMm * bitsPerMm) : 0.0);
        std::string about = "\n# " + std::string(layer.picture ? "picture, " : "") +
                            std::to_string(layer.stats.items) + " shapes, " + area;
        if (!layer.notMarked.empty()) about += ", marks nothing: " + layer.notMarked;
        bool again = false;
        for (const Colour& c : written) again = again || c == layer.colour;
        if (again) {
            out += about + "; its colour " + hex + " takes the settings above\n";
            continue;
        }
        written.push_back(layer.colour);
        const LayerSettings& s = layer.settings;
        out += about + "\n[[layer]]\ncolour = \"" + hex + "\"\n";
        out += "mode = \"" + std::string(LayerModeName(s.mode)) + "\"\n";
        out += "power = " + Number(s.power) + "\nspeed = " + Number(s.speed) + "\n";
        out += "passes = " + std::to_string(s.passes) + "\n";
        out += "hatch-spacing = " + Number(s.hatchSpacing) + "\n";
        out += "hatch-angle = " + Number(s.hatchAngle) + "\n";
        out += std::string("cross-hatch = ") + (s.crossHatch ? "true" : "false") + "\n";
    }
    return out;
}

}  // namespace txorb::drawing
