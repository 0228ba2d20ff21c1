#include "pg_schema.h"

#include <cstdlib>

#include "archive_columns.h"
#include "history_minutes.h"

namespace tavro {

std::string ChannelColumnList(const std::string& prefix, const std::string& type) {
    std::string out;
    for (const std::string& c : ChannelColumns()) out += (out.empty() ? "" : ", ") + prefix + c + type;
    return out;
}

std::string PgFloorDiv(const std::string& t, int d) {
    // PostgreSQL's integer division truncates towards zero: -1 ms must be minute -1.
    const std::string n = std::to_string(d);
    return "((" + t + ") - ((" + t + ") % " + n + " + " + n + ") % " + n + ") / " + n;
}

std::string PgMinuteAggregates(const std::string& prefix, const std::string& filter) {
    std::string out;
    const std::string when = filter.empty() ? "" : filter + " AND ";
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string& c = ChannelColumns()[static_cast<std::size_t>(i)];
        // NaN sorts above +Infinity in PostgreSQL: both fail "< 'Infinity'".
        const std::string finite = " FILTER (WHERE " + when + prefix + c + " > '-Infinity' AND " + prefix + c + " < 'Infinity')";
        out += ", min(" + prefix + c + ")" + finite + " AS " + MinColumn(i) + ", max(" + prefix + c + ")" + finite + " AS " + MaxColumn(i);
    }
    return out;
}

std::string PgHourAggregates(const std::string& prefix) {
    std::string out;
    for (int i = 0; i < kChannelCount; ++i)
        out += ", min(" + prefix + MinColumn(i) + ") AS " + MinColumn(i) + ", max(" + prefix + MaxColumn(i) + ") AS " + MaxColumn(i);
    return out;
}

namespace {

std::string MinuteTableSql() {
    std::string columns;
    for (int c = 0; c < kChannelCount; ++c) columns += ", " + MinColumn(c) + " double precision, " + MaxColumn(c) + " double precision";
    const std::string rest = " first_ms bigint NOT NULL, last_ms bigint NOT NULL, beacons bigint NOT NULL, receptions bigint NOT NULL" + columns + ");";
    return "CREATE TABLE history_minute (minute bigint PRIMARY KEY," + rest + "CREATE TABLE history_hour (hour bigint PRIMARY KEY," + rest;
}

// The summary of the beacons already stored (an archive of version 1).
std::string MinuteFillSql() {
    return "INSERT INTO history_minute (minute, first_ms, last_ms, beacons, receptions, " + MinuteValueColumns() + ")"
           " SELECT " + PgFloorDiv("time_ms", 60000) + ", min(time_ms), max(time_ms), count(*), sum(receptions)" +
           PgMinuteAggregates("", "") + " FROM beacon WHERE time_ms IS NOT NULL GROUP BY 1;"
           "INSERT INTO history_hour (hour, first_ms, last_ms, beacons, receptions, " + MinuteValueColumns() + ")"
           " SELECT " + PgFloorDiv("minute", 60) + ", min(first_ms), max(last_ms), sum(beacons), sum(receptions)" +
           PgHourAggregates("") + " FROM history_minute GROUP BY 1;";
}

std::string SchemaSql() {
    return "CREATE TABLE archive_schema (version integer NOT NULL);"
           "INSERT INTO archive_schema VALUES (" + std::to_string(kPgSchemaVersion) + ");"
           "CREATE TABLE beacon (id bigserial PRIMARY KEY, identity bytea NOT NULL UNIQUE, layout smallint NOT NULL,"
           " time_ms bigint, receptions bigint NOT NULL, " + ChannelColumnList("", " double precision") + ");"
           "CREATE INDEX beacon_time ON beacon (time_ms, id);"
           "CREATE TABLE receptions (id bigserial PRIMARY KEY, beacon bigint NOT NULL, source text NOT NULL,"
           " kind text NOT NULL, time_text text NOT NULL, time_ms bigint, station text NOT NULL, source_bytes bytea NOT NULL);"
           "CREATE INDEX receptions_beacon ON receptions (beacon);"
           // Only SatNOGS DB fetches ask for their newest reception often.
           "CREATE INDEX receptions_satnogs_db_time ON receptions (time_ms) WHERE kind = 'satnogs-db';"
           "CREATE TABLE archive_batch (id bytea PRIMARY KEY, beacons_new bigint NOT NULL,"
           " receptions_added bigint NOT NULL, added timestamptz NOT NULL DEFAULT now());"
           "CREATE VIEW beacons AS SELECT timestamptz 'epoch' + time_ms * interval '1 millisecond' AS time_utc,"
           " time_ms, receptions, CASE layout WHEN 1 THEN 'log' ELSE 'kiss' END AS layout, " +
           ChannelColumnList() + " FROM beacon;" + MinuteTableSql();
}

// Steps from version n to n + 1, each run in the one upgrade transaction.
std::string Upgrade(int from) {
    if (from == 1) return MinuteTableSql() + MinuteFillSql();  // 2: the per-minute summary
    return {};
}

constexpr const char* kOurNames =
    "SELECT count(*) FROM (VALUES ('archive_schema'), ('beacon'), ('receptions'), ('archive_batch'),"
    " ('beacons'), ('history_minute'), ('history_hour')) AS n(name) WHERE to_regclass(quote_ident(n.name)) IS NOT NULL";

bool ReadVersion(PgConnection& db, int& version, bool& present) {
    PgResult r;
    if (!db.Exec("SELECT to_regclass('archive_schema') IS NOT NULL", &r)) return false;
    present = PQgetvalue(r.get(), 0, 0)[0] == 't';
    if (!present) return true;
    if (!db.Exec("SELECT version FROM archive_schema", &r)) return false;
    if (PQntuples(r.get()) != 1) return db.Fail(db.Shown() + " is not this program's archive (its archive_schema table holds " +
                                                std::to_string(PQntuples(r.get())) + " rows)");
    version = std::atoi(PQgetvalue(r.get(), 0, 0));
    if (version < 1) return db.Fail(db.Shown() + " is not this program's archive (schema version " + std::to_string(version) + ")");
    return true;
}

constexpr const char* kUnlock = "SELECT pg_advisory_unlock(7310598736498516)";

bool Rollback(PgConnection& db) {
    const std::string why = db.Error();
    db.Exec("ROLLBACK");
    db.Exec(kUnlock);
    return db.Fail(why);
}

}  // namespace

bool PrepareSchema(PgConnection& db, bool readOnly, int& version) {
    bool present = false;
    if (!ReadVersion(db, version, present)) return false;
    if (present && version == kPgSchemaVersion) return true;
    if (present && version > kPgSchemaVersion)
        return db.Fail("the archive on " + db.Shown() + " has schema version " + std::to_string(version) +
                       ", newer than this program's " + std::to_string(kPgSchemaVersion) +
                       ": it was left untouched; use a newer version of the program");
    if (readOnly)
        return db.Fail(present ? "the archive on " + db.Shown() + " has the older schema version " + std::to_string(version) +
                                     " and is opened read-only: it cannot be upgraded"
                               : db.Shown() + " holds no archive yet (opened read-only)");
    // One writer makes or upgrades it; the others wait and then find it
    // done. The lock is the session's, taken before the transaction: a
    // transaction begun after it sees the tables made meanwhile.
    if (!db.Exec("SELECT pg_advisory_lock(7310598736498516)") || !db.Exec("BEGIN")) return Rollback(db);
    if (!ReadVersion(db, version, present)) return Rollback(db);
    if (!present) {
        PgResult r;
        if (!db.Exec(kOurNames, &r)) return Rollback(db);
        if (std::string(PQgetvalue(r.get(), 0, 0)) != "0") {
            db.Fail(db.Shown() + " is not this program's archive: it has tables named as the archive's but no archive_schema");
            return Rollback(db);
        }
        if (!db.Exec(SchemaSql())) return Rollback(db);
        version = kPgSchemaVersion;
    } else if (version > kPgSchemaVersion) {
        db.Exec("ROLLBACK"), db.Exec(kUnlock);
        return PrepareSchema(db, readOnly, version);  // made newer meanwhile: refused above
    } else if (version < kPgSchemaVersion) {
        for (; version < kPgSchemaVersion; ++version)
            if (const std::string step = Upgrade(version); step.empty() || !db.Exec(step)) {
                if (db.Error().empty() || step.empty())
                    db.Fail("the archive on " + db.Shown() + " has schema version " + std::to_string(version) +
                            ", which this program cannot upgrade");
                return Rollback(db);
            }
        if (!db.Exec("UPDATE archive_schema SET version = " + std::to_string(kPgSchemaVersion))) return Rollback(db);
    }
    return (db.Exec("COMMIT") && db.Exec(kUnlock)) || Rollback(db);
}

}  // namespace tavro
