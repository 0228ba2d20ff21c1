// Time stamp frames: binary milliseconds -> time text, and the numbers after the text.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "time_stamp.h"

using namespace tavro;

// Text frames go through the KISS reader tests; here the calendar and number edges.
TEST(TimeStamp, MillisecondsAndNumbers) {
    const std::vector<std::uint8_t> notText = {0x1F, '2', ':', '0', '0', 'U', 'T', 'C'};  // 1F is not printable
    EXPECT_TRUE(ParseTimeStampFrame(notText, {}).text.ends_with(".531 UTC"));
    const struct { std::int64_t ms; const char* text; } times[] = {
        {-1, "1969-12-31 23:59:59.999 UTC"},          {951825600123, "2000-02-29 12:00:00.123 UTC"},
        {4102444800000, "2100-01-01 00:00:00.000 UTC"}, {253402300799999, "9999-12-31 23:59:59.999 UTC"},
    };
    for (const auto& c : times) EXPECT_EQ(MillisecondsToTimeText(c.ms), c.text) << c.ms;
    EXPECT_TRUE(MillisecondsToTimeText(INT64_MIN).ends_with(" UTC"));
    const struct { const char* field; double value; } numbers[] = {
        {"  -1.5e3xyz", -1500}, {"-", 0}, {"\t1", 0}, {"12,5", 12}, {"1e-400", 0}, {"1e400", INFINITY}, {"abc", 0},
    };
    for (const auto& c : numbers) EXPECT_EQ(LeadingNumber(c.field), c.value) << '"' << c.field << '"';
}
