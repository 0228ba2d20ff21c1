// What one file (or one live connection) held, frame by frame: why a
// capture decoded to fewer records than expected.
//
//   file      bytes  frames  housekeeping  stamps text  stamps binary  other  junk  broken escapes  cut  bad  stored  not stored  duplicates
//   pass.kss  40512     401           300           75              0     26     0               0    0    0     300           0           0
//   total     40512     401           300           75              0     26     0               0    0    0     300           0           0
#pragma once

#include <array>
#include <string>

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

// Every count with its column title, in the report's order: the one list
// that Add() sums and the report's table shows.
struct FramingCount {
    const char* title;
    long long FramingReport::*member;
};
extern const std::array<FramingCount, 13> kFramingCounts;

}  // namespace tavro
