#include "archive_feed.h"

#include <cstring>

#include "utc_time.h"

namespace tavro {

namespace {
constexpr std::int64_t kDayMs = 86400000;
}  // namespace

void ArchiveFeed::Begin(const std::string& source, SourceKind kind, std::optional<std::int64_t> logDateMs) {
    source_ = source;
    kind_ = kind;
    logDateMs_ = kind == SourceKind::LogFile ? logDateMs : std::nullopt;
    logDays_ = 0;
    lastTimeOfDay_.reset();
    lastText_.clear();
    lastUtc_.reset();
}

std::optional<std::int64_t> ArchiveFeed::UtcOf(std::string_view timeText, bool logLine) {
    if (!logLine) {
        // A capture's records share the time of their time stamp frame: read it once.
        if (timeText != lastText_) {
            lastText_.assign(timeText);
            lastUtc_ = UtcMillisecondsOf(timeText);
        }
        return lastUtc_;
    }
    if (!logDateMs_) return std::nullopt;
    const std::string dated = UtcText(*logDateMs_).substr(0, 11) + std::string(timeText);
    const std::optional<std::int64_t> ms = UtcMillisecondsOf(dated);
    if (!ms) return std::nullopt;
    const std::int64_t timeOfDay = *ms - *logDateMs_;
    if (lastTimeOfDay_ && timeOfDay < *lastTimeOfDay_) ++logDays_;  // past midnight
    lastTimeOfDay_ = timeOfDay;
    return *ms + logDays_ * kDayMs;
}

void ArchiveFeed::Decoded(const DecodedFrame& frame) {
    ArchiveRecord& r = records_.emplace_back();
    std::memcpy(r.values.data(), frame.record.Channels.data(), sizeof r.values);
    r.layout = frame.logLine ? RecordLayout::Log : RecordLayout::Kiss;
    r.sourceBytes.assign(reinterpret_cast<const char*>(frame.source.data()), frame.source.size());
    Reception& reception = r.reception;
    const std::string_view timeText = frame.record.TimeText.View();
    reception.timeText.assign(timeText);
    reception.utcMs = UtcOf(timeText, frame.logLine);
    reception.kind = kind_;
    if (frame.stationId.empty() && frame.observer.empty()) {
        reception.source = source_;
        return;
    }
    // "SatNOGS DB station 1234 (DL1XYZ-JN58)", "SatNOGS DB station 1234", "SatNOGS DB station DL1XYZ-JN58"
    reception.source = "SatNOGS DB station ";
    if (frame.stationId.empty()) {
        reception.source += frame.observer;
    } else {
        reception.source += frame.stationId;
        if (!frame.observer.empty()) reception.source.append(" (").append(frame.observer).append(")");
    }
    reception.station.assign(frame.observer);
}

std::vector<ArchiveRecord> ArchiveFeed::Take() {
    std::vector<ArchiveRecord> taken;
    taken.swap(records_);
    return taken;
}

}  // namespace tavro
