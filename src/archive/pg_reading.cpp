// Reading the PostgreSQL archive: beacons in order, the history, counts.
#include <chrono>
#include <cstring>

#include "pg_archive.h"
#include "archive_columns.h"
#include "pg_schema.h"

namespace tavro {
namespace {

constexpr const char* kBeaconColumns = "id, time_ms, receptions, layout, ";

double Float8(const char* p) {
    const std::uint64_t bits = static_cast<std::uint64_t>(PgInt8(p));
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A row of kBeaconColumns and the 47 channels, in binary.
Beacon BeaconOf(const PGresult* r, int row) {
    Beacon b;
    b.id = PgInt8(PQgetvalue(r, row, 0));
    if (!PQgetisnull(r, row, 1)) b.timeMs = PgInt8(PQgetvalue(r, row, 1));
    b.receptions = PgInt8(PQgetvalue(r, row, 2));
    const char* layout = PQgetvalue(r, row, 3);
    b.layout = ((layout[0] << 8) | layout[1]) == 1 ? RecordLayout::Log : RecordLayout::Kiss;
    for (int c = 0; c < kChannelCount; ++c) b.values[static_cast<std::size_t>(c)] = Float8(PQgetvalue(r, row, 4 + c));
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
    PgResult r;
    if (!db_.Exec("SELECT (SELECT version FROM archive_schema), count(*), coalesce(sum(receptions), 0),"
                  " count(*) - count(time_ms), min(time_ms), max(time_ms) FROM beacon",
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

bool PgArchive::Series(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) {
    points.clear();
    if (channel < 0 || channel >= kChannelCount) return db_.Fail("no channel " + std::to_string(channel));
    if (!RefreshHistory(channel)) return false;
    history_.Series(span, columns, points);
    return true;
}

// The history of channel from the server, whole (COPY, binary):
// 19 bytes of header, then rows of 4 fields (id, time_ms, value, receptions)
// of 8 bytes each, then -1.
bool PgArchive::LoadHistory(int channel) {
    std::vector<HistoryRow> rows;
    std::string pending;
    std::size_t skip = 19;
    constexpr std::size_t kRow = 2 + 4 * (4 + 8);
    const auto piece = [&](std::string_view data) {
        pending.append(data);
        std::size_t at = std::min(skip, pending.size());
        skip -= at;
        for (; at + kRow <= pending.size(); at += kRow) {
            const char* p = pending.data() + at;
            if (p[0] != 0 || p[1] != 4) break;  // the trailer
            rows.push_back({PgInt8(p + 6), PgInt8(p + 18), Float8(p + 30), PgInt8(p + 42)});
        }
        pending.erase(0, at);
    };
    if (!db_.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ")) return Rollback();
    PgResult r;
    if (!db_.Exec("SELECT (SELECT coalesce(max(id), 0) FROM beacon), (SELECT coalesce(max(id), 0) FROM receptions)", &r) ||
        !db_.CopyOut("COPY (SELECT id, time_ms, " + ChannelColumns()[static_cast<std::size_t>(channel)] +
                         ", receptions FROM beacon WHERE time_ms IS NOT NULL) TO STDOUT (FORMAT binary)",
                     piece))
        return Rollback();
    seenBeacon_ = std::atoll(PQgetvalue(r.get(), 0, 0)), seenReception_ = std::atoll(PQgetvalue(r.get(), 0, 1));
    if (!db_.Exec("COMMIT")) return Rollback();
    history_.Load(channel, std::move(rows));
    historyChecked_ = std::chrono::steady_clock::now(), historyStale_ = false;
    return true;
}

bool PgArchive::RefreshHistory(int channel) {
    if (!history_.Loaded() || history_.Channel() != channel) return LoadHistory(channel);
    // Other stations' beacons show within a quarter second; zoom and pan
    // steps in between ask the server nothing. This program's own Adds
    // show at once.
    const auto now = std::chrono::steady_clock::now();
    if (!historyStale_ && now - historyChecked_ < std::chrono::milliseconds(250)) return true;
    constexpr const char* kNewest =
        "SELECT (SELECT coalesce(max(id), 0) FROM beacon), (SELECT coalesce(max(id), 0) FROM receptions)";
    PgResult r;
    if (!db_.Exec(kNewest, &r)) return false;
    historyChecked_ = now, historyStale_ = false;
    if (std::atoll(PQgetvalue(r.get(), 0, 1)) == seenReception_) return true;
    if (!db_.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ") || !db_.Exec(kNewest, &r)) return Rollback();
    const std::int64_t beacon = std::atoll(PQgetvalue(r.get(), 0, 0)), reception = std::atoll(PQgetvalue(r.get(), 0, 1));
    // Every beacon with receptions since, as it stands now and with its
    // time before them (none: it was not in the history).
    const std::string seen = std::to_string(seenReception_);
    if (!db_.Exec("SELECT b.id, b.time_ms, b." + ChannelColumns()[static_cast<std::size_t>(channel)] +
                      ", b.receptions, (SELECT min(o.time_ms) FROM receptions o WHERE o.beacon = b.id AND o.id <= " + seen +
                      ") FROM beacon b WHERE b.time_ms IS NOT NULL AND b.id IN (SELECT beacon FROM receptions WHERE id > " +
                      seen + " AND id <= " + std::to_string(reception) + ")",
                  &r, {}, true) ||
        !db_.Exec("COMMIT"))
        return Rollback();
    std::vector<HistoryChange> changes;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        HistoryChange c;
        c.row = {PgInt8(PQgetvalue(r.get(), i, 0)), PgInt8(PQgetvalue(r.get(), i, 1)), Float8(PQgetvalue(r.get(), i, 2)),
                 PgInt8(PQgetvalue(r.get(), i, 3))};
        if (!PQgetisnull(r.get(), i, 4)) c.oldTimeMs = PgInt8(PQgetvalue(r.get(), i, 4));
        changes.push_back(c);
    }
    history_.Apply(changes);
    seenBeacon_ = beacon, seenReception_ = reception;
    return true;
}

}  // namespace tavro
