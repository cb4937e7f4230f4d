// DXF drawings written by ezdxf at test time (Debian's python3-ezdxf) and by hand: their size
// and units, every entity kind as an item of its kind, colour and box, what is not marked,
// and files that cannot be read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>

#include "drawing/dxf/aci_colours.h"
#include "drawing/dxf/dxf_text.h"
#include "drawing/dxf/read_dxf.h"

namespace txorb::drawing {
namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();  // a box side not checked

// Writes the DXF files of the tests with ezdxf; empty when no Python has it.
std::string WriteDxfFiles(const std::string& dir) {
    const std::string script = dir + "/make.py";
    std::ofstream(script) << R"py(import ezdxf, math, sys
out = sys.argv[1]
for units, name, w, h in [(4, 'mm', 40, 20), (1, 'in', 40 / 25.4, 20 / 25.4), (5, 'cm', 4, 2),
                          (6, 'm', 0.04, 0.02), (0, 'none', 40, 20)]:
    doc = ezdxf.new('R2010'); doc.header['$INSUNITS'] = units
    doc.modelspace().add_lwpolyline([(0, 0), (w, 0), (w, h), (0, h)], close=True)
    doc.saveas(f'{out}/rect_{name}.dxf')
doc = ezdxf.new('R2010'); doc.header['$INSUNITS'] = 4
doc.layers.add('RED', color=1); doc.layers.add('OFF', color=3).off()
doc.layers.add('FROZEN', color=4).freeze()
m = doc.modelspace()
m.add_line((0, 0), (10, 0), dxfattribs={'layer': 'RED'})
m.add_circle((20, 0), 5, dxfattribs={'color': 5})
m.add_arc((40, 0), 5, 0, 90, dxfattribs={'true_color': 0x123456})
m.add_ellipse((60, 0), major_axis=(10, 0), ratio=0.5, start_param=0, end_param=math.pi)
m.add_ellipse((80, 0), major_axis=(0, 10), ratio=0.5)
m.add_open_spline([(0, 60), (0, 70), (10, 70), (10, 60)], degree=3)
m.add_open_spline([(20, 60), (25, 70), (30, 60)], degree=2)
m.add_lwpolyline([(0, 80, 0, 0, 1), (10, 80, 0, 0, 0)], format='xyseb')
m.add_polyline2d([(20, 80), (30, 80), (30, 90)], close=True)
m.add_solid([(0, 100), (10, 100), (0, 110), (10, 110)])
h = m.add_hatch(color=2); h.paths.add_polyline_path([(0, 120), (10, 120), (10, 130), (0, 130)])
h = m.add_hatch(); h.set_pattern_fill('ANSI31')
h.paths.add_polyline_path([(20, 120), (30, 120), (30, 130)])
h = m.add_hatch(color=6); e = h.paths.add_edge_path()
e.add_line((40, 120), (50, 120)); e.add_arc((50, 125), 5, -90, 90)
e.add_line((50, 130), (40, 130)); e.add_line((40, 130), (40, 120))
h = m.add_hatch(color=6); e = h.paths.add_edge_path()
e.add_line((60, 130), (70, 130)); e.add_arc((70, 125), 5, 90, -90, ccw=False)
e.add_line((70, 120), (60, 120)); e.add_line((60, 120), (60, 130))
m.add_point((0, 0))
m.add_line((0, 0), (1, 1), dxfattribs={'layer': 'OFF'})
m.add_line((0, 0), (1, 1), dxfattribs={'layer': 'FROZEN'})
inner = doc.blocks.new('INNER', base_point=(1, 1))
inner.add_line((1, 1), (3, 1), dxfattribs={'color': 0}); inner.add_circle((1, 1), 1)
outer = doc.blocks.new('OUTER')
outer.add_blockref('INNER', (0, 0), dxfattribs={'xscale': 2, 'yscale': 2, 'rotation': 90,
                                                 'color': 0})
m.add_blockref('OUTER', (100, 100), dxfattribs={'color': 1, 'layer': 'RED'})
m.add_text('HI', dxfattribs={'height': 5}).set_placement((0, 150))
m.add_mtext('A\\PB', dxfattribs={'char_height': 4, 'insert': (0, 170), 'attachment_point': 1})
doc.layout('Layout1').add_line((0, 0), (5, 5))
doc.saveas(f'{out}/entities.dxf')
)py";
    for (const char* python : {"python3", "/usr/bin/python3"}) {
        const std::string run = std::string(python) + " " + script + " " + dir + " 2>/dev/null";
        if (std::system(run.c_str()) == 0) return dir;
    }
    return {};
}

class DxfTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/txorb-dxf-XXXXXX";
        if (mkdtemp(dir) == nullptr) return;
        dir_ = dir;
        written_ = !WriteDxfFiles(dir_).empty();
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    void SetUp() override {
        if (!written_) GTEST_SKIP() << "no Python with ezdxf (python3-ezdxf)";
    }
    static Drawing Read(const std::string& name) {
        Drawing drawing;
        std::string error;
        EXPECT_TRUE(ReadDxfFile(dir_ + "/" + name, &drawing, &error)) << error;
        return drawing;
    }
    static inline std::string dir_;
    static inline bool written_ = false;
};

TEST_F(DxfTest, RectangleIs40By20MillimetresInEveryUnit) {
    const struct {
        const char* file;
        double unitsPerMm;  // from $INSUNITS
    } cases[] = {{"rect_mm.dxf", 1.0},
                 {"rect_in.dxf", 1 / 25.4},
                 {"rect_cm.dxf", 0.1},
                 {"rect_m.dxf", 0.001},
                 {"rect_none.dxf", 1.0}};
    for (const auto& c : cases) {
        const Drawing d = Read(c.file);
        EXPECT_DOUBLE_EQ(d.unitsPerMm, c.unitsPerMm) << c.file;
        ASSERT_TRUE(d.page) << c.file;
        EXPECT_NEAR(d.page->width / d.unitsPerMm, 40.0, 1e-9) << c.file;
        EXPECT_NEAR(d.page->height / d.unitsPerMm, 20.0, 1e-9) << c.file;
        EXPECT_NEAR(d.page->y / d.unitsPerMm, -20.0, 1e-9) << c.file;  // y turned down
        ASSERT_EQ(d.items.size(), 1u) << c.file;
        EXPECT_TRUE(d.items[0].fillableContour && d.items[0].stroke && !d.items[0].fill);
        EXPECT_EQ(d.items[0].stroke->width, 0.0);
    }
}

TEST_F(DxfTest, EntitiesBecomeItemsOfTheirKindColourAndBox) {
    enum Kind { kStroke, kClosed, kFill };
    const struct {
        Kind kind;
        Colour colour;
        double x0, y0, x1, y1;  // the item's box, y down
    } expected[] = {
        {kStroke, {255, 0, 0}, 0, 0, 10, 0},           // LINE on layer RED
        {kClosed, {0, 0, 255}, 15, -5, 25, 5},         // CIRCLE of colour 5
        {kStroke, {0x12, 0x34, 0x56}, 40, -5, 45, 0},  // ARC in a true colour
        {kStroke, {0, 0, 0}, 50, -5, 70, 0},           // half an ELLIPSE
        {kClosed, {0, 0, 0}, 75, -10, 85, 10},         // a whole one
        {kStroke, {0, 0, 0}, 0, -67.5, 10, -60},       // cubic SPLINE
        {kStroke, {0, 0, 0}, 20, -65, 30, -60},        // quadratic SPLINE
        {kStroke, {0, 0, 0}, 0, -80, 10, -75},         // LWPOLYLINE bulged into a half circle
        {kClosed, {0, 0, 0}, 20, -90, 30, -80},        // closed POLYLINE
        {kFill, {0, 0, 0}, 0, -110, 10, -100},         // SOLID
        {kFill, {255, 255, 0}, 0, -130, 10, -120},     // HATCH, solid
        {kFill, {0, 0, 0}, 20, -130, 30, -120},        // HATCH, a pattern
        {kFill, {255, 0, 255}, 40, -130, 55, -120},    // HATCH of edges, an arc
        {kFill, {255, 0, 255}, 60, -130, 70, -120},    // a clockwise arc, into the square
        {kStroke, {255, 0, 0}, 100, -104, 100, -100},  // BYBLOCK line through two INSERTs
        {kClosed, {255, 0, 0}, 98, -102, 102, -98},    // layer-0 circle through them
        {kFill, {0, 0, 0}, kNone, -155, kNone, -150},  // TEXT: its capitals 5 high
        {kFill, {0, 0, 0}, kNone, -170, kNone, -170 + 4 + 20.0 / 3},  // MTEXT of 2 lines
    };
    const Drawing d = Read("entities.dxf");
    ASSERT_EQ(d.items.size(), std::size(expected));
    for (size_t i = 0; i < d.items.size(); ++i) {
        const Item& item = d.items[i];
        const auto& e = expected[i];
        EXPECT_EQ(item.fill.has_value(), e.kind == kFill) << i;
        EXPECT_EQ(item.fillableContour, e.kind == kClosed) << i;
        EXPECT_EQ(item.fill ? item.fill->colour : item.stroke->colour, e.colour) << i;
        double box[4] = {1e9, 1e9, -1e9, -1e9};
        for (const Subpath& path : item.outline) {
            for (const Point& p : Flatten(path, 1e-5)) {
                box[0] = std::min(box[0], p.x), box[1] = std::min(box[1], p.y);
                box[2] = std::max(box[2], p.x), box[3] = std::max(box[3], p.y);
            }
        }
        const double want[4] = {e.x0, e.y0, e.x1, e.y1};
        for (int k = 0; k < 4; ++k) {
            if (!std::isnan(want[k])) {
                EXPECT_NEAR(box[k], want[k], 1e-3) << i << " side " << k;
            }
        }
    }
    // The clockwise arc's edges chained end to start: a 10 x 10 square less half a disc of 5.
    double area = 0;
    const std::vector<Point> ring = Flatten(d.items[13].outline.at(0), 1e-5);
    for (size_t i = 0; i + 1 < ring.size(); ++i) {
        area += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
    }
    EXPECT_NEAR(std::fabs(area) / 2, 100 - 12.5 * std::numbers::pi, 1e-3);
    EXPECT_EQ(d.notMarked, (std::map<std::string, size_t>{
                               {"HATCH patterns (filled solid)", 1},
                               {"POINT", 1},
                               {"entities in paper space", 1},
                               {"entities on layers that are off, frozen or not printed", 2}}));
}

TEST_F(DxfTest, EveryCutOfAFileReadsOrFailsWithItsName) {
    std::ifstream in(dir_ + "/entities.dxf");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t cut = 0; cut < text.size(); cut += text.size() / 97) {
        Drawing d;
        std::string error;
        if (!ReadDxfText(text.substr(0, cut), "cut.dxf", &d, &error)) {
            EXPECT_EQ(error.rfind("cut.dxf:", 0), 0u) << error;
        }
    }
}

// A DXF of groups written as "code value" pairs, one per line of `pairs`.
std::string Dxf(const std::string& pairs) {
    std::string out;
    size_t at = 0;
    while (at < pairs.size()) {
        size_t end = pairs.find('\n', at);
        if (end == std::string::npos) end = pairs.size();
        const std::string pair = pairs.substr(at, end - at);
        const size_t space = pair.find(' ');
        out += pair.substr(0, space) + "\n" +
               (space == std::string::npos ? "" : pair.substr(space + 1)) + "\n";
        at = end + 1;
    }
    return out;
}

TEST(DxfErrors, BadFilesNameTheirLineAndWhat) {
    std::string deep = "0 SECTION\n2 BLOCKS\n";
    for (int i = 0; i < 18; ++i) {
        deep += "0 BLOCK\n2 B" + std::to_string(i) + "\n0 INSERT\n2 B" + std::to_string(i + 1) +
                "\n0 ENDBLK\n";
    }
    deep += "0 ENDSEC\n0 SECTION\n2 ENTITIES\n0 INSERT\n2 B0\n0 ENDSEC\n0 EOF";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"AutoCAD Binary DXF\r\n\x1a",
         "t.dxf:1: a binary DXF; this reader takes DXF saved as text (ASCII)"},
        {Dxf("0 SECTION\nx ENTITIES"), "t.dxf:3: a group code is a number, not 'x'"},
        {Dxf("10 1.0"), "t.dxf:1: the file does not start with a group of code 0"},
        {"0\nSECTION\n2\n", "t.dxf:3: group code 2 without its value at the end of the file"},
        {Dxf("0 SECTION\n2 ENTITIES\n0 LINE\n10 abc"),
         "t.dxf:8: LINE: group code 10 holds 'abc', not a number within +-1e12"},
        {Dxf("0 SECTION\n2 ENTITIES\n0 LINE\n11 1e13"),
         "t.dxf:8: LINE: group code 11 holds '1e13', not a number within +-1e12"},
        {Dxf("0 SECTION\n2 ENTITIES\n0 CIRCLE\n40 0\n0 EOF"),
         "t.dxf:5: CIRCLE: a radius of 0.000000"},
        {Dxf("0 SECTION\n2 ENTITIES\n0 SPLINE\n71 3\n40 0\n40 1\n10 0\n20 0\n10 1\n20 0\n10 2\n20 "
             "0\n10 3\n20 0\n0 EOF"),
         "t.dxf:5: SPLINE: a spline's 2 knots do not fit 4 control points of degree 3 (8 rising "
         "knots expected)"},
        {Dxf("0 SECTION\n2 BLOCKS\n0 BLOCK\n2 A\n0 INSERT\n2 a\n0 ENDBLK\n0 ENDSEC\n0 SECTION\n2 "
             "ENTITIES\n0 INSERT\n2 A\n0 EOF"),
         "t.dxf:9: INSERT: block 'A' is placed inside itself"},
        {Dxf(deep), "t.dxf:159: INSERT: blocks nested more than 16 deep"},
    };
    for (const auto& c : cases) {
        Drawing d;
        d.unitsPerMm = 7;
        std::string error;
        EXPECT_FALSE(ReadDxfText(c.text, "t.dxf", &d, &error)) << c.error;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(d.unitsPerMm, 7);  // untouched
    }
}

TEST(DxfText, CodesOfTextAndMTextBecomeTheirCharacters) {
    EXPECT_EQ(PlainText("45%%d %%p0.1 %%c8 100%%% %%uA%%u \\U+00e9 caf\xe9"),
              "45\u00b0 \u00b10.1 \u23008 100% A \u00e9 caf\u00e9");  // Latin-1 read as such
    EXPECT_EQ(MTextLines("{\\fArial|b1;Bold}\\Pline \\H2.5x;two\\P\\S1^2;\\~\\{x\\}\\\\"),
              (std::vector<std::string>{"Bold", "line two", "1/2 {x}\\"}));
}

TEST(DxfColours, IndexColoursAsPrinted) {
    const struct {
        int index;
        Colour colour;
    } cases[] = {{1, {255, 0, 0}},    {5, {0, 0, 255}},    {7, {0, 0, 0}},
                 {-3, {0, 255, 0}},   {30, {255, 127, 0}}, {45, {153, 133, 76}},
                 {249, {76, 38, 47}}, {250, {51, 51, 51}}, {255, {255, 255, 255}},
                 {256, {0, 0, 0}}};
    for (const auto& c : cases) EXPECT_EQ(AciColour(c.index), c.colour) << c.index;
}

}  // namespace
}  // namespace txorb::drawing
