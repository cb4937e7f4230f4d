// Fields of job texts: what a template fills in for a part, and where a bad one goes wrong.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "drawing/job/fields.h"

namespace txorb::drawing {
namespace {

// 2024-03-05 07:08:09 UTC; the tests run with TZ=UTC so local time is that.
constexpr std::chrono::system_clock::time_point kWhen{std::chrono::seconds(1709622489)};

TEST(Fields, ExpandSerialDateTimeAndBraces) {
    setenv("TZ", "UTC", 1);
    tzset();
    struct Case {
        const char* text;
        int64_t serial;
        const char* expanded;
        std::vector<FieldValue> values;
    };
    const Case cases[] = {
        {"SN {serial:06}  {date:%Y-%m-%d}",
         42,
         "SN 000042  2024-03-05",
         {{"serial", "000042"}, {"date", "2024-03-05"}}},
        {"{serial}", 1234567, "1234567", {{"serial", "1234567"}}},
        {"[{serial:4}]", 7, "[   7]", {{"serial", "   7"}}},
        {"{serial:03}", 123456, "123456", {{"serial", "123456"}}},
        {"{date} {time}", 0, "2024-03-05 07:08:09", {{"date", "2024-03-05"}, {"time", "07:08:09"}}},
        {"{time:%H%M} {date:%d.%m.%y %%}",
         0,
         "0708 05.03.24 %",
         {{"time", "0708"}, {"date", "05.03.24 %"}}},
        {"{{serial}} }}{{", 5, "{serial} }{", {}},
        {"plain", 5, "plain", {}},
        {"", 5, "", {}},
    };
    for (const Case& c : cases) {
        FieldTemplate t;
        FieldError error;
        ASSERT_TRUE(FieldTemplate::Parse(c.text, &t, &error)) << c.text << ": " << error.what;
        std::vector<FieldValue> values;
        EXPECT_EQ(t.Expand(c.serial, kWhen, &values), c.expanded) << c.text;
        EXPECT_EQ(values, c.values) << c.text;
        EXPECT_EQ(t.HasFields(), !c.values.empty()) << c.text;
    }
}

TEST(Fields, BadTemplatesNameColumnAndWhat) {
    struct Case {
        const char* text;
        size_t column;
        const char* what;  // the start of the message
    };
    const Case cases[] = {
        {"SN {seral:06}", 5, "unknown field 'seral'"},
        {"{}", 2, "a field without a name"},
        {"SN {serial:06", 4, "'{' without its '}'"},
        {"{serial {date}", 1, "'{' without its '}'"},
        {"a } b", 3, "'}' without its '{'"},
        {"{serial:x6}", 9, "a serial's width is a number"},
        {"{serial:123}", 9, "a serial's width is a number"},
        {"{serial:21}", 9, "a serial's width is 1 to 20"},
        {"{serial:0}", 9, "a serial's width is 1 to 20"},
        {"{date:%Y-%Q}", 10, "'%Q' is not a date or time conversion"},
        {"{time:%H%}", 9, "'%' is not a date or time conversion"},
        {"{date:}", 7, "an empty format"},
    };
    for (const Case& c : cases) {
        FieldTemplate t;
        FieldError error;
        EXPECT_FALSE(FieldTemplate::Parse(c.text, &t, &error)) << c.text;
        EXPECT_EQ(error.column, c.column) << c.text;
        EXPECT_EQ(error.what.rfind(c.what, 0), 0u) << c.text << ": " << error.what;
    }
}

}  // namespace
}  // namespace txorb::drawing
