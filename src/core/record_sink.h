// Whoever keeps every housekeeping record a reader decodes, beside the
// table (the archive): the records the table has no room for, and the
// duplicates it merges away, too. A reader tells it of each record before
// the table keeps or drops it; with no sink set (CaptureState::sink null)
// reading costs nothing more.
//
//   KISS   C0 00 A2 84 ... C0   -> source = 00 A2 84 ... (the frame from its command byte on,
//                                  escapes undone, at most its first 512 bytes)
//   log    "12:34:56 01 00 ..." -> source = the line without its line end (its first
//                                  LogReader::kKeptChars characters)
//   SatNOGS                      -> source = 00 and the entry's frame, as KISS; stationId and
//                                  observer when the entry names them
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "record_table.h"

namespace tavro {

struct DecodedFrame {
    const TelemetryRecord& record;  // time text and the 47 values (stamp numbers for KISS)
    std::span<const std::uint8_t> source;
    bool logLine = false;           // decoded by the log layout, else by the KISS layout
    std::string_view stationId;     // a SatNOGS entry's "station_id" as text, else empty
    std::string_view observer;      // a SatNOGS entry's "observer", else empty
};

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void Decoded(const DecodedFrame& frame) = 0;
};

}  // namespace tavro
