// The archive's tables on a PostgreSQL server (schema version 2), in the
// connection's current schema (public, or what search_path names). The
// names are the SQLite archive's (docs/archive.md), in PostgreSQL types:
//
//   beacon         (id, identity, layout, time_ms, receptions, ops_mode … smdh_diff_cnt)
//   receptions     (id, beacon, source, kind, time_text, time_ms, station, source_bytes)
//   view beacons   (time_utc timestamptz, time_ms, receptions, layout 'kiss'|'log', the 47 channels)
//   archive_schema (version)                      one row: the schema's version
//   archive_batch  (id, beacons_new, receptions_added, added)   every Add that committed
//   history_minute (minute, first_ms, last_ms, beacons, receptions, min_ops_mode, max_ops_mode, …)
//                  the per-minute summary of history_minutes.h, bigint and double precision
//   history_hour   (hour, first_ms, …)  the same per hour (hour = floor(minute / 60)): a
//                  history of years draws from a few thousand rows
//
// Version 2 added history_minute and history_hour; a version 1 archive is
// upgraded in one transaction that makes them and fills them from the
// beacons. Each Add keeps them in its own transaction: new beacons (and
// beacons that got their first time) add to their minute's and hour's
// counts and smallest/largest finite values, new receptions to their
// beacon's; a beacon whose time moved to an earlier minute has both
// minutes (and their hours) summed again from the beacons, so every row
// stays exact. Info's counts are the hours' sums.
//
// identity is a 128-bit digest of the beacon's 376 value bytes (each value's
// 64 bits): its unique key lets many writers add at once with INSERT … ON
// CONFLICT. The 47 double precision columns keep each value's bits exactly
// (NaN, ±Infinity and -0 included; binary transfer both ways), so no raw
// copy is needed; SQL sees 'NaN', 'Infinity', '-0'. receptions.beacon has
// no declared foreign key: checking it row by row costs a fifth of an Add.
#pragma once

#include <string>

#include "pg_connection.h"

namespace tavro {

inline constexpr int kPgSchemaVersion = 2;
// The advisory lock every writer (and the first creator) takes for its transaction.
inline constexpr const char* kPgWriterLock = "SELECT pg_advisory_xact_lock(7310598736498516)";

// Makes the tables in an empty database (unless readOnly), upgrades an
// older schema in one transaction, refuses a newer one or a database whose
// names belong to something else, touching nothing. version: as found or made.
bool PrepareSchema(PgConnection& db, bool readOnly, int& version);

// "ops_mode double precision, boot_cnt double precision, …" and "ops_mode, boot_cnt, …".
std::string ChannelColumnList(const std::string& prefix = "", const std::string& type = "");

// The bigint expression t divided by d, rounded down (a minute of a time,
// an hour of a minute): PgFloorDiv("time_ms", 60000) for time_ms -1 gives -1, for 59999 gives 0.
std::string PgFloorDiv(const std::string& t, int d);
// ", min(a.ops_mode) FILTER (WHERE filter AND <finite>) AS min_ops_mode, max(a.ops_mode) … AS max_ops_mode, …"
// for the 47 channels in history_minute's order; NaN and ±Infinity never count.
std::string PgMinuteAggregates(const std::string& prefix, const std::string& filter);
// ", min(m.min_ops_mode) AS min_ops_mode, max(m.max_ops_mode) AS max_ops_mode, …": minutes into an hour.
std::string PgHourAggregates(const std::string& prefix);

}  // namespace tavro
