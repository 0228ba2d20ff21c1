// Reading the archive out, for tavro-cli --query and --archive-info: the
// beacons of a span of UTC time as a CSV file or a dump, and the archive's
// facts as text.
//
//   QueryTimeOf("2026-12-06")              -> 1796515200000 (midnight UTC)
//   QueryTimeOf("2026-12-06 10:17")        -> 1796552220000
//   QueryTimeOf("2026-12-06 10:17:04.5")   -> 1796552224500
//   QueryTimeOf("2026-12-06T10:17"), QueryTimeOf("2026-02-30") -> none
//
// The CSV is the export's (csv_writer.h) with the beacon's UTC time in front:
//   UTC time;OPS mode;Boot cnt;...;SMDH diff cnt;
//   2026-12-06 10:17:04.000;4.00;12.00;...;0.00;
//   ;4.00;13.00;...;0.00;                          a beacon without time
// The dump, tab-separated with LF, every value at full precision:
//   beacon  UTC time  receptions  layout  OPS mode  ...  SMDH diff cnt
//   1       2026-12-06 10:17:04.000  3  kiss  4  ...  0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive.h"
#include "session.h"

namespace tavro {

// YYYY-MM-DD[ hh:mm[:ss[.fff]]] in UTC (1 to 9 fraction digits, past the
// third dropped) -> milliseconds since 1970; none for any other text.
std::optional<std::int64_t> QueryTimeOf(std::string_view text);
// YYYY-MM-DD only: midnight UTC of that day.
std::optional<std::int64_t> DateOf(std::string_view text);

// The beacons of span in the archive's order, written with the exports'
// safety rules (WriteFileAtomically; "-" is standard output).
ExportResult ExportArchiveCsv(Archive& archive, const TimeSpan& span, const std::string& path, char decimalSeparator);
ExportResult ExportArchiveDump(Archive& archive, const TimeSpan& span, const std::string& path);

//   path: /home/me/.local/share/tavro/archive.sqlite
//   schema version: 1
//   beacons: 300
//   receptions: 900
//   beacons without time: 0
//   first time: 2026-12-06 10:14:03.250       ("-" when there is none)
//   last time: 2026-12-06 10:24:03.250
//   file size: 126976 bytes                   (left out for a server)
std::string ArchiveInfoText(const ArchiveInfo& info);

}  // namespace tavro
