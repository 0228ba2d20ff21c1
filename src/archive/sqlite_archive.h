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
#pragma once

#include <mutex>
#include <string>

#include "archive.h"
#include "history_cache.h"
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
    std::optional<Beacon> NearestBeacon(std::int64_t timeMs) override;
    bool Info(ArchiveInfo& info) override;
    std::optional<std::int64_t> NewestReception(SourceKind kind) override;
    bool ReadOnly() const override { return readOnly_; }
    std::string Error() const override;

private:
    SqliteArchive(std::string path, bool readOnly) : path_(std::move(path)), readOnly_(readOnly) {}
    bool Prepare();
    bool Fail(const char* doing);
    bool ReadBeacon(sqlite::Stmt& st, Beacon& b) const;  // columns: id, time_ms, receptions, layout, raw, 47 values
    bool Query(sqlite::Stmt& st, const std::function<bool(const Beacon&)>& each);
    bool LoadChannel(int channel);
    bool FreshCache();  // false: the cache had to go (another connection wrote)

    std::string path_;
    std::string openUri_;  // as the connection was opened: a path, or a file: URI
    bool readOnly_ = false;
    mutable std::recursive_mutex mutex_;
    sqlite::Db db_;
    sqlite::Stmt find_, insertBeacon_, updateBeacon_, insertReception_, dataVersion_;
    std::string error_;
    HistoryCache cache_;
    std::int64_t cacheDataVersion_ = -1;
};

}  // namespace tavro
