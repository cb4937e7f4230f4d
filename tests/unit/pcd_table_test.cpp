// The power tables: built-in curves, the text files that override them, and the level lookup.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "list/pcd_table.h"
#include "list/vector_capture.h"
#include "support/test_env.h"

namespace txorb {
namespace {

list::PcdTable Defaults(list::PcdCurve curve) {
    list::PcdTable table;
    list::FillPcdDefaults(table, curve);
    return table;
}

TEST(PcdTable, BuiltInCurvesAndTheirLevels) {
    const struct {
        list::PcdCurve curve;
        int index;
        double percent;
        uint16_t level;
    } cases[] = {
        {list::PcdCurve::kOpen, 0, 17.7777777777778, 11651},
        {list::PcdCurve::kOpen, 56, 55.7141147736489, 36512},
        {list::PcdCurve::kOpen, 90, 100.0, 65535},
        {list::PcdCurve::kShut, 0, 0.0, 0},
        {list::PcdCurve::kShut, 45, 50.1111111111098, 32840},
        {list::PcdCurve::kShut, 69, 67.9999999999989, 44564},
        {list::PcdCurve::kShut, 90, 99.9999999999991, 65535},
    };
    for (const auto& c : cases) {
        const list::PcdTable table = Defaults(c.curve);
        EXPECT_EQ(table.entries[c.index].percent, c.percent) << c.index;
        EXPECT_EQ(table.entries[c.index].level, c.level) << c.index;
    }
    for (list::PcdCurve curve : {list::PcdCurve::kOpen, list::PcdCurve::kShut}) {
        const list::PcdTable table = Defaults(curve);
        for (int i = 1; i < list::kPcdEntryCount; ++i) {
            EXPECT_LT(table.entries[i - 1].percent, table.entries[i].percent) << i;
        }
    }
    // Without files beside the test program, the capture holds exactly the built-in tables.
    const list::VectorCapture capture;
    EXPECT_EQ(list::LookupPcdValue(capture.OpenTable(), 0.0), 11651);
    EXPECT_EQ(list::LookupPcdValue(capture.OpenTable(), 0.5), 32768);
    EXPECT_EQ(list::LookupPcdValue(capture.ShutTable(), 0.5), 32840);
}

TEST(PcdTable, LookupTakesTheIntegerPartAndClampsAtTheLastEntry) {
    const list::PcdTable open = Defaults(list::PcdCurve::kOpen);
    const list::PcdTable shut = Defaults(list::PcdCurve::kShut);
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const list::PcdTable* table;
        double fraction;
        uint16_t level;
    } cases[] = {
        {&open, 0.0111, 11651},  // 0.999: entry 0
        {&open, 0.0112, 12512},  // 1.008: entry 1
        {&open, -0.5, 32768},   {&shut, 7.5, 65535},          {&shut, -1.0, 65535},
        {&shut, inf, 65535},    {&shut, std::nan(""), 65535}, {&shut, 0.7746, 44564},  // entry 69
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list::LookupPcdValue(*c.table, c.fraction), c.level) << c.fraction;
    }
}

TEST(PcdTable, LeadingNumberParsing) {
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"  +12.5e1abc", 125.0}, {".5", 0.5},  {"3.", 3.0},  {"2e+", 2.0},    {".", 0.0},
        {"0x10", 0.0},           {"nan", 0.0}, {"inf", 0.0}, {"1e-999", 0.0}, {"12,5", 12.0},
    };
    for (const auto& c : cases) EXPECT_EQ(list::ParseLeadingNumber(c.text), c.value) << c.text;
    EXPECT_EQ(list::ParseLeadingNumber("1e999"), std::numeric_limits<double>::infinity());
}

TEST(PcdTable, FileOverridesEntriesLineByLine) {
    const list::PcdTable defaults = Defaults(list::PcdCurve::kOpen);
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += std::to_string(i) + "\n";
    std::string ninetyOne = "42.5;\r\n42.5 ;\r\n";
    for (int i = 2; i < 91; ++i) ninetyOne += "10\r\n";
    // 49 bytes are one line; the rest of a longer line is read as the next one.
    const std::string longLine = "33" + std::string(47, 'x') + "7\n";

    const struct {
        const char* name;
        std::optional<std::string> text;  // none: there is no file
        bool result;
        // Expected (index, percent, level); -1 percent means "the default".
        struct Entry {
            int index;
            double percent;
            uint16_t level;
        } entries[4];
    } cases[] = {
        {"short", "25\n\n", false, {{0, 25.0, 16384}, {1, -1, 0}, {2, -1, 0}, {90, -1, 0}}},
        {"crlf",
         ninetyOne,
         true,
         {{0, 42.5, 27852}, {1, 42.5, 27852}, {2, 10.0, 6554}, {90, 10.0, 6554}}},
        {"range",
         "150\n-1\n100\n0\n",
         false,
         {{0, 0.0, 0}, {1, 0.0, 0}, {2, 100.0, 65535}, {3, 0.0, 0}}},
        {"hundred",
         hundred,
         true,
         {{0, 0.0, 0}, {1, 1.0, 655}, {89, 89.0, 58326}, {90, 90.0, 58982}}},
        {"long", longLine, false, {{0, 33.0, 21627}, {1, 7.0, 4587}, {2, -1, 0}, {90, -1, 0}}},
        {"blank", " ; \r\n5\n", false, {{0, -1, 0}, {1, -1, 0}, {2, -1, 0}, {90, -1, 0}}},
        {"empty", "", false, {{0, -1, 0}, {1, -1, 0}, {2, -1, 0}, {90, -1, 0}}},
        {"missing", std::nullopt, false, {{0, -1, 0}, {1, -1, 0}, {2, -1, 0}, {90, -1, 0}}},
        {"words", "abc\nnan\n", false, {{0, 0.0, 0}, {1, 0.0, 0}, {2, -1, 0}, {90, -1, 0}}},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.File(std::string(c.name) + ".txt");
        if (c.text) test::WriteFile(path, *c.text);
        list::PcdTable table = defaults;
        EXPECT_EQ(list::LoadPcdFile(path.c_str(), table.entries, list::kPcdEntryCount), c.result)
            << c.name;
        for (const auto& e : c.entries) {
            const list::PcdEntry& want =
                e.percent < 0 ? defaults.entries[e.index] : list::PcdEntry{e.percent, e.level};
            EXPECT_EQ(table.entries[e.index].percent, want.percent) << c.name << " " << e.index;
            EXPECT_EQ(table.entries[e.index].level, want.level) << c.name << " " << e.index;
        }
    }
}

TEST(PcdTable, TrimmedLinesFollowTheFiftyByteReader) {
    const std::string text =
        std::string("12 ;\r\n") + std::string(49, 'a') + "b\n;;\n" + std::string("x\0yz", 4) + "\n";
    list::PcdTextSource source(text.data(), text.size());
    char line[list::kPcdLineBufferSize];
    const int expected[] = {2, 49, 1, 0, 1, 0};
    for (int want : expected) EXPECT_EQ(list::ReadTrimmedLine(line, sizeof line, source), want);
}

}  // namespace
}  // namespace txorb
