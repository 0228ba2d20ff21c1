#include "csv_writer.h"

#include "two_decimals.h"

namespace tavro {

namespace {

// Room a line may need: every value at its longest, its ";", and CR LF.
constexpr std::size_t kRowRoom = kChannelCount * (kTwoDecimalsRoom + 1) + 2;

char* WriteCsvRow(char* p, const TelemetryRecord& r, char sep) {
    for (double v : r.Channels) {
        p = WriteTwoDecimals(p, v, sep);
        *p++ = ';';
    }
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

}  // namespace

std::string CsvHeader() {
    std::string out;
    for (const ChannelInfo& c : ChannelCatalogue) {
        out += c.name;
        out += ';';
    }
    return out + "\r\n";
}

void AppendCsvRow(std::string& out, const TelemetryRecord& r, char sep) {
    const auto line = std::make_unique_for_overwrite<char[]>(kRowRoom);
    out.append(line.get(), WriteCsvRow(line.get(), r, sep));
}

CsvPieces::CsvPieces(const RecordTable& table, char sep)
    : table_(table), separator_(sep), buffer_(std::make_unique_for_overwrite<char[]>(kPieceSize + kRowRoom)) {}

std::string_view CsvPieces::Next() {
    char* const start = buffer_.get();
    char* p = start;
    if (next_ < 0) {
        const std::string header = CsvHeader();
        p = std::copy(header.begin(), header.end(), p);
        next_ = 0;
    }
    // A line starts while the piece is below its size; the room behind holds it.
    const int count = table_.RecordCount();
    for (; next_ < count && static_cast<std::size_t>(p - start) < kPieceSize; ++next_)
        p = WriteCsvRow(p, table_[next_], separator_);
    return {start, static_cast<std::size_t>(p - start)};
}

std::string CsvText(const RecordTable& table, char sep) {
    std::string out;
    CsvPieces pieces(table, sep);
    for (std::string_view piece; !(piece = pieces.Next()).empty();) out += piece;
    return out;
}

}  // namespace tavro
