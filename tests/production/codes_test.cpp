// Codes: each symbol's modules, size and quiet zone are the symbology's; values it cannot hold
// are errors. That the modules read back as the value, by zbarimg and dmtxread, production
// runs show on the pictures of marked parts (production_runs.py codes).
#include <gtest/gtest.h>

#include "drawing/codes/make_code.h"

namespace txorb::drawing {
namespace {

TEST(Codes, SymbolsHaveTheirModulesSizeAndQuietZone) {
    struct Case {
        CodeType type;
        const char* value;
        double size;
        CodeLayout layout;  // columns, rows, quiet columns and rows, from libzint
    };
    const Case cases[] = {
        {CodeType::kDataMatrix, "SN000001", 8, {12, 12, 1, 1}},
        {CodeType::kQr, "SN000001", 8, {21, 21, 4, 4}},                       // version 1
        {CodeType::kQr, "https://example.com/p/000042", 12, {25, 25, 4, 4}},  // version 2
        {CodeType::kCode128, "SN000001", 30, {101, 1, 10, 0}},
    };
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
    }
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
