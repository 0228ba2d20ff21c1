// What one file (or one live connection) held, frame by frame: why a
// capture decoded to fewer records than expected.
//
//   file      bytes  frames  housekeeping  stamps text  stamps binary  other  junk  broken escapes  cut  bad  stored  not stored  duplicates
//   pass.kss  40512     401           300           75              0     26     0               0    0    0     300           0           0
//   total     40512     401           300           75              0     26     0               0    0    0     300           0           0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavro {

struct FramingReport {
    std::string file;
    long long bytes = 0;           // bytes read
    long long frames = 0;          // KISS frames (not empty ones), log lines (not empty ones), SatNOGS entries
    long long housekeeping = 0;    // frames with the satellite's header and frame type 1, stored or not
    long long stampsText = 0;      // time stamp frames in text form
    long long stampsBinary = 0;    // time stamp frames of 8 binary bytes
    long long other = 0;           // frames of other stations or types
    long long junkBytes = 0;       // before the first FEND of a capture
    long long brokenEscapes = 0;   // FESC before a byte other than TFEND or TFESC, or at a frame's end
    long long cutFrames = 0;       // longer than the 512-byte frame buffer: cut there
    long long badEntries = 0;      // log lines without a frame type, SatNOGS entries with a bad time or hex
    long long stored = 0;          // records stored
    long long notStored = 0;       // housekeeping frames not stored: the table was full
    long long duplicates = 0;      // housekeeping frames equal to a stored record (with merging)
    std::string error;             // why the file could not be read (to its end); empty: it was

    void Add(const FramingReport& other);
};

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
// PATH failed: reason" once the recording failed.
std::string LiveStatusText(const std::string& server, const std::string& state, const FramingReport& counts,
                           const std::string& recordingPath, const std::string& recordingError);

}  // namespace tavro
