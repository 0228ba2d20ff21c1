// The archive's tables on a PostgreSQL server (schema version 1), in the
// connection's current schema (public, or what search_path names). The
// names are the SQLite archive's (docs/archive.md), in PostgreSQL types:
//
//   beacon         (id, identity, layout, time_ms, receptions, ops_mode … smdh_diff_cnt)
//   receptions     (id, beacon, source, kind, time_text, time_ms, station, source_bytes)
//   view beacons   (time_utc timestamptz, time_ms, receptions, layout 'kiss'|'log', the 47 channels)
//   archive_schema (version)                      one row: the schema's version
//   archive_batch  (id, beacons_new, receptions_added, added)   every Add that committed
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

inline constexpr int kPgSchemaVersion = 1;
// The advisory lock every writer (and the first creator) takes for its transaction.
inline constexpr const char* kPgWriterLock = "SELECT pg_advisory_xact_lock(7310598736498516)";

// Makes the tables in an empty database (unless readOnly), upgrades an
// older schema in one transaction, refuses a newer one or a database whose
// names belong to something else, touching nothing. version: as found or made.
bool PrepareSchema(PgConnection& db, bool readOnly, int& version);

// "ops_mode double precision, boot_cnt double precision, …" and "ops_mode, boot_cnt, …".
std::string ChannelColumnList(const std::string& prefix = "", const std::string& type = "");

}  // namespace tavro
