// The session's answers to the chart: the rows of one channel and the
// read-out of one record.
#include "session.h"
#include "time_axis.h"
#include "value_text.h"

namespace tavro {

std::vector<ChartRow> Session::ChartRows(int channel) const {
    std::vector<ChartRow> rows;
    if (channel < 0 || channel >= kChannelCount) return rows;
    rows.reserve(static_cast<std::size_t>(RecordCount()));
    for (int r = 0; r < RecordCount(); ++r) {
        const TelemetryRecord& record = table_[r];
        rows.push_back({record.Channels[static_cast<std::size_t>(channel)], PrintableText(record.TimeText)});
    }
    return rows;
}

std::string Session::ChartReadout(int index, int channel) const {
    if (index < 0 || index >= RecordCount() || channel < 0 || channel >= kChannelCount) return {};
    const TelemetryRecord& record = table_[index];
    // Appended piece by piece: g++ 12 at -O3 warns falsely on "literal" + string.
    std::string text = "#";
    text += std::to_string(index + 1);
    if (!record.TimeText.empty()) text.append("  ").append(PrintableText(record.TimeText));
    text.append("\n").append(DisplayText(channel, record.Channels[static_cast<std::size_t>(channel)], separator_));
    const std::string_view unit = ChannelCatalogue[static_cast<std::size_t>(channel)].unit;
    if (!unit.empty()) text.append(" ").append(unit);
    return text;
}

}  // namespace tavro
