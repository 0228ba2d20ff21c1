// SatNOGS frame exports: the database's JSON, or its CSV download.
//
//   [{"timestamp": "2026-12-06T10:14:03.250Z", "frame": "a2846a60a0620...", ...}, ...]
//   2026-12-06 10:14:03|A2846A60A0620...|...          (LF, CR LF or CR; blank lines skipped)
//
// A file whose first non-blank character is "[" is JSON, any other is CSV.
//   time:  YYYY-MM-DD hh:mm:ss or YYYY-MM-DDThh:mm:ss, a fraction .d... and
//          a Z optional, blanks around  -> "YYYY-MM-DD hh:mm:ss.fff UTC"
//          (".5" -> ".500", ".123456" -> ".123", none -> ".000")
//   frame: the AX.25 frame as an even number of hex digits (2 at least, any
//          case), blanks around
// An entry with a bad time or frame, or a JSON element that is not an object
// with both strings, is skipped and counted as bad. A file that starts with
// "[" but is not JSON gives no records and fails like an unreadable file.
//
// The frames of a file are read in time order, oldest first; equal times
// keep the file's order. Each goes into the frame buffer from position 2,
// behind the command byte 0 a KISS capture would have, and is read as a
// KISS data frame (layout in kiss_decoder.h); its record takes the entry's
// time and stamp numbers 0. A JSON entry may name the station that heard
// it ("station_id", "observer", as SatNOGS DB gives them): the record sink
// (record_sink.h) is told.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "framing_counts.h"
#include "record_table.h"

namespace tavro {

class SatnogsReader {
public:
    SatnogsReader(CaptureState& state, RecordTable& table, FramingReport& report)
        : state_(state), table_(table), report_(report) {}

    void Feed(std::span<const std::uint8_t> bytes);
    // The end of the file: the entries are sorted and read.
    void Finish();
    // Why the file gave nothing ("not valid JSON"); empty: it was read.
    const std::string& Error() const { return error_; }

private:
    enum class Form { Unknown, Csv, Json };
    void FeedCsv(std::string_view text);
    void EndCsvLine();
    void AddEntry(std::string_view time, std::string_view hex);

    struct Entry {
        std::string sortKey;  // YYYYMMDDhhmmss and the fraction's digits
        std::string timeText;
        std::vector<std::uint8_t> frame;
        std::string stationId, observer;  // JSON: the station that heard it, when named
    };
    static void NameStation(const nlohmann::json& element, Entry& entry);
    CaptureState& state_;
    RecordTable& table_;
    FramingReport& report_;
    Form form_ = Form::Unknown;
    std::string pending_;  // the CSV line so far, or the whole JSON text
    bool afterCR_ = false;
    std::vector<Entry> entries_;
    std::string error_;
};

// "2026-12-06T10:14:03.25Z" -> "2026-12-06 10:14:03.250 UTC"; false for a bad time.
bool SatnogsTimeText(std::string_view time, std::string& text, std::string& sortKey);

}  // namespace tavro
