// Opening a SQLite archive without ever writing to a file that is not one:
// the file's first 100 bytes are checked by hand, then a read-only
// connection checks the application id and schema version, and only then
// is the file opened for writing.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "archive_columns.h"
#include "sqlite_archive.h"
#include "sqlite_minutes.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;

// PRAGMA application_id of every TAVRO archive: "TAVR".
constexpr std::int64_t kApplicationId = 0x54415652;

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

std::string SchemaSql() {
    std::string channels, view;
    for (const std::string& c : ChannelColumns()) {
        channels += ",\n  " + c + " REAL";
        view += ",\n  " + c;
    }
    return "CREATE TABLE beacon (\n"
           "  id INTEGER PRIMARY KEY,\n"
           "  hash INTEGER NOT NULL,\n"
           "  layout INTEGER NOT NULL,\n"
           "  time_ms INTEGER,\n"
           "  receptions INTEGER NOT NULL,\n"
           "  raw BLOB" +
           channels +
           ");\n"
           "CREATE INDEX beacon_by_hash ON beacon (hash);\n"
           "CREATE INDEX beacon_by_time ON beacon (time_ms);\n"
           "CREATE TABLE receptions (\n"
           "  id INTEGER PRIMARY KEY,\n"
           "  beacon INTEGER NOT NULL REFERENCES beacon (id),\n"
           "  source TEXT NOT NULL,\n"
           "  kind TEXT NOT NULL,\n"
           "  time_text TEXT NOT NULL,\n"
           "  time_ms INTEGER,\n"
           "  station TEXT NOT NULL,\n"
           "  source_bytes BLOB NOT NULL);\n"
           "CREATE INDEX receptions_from_satnogs_db ON receptions (time_ms) WHERE kind = 'satnogs-db';\n" +
           sqlite_minutes::TableSql(sqlite_minutes::kMinutes) + sqlite_minutes::TableSql(sqlite_minutes::kHours) +
           "CREATE VIEW beacons AS SELECT\n"
           "  strftime('%Y-%m-%d %H:%M:%S', (time_ms - ((time_ms % 1000) + 1000) % 1000) / 1000, 'unixepoch')"
           " || printf('.%03d', ((time_ms % 1000) + 1000) % 1000) AS time_utc,\n"
           "  time_ms,\n"
           "  receptions,\n"
           "  CASE layout WHEN 1 THEN 'log' ELSE 'kiss' END AS layout" +
           view +
           "\nFROM beacon ORDER BY time_ms IS NULL, time_ms, id;\n"
           "PRAGMA application_id = " +
           std::to_string(kApplicationId) + ";\nPRAGMA user_version = " + std::to_string(kArchiveSchemaVersion) + ";\n";
}

// Pages in 32 MiB of WAL.
int CheckpointPages(const sqlite::Db& db) {
    sqlite::Stmt st;
    const std::int64_t size = st.Prepare(db, "PRAGMA page_size") && st.Step() == SQLITE_ROW ? st.Int(0) : 4096;
    return static_cast<int>(32 * 1024 * 1024 / std::max<std::int64_t>(512, size));
}

// Schema 1 -> 2: the per-minute and per-hour summaries, summed from the beacons, in one
// transaction. Another program may be upgrading at this moment: the version
// is read again inside it. Empty text: done.
std::string Upgrade(sqlite::Db& db) {
    if (!db.Exec("BEGIN IMMEDIATE")) return db.Error();
    sqlite::Stmt st;
    if (!st.Prepare(db, "PRAGMA user_version") || st.Step() != SQLITE_ROW) {
        const std::string why = db.Error();
        db.Exec("ROLLBACK");
        return why;
    }
    const std::int64_t version = st.Int(0);
    st.Finalize();
    using namespace sqlite_minutes;
    if (version < 2 && !db.Exec((TableSql(kMinutes) + TableSql(kHours) + FillSql(kMinutes, "") + ";\n" + FillSql(kHours, "") +
                                 ";\nPRAGMA user_version = 2;")
                                    .c_str())) {
        const std::string why = db.Error();
        db.Exec("ROLLBACK");
        return why;
    }
    if (!db.Exec("COMMIT")) {
        const std::string why = db.Error();
        db.Exec("ROLLBACK");
        return why;
    }
    return {};
}

// "file:" URI of a path, for immutable=1.
std::string FileUri(const std::string& path) {
    std::string uri = "file:";
    for (char c : fs::absolute(path).string()) {
        if (c == '?' || c == '#' || c == '%') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
            uri += buf;
        } else {
            uri += c;
        }
    }
    return uri;
}

struct Refusal {
    std::string text;
};

// What the file's first bytes say. Empty text: go on.
std::string CheckHeader(const std::string& path, std::uintmax_t size) {
    if (size == 0) return {};
    unsigned char h[100] = {};
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(h), sizeof h);
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (!in && !in.eof()) return path + " cannot be read";
    static const char magic[] = "SQLite format 3";  // and its 0 byte
    if (got < 16 || std::memcmp(h, magic, 16) != 0) return path + " is not a TAVRO archive (it is not a SQLite database)";
    if (got < 100) return path + " is damaged: it is cut short (" + std::to_string(got) + " bytes)";
    std::uint32_t pageSize = static_cast<std::uint32_t>(h[16]) << 8 | h[17];
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return path + " is damaged: its header is not valid";
    const std::uint32_t pages = BigEndian32(h + 28);
    const bool pagesValid = BigEndian32(h + 24) == BigEndian32(h + 92) && pages > 0;
    std::error_code ec;
    const auto walSize = fs::file_size(path + "-wal", ec);
    const bool walHolds = !ec && walSize > 0;
    if (!walHolds && (size % pageSize != 0 || (pagesValid && size < static_cast<std::uintmax_t>(pages) * pageSize)))
        return path + " is damaged: it is cut short (" + std::to_string(size) + " bytes of " +
               std::to_string(static_cast<std::uintmax_t>(pages) * pageSize) + ")";
    return {};
}

}  // namespace

OpenedArchive SqliteArchive::Open(const std::string& path, bool readOnly) {
    if (path.empty()) return {nullptr, "no archive file given"};
    const fs::path file(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return {nullptr, "the folder " + folder.string() + " does not exist (archive " + path + ")"};
    const bool exists = fs::exists(file, ec);
    if (exists && fs::is_directory(file, ec)) return {nullptr, path + " is a folder, not an archive"};
    const std::uintmax_t size = exists ? fs::file_size(file, ec) : 0;
    if (exists && ec) return {nullptr, path + " cannot be read (" + ec.message() + ")"};
    if (std::string why = CheckHeader(path, size); !why.empty()) return {nullptr, why};

    // Writable only when both the file and its folder are (WAL keeps two files beside it).
    if (!readOnly && ((exists && access(path.c_str(), W_OK) != 0) || access(folder.c_str(), W_OK) != 0)) readOnly = true;
    if (!exists && readOnly)
        return {nullptr, access(folder.c_str(), W_OK) != 0 ? "cannot make the archive " + path + ": the folder is read-only"
                                                          : "there is no archive at " + path};

    std::unique_ptr<SqliteArchive> a(new SqliteArchive(path, readOnly));
    sqlite::Db& db = a->db_;
    bool fresh = !exists || size == 0;
    std::int64_t foundVersion = kArchiveSchemaVersion;
    if (!fresh) {
        // First read-only: what is it? Without a WAL beside it the file alone
        // is the whole archive: read it as immutable, which makes no -wal or -shm.
        std::error_code walEc;
        const bool wal = fs::file_size(path + "-wal", walEc) > 0 && !walEc;
        if (!db.Open(wal ? path : FileUri(path) + "?immutable=1", SQLITE_OPEN_READONLY))
            return {nullptr, path + " cannot be opened (" + db.Error() + ")"};
        sqlite::Stmt st;
        const bool ok = st.Prepare(db, "SELECT (SELECT application_id FROM pragma_application_id), "
                                       "(SELECT user_version FROM pragma_user_version), (SELECT count(*) FROM sqlite_schema)") &&
                        st.Step() == SQLITE_ROW;
        if (!ok) {
            const int code = db.Code() & 0xFF;
            if (code == SQLITE_NOTADB) return {nullptr, path + " is not a TAVRO archive (it is not a SQLite database)"};
            return {nullptr, path + " is damaged (" + db.Error() + ")"};
        }
        const std::int64_t appId = st.Int(0), version = st.Int(1), objects = st.Int(2);
        st.Finalize();
        foundVersion = version;
        if (appId == 0 && version == 0 && objects == 0) {
            fresh = true;  // an empty SQLite database: ours to fill
        } else if (appId != kApplicationId) {
            return {nullptr, path + " is not a TAVRO archive (it is another program's SQLite database)"};
        } else if (version > kArchiveSchemaVersion) {
            return {nullptr, path + " was written by a newer version of this program (archive schema " + std::to_string(version) +
                                 ", this version reads up to " + std::to_string(kArchiveSchemaVersion) + "); it is left as it is"};
        } else if (version < 1) {
            return {nullptr, path + " is damaged (archive schema " + std::to_string(version) + ")"};
        }
        if (fresh && readOnly) return {nullptr, "there is no archive at " + path + " (the file is an empty database, and read-only)"};
        db.Close();
    }
    // Read-only in a folder we cannot write: SQLite could not keep its WAL index beside it.
    const bool immutable = readOnly && access(folder.c_str(), W_OK) != 0;
    a->openUri_ = immutable ? FileUri(path) + "?immutable=1" : path;
    if (!db.Open(a->openUri_,
                 readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | (fresh ? SQLITE_OPEN_CREATE : 0)))
        return {nullptr, "cannot open the archive " + path + " (" + db.Error() + ")"};
    sqlite3_busy_timeout(db.Handle(), 30000);
    db.Exec("PRAGMA cache_size = -65536");
    // Pages of 16 KiB hold 35 beacons: a fifth less work per beacon added than 4 KiB.
    if (fresh && !readOnly) db.Exec("PRAGMA page_size = 16384");
    if (!readOnly) {
        // A larger WAL before each checkpoint (32 MiB): pages changed by many passes go to the file once.
        if (!db.Exec("PRAGMA journal_mode = WAL") || !db.Exec("PRAGMA synchronous = NORMAL") || !db.Exec(("PRAGMA wal_autocheckpoint = " + std::to_string(CheckpointPages(db))).c_str()) ||
            !db.Exec("PRAGMA journal_size_limit = 67108864"))
            return {nullptr, "cannot open the archive " + path + " (" + db.Error() + ")"};
    }
    if (fresh && !readOnly) {
        // Another process may be making it at this moment: look again inside the transaction.
        if (!db.Exec("BEGIN IMMEDIATE")) return {nullptr, "cannot make the archive " + path + " (" + db.Error() + ")"};
        sqlite::Stmt st;
        if (!st.Prepare(db, "SELECT (SELECT application_id FROM pragma_application_id), (SELECT count(*) FROM sqlite_schema)") ||
            st.Step() != SQLITE_ROW) {
            db.Exec("ROLLBACK");
            return {nullptr, "cannot make the archive " + path + " (" + db.Error() + ")"};
        }
        const bool made = st.Int(0) == kApplicationId, foreign = !made && st.Int(1) != 0;
        st.Finalize();
        if (foreign) {
            db.Exec("ROLLBACK");
            return {nullptr, path + " is not a TAVRO archive (it is another program's SQLite database)"};
        }
        if (!made && !db.Exec(SchemaSql().c_str())) {
            const std::string why = db.Error();
            db.Exec("ROLLBACK");
            return {nullptr, "cannot make the archive " + path + " (" + why + ")"};
        }
        if (!db.Exec("COMMIT")) {
            const std::string why = db.Error();
            db.Exec("ROLLBACK");
            return {nullptr, "cannot make the archive " + path + " (" + why + ")"};
        }
    }
    if (!fresh && !readOnly && foundVersion < kArchiveSchemaVersion) {
        if (std::string why = Upgrade(db); !why.empty()) return {nullptr, "cannot upgrade the archive " + path + " (" + why + "); it is left as it is"};
        foundVersion = kArchiveSchemaVersion;
    }
    a->hasMinutes_ = fresh || foundVersion >= 2;
    if (!a->Prepare()) return {nullptr, path + " is damaged (" + db.Error() + ")"};
    // Touch every table and index once, so a damaged file is told now, not at the first chart.
    sqlite::Stmt probe;
    if (!probe.Prepare(db, "SELECT (SELECT max(id) FROM beacon), (SELECT max(id) FROM receptions), "
                           "(SELECT min(time_ms) FROM beacon), (SELECT min(hash) FROM beacon)") ||
        probe.Step() != SQLITE_ROW)
        return {nullptr, path + " is damaged (" + db.Error() + ")"};
    return {std::move(a), {}};
}

}  // namespace tavro
