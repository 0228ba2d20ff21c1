// The archive in one SQLite file on the station's machine (schema in
// docs/archive.md). WAL mode: readers never wait for a writer, and the
// window and tavro-cli may add to one file at once (a writer waits for the
// other's transaction, up to half a minute, instead of failing "database is
// locked").
//
// A beacon's 47 values live in REAL columns, readable by any SQLite tool.
// A REAL column cannot give NaN (stored as NULL) or -0.0 (an integral REAL
// may be stored as the integer 0) back bit for bit: a beacon with such a
// value also keeps its 376 raw bytes in `raw`, and is read back from them.
//
// The history of one channel is kept in memory (HistoryCache), loaded once
// and then brought up to date by the receptions added since (by this
// connection or another program's). Until it is loaded, QuickSeries answers
// from the per-minute summary while a thread of its own loads it.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "archive.h"
#include "history_cache.h"
#include "history_minutes.h"
#include "sqlite_minutes.h"
#include "sqlite_db.h"

namespace tavro {

class SqliteArchive final : public Archive {
public:
    // path: the file; made (and its schema) when missing, unless readOnly.
    // A file this program cannot write (or in a folder it cannot write)
    // opens read-only.
    static OpenedArchive Open(const std::string& path, bool readOnly);

    bool Add(std::span<const ArchiveRecord> records, AddCounts& counts) override;
    bool ForEachBeacon(const TimeSpan& span, const std::function<bool(const Beacon&)>& each) override;
    bool Series(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) override;
    bool QuickSeries(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points, bool& exact) override;
    std::optional<Beacon> NearestBeacon(std::int64_t timeMs) override;
    bool Info(ArchiveInfo& info) override;
    std::optional<std::int64_t> NewestReception(SourceKind kind) override;
    bool ReadOnly() const override { return readOnly_; }
    std::string Error() const override;
    ~SqliteArchive() override;

    // An archive of fewer beacons loads a channel at once in QuickSeries (in a
    // few tens of milliseconds), without drawing the summary first.
    void LoadAtOnceBelow(std::int64_t beacons) { loadAtOnceBelow_ = beacons; }

private:
    SqliteArchive(std::string path, bool readOnly) : path_(std::move(path)), readOnly_(readOnly) {}
    bool Prepare();
    bool PrepareAdding();
    bool PrepareMinutes();
    bool Fail(const char* doing);
    bool ReadBeacon(sqlite::Stmt& st, Beacon& b) const;  // columns: id, time_ms, receptions, layout, raw, 47 values
    bool Query(sqlite::Stmt& st, const std::function<bool(const Beacon&)>& each);
    // The history: loaded whole, or brought up to date by the receptions since.
    bool RefreshCache();
    void StartLoading(int channel);  // in the background, unless it is under way
    void StopLoading();
    // A finished load into the cache (wait: for one under way); false: it failed, Error() says why.
    bool TakeLoaded(bool wait);
    // Rows of the summary (minutes, or hours when a column is an hour wide) that reach into span.
    bool SummaryRows(int channel, const TimeSpan& span, int columns, std::vector<MinuteRow>& rows);
    // One summary's part of an Add: deltas merged, minutes (hours) a beacon left summed again.
    struct SummaryStatements {
        sqlite_minutes::Summary summary;
        sqlite::Stmt get, put, drop, refill;
    };
    bool SaveSummary(SummaryStatements& st, std::map<std::int64_t, MinuteSummary>& deltas, const std::set<std::int64_t>& left);

    std::string path_;
    std::string openUri_;  // as the connection was opened: a path, or a file: URI
    bool readOnly_ = false;
    mutable std::recursive_mutex mutex_;
    sqlite::Db db_;
    std::int64_t loadAtOnceBelow_ = 200000;
    bool hasMinutes_ = true;  // false: an archive of schema 1 opened read-only
    // Adding (sqlite_add.cpp): several rows a statement, one row for the rest.
    sqlite::Stmt findMany_, insertBeacons_, insertBeacon_, insertReceptions_, insertReception_, updateBeacon_, maxBeaconId_;
    sqlite::Stmt newestReception_;
    SummaryStatements minutes_{sqlite_minutes::kMinutes, {}, {}, {}, {}}, hours_{sqlite_minutes::kHours, {}, {}, {}, {}};
    std::string error_;
    HistoryCache cache_;
    std::int64_t cacheSeenReception_ = 0;  // the cache holds every reception up to this id

    // The background load: its thread, the channel, and its result for the next call to take.
    std::thread loader_;
    int loadingChannel_ = -1;
    std::atomic<bool> stopLoading_{false};
    std::mutex loadMutex_;  // the loader's result, between its thread and the store's
    bool loaded_ = false;
    std::vector<HistoryRow> loadedRows_;
    std::int64_t loadedSeenReception_ = 0;
    std::string loadError_;
};

}  // namespace tavro
