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
    // Room for 11 characters and ";" a value ("-1030000.00;"): a text that
    // outgrows its room is copied whole. Pages never written cost nothing.
    out.reserve(static_cast<std::size_t>(table.RecordCount() + 1) * kChannelCount * 12);
    out += CsvHeader();
    for (const TelemetryRecord& r : table.Records()) AppendCsvRow(out, r, sep);
    return out;
}

}  // namespace tavro
