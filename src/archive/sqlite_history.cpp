// The SQLite store's history of one channel: loaded whole (in the
// background for QuickSeries), kept up to date by the receptions added
// since, and the per-minute (per-hour) summary until it is loaded.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "archive_columns.h"
#include "beacon_bits.h"
#include "sqlite_archive.h"

namespace tavro {
namespace {

// The channel's history rows of the beacons with id in [lo, hi], in stored
// order, straight through the table (far faster than by the time index).
// Empty text: done (or stopped); else why not.
std::string ScanChannel(const sqlite::Db& db, int channel, std::int64_t lo, std::int64_t hi, const std::atomic<bool>& stop,
                        std::vector<HistoryRow>& rows) {
    sqlite::Stmt st;
    const std::string& column = ChannelColumns()[static_cast<std::size_t>(channel)];
    if (!st.Prepare(db, "SELECT id, time_ms, receptions, " + column +
                            ", raw FROM beacon NOT INDEXED WHERE id BETWEEN ? AND ? AND time_ms IS NOT NULL"))
        return db.Error();
    st.Bind(1, lo);
    st.Bind(2, hi);
    int rc;
    BeaconValues raw;
    while ((rc = st.Step()) == SQLITE_ROW) {
        HistoryRow r{st.Int(0), st.Int(1), st.Real(3), st.Int(2)};
        if (!st.Null(4)) {
            if (!ValuesOfRaw(st.Blob(4), raw)) return "a beacon's raw values are not 376 bytes";
            r.value = raw[static_cast<std::size_t>(channel)];
        }
        rows.push_back(r);
        if ((rows.size() & 4095) == 0 && stop) return {};
    }
    return rc == SQLITE_DONE ? std::string() : db.Error();
}

// A loading thread gives way to the window's: the summary is drawn and the
// window answers while the history loads.
void GiveWay() { setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10); }

// The whole history of channel, as of one moment: seen is the newest
// reception it holds. A large archive is read in two halves at once, on
// connections of their own.
std::string LoadRows(const std::string& uri, int channel, const std::atomic<bool>& stop, std::vector<HistoryRow>& rows,
                     std::int64_t& seen) {
    sqlite::Db db, second;
    if (!db.Open(uri, SQLITE_OPEN_READONLY)) return db.Error();
    sqlite3_busy_timeout(db.Handle(), 30000);
    sqlite::Stmt ids;
    if (!db.Exec("BEGIN") ||
        !ids.Prepare(db, "SELECT (SELECT coalesce(max(id), 0) FROM receptions), (SELECT min(id) FROM beacon), (SELECT max(id) FROM beacon)") ||
        ids.Step() != SQLITE_ROW)
        return db.Error();
    seen = ids.Int(0);
    const std::int64_t first = ids.Int(1), last = ids.Int(2);
    ids.Finalize();
    std::vector<HistoryRow> upper;
    std::string upperWhy;
    std::thread helper;
    std::int64_t middle = last;
    if (last - first > 100000 && std::thread::hardware_concurrency() > 1 && second.Open(uri, SQLITE_OPEN_READONLY)) {
        // Beacons past `last` (stored since) come with the receptions after `seen`.
        middle = first + (last - first) / 2;
        helper = std::thread([&] {
            GiveWay();
            upperWhy = ScanChannel(second, channel, middle + 1, last, stop, upper);
        });
    }
    rows.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, last - first + 1)));
    std::string why = ScanChannel(db, channel, first, middle, stop, rows);
    if (helper.joinable()) helper.join();
    db.Exec("COMMIT");
    if (why.empty()) why = upperWhy;
    rows.insert(rows.end(), upper.begin(), upper.end());
    return why;
}

}  // namespace

SqliteArchive::~SqliteArchive() { StopLoading(); }

void SqliteArchive::StopLoading() {
    if (loader_.joinable()) {
        stopLoading_ = true;
        loader_.join();
    }
    stopLoading_ = false;
    loadingChannel_ = -1;
    loaded_ = false;
    loadedRows_.clear();
    loadedRows_.shrink_to_fit();
}

void SqliteArchive::StartLoading(int channel) {
    if (loadingChannel_ == channel) return;
    StopLoading();
    loadingChannel_ = channel;
    loader_ = std::thread([this, channel, uri = openUri_] {
        GiveWay();
        std::vector<HistoryRow> rows;
        std::int64_t seen = 0;
        std::string why = LoadRows(uri, channel, stopLoading_, rows, seen);
        std::lock_guard lock(loadMutex_);
        loadedRows_ = std::move(rows);
        loadedSeenReception_ = seen;
        loadError_ = std::move(why);
        loaded_ = true;
    });
}

bool SqliteArchive::TakeLoaded(bool wait) {
    if (loadingChannel_ < 0) return true;
    {
        std::lock_guard lock(loadMutex_);
        if (!loaded_ && !wait) return true;
    }
    loader_.join();
    const int channel = loadingChannel_;
    loadingChannel_ = -1;
    loaded_ = false;
    if (stopLoading_) return stopLoading_ = false, true;
    if (!loadError_.empty()) {
        error_ = "the archive " + path_ + " is damaged (" + loadError_ + ")";
        loadedRows_ = {};
        return false;
    }
    cache_.Load(channel, std::move(loadedRows_));
    loadedRows_ = {};
    cacheSeenReception_ = loadedSeenReception_;
    return RefreshCache();
}

bool SqliteArchive::RefreshCache() {
    if (!cache_.Loaded()) return true;
    newestReception_.Step();
    const std::int64_t now = newestReception_.Int(0);
    newestReception_.Reset();
    if (now <= cacheSeenReception_) return true;
    // Every beacon with receptions since, as it stands now.
    sqlite::Stmt st;
    const std::size_t channel = static_cast<std::size_t>(cache_.Channel());
    if (!st.Prepare(db_, "SELECT id, time_ms, receptions, " + ChannelColumns()[channel] +
                             ", raw FROM beacon WHERE time_ms IS NOT NULL AND id IN "
                             "(SELECT beacon FROM receptions WHERE id > ? AND id <= ?)"))
        return Fail("read");
    st.Bind(1, cacheSeenReception_);
    st.Bind(2, now);
    std::vector<HistoryChange> changes;
    BeaconValues raw;
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) {
        HistoryChange c;
        c.row = {st.Int(0), st.Int(1), st.Real(3), st.Int(2)};
        if (!st.Null(4) && ValuesOfRaw(st.Blob(4), raw)) c.row.value = raw[channel];
        changes.push_back(c);
    }
    if (rc != SQLITE_DONE) return Fail("read");
    cache_.FillOldTimes(changes);
    cache_.Apply(changes);
    cacheSeenReception_ = now;
    return true;
}

bool SqliteArchive::SummaryRows(int channel, const TimeSpan& span, int columns, std::vector<MinuteRow>& rows) {
    // Hours once a column is an hour wide (years of beacons in a few thousand rows), else minutes.
    std::optional<std::int64_t> from = span.fromMs, to = span.toMs;
    if (!from || !to) {
        sqlite::Stmt ends;
        if (!ends.Prepare(db_, "SELECT (SELECT min(time_ms) FROM beacon), (SELECT max(time_ms) FROM beacon)") || ends.Step() != SQLITE_ROW)
            return Fail("read");
        if (!from) from = ends.OptInt(0);
        if (!to && ends.OptInt(1)) to = *ends.OptInt(1) + 1;
        if (!from || !to) return true;  // no beacon with time
    }
    const bool hours = (static_cast<__int128>(*to) - *from) / std::max(columns, 1) >= kHourMs;
    const sqlite_minutes::Summary& summary = hours ? sqlite_minutes::kHours : sqlite_minutes::kMinutes;
    const auto unitOf = [&](std::int64_t t) { return hours ? HourOf(t) : MinuteOf(t); };
    sqlite::Stmt st;
    // A minute (an hour) reaching into the span with its last beacon is part of it.
    const std::string sql = std::string("SELECT ") + summary.key + ", first_ms, last_ms, beacons, receptions, " + MinColumn(channel) +
                            ", " + MaxColumn(channel) + " FROM " + summary.table + " WHERE " + summary.key + " BETWEEN ? AND ? ORDER BY " +
                            summary.key;
    if (!st.Prepare(db_, sql)) return Fail("read");
    st.Bind(1, unitOf(*from));
    st.Bind(2, unitOf(*to));
    int rc;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    while ((rc = st.Step()) == SQLITE_ROW)
        rows.push_back({st.Int(0), st.Int(1), st.Int(2), st.Int(3), st.Int(4), st.Null(5) ? nan : st.Real(5), st.Null(6) ? nan : st.Real(6)});
    return rc == SQLITE_DONE || Fail("read");
}

bool SqliteArchive::Series(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) {
    std::lock_guard lock(mutex_);
    points.clear();
    if (channel < 0 || channel >= kChannelCount) {
        error_ = "no channel " + std::to_string(channel);
        return false;
    }
    if (!TakeLoaded(false)) return false;
    if (!cache_.Loaded() || cache_.Channel() != channel) {
        StartLoading(channel);
        if (!TakeLoaded(true)) return false;
    }
    if (!RefreshCache()) return false;
    cache_.Series(span, columns, points);
    return true;
}

bool SqliteArchive::QuickSeries(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points, bool& exact) {
    std::lock_guard lock(mutex_);
    exact = true;
    points.clear();
    if (channel < 0 || channel >= kChannelCount) return Series(channel, span, columns, points);
    if (!TakeLoaded(false)) return false;
    if ((cache_.Loaded() && cache_.Channel() == channel) || !hasMinutes_) return Series(channel, span, columns, points);
    sqlite::Stmt ids;
    if (!ids.Prepare(db_, "SELECT coalesce((SELECT max(id) FROM beacon) - (SELECT min(id) FROM beacon), 0)") || ids.Step() != SQLITE_ROW) return Fail("read");
    if (ids.Int(0) < loadAtOnceBelow_) return Series(channel, span, columns, points);
    StartLoading(channel);
    std::vector<MinuteRow> rows;
    if (!SummaryRows(channel, span, columns, rows)) return false;
    MinuteSeries(rows, span, columns, points);
    exact = false;
    return true;
}

}  // namespace tavro
