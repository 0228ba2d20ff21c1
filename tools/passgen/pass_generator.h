// A deterministic sample pass: the same options always give the same bytes.
//
//   KISS:  C0 09 "2026-11-28 10:14:00.000 UTC;215.0;0.0;435835000" C0
//          C0 00 A2 84 6A 60 A0 62 00 ... 03 F0 00 00 01 00 04 ... C0   housekeeping
//          C0 00 82 A0 A4 A6 40 40 60 ... 03 F0 "!4807.23N/..." C0     another station
//   log:   10:14:00 01 04 AD 00 ...                                     housekeeping
//          10:14:40 02 17 ...                                           other frame type
//
// A time stamp frame precedes every fourth housekeeping frame; frames of other
// stations, frames with the second header (callsign byte 0x64) and frames of
// type 2 are mixed in; values vary smoothly over the pass and some fields hold
// C0 and DB bytes, which the KISS file carries escaped.
//
// With randomFields the housekeeping frames keep their headers, frame type
// and times, but every field byte is drawn at random, as in real telemetry,
// whose values have fractions: 8E 0A at 44-45 -> Batt voltage 1067.29 V.
#pragma once

#include <cstdint>
#include <ostream>

namespace tavro::passgen {

struct PassOptions {
    static constexpr long long kSamplePassFrames = 300;
    long long frames = kSamplePassFrames;  // housekeeping frames
    std::uint64_t seed = 20261128;
    bool randomFields = false;  // housekeeping field bytes at random
};

struct PassCounts {
    long long housekeeping = 0;  // frames (KISS) and lines (log) that are records
    long long timeStamps = 0;
    long long otherFrames = 0;   // KISS frames that are neither
    long long otherLines = 0;    // log lines that are not housekeeping
};

// Writes the pass to kiss and / or log (either may be null), frame by frame.
PassCounts WritePass(const PassOptions& options, std::ostream* kiss, std::ostream* log);

}  // namespace tavro::passgen
