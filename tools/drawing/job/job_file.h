// Job files: what a user says about marking a drawing, per layer and per item, in TOML.
//
//   drawing = "logo.svg"        # optional, relative to the job file
//   first-serial = 1000         # optional, the first part's serial
//   [[layer]]                   # settings of one final colour of the drawing
//   colour = "#1a1aff"          # a CSS colour, or "other": every colour no layer names
//   mode = "fill"               # fill, outline, picture or skip
//   power = 40                  # % of full power
//   speed = 800                 # bits/ms
//   passes = 2
//   hatch-spacing = 30          # bits
//   hatch-angle = 45            # degrees
//   cross-hatch = false
//   [[text]]                    # lettering: value, font, height (mm), x, y (mm), settings
//   [[code]]                    # a symbol: type, value, size (mm), x, y (mm), settings
//
// Every key but a layer's colour is optional, and what a file leaves out stays open: the
// command line's options fill it, and tone mapping may choose it. Reading stops at the first
// thing wrong and names it as "FILE:LINE:COLUMN: key: what"; a caller then marks nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/model/colour.h"
#include "drawing/plan/mark_plan.h"

namespace txorb::drawing {

// Where something is written in a job file, 1-based.
struct JobPosition {
    uint32_t line = 0;
    uint32_t column = 0;
    bool operator==(const JobPosition&) const = default;
};

// The settings a job file gives for one layer or item; an empty field was not given.
struct LayerOverrides {
    std::optional<LayerMode> mode;
    std::optional<double> power;         // % of full power, 0..100
    std::optional<double> speed;         // bits/ms, above 0 and at most kMaxSpeed
    std::optional<int> passes;           // 1..kMaxPasses
    std::optional<double> hatchSpacing;  // bits, above 0 and at most 65535
    std::optional<double> hatchAngle;    // degrees, -360..360
    std::optional<bool> crossHatch;
    bool operator==(const LayerOverrides&) const = default;
};

inline constexpr double kMaxSpeed = 65535.0;  // bits/ms
inline constexpr int kMaxPasses = 1000;

struct JobLayer {
    std::optional<Colour> colour;  // empty: "other"
    LayerOverrides settings;
    JobPosition where;  // of its colour
    bool operator==(const JobLayer&) const = default;
};

// Lettering marked with the drawing. Its mode is fill unless the file says otherwise.
struct JobText {
    std::string value;        // a template: "SN {serial:06} {date:%Y-%m-%d}"
    std::string font;         // a font family; empty: the tool's own
    double height = 0.0;      // mm, the height of a capital letter
    double x = 0.0, y = 0.0;  // mm, its centre from the field's centre, y up
    LayerOverrides settings;
    JobPosition where;  // of its [[text]] header
    bool operator==(const JobText&) const = default;
};

enum class CodeType : uint8_t { kDataMatrix, kQr, kCode128 };

// A machine-readable symbol marked with the drawing, its modules filled (mode fill unless
// the file says otherwise).
struct JobCode {
    CodeType type = CodeType::kDataMatrix;
    std::string value;        // a template, as a text's
    double size = 0.0;        // mm, the symbol's width (code128: its length)
    double x = 0.0, y = 0.0;  // mm, its centre from the field's centre, y up
    LayerOverrides settings;
    JobPosition where;  // of its [[code]] header
    bool operator==(const JobCode&) const = default;
};

struct JobFile {
    std::string path;     // as given to the reader; errors name it
    std::string drawing;  // usable as is (made relative to the job file's folder); "" for none
    std::optional<int64_t> firstSerial;
    std::vector<JobLayer> layers;  // no two of one colour, at most one "other"
    std::vector<JobText> texts;
    std::vector<JobCode> codes;

    // The Drawing::Item group each item's shapes get: 0 is the drawing, then the texts, then
    // the codes, so that every item is a layer of its own with its own settings.
    uint32_t TextGroup(size_t i) const { return static_cast<uint32_t>(1 + i); }
    uint32_t CodeGroup(size_t i) const { return static_cast<uint32_t>(1 + texts.size() + i); }
};

// "FILE:LINE:COLUMN: key: what", the form of every job file error (also of later stages that
// find an item's value cannot be used).
std::string JobError(std::string_view path, JobPosition where, std::string_view key,
                     std::string_view what);

// Reads the job file at `path`. False with the error in *error, *job then unspecified.
bool ReadJobFile(const std::string& path, JobFile* job, std::string* error);
// The same from text already read; `path` names it in errors and places its drawing.
bool ParseJobFile(std::string_view text, const std::string& path, JobFile* job, std::string* error);

// The settings a layer is marked with and which of them the job file chose.
struct ResolvedLayer {
    LayerSettings settings;
    LayerOverrides given;  // tone mapping leaves these alone
};

// The settings of the layer of `colour` in `group` (see JobFile::TextGroup): for the drawing,
// the [[layer]] of that colour, else the "other" layer, else none; for an item, its own keys;
// merged over `defaults` (the command line's). A picture layer's mode is picture unless given.
ResolvedLayer ResolveLayer(const JobFile& job, const LayerSettings& defaults, const Colour& colour,
                           uint32_t group, bool picture);

// "fill", "outline", "picture", "skip".
std::string_view LayerModeName(LayerMode mode);

// A job file that gives every layer of `layers` the settings it was marked with, a comment
// line above each with its shapes and area (`bitsPerMm` converts it to mm²). A later layer
// of a colour already written is only noted, as it shares that layer's settings. `drawing`,
// unless empty, is written as the job's drawing (relative to where the job file goes).
std::string FormatJobFile(const std::vector<PlanLayer>& layers, double bitsPerMm,
                          const std::string& drawing = "");

}  // namespace txorb::drawing
