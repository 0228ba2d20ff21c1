#include "chart_rows.h"

#include <cmath>

namespace tavro {

std::optional<std::string> RowLabel(std::string_view timeText, int rowNumber) {
    if (timeText.empty()) return std::to_string(rowNumber);
    const auto utc = timeText.find("UTC");
    if (utc == std::string_view::npos || utc < 13) return std::nullopt;
    return std::string(timeText.substr(utc - 13, 5));
}

int LabelSpacing(int recordCount, int previousSpacing) {
    if (recordCount <= 40) return previousSpacing;
    return static_cast<int>(std::nearbyint(recordCount / 40.0));
}

}  // namespace tavro
