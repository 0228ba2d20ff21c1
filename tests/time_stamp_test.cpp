// Time stamp frames of the receiving station -> time text and stamp numbers.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "time_stamp.h"

namespace tavro {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(ParseTimeStampFrame, TextFrames) {
    const std::array<double, 3> before = {4, 5, 6};
    const struct {
        std::string payload;
        std::string text;
        std::array<double, 3> numbers;
    } cases[] = {
        {"2026-12-06 11:07:56.120 UTC;1;2;3", "2026-12-06 11:07:56.120 UTC", {1, 2, 3}},
        {"2026-12-06 11:07:56.120 UTC", "2026-12-06 11:07:56.120 UTC", {4, 5, 6}},
        {"T;1", "T", {1, 5, 6}},
        {"T;1;2", "T", {1, 2, 6}},
        {"T;1;2;3;4;5", "T", {1, 2, 3}},            // fields beyond the fourth are ignored
        {"T; 1.5e3xyz;abc;-2", "T", {1500, 0, -2}},
        {"T;;;", "T", {0, 0, 0}},
        {";7", "", {7, 5, 6}},
        {"", "", {4, 5, 6}},
        {"12:00UTC", "12:00UTC", {4, 5, 6}},       // 8 printable bytes are text
        {std::string("t\x01x;2", 5), std::string("t\x01x", 3), {2, 5, 6}},
    };
    for (const auto& c : cases) {
        const auto bytes = Bytes(c.payload);
        const TimeStamp stamp = ParseTimeStampFrame(bytes, before);
        EXPECT_EQ(stamp.text, c.text) << c.payload;
        EXPECT_EQ(stamp.numbers, c.numbers) << c.payload;
    }
}

// Other software writes 8 big-endian bytes of milliseconds since 1970.
TEST(ParseTimeStampFrame, BinaryMilliseconds) {
    const std::array<double, 3> before = {4, 5, 6};
    const struct {
        std::vector<std::uint8_t> payload;
        std::string text;
    } cases[] = {
        {{0x00, 0x00, 0x01, 0x9A, 0xF6, 0x2E, 0x4D, 0x38}, "2025-12-07 00:20:20.920 UTC"},
        {{0, 0, 0, 0, 0, 0, 0, 0}, "1970-01-01 00:00:00.000 UTC"},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "1969-12-31 23:59:59.999 UTC"},
    };
    for (const auto& c : cases) {
        const TimeStamp stamp = ParseTimeStampFrame(c.payload, before);
        EXPECT_EQ(stamp.text, c.text);
        EXPECT_EQ(stamp.numbers, before);
    }
    // One byte outside 20..7E is enough: such 8 bytes are never text.
    for (const std::string text : {"12:00UT\x7F", "caf\xE9 UTC", "\x1F" "2:00UTC"}) {
        const std::string got = ParseTimeStampFrame(Bytes(text), before).text;
        EXPECT_NE(got, text);
        EXPECT_TRUE(got.ends_with(" UTC")) << got;
    }
    // Nine bytes are always text, whatever they hold.
    const std::vector<std::uint8_t> nine = {0, 0, 1, 0x9A, 0xF6, 0x2E, 0x4D, 0x38, 0};
    EXPECT_EQ(ParseTimeStampFrame(nine, before).text, std::string(nine.begin(), nine.end()));
}

TEST(MillisecondsToTimeText, Table) {
    const struct {
        std::int64_t ms;
        const char* text;
    } cases[] = {
        {0, "1970-01-01 00:00:00.000 UTC"},         {-1, "1969-12-31 23:59:59.999 UTC"},
        {951825600123, "2000-02-29 12:00:00.123 UTC"}, {4102444800000, "2100-01-01 00:00:00.000 UTC"},
        {253402300799999, "9999-12-31 23:59:59.999 UTC"},
    };
    for (const auto& c : cases) EXPECT_EQ(MillisecondsToTimeText(c.ms), c.text) << c.ms;
    for (std::int64_t ms : {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()}) {
        const std::string text = MillisecondsToTimeText(ms);
        EXPECT_TRUE(text.ends_with(" UTC")) << text;
    }
}

TEST(LeadingNumber, Table) {
    const struct {
        const char* field;
        double value;
    } cases[] = {
        {"1", 1},        {"  -1.5e3xyz", -1500}, {"abc", 0},     {"", 0},        {"+2.5", 2.5},  {".5", 0.5},
        {"5.", 5},       {"1e", 1},              {"1e+", 1},     {"2E2", 200},   {"-", 0},       {".", 0},
        {"\t1", 0},      {"12,5", 12},           {"1e-400", 0},  {"3 4", 3},     {"-0.25", -0.25},
    };
    for (const auto& c : cases) EXPECT_EQ(LeadingNumber(c.field), c.value) << '"' << c.field << '"';
    EXPECT_EQ(LeadingNumber("1e400"), std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace tavro
