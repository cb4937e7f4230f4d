// Placing drawings in the field: scale, centre, direction of y, rounding, and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "cli/fit.h"

namespace txorb::cli {
namespace {

Drawing Read(const std::string& body) {
    const SvgReadResult r = ReadSvgText("<svg>" + body + "</svg>", "t.svg");
    EXPECT_TRUE(r.ok) << r.error;
    return r.drawing;
}

// Outlines only, in the drawing's order: the placement alone.
FitOptions Outlines(double field, double tolerance, bool flipY) {
    FitOptions o;
    o.fieldBits = field;
    o.toleranceBits = tolerance;
    o.flipY = flipY;
    o.hatch.fill = false;
    o.order = PathOrder::kInput;
    return o;
}

std::string Points(const FittedJob& job) {
    std::string out;
    for (const auto& line : job.polylines) {
        if (!out.empty()) out += " | ";
        for (size_t i = 0; i < line.size(); ++i) {
            out += (i ? " " : "") + std::to_string(line[i].x) + "," + std::to_string(line[i].y);
        }
    }
    return out;
}

TEST(Fit, PlacesTheDrawingInTheField) {
    struct Case {
        const char* what;
        std::string body;
        FitOptions options;
        const char* points;
    };
    const Case cases[] = {
        {"wide rectangle: width fills the field, centred, y up",
         "<rect x='100' y='100' width='100' height='50'/>", Outlines(1000, 1, true),
         "-500,250 500,250 500,-250 -500,-250 -500,250"},
        {"tall drawing: height fills the field", "<line x1='0' y1='0' x2='10' y2='40'/>",
         Outlines(1000, 1, true), "-125,500 125,-500"},
        {"y kept as drawn", "<line x1='0' y1='0' x2='10' y2='40'/>", Outlines(1000, 1, false),
         "-125,-500 125,500"},
        {"the whole 16-bit field", "<line x1='0' y1='0' x2='1' y2='0'/>", Outlines(65535, 1, true),
         "-32767,0 32767,0"},
        {"moves shorter than a bit vanish, a path of one point is dropped",
         "<polyline points='0,0 0.0001,0 10,0'/><line x1='5' y1='5' x2='5.0001' y2='5'/>",
         Outlines(100, 1, true), "-50,25 50,25"},
        {"what a clip cuts off does not count",
         "<clipPath id='c'><rect width='10' height='10'/></clipPath>"
         "<line x1='0' y1='0' x2='100' y2='0' clip-path='url(#c)'/><line x1='0' y1='10' x2='10' "
         "y2='10'/>",
         // (the clipper hands the cut line back from its other end)
         Outlines(100, 1, true), "50,50 -50,50 | -50,-50 50,-50"},
        {"order of paths kept",
         "<line x1='10' y1='0' x2='0' y2='0'/><line x1='0' y1='10' x2='10' y2='10'/>",
         Outlines(20, 1, true), "10,10 -10,10 | -10,-10 10,-10"},
    };
    for (const Case& c : cases) {
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(Read(c.body), c.options, &job, &error)) << c.what << ": " << error;
        EXPECT_EQ(Points(job), c.points) << c.what;
    }
}

TEST(Fit, PagePlacementTurnsMirrorsAndMoves) {
    // A 10-unit line at the left of a 100 x 50 page, the page mapped onto a 1000-bit field.
    const std::string page = "<svg viewBox='0 0 100 50'><line x1='0' y1='0' x2='10' y2='0'/></svg>";
    struct Case {
        const char* what;
        FitMode mode;
        int rotate;
        char mirror;
        double offsetX, offsetY;
        const char* points;
    };
    const Case cases[] = {
        {"drawing: the line fills the field", FitMode::kDrawing, 0, 0, 0, 0, "-500,0 500,0"},
        {"page: the line keeps its place on the page", FitMode::kPage, 0, 0, 0, 0,
         "-500,250 -400,250"},
        {"a quarter turn clockwise", FitMode::kPage, 90, 0, 0, 0, "250,500 250,400"},
        {"half a turn", FitMode::kPage, 180, 0, 0, 0, "500,-250 400,-250"},
        {"three quarters", FitMode::kPage, 270, 0, 0, 0, "-250,-500 -250,-400"},
        {"mirrored left to right", FitMode::kPage, 0, 'x', 0, 0, "500,250 400,250"},
        {"mirrored top to bottom", FitMode::kPage, 0, 'y', 0, 0, "-500,-250 -400,-250"},
        {"moved after turning", FitMode::kPage, 90, 0, 100, -50, "350,450 350,350"},
    };
    for (const Case& c : cases) {
        const SvgReadResult r = ReadSvgText(page, "t.svg");
        ASSERT_TRUE(r.ok);
        FitOptions o = Outlines(1000, 1, true);
        o.mode = c.mode;
        o.rotate = c.rotate;
        o.mirror = c.mirror;
        o.offsetX = c.offsetX;
        o.offsetY = c.offsetY;
        FittedJob job;
        std::string error;
        ASSERT_TRUE(FitDrawing(r.drawing, o, &job, &error)) << c.what << error;
        EXPECT_EQ(Points(job), c.points) << c.what;
    }
}

TEST(Fit, CountsMovesAndLengths) {
    FittedJob job;
    std::string error;
    ASSERT_TRUE(
        FitDrawing(Read("<polyline points='0,0 30,0 30,40'/><line x1='0' y1='40' x2='0' y2='0'/>"),
                   Outlines(40, 1, false), &job, &error));
    EXPECT_EQ(Points(job), "-15,-20 15,-20 15,20 | -15,20 -15,-20");
    EXPECT_EQ(job.markMoves, 3u);
    EXPECT_DOUBLE_EQ(job.markLength, 30 + 40 + 40);
    EXPECT_DOUBLE_EQ(job.jumpLength, 25 + 30);  // from the centre, then from 15,20 to -15,20
}

TEST(Fit, CurvesWithinTheToleranceInBits) {
    // A circle of radius 1 drawn at field 20000: radius 10000 bits. Every chord's middle must
    // stay within the tolerance (plus half a bit of rounding at each end) of the circle.
    for (const double tolerance : {0.5, 2.0, 8.0}) {
        FittedJob job;
        std::string error;
        ASSERT_TRUE(
            FitDrawing(Read("<circle r='1'/>"), Outlines(20000, tolerance, true), &job, &error));
        const auto& line = job.polylines.at(0);
        double worst = 0;
        for (size_t i = 1; i < line.size(); ++i) {
            const double mx = (line[i - 1].x + line[i].x) / 2.0;
            const double my = (line[i - 1].y + line[i].y) / 2.0;
            worst = std::max(worst, std::fabs(std::hypot(mx, my) - 10000.0));
        }
        EXPECT_LE(worst, tolerance + 0.71) << tolerance;
        EXPECT_EQ(line.front(), line.back());
    }
}

TEST(Fit, Refusals) {
    struct Case {
        std::string body;
        FitOptions options;
        const char* error;
    };
    const Case cases[] = {
        {"<line x1='0' y1='0' x2='1' y2='1'/>", Outlines(0, 1, true),
         "the field must be between 1 and 65535 bits wide"},
        {"<line x1='0' y1='0' x2='1' y2='1'/>", Outlines(65536, 1, true),
         "the field must be between 1 and 65535 bits wide"},
        {"<line x1='0' y1='0' x2='1' y2='1'/>", Outlines(100, 0, true),
         "the flattening tolerance must be above 0"},
        {"<text> </text><line x2='1' fill='none'/>", Outlines(100, 1, true),
         "the drawing holds no shape to mark"},
        {"<line x1='3' y1='3' x2='3' y2='3'/>", Outlines(100, 1, true),
         "the drawing's shapes have no extent"},
    };
    for (const Case& c : cases) {
        FittedJob job;
        std::string error;
        EXPECT_FALSE(FitDrawing(Read(c.body), c.options, &job, &error)) << c.body;
        EXPECT_EQ(error, c.error) << c.body;
    }
}

}  // namespace
}  // namespace txorb::cli
