// Chart row labels (hh:mm from the time text) and the label spacing of the category axis.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "chart_rows.h"

namespace tavro {
namespace {

TEST(RowLabel, Table) {
    const struct {
        const char* timeText;
        int row;
        std::optional<std::string> label;
    } cases[] = {
        {"09:05:00.000 UTC", 1, "09:05"},
        {"12:34:56.000 UTC", 2, "12:34"},
        {"2026-12-06 23:59:58.250 UTC", 3, "23:59"},
        {"2026-12-06 23:59:58.250 UTC;1;2;3", 3, "23:59"},
        {"xx 09:05:00.000 UTC UTC", 4, "09:05"},   // the first "UTC" counts
        {"", 7, "7"},
        {"", 10000, "10000"},
        {"no time here", 3, std::nullopt},
        {"9:05:00.000 UTC", 1, std::nullopt},       // "UTC" at position 13
        {"UTC 2026-12-06 09:05:00.000", 1, std::nullopt},
        {"09:05:00.000 utc", 1, std::nullopt},      // exact case only
        {"abcdefghijklmUTC", 1, "abcde"},          // "UTC" at position 14: whatever stands there
    };
    for (const auto& c : cases) EXPECT_EQ(RowLabel(c.timeText, c.row), c.label) << '"' << c.timeText << '"';
}

TEST(LabelSpacing, RecordsPerFortyHalvesToEven) {
    const struct {
        int records, previous, spacing;
    } cases[] = {
        {41, 0, 1}, {60, 0, 2},    {100, 0, 2},  {140, 0, 4},  {180, 0, 4},     {10000, 0, 250},
        {30, 2, 2}, {40, 7, 7},    {0, 3, 3},    {30, 0, 0},   {59, 9, 1},      {61, 9, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(LabelSpacing(c.records, c.previous), c.spacing) << c.records;
}

}  // namespace
}  // namespace tavro
