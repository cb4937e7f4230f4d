#include "drawing/job/job_file.h"

#include <gtest/gtest.h>

namespace txorb::drawing {
namespace {

// The command line's settings in these tests; outline, so that a mode the file or the layer's
// kind chooses shows.
constexpr LayerMode kOut = LayerMode::kOutline, kFill = LayerMode::kFill;
const LayerSettings kDefaults{kOut, 100.0, 250.0, 1, 30.0, 0.0, false};
constexpr std::nullopt_t kNo = std::nullopt;  // a setting the file does not give

TEST(JobFile, GoodFilesGiveEachLayerItsRuleOverTheDefaults) {
    const char* kEveryKey =
        "[[layer]]\ncolour = \"navy\"\nmode = \"fill\"\npower = 40\nspeed = 800.5\npasses = 2\n"
        "hatch-spacing = 12.5\nhatch-angle = -45\ncross-hatch = true\n";
    const char* kOtherThenBlue =
        "[[layer]]\ncolour = \"other\"\npasses = 3\n"
        "[[layer]]\ncolour = \"rgb(0,0,255)\"\npower = 10\n";
    const char* kTextAndCode =
        "[[text]]\nvalue = \"SN\"\nheight = 3\npower = 60\n"
        "[[code]]\ntype = \"qr\"\nvalue = \"x\"\nsize = 8\npasses = 2\nmode = \"outline\"\n";
    struct Case {
        const char* what;
        const char* toml;
        Colour colour;
        uint32_t group;
        bool picture;
        LayerSettings settings;
        LayerOverrides given;  // mode, power, speed, passes, hatch-spacing, -angle, cross-hatch
    } cases[] = {
        // clang-format off
        {"every key, colour by name", kEveryKey, {0, 0, 128}, 0, false,
         {kFill, 40, 800.5, 2, 12.5, -45, true}, {kFill, 40, 800.5, 2, 12.5, -45, true}},
        {"#00f is rgb(0,0,255)", "[[layer]]\ncolour = \"#00f\"\npower = 40\n", {0, 0, 255}, 0, false,
         {kOut, 40, 250, 1, 30, 0, false}, {kNo, 40, kNo, kNo, kNo, kNo, kNo}},
        {"other takes an unnamed colour", kOtherThenBlue, {1, 2, 3}, 0, false,
         {kOut, 100, 250, 3, 30, 0, false}, {kNo, kNo, kNo, 3, kNo, kNo, kNo}},
        {"a named colour beats other", kOtherThenBlue, {0, 0, 255}, 0, false,
         {kOut, 10, 250, 1, 30, 0, false}, {kNo, 10, kNo, kNo, kNo, kNo, kNo}},
        {"no rule: a picture stays a picture", "[[layer]]\ncolour = \"red\"\n", {0, 0, 255}, 0, true,
         {LayerMode::kPicture, 100, 250, 1, 30, 0, false}, {}},
        {"an empty file", "", {0, 0, 0}, 0, false, kDefaults, {}},
        {"a text is filled, with its own keys", kTextAndCode, {0, 0, 0}, 1, false,
         {kFill, 60, 250, 1, 30, 0, false}, {kNo, 60, kNo, kNo, kNo, kNo, kNo}},
        {"a code after the texts", kTextAndCode, {0, 0, 0}, 2, false,
         {kOut, 100, 250, 2, 30, 0, false}, {kOut, kNo, kNo, 2, kNo, kNo, kNo}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        JobFile job;
        std::string error;
        ASSERT_TRUE(ParseJobFile(c.toml, "job.toml", &job, &error)) << error;
        ResolvedLayer r = ResolveLayer(job, kDefaults, c.colour, c.group, c.picture);
        EXPECT_EQ(r.settings, c.settings);
        EXPECT_EQ(r.given, c.given);
    }
}

TEST(JobFile, ItemsAndTheDrawingAreReadAsWritten) {
    JobFile job;
    std::string error;
    ASSERT_TRUE(ParseJobFile(R"(drawing = "art/../logo.svg"
first-serial = 1000
[[text]]
value = "SN {serial:06}"
font = "DejaVu Sans"
height = 3
x = 0
y = -20.5
[[code]]
type = "code128"
value = "SN{serial:06}"
size = 30
x = 25
)",
                             "jobs/job.toml", &job, &error))
        << error;
    EXPECT_EQ(job.drawing, "jobs/logo.svg");
    EXPECT_EQ(job.firstSerial, 1000);
    ASSERT_EQ(job.texts.size(), 1u);
    EXPECT_EQ(job.texts[0], (JobText{"SN {serial:06}", "DejaVu Sans", 3, 0, -20.5, {}, {3, 1}}));
    ASSERT_EQ(job.codes.size(), 1u);
    EXPECT_EQ(job.codes[0], (JobCode{CodeType::kCode128, "SN{serial:06}", 30, 25, 0, {}, {9, 1}}));
}

TEST(JobFile, BadFilesNameTheFileLineColumnAndKey) {
    const std::string kLayerKeys =
        " (a [[layer]] takes colour, mode, power, speed, passes, hatch-spacing, hatch-angle, "
        "cross-hatch)";
    struct Case {
        std::string toml;
        std::string error;
    } cases[] = {
        {"[[layer]]\ncolour = \"red\"\ncolur = 1\n",
         "job.toml:3:1: colur: unknown key" + kLayerKeys},
        {"drawng = \"a.svg\"\n",
         "job.toml:1:1: drawng: unknown key (a job file takes drawing, first-serial, [[layer]], "
         "[[text]], [[code]])"},
        {"[[layer]]\ncolour = \"blurple\"\n",
         "job.toml:2:10: colour: \"blurple\" is not a CSS colour or \"other\""},
        {"[[layer]]\ncolour = \"red\"\nmode = \"hatch\"\n",
         "job.toml:3:8: mode: \"hatch\" is not one of fill, outline, picture, skip"},
        {"[[layer]]\ncolour = \"red\"\npower = 120\n",
         "job.toml:3:9: power: 120 is out of range (0 to 100 %)"},
        {"[[layer]]\ncolour = \"red\"\nspeed = 0\n",
         "job.toml:3:9: speed: 0 is out of range (above 0, up to 65535 bits/ms)"},
        {"[[layer]]\ncolour = \"red\"\npasses = 2.5\n",
         "job.toml:3:10: passes: expected a whole number, found a floating-point number"},
        {"[[layer]]\ncolour = \"red\"\nhatch-spacing = nan\n",
         "job.toml:3:17: hatch-spacing: nan is out of range (above 0, up to 65535 bits)"},
        {"[[layer]]\ncolour = \"red\"\npower = \"40\"\n",
         "job.toml:3:9: power: expected a number, found a string"},
        {"[[layer]]\ncolour = \"red\"\ncross-hatch = 1\n",
         "job.toml:3:15: cross-hatch: expected true or false, found an integer"},
        {"[[layer]]\npower = 5\n", "job.toml:1:1: layer: no colour (a CSS colour or \"other\")"},
        {"[layer]\ncolour = \"red\"\n",
         "job.toml:1:1: layer: expected [[layer]] tables, found a table"},
        {"[[layer]]\ncolour = \"navy\"\n[[layer]]\ncolour = \"#000080\"\n",
         "job.toml:4:10: colour: the layer at line 2 names this colour too"},
        {"[[layer]]\ncolour = \"other\"\n[[layer]]\ncolour = \"other\"\n",
         "job.toml:4:10: colour: the layer at line 2 names this colour too"},
        {"[[text]]\nvalue = \"SN\"\n", "job.toml:1:1: text: no height (mm)"},
        {"[[text]]\nvalue = \"\"\n", "job.toml:2:9: value: empty"},
        {"[[text]]\nvalue = \"SN {seral}\"\n",
         "job.toml:2:14: value: unknown field 'seral' (serial, date or time)"},
        {"[[code]]\nvalue = \"\\u0041 {\"\n",
         "job.toml:2:9: value: '{' without its '}' (write '{{' for a brace)"},
        {"[[code]]\ntype = \"pdf417\"\n",
         "job.toml:2:8: type: \"pdf417\" is not one of datamatrix, qr, code128"},
        {"first-serial = -1\n",
         "job.toml:1:16: first-serial: -1 is out of range (0 to 9007199254740991)"},
        {"power = \n", "job.toml:1:9: not TOML: key-value pair: expected value, saw '\\n'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.toml);
        JobFile job;
        std::string error;
        EXPECT_FALSE(ParseJobFile(c.toml, "job.toml", &job, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(JobFile, WrittenLayersReadBackToTheSettingsTheyWereMarkedWith) {
    PlanLayer ink, photo, white;
    ink.colour = {26, 26, 255};
    ink.settings = {LayerMode::kFill, 37.5, 800, 2, 12.25, 45, true};
    ink.stats.items = 3;
    ink.stats.areaBits2 = 360000;
    photo.colour = {128, 128, 128};
    photo.picture = true;
    photo.settings = {LayerMode::kPicture, 100, 1000, 1, 30, 0, false};
    white.colour = {255, 255, 255};
    white.settings = {LayerMode::kSkip, 0, 250, 1, 30, -90, false};
    white.notMarked = "white";
    PlanLayer inkAgain = ink;
    inkAgain.picture = true;
    std::string text = FormatJobFile({ink, photo, white, inkAgain}, 600.0,  // 600 bits/mm
                                     "art/\"a\\b\".svg");
    EXPECT_NE(text.find("\n# 3 shapes, 1.0 mm²\n[[layer]]\ncolour = \"#1a1aff\"\n"),
              std::string::npos);
    EXPECT_NE(text.find("# 0 shapes, 0.0 mm², marks nothing: white\n"), std::string::npos);
    EXPECT_NE(text.find("# picture, 3 shapes, 1.0 mm²; its colour #1a1aff takes the settings "
                        "above\n"),
              std::string::npos);
    JobFile job;
    std::string error;
    ASSERT_TRUE(ParseJobFile(text, "written.toml", &job, &error)) << error;
    EXPECT_EQ(job.drawing, "art/\"a\\b\".svg");
    ASSERT_EQ(job.layers.size(), 3u);
    for (const PlanLayer& layer : {ink, photo, white}) {
        EXPECT_EQ(ResolveLayer(job, kDefaults, layer.colour, 0, false).settings, layer.settings);
    }
}

}  // namespace
}  // namespace txorb::drawing
