// Rows of the channel chart: one per record.
//   RowLabel("2026-12-06 09:05:00.000 UTC", 1) -> "09:05"   (5 characters, 13 before "UTC")
//   RowLabel("", 7)                            -> "7"
//   RowLabel("no time here", 3)                -> nullopt   (the chart's default label)
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

std::optional<std::string> RowLabel(std::string_view timeText, int rowNumber);

// Rows between ticks and between labels once there are more than 40 records:
// RecordCount / 40, halves to even (60 -> 2, 100 -> 2, 140 -> 4, 10000 -> 250).
// With 40 or fewer records the previous spacing stays (0: automatic).
int LabelSpacing(int recordCount, int previousSpacing);

}  // namespace tavro
