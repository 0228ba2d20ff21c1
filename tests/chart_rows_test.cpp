// Chart row labels (hh:mm before "UTC") and the label spacing of the category axis.
#include <gtest/gtest.h>

#include "chart_rows.h"

using namespace tavro;

TEST(ChartRows, LabelsAndSpacing) {
    const struct { const char* timeText; int row; std::optional<std::string> label; } labels[] = {
        {"2026-12-06 23:59:58.250 UTC;1;2;3", 3, "23:59"}, {"xx 09:05:00.000 UTC UTC", 4, "09:05"},
        {"", 10000, "10000"}, {"no time here", 3, std::nullopt}, {"9:05:00.000 UTC", 1, std::nullopt},
        {"09:05:00.000 utc", 1, std::nullopt}, {"abcdefghijklmUTC", 1, "abcde"},  // whatever stands there
    };
    for (const auto& c : labels) EXPECT_EQ(RowLabel(c.timeText, c.row), c.label) << '"' << c.timeText << '"';
    const struct { int records, previous, spacing; } spacing[] = {
        {41, 0, 1}, {60, 0, 2}, {100, 0, 2}, {140, 0, 4}, {10000, 0, 250}, {40, 7, 7}, {0, 3, 3}, {59, 9, 1},
    };
    for (const auto& c : spacing) EXPECT_EQ(LabelSpacing(c.records, c.previous), c.spacing) << c.records;
}
