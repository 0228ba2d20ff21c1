// The SQLite text of the per-minute summary (history_minutes.h): the table,
// and the statement that sums minutes again from the beacons, used to fill
// the table when an archive of schema 1 is upgraded and for a minute a
// beacon left.
#pragma once

#include <string>

namespace tavro::sqlite_minutes {

// CREATE TABLE history_minute (...)
std::string TableSql();
// INSERT INTO history_minute SELECT ... FROM beacon WHERE time_ms IS NOT NULL <condition> GROUP BY minute
//   condition "" (every minute), or "AND time_ms >= ?1 AND time_ms < ?2" (one minute, bound by the caller)
std::string FillSql(const std::string& condition);

}  // namespace tavro::sqlite_minutes
