// The records a source delivers, as the archive keeps them: told by the
// readers (record_sink.h) of every housekeeping record, it adds the
// reception's source, kind and UTC time, and collects them until the
// session hands them to the archive's writer.
//
// UTC time: from the time text when it names one (utc_time.h); a log line's
// time ("23:59:58.000 UTC") has no date, so only with a log date:
//   date 2026-12-06:  23:59:58 -> 2026-12-06 23:59:58
//                     00:00:03 -> 2026-12-07 00:00:03   earlier than the line before: the next day
//                     00:00:01 -> 2026-12-08 00:00:01   earlier again: the day after
// A SatNOGS entry that names its station is received by "SatNOGS DB
// station 1234 (DL1XYZ-JN58)" rather than by the file it came in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive.h"
#include "record_sink.h"

namespace tavro {

class ArchiveFeed : public RecordSink {
public:
    // A new source: its records are received by source (a path, "host:port").
    // logDateMs: midnight UTC of the day the first log line is on; unset: none.
    void Begin(const std::string& source, SourceKind kind, std::optional<std::int64_t> logDateMs = std::nullopt);
    void Decoded(const DecodedFrame& frame) override;
    // The records collected since the last Take().
    std::vector<ArchiveRecord> Take();
    bool Empty() const { return records_.empty(); }

private:
    std::optional<std::int64_t> UtcOf(std::string_view timeText, bool logLine);

    std::string source_;
    SourceKind kind_ = SourceKind::KissFile;
    std::optional<std::int64_t> logDateMs_;
    std::int64_t logDays_ = 0;                   // days after the log date
    std::optional<std::int64_t> lastTimeOfDay_;  // of the line before, in ms
    std::string lastText_;                       // the last time text read, and its time
    std::optional<std::int64_t> lastUtc_;
    std::vector<ArchiveRecord> records_;
};

}  // namespace tavro
