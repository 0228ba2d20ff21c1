#include "sqlite_archive.h"

#include <sys/resource.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <filesystem>

#include "archive_columns.h"
#include "beacon_bits.h"

namespace tavro {
namespace {

// id, time_ms, receptions, layout, raw, then the 47 channels.
std::string BeaconColumns() {
    std::string s = "id, time_ms, receptions, layout, raw";
    for (const std::string& c : ChannelColumns()) s += ", " + c;
    return s;
}

constexpr int kFirstValue = 5;

}  // namespace

std::string SqliteArchive::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

namespace {

// After a write error: no room left for path (its file system nearly full,
// or a file-size limit reached)? SQLite's own errno is not kept reliably.
bool NoRoomFor(const std::string& path) {
    std::error_code ec;
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        for (const std::string& file : {path, path + "-wal"}) {
            const auto size = std::filesystem::file_size(file, ec);
            if (!ec && size + 65536 >= limit.rlim_cur) return true;
        }
    struct statvfs fs {};
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return statvfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 &&
           static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < 1024 * 1024;
}

}  // namespace

// The SQLite error in words a user can act on.
bool SqliteArchive::Fail(const char* doing) {
    const int code = db_.Code();
    const int primary = code & 0xFF;
    const int sys = db_.Handle() ? sqlite3_system_errno(db_.Handle()) : 0;
    if (primary == SQLITE_FULL ||
        (primary == SQLITE_IOERR && (sys == ENOSPC || sys == EFBIG || sys == EDQUOT || NoRoomFor(path_))))
        error_ = std::string("cannot ") + doing + " the archive " + path_ + ": database or disk is full (nothing of it was added)";
    else if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        error_ = "the archive " + path_ + " is damaged (" + db_.Error() + ")";
    else if (primary == SQLITE_READONLY)
        error_ = "the archive " + path_ + " is read-only";
    else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        error_ = "the archive " + path_ + " stayed busy: another program held it for 30 s";
    else
        error_ = std::string("cannot ") + doing + " the archive " + path_ + ": " + db_.Error();
    if (db_.Handle() && !sqlite3_get_autocommit(db_.Handle())) db_.Exec("ROLLBACK");
    return false;
}

bool SqliteArchive::Prepare() {
    return (readOnly_ || PrepareAdding()) && newestReception_.Prepare(db_, "SELECT coalesce(max(id), 0) FROM receptions") &&
           (readOnly_ || !hasMinutes_ || PrepareMinutes());
}

bool SqliteArchive::ReadBeacon(sqlite::Stmt& st, Beacon& b) const {
    b.id = st.Int(0);
    b.timeMs = st.OptInt(1);
    b.receptions = st.Int(2);
    b.layout = st.Int(3) == 1 ? RecordLayout::Log : RecordLayout::Kiss;
    if (!st.Null(4)) return ValuesOfRaw(st.Blob(4), b.values);
    for (int i = 0; i < kChannelCount; ++i) b.values[static_cast<std::size_t>(i)] = st.Real(kFirstValue + i);
    return true;
}

bool SqliteArchive::Query(sqlite::Stmt& st, const std::function<bool(const Beacon&)>& each) {
    Beacon b;
    int rc;
    while ((rc = st.Step()) == SQLITE_ROW) {
        if (!ReadBeacon(st, b)) {
            st.Reset();
            error_ = "the archive " + path_ + " is damaged (a beacon's raw values are not 376 bytes)";
            return false;
        }
        if (!each(b)) break;
    }
    st.Reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail("read");
    return true;
}

bool SqliteArchive::ForEachBeacon(const TimeSpan& span, const std::function<bool(const Beacon&)>& each) {
    std::lock_guard lock(mutex_);
    const std::string from = "SELECT " + BeaconColumns() + " FROM beacon ";
    std::string where = "WHERE time_ms IS NOT NULL";
    if (span.fromMs) where += " AND time_ms >= ?";
    if (span.toMs) where += " AND time_ms < ?";
    sqlite::Stmt st;
    if (!st.Prepare(db_, from + where + " ORDER BY time_ms, id")) return Fail("read");
    int arg = 1;
    if (span.fromMs) st.Bind(arg++, *span.fromMs);
    if (span.toMs) st.Bind(arg++, *span.toMs);
    bool more = true;
    if (!Query(st, [&](const Beacon& b) { return more = each(b); })) return false;
    if (!more || span.fromMs || span.toMs) return true;
    sqlite::Stmt untimed;
    if (!untimed.Prepare(db_, from + "WHERE time_ms IS NULL ORDER BY id")) return Fail("read");
    return Query(untimed, each);
}

std::optional<Beacon> SqliteArchive::NearestBeacon(std::int64_t timeMs) {
    std::lock_guard lock(mutex_);
    sqlite::Stmt below, above;
    if (!below.Prepare(db_, "SELECT max(time_ms) FROM beacon WHERE time_ms <= ?") ||
        !above.Prepare(db_, "SELECT min(time_ms) FROM beacon WHERE time_ms > ?"))
        return Fail("read"), std::nullopt;
    below.Bind(1, timeMs);
    above.Bind(1, timeMs);
    if (below.Step() != SQLITE_ROW || above.Step() != SQLITE_ROW) return Fail("read"), std::nullopt;
    const std::optional<std::int64_t> a = below.OptInt(0), b = above.OptInt(0);
    if (!a && !b) return std::nullopt;
    // The nearer one; at equal distance the earlier.
    const std::int64_t t = !b ? *a : !a ? *b : (static_cast<__int128>(timeMs) - *a <= static_cast<__int128>(*b) - timeMs ? *a : *b);
    sqlite::Stmt st;
    if (!st.Prepare(db_, "SELECT " + BeaconColumns() + " FROM beacon WHERE time_ms = ? ORDER BY id LIMIT 1")) return Fail("read"), std::nullopt;
    st.Bind(1, t);
    std::optional<Beacon> out;
    if (!Query(st, [&](const Beacon& beacon) { out = beacon; return false; })) return std::nullopt;
    return out;
}

bool SqliteArchive::Info(ArchiveInfo& info) {
    std::lock_guard lock(mutex_);
    info = {};
    info.location = path_;
    info.schemaVersion = kArchiveSchemaVersion;
    sqlite::Stmt st;
    // Counting a million receptions reads the whole table: the hours hold the counts of the beacons with time.
    const char* counts = hasMinutes_ ? "SELECT (SELECT coalesce(sum(beacons), 0) FROM history_hour) + "
                                       "(SELECT count(*) FROM beacon WHERE time_ms IS NULL), "
                                       "(SELECT coalesce(sum(receptions), 0) FROM history_hour) + "
                                       "(SELECT coalesce(sum(receptions), 0) FROM beacon WHERE time_ms IS NULL), "
                                     : "SELECT (SELECT count(*) FROM beacon), (SELECT count(*) FROM receptions), ";
    if (!st.Prepare(db_,
                    std::string(counts) +
                    "(SELECT count(*) FROM beacon WHERE time_ms IS NULL), (SELECT min(time_ms) FROM beacon), "
                    "(SELECT max(time_ms) FROM beacon), (SELECT user_version FROM pragma_user_version), "
                    "(SELECT page_count * page_size FROM pragma_page_count, pragma_page_size)") ||
        st.Step() != SQLITE_ROW)
        return Fail("read");
    info.beacons = st.Int(0);
    info.receptions = st.Int(1);
    info.beaconsWithoutTime = st.Int(2);
    info.firstMs = st.OptInt(3);
    info.lastMs = st.OptInt(4);
    info.schemaVersion = static_cast<int>(st.Int(5));
    std::error_code ec;
    long long bytes = static_cast<long long>(std::filesystem::file_size(path_, ec));
    if (ec) bytes = st.Int(6);
    const auto wal = std::filesystem::file_size(path_ + "-wal", ec);
    if (!ec) bytes += static_cast<long long>(wal);
    info.fileBytes = bytes;
    return true;
}

std::optional<std::int64_t> SqliteArchive::NewestReception(SourceKind kind) {
    std::lock_guard lock(mutex_);
    sqlite::Stmt st;
    if (!st.Prepare(db_, "SELECT max(time_ms) FROM receptions WHERE kind = ?")) return Fail("read"), std::nullopt;
    st.Bind(1, SourceKindText(kind));
    if (st.Step() != SQLITE_ROW) return Fail("read"), std::nullopt;
    return st.OptInt(0);
}

}  // namespace tavro
