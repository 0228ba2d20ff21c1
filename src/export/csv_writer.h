// CSV file of all records, lines ended by CR LF:
//   OPS mode;Boot cnt;...;SMDH diff cnt;      the 47 channel names, each followed by ";"
//   4.00;12.00;...;0.00;                      one line per record: the 47 values as "0.00"
// The decimal separator is the user's; there is no quoting.
#pragma once

#include <string>

#include "record_table.h"

namespace tavro {

std::string CsvText(const RecordTable& table, char decimalSeparator);

// The header line, and one record's line, as CsvText writes them.
std::string CsvHeader();
void AppendCsvRow(std::string& out, const TelemetryRecord& record, char decimalSeparator);

}  // namespace tavro
