// CSV file of all records, lines ended by CR LF:
//   OPS mode;Boot cnt;...;SMDH diff cnt;      the 47 channel names, each followed by ";"
//   4.00;12.00;...;0.00;                      one line per record: the 47 values as "0.00"
// The decimal separator is the user's; there is no quoting.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "record_table.h"

namespace tavro {

// The file in pieces of whole lines, about kPieceSize bytes each, so that an
// export writes it while it is made and never holds all of it:
//   CsvPieces pieces(table, '.');
//   for (std::string_view piece; !(piece = pieces.Next()).empty();) write(piece);
// The table must not change while the pieces are taken.
class CsvPieces {
public:
    static constexpr std::size_t kPieceSize = 256 * 1024;

    CsvPieces(const RecordTable& table, char decimalSeparator);
    // The next piece, valid until the next call; empty after the last line.
    std::string_view Next();

private:
    const RecordTable& table_;
    char separator_;
    int next_ = -1;  // the next record's index; -1: the header comes first
    std::unique_ptr<char[]> buffer_;
};

// The whole text at once.
std::string CsvText(const RecordTable& table, char decimalSeparator);

// The header line, and one record's line, as CsvText writes them.
std::string CsvHeader();
void AppendCsvRow(std::string& out, const TelemetryRecord& record, char decimalSeparator);

}  // namespace tavro
