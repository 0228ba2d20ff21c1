// Opening the PostgreSQL archive and adding to it.
#include "pg_archive.h"

#include <unistd.h>

#include <cstdlib>
#include <random>

#include "archive_columns.h"
#include "history_minutes.h"
#include "pg_rows.h"
#include "pg_schema.h"

namespace tavro {
namespace {

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

// 16 random bytes: the batch id of one Add.
std::string NewBatchId() {
    static thread_local std::mt19937_64 random(std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32));
    std::string id(16, '\0');
    for (int i = 0; i < 16; i += 8) {
        const std::uint64_t r = random();
        for (int k = 0; k < 8; ++k) id[static_cast<std::size_t>(i + k)] = static_cast<char>(r >> (8 * k));
    }
    return id;
}

// "min_ops_mode = LEAST(table.min_ops_mode, EXCLUDED.min_ops_mode), max_… = GREATEST(…), …"
// (LEAST and GREATEST pass over NULL), or each column set to EXCLUDED's.
std::string SummaryUpdates(const std::string& table, bool widen) {
    std::string out = widen ? " first_ms = LEAST(" + table + ".first_ms, EXCLUDED.first_ms), last_ms = GREATEST(" + table +
                                  ".last_ms, EXCLUDED.last_ms), beacons = " + table + ".beacons + EXCLUDED.beacons, receptions = " +
                                  table + ".receptions + EXCLUDED.receptions"
                            : " first_ms = EXCLUDED.first_ms, last_ms = EXCLUDED.last_ms, beacons = EXCLUDED.beacons,"
                              " receptions = EXCLUDED.receptions";
    for (int c = 0; c < kChannelCount; ++c)
        for (const std::string& column : {MinColumn(c), MaxColumn(c)}) {
            const char* pick = column.starts_with("min_") ? "LEAST(" : "GREATEST(";
            out += ", " + column + " = " + (widen ? pick + table + "." + column + ", EXCLUDED." + column + ")" : "EXCLUDED." + column);
        }
    return out;
}

// ", CASE WHEN when AND a.ops_mode > '-Infinity' AND a.ops_mode < 'Infinity' THEN a.ops_mode END AS ops_mode, …":
// NULL where a value does not count (NaN sorts above +Infinity in PostgreSQL).
std::string FiniteValues(const std::string& prefix, const std::string& when) {
    std::string out;
    for (const std::string& c : ChannelColumns())
        out += ", CASE WHEN " + when + " AND " + prefix + c + " > '-Infinity' AND " + prefix + c + " < 'Infinity' THEN " + prefix + c +
               " END AS " + c;
    return out;
}

// ", min_ops_mode double precision, max_ops_mode double precision, …"
std::string MinuteValueTypes() {
    std::string out;
    for (int c = 0; c < kChannelCount; ++c) out += ", " + MinColumn(c) + " double precision, " + MaxColumn(c) + " double precision";
    return out;
}

// ", min(ops_mode) AS min_ops_mode, max(ops_mode) AS max_ops_mode, …"
std::string MinMaxOf() {
    std::string out;
    for (int c = 0; c < kChannelCount; ++c) {
        const std::string& name = ChannelColumns()[static_cast<std::size_t>(c)];
        out += ", min(" + name + ") AS " + MinColumn(c) + ", max(" + name + ") AS " + MaxColumn(c);
    }
    return out;
}

const std::string& SummaryColumns() {
    static const std::string columns = "first_ms, last_ms, beacons, receptions, " + MinuteValueColumns();
    return columns;
}

// One statement: the new beacons inserted in the order of their first
// record, the known ones given their receptions and earlier time (ON
// CONFLICT: one index probe each, never a scan of the beacons), every record
// a reception, and the batch summed into its minutes and hours. Its
// sub-statements share one snapshot, so k's probe finds a known beacon as
// it was before. A beacon is new when its receptions are the batch's only
// ones (a stored beacon has at least one). Per beacon: old_t NULL: it
// enters its minute whole; old_t = time_ms: its minute only counts the new
// receptions; old_t > time_ms: it moved earlier, and the minutes of both
// times are summed again afterwards (the last column lists them). Writers
// take kPgWriterLock in turn, so no other writer's beacon appears between
// the snapshot and the insert.
std::string AddSql() {
    static const std::string sql =
        "WITH ins AS (INSERT INTO beacon (identity, layout, time_ms, receptions, " + ChannelColumnList() + ")"
        " SELECT identity, layout, t, n, " + ChannelColumnList() + " FROM tavro_incoming WHERE first ORDER BY seq"
        " ON CONFLICT (identity) DO UPDATE SET receptions = beacon.receptions + EXCLUDED.receptions,"
        " time_ms = LEAST(beacon.time_ms, EXCLUDED.time_ms) RETURNING id, identity, time_ms, receptions),"
        " k AS (SELECT i.id, i.identity, i.time_ms, i.receptions, a.seq, a.n, i.receptions = a.n AS new,"
        " CASE WHEN i.receptions <> a.n THEN (SELECT o.time_ms FROM beacon o WHERE o.identity = i.identity) END AS old_t"
        " FROM ins i JOIN tavro_incoming a ON a.first AND a.identity = i.identity),"
        " rec AS (INSERT INTO receptions (beacon, source, kind, time_text, time_ms, station, source_bytes)"
        " SELECT k.id, s.source, s.kind, s.time_text, s.utc_ms, s.station, s.source_bytes FROM tavro_incoming s"
        " JOIN k ON k.identity = s.identity ORDER BY s.seq RETURNING 1),"
        // The batch's minutes: as the client summed them when every beacon
        // is new (a one-time filter skips the other branch), else here.
        " bm AS (SELECT minute, " + SummaryColumns() + " FROM tavro_minutes WHERE NOT EXISTS (SELECT FROM k WHERE NOT k.new)"
        " UNION ALL SELECT minute, min(t) AS first_ms, max(t) AS last_ms, count(*) FILTER (WHERE enters) AS beacons,"
        " sum(CASE WHEN enters THEN receptions ELSE n END) AS receptions" + MinMaxOf() +
        // OFFSET 0: each finite value is picked once, not once per aggregate.
        " FROM (SELECT " + PgFloorDiv("k.time_ms", 60000) + " AS minute, k.time_ms AS t, k.old_t IS NULL AS enters,"
        " k.receptions, k.n" + FiniteValues("a.", "k.old_t IS NULL") + " FROM k JOIN tavro_incoming a ON a.seq = k.seq"
        " WHERE k.time_ms IS NOT NULL AND (k.old_t IS NULL OR k.old_t = k.time_ms)"
        " AND EXISTS (SELECT FROM k WHERE NOT k.new) OFFSET 0) x GROUP BY 1),"
        " m AS (INSERT INTO history_minute (minute, " + SummaryColumns() + ") SELECT minute, " + SummaryColumns() + " FROM bm"
        " ON CONFLICT (minute) DO UPDATE SET" + SummaryUpdates("history_minute", true) + "),"
        " h AS (INSERT INTO history_hour (hour, " + SummaryColumns() + ") SELECT " + PgFloorDiv("minute", 60) +
        ", min(first_ms), max(last_ms), sum(beacons), sum(receptions)" + PgHourAggregates("") + " FROM bm GROUP BY 1"
        " ON CONFLICT (hour) DO UPDATE SET" + SummaryUpdates("history_hour", true) + ")"
        " SELECT (SELECT count(*) FROM k WHERE new), (SELECT count(*) FROM rec), NULL,"
        " (SELECT array_agg(DISTINCT x) FROM k, LATERAL (VALUES (" + PgFloorDiv("k.old_t", 60000) + "), (" +
        PgFloorDiv("k.time_ms", 60000) + ")) AS v(x) WHERE k.old_t > k.time_ms)";
    return sql;
}

// The minutes of $1 ("{29942537,29942540}") summed again from their
// beacons, a minute left without beacons gone; then (ResumHoursSql) their
// hours from their minutes.
std::string ResumMinutesSql() {
    static const std::string sql =
        "WITH s AS (SELECT w.minute, min(b.time_ms) AS first_ms, max(b.time_ms) AS last_ms, count(b.time_ms) AS beacons,"
        " coalesce(sum(b.receptions), 0) AS receptions" + PgMinuteAggregates("b.", "") +
        " FROM unnest($1::bigint[]) AS w(minute) LEFT JOIN beacon b ON b.time_ms >= w.minute * 60000"
        " AND b.time_ms < w.minute * 60000 + 60000 GROUP BY w.minute),"
        " d AS (DELETE FROM history_minute h USING s WHERE h.minute = s.minute AND s.beacons = 0)"
        " INSERT INTO history_minute (minute, " + SummaryColumns() + ") SELECT minute, " + SummaryColumns() +
        " FROM s WHERE beacons > 0 ON CONFLICT (minute) DO UPDATE SET" + SummaryUpdates("history_minute", false);
    return sql;
}

std::string ResumHoursSql() {
    static const std::string sql =
        "WITH s AS (SELECT w.hour, min(m.first_ms) AS first_ms, max(m.last_ms) AS last_ms, coalesce(sum(m.beacons), 0) AS beacons,"
        " coalesce(sum(m.receptions), 0) AS receptions" + PgHourAggregates("m.") +
        " FROM (SELECT DISTINCT " + PgFloorDiv("x", 60) + " AS hour FROM unnest($1::bigint[]) AS x) w"
        " LEFT JOIN history_minute m ON m.minute >= w.hour * 60 AND m.minute < w.hour * 60 + 60 GROUP BY w.hour),"
        " d AS (DELETE FROM history_hour h USING s WHERE h.hour = s.hour AND s.beacons = 0)"
        " INSERT INTO history_hour (hour, " + SummaryColumns() + ") SELECT hour, " + SummaryColumns() +
        " FROM s WHERE beacons > 0 ON CONFLICT (hour) DO UPDATE SET" + SummaryUpdates("history_hour", false);
    return sql;
}

}  // namespace

PgArchive::PgArchive(const std::string& uri, bool readOnly) : uri_(uri), db_(uri), readOnly_(readOnly), station_(HostName()) {}

PgArchive::~PgArchive() { EndLoader(-1, false); }

OpenedArchive PgArchive::Open(const std::string& uri, bool readOnly) {
    std::unique_ptr<PgArchive> archive(new PgArchive(uri, readOnly));
    if (!archive->Begin()) return {nullptr, archive->Error()};
    return {std::move(archive), {}};
}

bool PgArchive::Begin() {
    int version = 0;
    // Compiling an Add's plan (JIT) costs more than running it.
    if (!db_.Connect() || !db_.Exec("SET client_min_messages = warning; SET jit = off") ||
        !PrepareSchema(db_, readOnly_, version))
        return false;
    if (readOnly_) return db_.Exec("SET default_transaction_read_only = on");
    // Sorts of a 100000-record Add stay in memory.
    if (!db_.Exec("SET work_mem = '64MB'")) return false;
    return db_.Exec("CREATE TEMP TABLE IF NOT EXISTS tavro_incoming (seq integer, identity bytea, first boolean,"
                    " n integer, t bigint, layout smallint,"
                    " source_bytes bytea, source text, kind text, time_text text, utc_ms bigint, station text, " +
                    ChannelColumnList("", " double precision") + ") ON COMMIT DELETE ROWS") &&
           db_.Exec("CREATE TEMP TABLE IF NOT EXISTS tavro_minutes (minute bigint, first_ms bigint, last_ms bigint,"
                    " beacons bigint, receptions bigint" + MinuteValueTypes() + ") ON COMMIT DELETE ROWS");
}

bool PgArchive::Reconnect() { return Begin(); }

bool PgArchive::Rollback() {
    if (db_.Lost()) return false;
    const std::string why = db_.Error();
    db_.Exec("ROLLBACK");
    db_.Fail(why);
    return false;
}

bool PgArchive::Add(std::span<const ArchiveRecord> records, AddCounts& counts) {
    counts = {};
    if (readOnly_) return db_.Fail("the archive on " + db_.Shown() + " is opened read-only: nothing can be added");
    if (records.empty()) return true;
    // The same records after a lost connection: the same batch.
    const std::uint64_t digest = RecordsDigest(records);
    if (!pending_ || pending_->digest != digest) pending_ = Pending{digest, NewBatchId()};
    std::string minutes;
    const std::string rows = IncomingRows(records, station_, &minutes);
    for (int attempt = 1;; ++attempt) {
        if (AddOnce(rows, minutes, pending_->batch, counts)) return pending_.reset(), historyStale_ = true, true;
        if (db_.Lost()) return false;  // pending_ stays for the Add sent again
        // A serialization failure or deadlock detected: tried again a few times.
        const bool transient = db_.SqlState() == "40001" || db_.SqlState() == "40P01";
        if (!transient || attempt == 3) return pending_.reset(), false;
    }
}

bool PgArchive::AddOnce(const std::string& rows, const std::string& minutes, const std::string& batch, AddCounts& counts) {
    counts = {};
    // A writer that stalls inside its transaction (a station whose network
    // went) is ended by the server after a minute, so its lock never holds
    // the others back for longer.
    if (!db_.Exec("BEGIN; SET LOCAL idle_in_transaction_session_timeout = '60s'") || !db_.Exec(kPgWriterLock))
        return Rollback();
    PgResult r;
    if (!db_.ExecBinary("SELECT beacons_new, receptions_added FROM archive_batch WHERE id = $1", {batch}, &r))
        return Rollback();
    if (PQntuples(r.get()) == 1) {  // committed before the connection was lost
        counts = {PgInt8(PQgetvalue(r.get(), 0, 0)), PgInt8(PQgetvalue(r.get(), 0, 1))};
        return db_.Exec("COMMIT") || Rollback();
    }
    if (!db_.CopyIn("COPY tavro_incoming FROM STDIN (FORMAT binary)", rows) ||
        !db_.CopyIn("COPY tavro_minutes FROM STDIN (FORMAT binary)", minutes) || !db_.Exec(AddSql(), &r))
        return Rollback();
    const AddCounts added{std::atoll(PQgetvalue(r.get(), 0, 0)), std::atoll(PQgetvalue(r.get(), 0, 1))};
    if (!PQgetisnull(r.get(), 0, 3)) {
        const std::vector<const char*> minutes{PQgetvalue(r.get(), 0, 3)};
        if (!db_.Exec(ResumMinutesSql(), nullptr, minutes) || !db_.Exec(ResumHoursSql(), nullptr, minutes)) return Rollback();
    }
    if (!db_.ExecBinary("INSERT INTO archive_batch (id, beacons_new, receptions_added) VALUES ($1, " +
                            std::to_string(added.beaconsNew) + ", " + std::to_string(added.receptionsAdded) + ")",
                        {batch}))
        return Rollback();
    if (!db_.Exec("COMMIT")) return Rollback();
    counts = added;
    return true;
}

}  // namespace tavro
