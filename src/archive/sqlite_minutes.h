// The SQLite text of the summaries (history_minutes.h): history_minute and
// history_hour, keyed by floor(time_ms / unit), and the statement that sums
// them again from the beacons, used to fill them when an archive of schema
// 1 is upgraded and for a minute (an hour) a beacon left.
#pragma once

#include <cstdint>
#include <string>

namespace tavro::sqlite_minutes {

struct Summary {
    const char* table;  // "history_minute", "history_hour"
    const char* key;    // "minute", "hour"
    std::int64_t unitMs;
};
inline constexpr Summary kMinutes{"history_minute", "minute", 60000}, kHours{"history_hour", "hour", 3600000};

// CREATE TABLE history_minute (...)
std::string TableSql(const Summary& s);
// INSERT INTO history_minute SELECT ... FROM beacon WHERE time_ms IS NOT NULL <condition> GROUP BY minute
//   condition "" (every minute), or "AND time_ms >= ?1 AND time_ms < ?2" (one minute, bound by the caller)
std::string FillSql(const Summary& s, const std::string& condition);

}  // namespace tavro::sqlite_minutes
