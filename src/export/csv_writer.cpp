#include "csv_writer.h"

#include "value_text.h"

namespace tavro {

std::string CsvHeader() {
    std::string out;
    for (const ChannelInfo& c : ChannelCatalogue) {
        out += c.name;
        out += ';';
    }
    return out + "\r\n";
}

void AppendCsvRow(std::string& out, const TelemetryRecord& r, char sep) {
    for (double v : r.Channels) {
        AppendTwoDecimals(out, v, sep);
        out += ';';
    }
    out += "\r\n";
}

std::string CsvText(const RecordTable& table, char sep) {
    std::string out;
    out.reserve(static_cast<std::size_t>(table.RecordCount() + 1) * kChannelCount * 8);
    out += CsvHeader();
    for (const TelemetryRecord& r : table.Records()) AppendCsvRow(out, r, sep);
    return out;
}

}  // namespace tavro
