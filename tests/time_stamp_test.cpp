// Time stamp frames: binary milliseconds -> time text, and the numbers after the text.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "time_stamp.h"

using namespace tavro;

static TimeStamp Parse(const std::string& payload, std::array<double, 3> numbers) {
    TimeStamp stamp{"left from the last frame", numbers};
    ParseTimeStampFrame(std::vector<std::uint8_t>(payload.begin(), payload.end()), stamp);
    return stamp;
}

TEST(TimeStamp, FramesTimesAndNumbers) {
    const struct { std::string payload, text; std::array<double, 3> numbers; } frames[] = {
        {"T;1;2;3;4", "T", {1, 2, 3}}, {"T;;+.5e1x", "T", {0, 5, 6}}, {" ~~~~~~~", " ~~~~~~~", {4, 5, 6}},
        {std::string(9, '\0'), std::string(9, '\0'), {4, 5, 6}},  // 8 bytes 20..7E and any 9 bytes are text
    };
    for (const auto& c : frames) {
        EXPECT_EQ(Parse(c.payload, {4, 5, 6}).text, c.text) << c.payload;
        EXPECT_EQ(Parse(c.payload, {4, 5, 6}).numbers, c.numbers) << c.payload;
    }
    // Other 8 bytes: big-endian milliseconds since 1970, while the year has four digits;
    // 10000-01-01 and later (the top bit set too, "\x1F" "2:00UTC") stay text.
    const struct { std::uint64_t ms; const char* text; } binary[] = {
        {253402300799999, "9999-12-31 23:59:59.999 UTC"}, {253402300800000, nullptr}, {0x8000000000000001, nullptr},
        {0xFFFFFFFFFFFFFFFF, nullptr}, {1, "1970-01-01 00:00:00.001 UTC"}, {0x1F323A3030555443, nullptr},
        {0x0000019AF62E4D38, "2025-12-07 00:20:20.920 UTC"},
    };
    for (const auto& c : binary) {
        std::string payload;
        for (int k = 7; k >= 0; --k) payload += static_cast<char>(c.ms >> (8 * k));
        EXPECT_EQ(Parse(payload, {}).text, c.text ? c.text : payload) << c.ms;
    }
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
