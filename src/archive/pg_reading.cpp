// Reading the PostgreSQL archive: beacons in order, counts.
#include "pg_archive.h"
#include "archive_columns.h"
#include "pg_schema.h"

namespace tavro {
namespace {

constexpr const char* kBeaconColumns = "id, time_ms, receptions, layout, ";

// A row of kBeaconColumns and the 47 channels, in binary.
Beacon BeaconOf(const PGresult* r, int row) {
    Beacon b;
    b.id = PgInt8(PQgetvalue(r, row, 0));
    if (!PQgetisnull(r, row, 1)) b.timeMs = PgInt8(PQgetvalue(r, row, 1));
    b.receptions = PgInt8(PQgetvalue(r, row, 2));
    const char* layout = PQgetvalue(r, row, 3);
    b.layout = ((layout[0] << 8) | layout[1]) == 1 ? RecordLayout::Log : RecordLayout::Kiss;
    for (int c = 0; c < kChannelCount; ++c) b.values[static_cast<std::size_t>(c)] = PgFloat8(PQgetvalue(r, row, 4 + c));
    return b;
}

std::string SpanWhere(const TimeSpan& span) {
    std::string where;
    if (span.fromMs) where += " AND time_ms >= " + std::to_string(*span.fromMs);
    if (span.toMs) where += " AND time_ms < " + std::to_string(*span.toMs);
    return where.empty() ? where : " WHERE time_ms IS NOT NULL" + where;
}

}  // namespace

bool PgArchive::ForEachBeacon(const TimeSpan& span, const std::function<bool(const Beacon&)>& each) {
    // A cursor: a million beacons never sit in memory at once.
    if (!db_.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ") ||
        !db_.Exec("DECLARE tavro_beacons NO SCROLL CURSOR FOR SELECT " + std::string(kBeaconColumns) +
                  ChannelColumnList() + " FROM beacon" + SpanWhere(span) + " ORDER BY time_ms, id"))
        return Rollback();
    for (bool more = true; more;) {
        PgResult r;
        if (!db_.Exec("FETCH 5000 FROM tavro_beacons", &r, {}, true)) return Rollback();
        const int rows = PQntuples(r.get());
        for (int i = 0; more && i < rows; ++i) more = each(BeaconOf(r.get(), i));
        more = more && rows > 0;
    }
    return db_.Exec("COMMIT") || Rollback();
}

std::optional<Beacon> PgArchive::NearestBeacon(std::int64_t timeMs) {
    // The first beacon at or after timeMs, and the first stored of those at
    // the latest time before it; the nearer wins, the earlier on a tie.
    const std::string t = std::to_string(timeMs);
    const std::string columns = kBeaconColumns + ChannelColumnList();
    PgResult r;
    if (!db_.Exec("(SELECT " + columns + " FROM beacon WHERE time_ms = (SELECT max(time_ms) FROM beacon WHERE time_ms < " +
                      t + ") ORDER BY id LIMIT 1) UNION ALL (SELECT " + columns + " FROM beacon WHERE time_ms >= " + t +
                      " ORDER BY time_ms, id LIMIT 1)",
                  &r, {}, true))
        return std::nullopt;
    std::optional<Beacon> best;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const Beacon b = BeaconOf(r.get(), i);
        const auto distance = [timeMs](const Beacon& x) { return *x.timeMs > timeMs ? *x.timeMs - timeMs : timeMs - *x.timeMs; };
        if (!best || distance(b) < distance(*best)) best = b;
    }
    return best;
}

bool PgArchive::Info(ArchiveInfo& info) {
    // Never a count over every beacon (seconds at a million): the hours'
    // sums, the few beacons without time by the time index, and the first
    // and last time from its ends. One statement, one snapshot.
    PgResult r;
    if (!db_.Exec("SELECT v.version, h.b + z.b, h.r + z.r, z.b, (SELECT min(time_ms) FROM beacon),"
                  " (SELECT max(time_ms) FROM beacon) FROM (SELECT version FROM archive_schema) v,"
                  " (SELECT coalesce(sum(beacons), 0) AS b, coalesce(sum(receptions), 0) AS r FROM history_hour) h,"
                  " (SELECT count(*) AS b, coalesce(sum(receptions), 0) AS r FROM beacon WHERE time_ms IS NULL) z",
                  &r))
        return false;
    const auto value = [&](int c) { return std::atoll(PQgetvalue(r.get(), 0, c)); };
    info = {};
    info.location = Server() + "/" + Database();
    info.schemaVersion = static_cast<int>(value(0));
    info.beacons = value(1), info.receptions = value(2), info.beaconsWithoutTime = value(3);
    if (!PQgetisnull(r.get(), 0, 4)) info.firstMs = value(4), info.lastMs = value(5);
    return true;
}

std::optional<std::int64_t> PgArchive::NewestReception(SourceKind kind) {
    PgResult r;
    const std::string text(SourceKindText(kind));
    // The kind as a literal, so the planner can use the index of 'satnogs-db'.
    if (!db_.Exec("SELECT max(time_ms) FROM receptions WHERE kind = '" + text + "'", &r) || PQgetisnull(r.get(), 0, 0))
        return std::nullopt;
    return std::atoll(PQgetvalue(r.get(), 0, 0));
}

}  // namespace tavro
