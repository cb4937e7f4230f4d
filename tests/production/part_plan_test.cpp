// A part's plan: the job's items at their place in the field whatever the drawing's fit, each
// in layers of its own, what they cover cut from the drawing below them.
#include <gtest/gtest.h>

#include <chrono>

#include "drawing/items/part_plan.h"
#include "drawing/plan/plan.h"
#include "drawing/program/frame_program.h"

namespace txorb::drawing {
namespace {

constexpr double kBitsPerMm = 600.0;
constexpr int kSpacing = 30;  // the hatch spacing, bits: how far a fill's lines may stop short

Drawing BlackSquare(double side) {
    Drawing d;
    Item square;
    Subpath p;
    p.LineTo({side, 0});
    p.LineTo({side, side});
    p.LineTo({0, side});
    p.Close();
    square.outline.push_back(p);
    square.fill = Fill{};
    d.items.push_back(square);
    return d;
}

JobFile Job(const std::string& items) {
    JobFile job;
    std::string error;
    EXPECT_TRUE(ParseJobFile(items, "job.toml", &job, &error)) << error;
    return job;
}

bool PlanPart(const JobFile& job, const MarkPlan& drawing, MarkPlan* part, std::string* error) {
    PlanOptions o;
    o.raster.bitsPerMm = kBitsPerMm;
    PartPlanner planner;
    return PartPlanner::Prepare(job, drawing, o, LayerSettings{}, &planner, error) &&
           planner.Plan(7, std::chrono::system_clock::now(), part, nullptr, error);
}

TEST(PartPlan, ItemsLandAtTheirMillimetresFromTheFieldsCentre) {
    struct Row {
        const char* item;
        FieldBox box;  // of the modules: size in mm times 600 bits/mm around x, y (y up)
    } rows[] = {
        {"type = 'datamatrix'\nsize = 8\nx = 25\ny = -20", {{12600, -14400}, {17400, -9600}}},
        {"type = 'qr'\nsize = 10\nx = 0\ny = 0", {{-3000, -3000}, {3000, 3000}}},
        // Code 128: 30 mm long, a third of it high.
        {"type = 'code128'\nsize = 30\nx = -10\ny = 10", {{-15000, 3000}, {3000, 9000}}},
    };
    for (const Row& row : rows) {
        const JobFile job = Job(std::string("[[code]]\nvalue = 'SN{serial}'\n") + row.item);
        MarkPlan part;
        std::string error;
        ASSERT_TRUE(PlanPart(job, MarkPlan{}, &part, &error)) << error;
        const std::optional<FieldBox> box = MarkedBox(part);
        ASSERT_TRUE(box) << row.item;
        EXPECT_NEAR(box->low.x, row.box.low.x, kSpacing) << row.item;
        EXPECT_NEAR(box->low.y, row.box.low.y, kSpacing) << row.item;
        EXPECT_NEAR(box->high.x, row.box.high.x, kSpacing) << row.item;
        EXPECT_NEAR(box->high.y, row.box.high.y, kSpacing) << row.item;
    }
}

TEST(PartPlan, ACodesQuietZoneAndLetteringCutTheDrawingBelowThem) {
    PlanOptions o;
    o.fieldBits = 30000;  // the square fills 50 mm at 600 bits/mm
    MarkPlan logo;
    std::string error;
    ASSERT_TRUE(PlanDrawing(BlackSquare(100), o, &logo, &error)) << error;
    const JobFile job =
        Job("[[code]]\ntype = 'datamatrix'\nvalue = 'SN{serial:06}'\nsize = 8\nx = 0\ny = 0\n"
            "power = 40\n[[text]]\nvalue = 'SN {serial}'\nheight = 3\nx = 0\ny = -15\n");
    MarkPlan part;
    ASSERT_TRUE(PlanPart(job, logo, &part, &error)) << error;
    ASSERT_GE(part.layers.size(), logo.layers.size() + 2);
    EXPECT_EQ(part.layers.back().settings.power, 40.0);  // the code's own layer, painted last
    // What the symbol and its quiet zone stand on is not marked: production runs read the codes
    // back off the logo they cover (production_runs.py codes).
    EXPECT_LT(part.layers[0].stats.markLength, logo.layers[0].stats.markLength);
}

TEST(PartPlan, AValueItsCodeCannotHoldNamesTheFileLineAndItem) {
    const JobFile job =
        Job("[[text]]\nvalue = 'x'\nheight = 2\n\n[[code]]\ntype = 'code128'\n"
            "value = '\xe6\xbc\xa2{serial}'\nsize = 20\n");
    MarkPlan part;
    std::string error;
    EXPECT_FALSE(PlanPart(job, MarkPlan{}, &part, &error));
    EXPECT_EQ(error.rfind("job.toml:5:1: value: a Code 128 cannot hold this value", 0), 0u)
        << error;
}

}  // namespace
}  // namespace txorb::drawing
