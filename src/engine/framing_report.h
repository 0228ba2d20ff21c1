// The framing report's texts: the table of what each file held, why a file
// gave no records, and the live status line.
//
//   file      bytes  frames  housekeeping  stamps text  stamps binary  other  junk  broken escapes  cut  bad  stored  not stored  duplicates
//   pass.kss  40512     401           300           75              0     26     0               0    0    0     300           0           0
//   total     40512     401           300           75              0     26     0               0    0    0     300           0           0
#pragma once

#include <string>
#include <vector>

#include "framing_counts.h"

namespace tavro {

// The table's cells: a header row, one row per report, and a total row.
std::vector<std::vector<std::string>> ReportRows(const std::vector<FramingReport>& reports);

// The cells as text: columns padded to their widest cell, numbers to the
// right, rows ended by LF.
std::string AlignedTable(const std::vector<std::vector<std::string>>& rows);

// For a file that gave no records, why:
//   "no housekeeping frames in pass.txt (412 frames of other stations or types)"
// Empty when the file gave records or could not be read.
std::string NoRecordsText(const FramingReport& report);

// The status line of a live connection:
//   "localhost:8001 connected; 413 frames, 300 records, 0 not stored; recording /d/tavro_live_20261206_101403.kss"
// with "(table full)" after a count of frames not stored, and "recording to
// PATH failed: reason" once the recording failed; no recording part before
// the connection is made (recordingPath empty).
std::string LiveStatusText(const std::string& server, const std::string& state, const FramingReport& counts,
                           const std::string& recordingPath, const std::string& recordingError);

}  // namespace tavro
