// Codes: each symbol, drawn as its rectangles and read back by a barcode reader, gives its
// value; its size and quiet zone are the symbology's; values it cannot hold are errors.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "drawing/codes/make_code.h"

namespace txorb::drawing {
namespace {

constexpr double kPixelsPerMm = 40.0;

// The drawing as a grey picture (PGM), black where its dark rectangles are, white elsewhere.
void WritePgm(const Drawing& code, const std::string& path) {
    const PageBox& page = *code.page;
    const int w = static_cast<int>(page.width * kPixelsPerMm);
    const int h = static_cast<int>(page.height * kPixelsPerMm);
    std::string pixels(static_cast<size_t>(w) * h, '\xff');
    for (const Subpath& box : code.items[1].outline) {
        const Point a = box.start, b = box.segments[1].end;
        for (int y = 0; y < h; ++y) {
            const double my = page.y + (y + 0.5) / kPixelsPerMm;
            if (my < a.y || my > b.y) continue;
            for (int x = 0; x < w; ++x) {
                const double mx = page.x + (x + 0.5) / kPixelsPerMm;
                if (mx >= a.x && mx <= b.x) pixels[static_cast<size_t>(y) * w + x] = 0;
            }
        }
    }
    std::ofstream(path, std::ios::binary) << "P5 " << w << " " << h << " 255\n" << pixels;
}

std::string Output(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
    return out;
}

// The readers of the symbols, from Debian's zbar-tools and dmtx-utils: each prints the value.
constexpr const char* kZbar = "zbarimg";
constexpr const char* kDmtx = "dmtxread";

TEST(Codes, SymbolsReadBackAsTheirValueWithTheirQuietZone) {
    struct Case {
        CodeType type;
        const char* value;
        double size;
        CodeLayout layout;  // columns, rows, quiet columns and rows, from libzint
        const char* reader;
    };
    const Case cases[] = {
        {CodeType::kDataMatrix, "SN000001", 8, {12, 12, 1, 1}, kDmtx},
        {CodeType::kQr, "SN000001", 8, {21, 21, 4, 4}, kZbar},                       // version 1
        {CodeType::kQr, "https://example.com/p/000042", 12, {25, 25, 4, 4}, kZbar},  // version 2
        {CodeType::kCode128, "SN000001", 30, {101, 1, 10, 0}, kZbar},
    };
    const std::string pgm = "/tmp/txorb-code-" + std::to_string(getpid()) + ".pgm";
    for (const Case& c : cases) {
        Drawing code;
        std::string error;
        CodeLayout layout;
        ASSERT_TRUE(MakeCode(c.type, c.value, c.size, &code, &error, &layout)) << error;
        EXPECT_EQ(layout.columns, c.layout.columns) << c.value;
        EXPECT_EQ(layout.rows, c.layout.rows) << c.value;
        EXPECT_EQ(layout.quietColumns, c.layout.quietColumns) << c.value;
        EXPECT_EQ(layout.quietRows, c.layout.quietRows) << c.value;
        ASSERT_EQ(code.items.size(), 2u);
        EXPECT_EQ(code.items[1].outline.size(), layout.rectangles);
        const double module = c.size / layout.columns;
        const double height = c.type == CodeType::kCode128 ? c.size / 3 : c.size;
        EXPECT_DOUBLE_EQ(code.page->width, c.size + 2 * layout.quietColumns * module);
        EXPECT_DOUBLE_EQ(code.page->height, height + 2 * layout.quietRows * module);
        EXPECT_DOUBLE_EQ(code.page->x, -code.page->width / 2);
        EXPECT_EQ(code.items[0].fill->colour, (Colour{255, 255, 255}));
        if (Output("command -v " + std::string(c.reader)).empty()) {
            GTEST_SKIP() << c.reader << " is not installed";
        }
        WritePgm(code, pgm);
        const std::string options = c.reader == kZbar ? " -q --raw " : " ";
        const std::string read = Output(c.reader + options + pgm + " 2>/dev/null");
        EXPECT_EQ(read.substr(0, read.find_last_not_of('\n') + 1), c.value);
    }
    std::remove(pgm.c_str());
}

TEST(Codes, ValuesASymbologyCannotHoldAreErrors) {
    struct Case {
        CodeType type;
        std::string value;
        double size;
        const char* error;
    };
    const Case cases[] = {
        {CodeType::kDataMatrix, std::string(4000, 'a'), 8,
         "a Data Matrix cannot hold this value: Error 760: Data too long to fit in symbol"},
        {CodeType::kQr, "\xff", 8,
         "a QR code cannot hold this value: Error 245: Invalid UTF-8 in input data"},
        {CodeType::kCode128, "\xe6\x97\xa5", 8,
         "a Code 128 cannot hold this value: Error 204: Invalid character in input data "
         "(ISO/IEC 8859-1 only)"},
        {CodeType::kCode128, "", 8, "a Code 128 cannot hold this value: Error 778: No input data"},
        {CodeType::kQr, "1", 0, "a code's size is above 0 and at most 1000 mm"},
        {CodeType::kQr, "1", 1001, "a code's size is above 0 and at most 1000 mm"},
    };
    for (const Case& c : cases) {
        Drawing code;
        code.unitsPerMm = 7;
        std::string error;
        EXPECT_FALSE(MakeCode(c.type, c.value, c.size, &code, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(code.unitsPerMm, 7);  // unchanged
    }
}

}  // namespace
}  // namespace txorb::drawing
