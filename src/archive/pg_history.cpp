// The PostgreSQL archive's history view: a channel's history loaded whole
// (Series) or, until it is, the per-minute summary while a thread of the
// store loads it on a connection of its own (QuickSeries).
//
//   QuickSeries(10, all, 1600)  -> minute points, exact false   (loader started)
//   QuickSeries(10, all, 1600)  -> minute points, exact false   (still loading)
//   QuickSeries(10, all, 1600)  -> the exact points, exact true (rows taken over, brought up to date)
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "archive_columns.h"
#include "pg_archive.h"
#include "pg_schema.h"

namespace tavro {

bool PgArchive::Series(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) {
    points.clear();
    if (channel < 0 || channel >= kChannelCount) return db_.Fail("no channel " + std::to_string(channel));
    if (loader_ && loader_->channel == channel) EndLoader(channel, true);  // its rows, instead of loading them again
    if (!RefreshHistory(channel)) return false;
    history_.Series(span, columns, points);
    return true;
}

bool PgArchive::QuickSeries(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points, bool& exact) {
    points.clear();
    exact = false;
    if (channel < 0 || channel >= kChannelCount) return db_.Fail("no channel " + std::to_string(channel));
    if (loader_ && (loader_->done || loader_->channel != channel)) EndLoader(channel, loader_->done);
    if (history_.Loaded() && history_.Channel() == channel) {
        exact = true;
        return Series(channel, span, columns, points);
    }
    std::vector<MinuteRow> rows;
    if (!MinuteRows(channel, span, columns, rows)) return false;
    MinuteSeries(rows, span, columns, points);
    if (!loader_) StartLoader(channel);
    return true;
}

bool PgArchive::MinuteRows(int channel, const TimeSpan& span, int columns, std::vector<MinuteRow>& rows) {
    rows.clear();
    PgResult r;
    TimeSpan known = span;
    if (!known.fromMs || !known.toMs) {  // from the ends of the time index
        if (!db_.Exec("SELECT min(time_ms), max(time_ms) FROM beacon", &r)) return false;
        if (PQgetisnull(r.get(), 0, 0)) return true;
        if (!known.fromMs) known.fromMs = std::atoll(PQgetvalue(r.get(), 0, 0));
        if (!known.toMs) known.toMs = std::atoll(PQgetvalue(r.get(), 0, 1)) + 1;
    }
    const std::int64_t from = *known.fromMs, to = *known.toMs;
    if (to <= from) return true;
    // Hours once a column is an hour wide: each hour then lies within about
    // a column, and a history of years is a few thousand rows.
    const bool hours = (static_cast<__int128>(to) - from) / std::max(columns, 1) >= 3600000;
    const std::int64_t unit = hours ? 3600000 : kMinuteMs;
    const auto floorDiv = [unit](std::int64_t t) { return t >= 0 ? t / unit : -((-(t + 1)) / unit) - 1; };
    const std::string key = hours ? "hour" : "minute";
    // A minute's (an hour's) first and last beacon lie in it: the bounds on
    // the key let its primary key find the span.
    if (!db_.Exec("SELECT " + key + ", first_ms, last_ms, beacons, receptions, " + MinColumn(channel) + ", " + MaxColumn(channel) +
                      " FROM history_" + key + " WHERE " + key + " >= " + std::to_string(floorDiv(from)) + " AND " + key +
                      " <= " + std::to_string(floorDiv(to - 1)) + " AND last_ms >= " + std::to_string(from) +
                      " AND first_ms < " + std::to_string(to) + " ORDER BY " + key,
                  &r, {}, true))
        return false;
    const int n = PQntuples(r.get());
    rows.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        MinuteRow& m = rows[static_cast<std::size_t>(i)];
        m.minute = PgInt8(PQgetvalue(r.get(), i, 0));
        m.firstMs = PgInt8(PQgetvalue(r.get(), i, 1)), m.lastMs = PgInt8(PQgetvalue(r.get(), i, 2));
        m.beacons = PgInt8(PQgetvalue(r.get(), i, 3)), m.receptions = PgInt8(PQgetvalue(r.get(), i, 4));
        const bool finite = !PQgetisnull(r.get(), i, 5) && !PQgetisnull(r.get(), i, 6);
        m.min = finite ? PgFloat8(PQgetvalue(r.get(), i, 5)) : std::numeric_limits<double>::infinity();
        m.max = finite ? PgFloat8(PQgetvalue(r.get(), i, 6)) : -std::numeric_limits<double>::infinity();
    }
    return true;
}

void PgArchive::StartLoader(int channel) {
    loader_ = std::make_unique<Loader>();
    loader_->channel = channel;
    Loader* job = loader_.get();
    job->thread = std::thread([job, uri = uri_] {
        PgConnection db(uri);
        bool ok = db.Connect() && db.Exec("SET jit = off");
        if (ok) {
            const std::lock_guard<std::mutex> lock(job->mutex);
            if (job->stopped) ok = db.Fail("stopped");
            else job->cancel = PQgetCancel(db.Raw());
        }
        ok = ok && LoadRows(db, job->channel, job->loaded);
        {
            const std::lock_guard<std::mutex> lock(job->mutex);
            if (job->cancel) PQfreeCancel(job->cancel);
            job->cancel = nullptr;
        }
        job->ok = ok;
        if (!ok) job->error = db.Error();
        job->done = true;
    });
}

void PgArchive::EndLoader(int channel, bool wait) {
    if (!loader_) return;
    if (!wait) {
        const std::lock_guard<std::mutex> lock(loader_->mutex);
        loader_->stopped = true;
        char why[256];
        if (loader_->cancel) PQcancel(loader_->cancel, why, sizeof why);
    }
    loader_->thread.join();
    const std::unique_ptr<Loader> job = std::move(loader_);
    if (!job->ok || job->channel != channel) return;  // Series loads it itself when asked
    history_.Load(channel, std::move(job->loaded.rows));
    seenBeacon_ = job->loaded.beacon, seenReception_ = job->loaded.reception;
    // Brought up to date by the next RefreshHistory: whatever was added
    // since its snapshot has greater ids.
    historyChecked_ = {}, historyStale_ = true;
}

// The history of channel from the server, whole (COPY, binary):
// 19 bytes of header, then rows of 4 fields (id, time_ms, value, receptions)
// of 8 bytes each, then -1.
bool PgArchive::LoadRows(PgConnection& db, int channel, LoadedHistory& out) {
    out = {};
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
            out.rows.push_back({PgInt8(p + 6), PgInt8(p + 18), PgFloat8(p + 30), PgInt8(p + 42)});
        }
        pending.erase(0, at);
    };
    const auto rollback = [&db] {
        if (!db.Lost()) {
            const std::string why = db.Error();
            db.Exec("ROLLBACK");
            db.Fail(why);
        }
        return false;
    };
    if (!db.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ")) return rollback();
    PgResult r;
    if (!db.Exec("SELECT (SELECT coalesce(max(id), 0) FROM beacon), (SELECT coalesce(max(id), 0) FROM receptions)", &r) ||
        !db.CopyOut("COPY (SELECT id, time_ms, " + ChannelColumns()[static_cast<std::size_t>(channel)] +
                        ", receptions FROM beacon WHERE time_ms IS NOT NULL) TO STDOUT (FORMAT binary)",
                    piece))
        return rollback();
    out.beacon = std::atoll(PQgetvalue(r.get(), 0, 0)), out.reception = std::atoll(PQgetvalue(r.get(), 0, 1));
    return db.Exec("COMMIT") || rollback();
}

bool PgArchive::LoadHistory(int channel) {
    LoadedHistory loaded;
    if (!LoadRows(db_, channel, loaded)) return false;
    history_.Load(channel, std::move(loaded.rows));
    seenBeacon_ = loaded.beacon, seenReception_ = loaded.reception;
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
        c.row = {PgInt8(PQgetvalue(r.get(), i, 0)), PgInt8(PQgetvalue(r.get(), i, 1)), PgFloat8(PQgetvalue(r.get(), i, 2)),
                 PgInt8(PQgetvalue(r.get(), i, 3))};
        if (!PQgetisnull(r.get(), i, 4)) c.oldTimeMs = PgInt8(PQgetvalue(r.get(), i, 4));
        changes.push_back(c);
    }
    history_.Apply(changes);
    seenBeacon_ = beacon, seenReception_ = reception;
    return true;
}

}  // namespace tavro
