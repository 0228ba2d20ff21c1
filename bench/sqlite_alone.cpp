#include "sqlite_alone.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "archive_columns.h"
#include "beacon_bits.h"

namespace tavro::bench {
namespace {

void Check(sqlite3* db, bool ok) {
    if (ok) return;
    std::fprintf(stderr, "SQLite alone: %s\n", sqlite3_errmsg(db));
    std::exit(2);
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& head, int rows, int params) {
    std::string sql = head;
    for (int r = 0; r < rows; ++r) {
        sql += r ? ", (?" : "(?";
        for (int p = 1; p < params; ++p) sql += ", ?";
        sql += ")";
    }
    sqlite3_stmt* st = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK);
    return st;
}

}  // namespace

double SqliteAloneBestMs(const std::string& path, const std::vector<std::vector<ArchiveRecord>>& passes) {
    for (const char* end : {"", "-wal", "-shm"}) std::filesystem::remove(path + end);
    { OpenedArchive made = OpenArchive(path); }  // the archive's tables and indexes
    sqlite3* db = nullptr;
    Check(db, sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK);
    Check(db, sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA cache_size = -65536", nullptr, nullptr,
                           nullptr) == SQLITE_OK);
    std::string columns = "id, hash, layout, time_ms, receptions";
    for (const std::string& c : ChannelColumns()) columns += ", " + c;
    sqlite3_stmt* find = Prepare(db, "SELECT id FROM beacon WHERE hash IN ", 1, 64);
    sqlite3_stmt* beacons = Prepare(db, "INSERT OR FAIL INTO beacon (" + columns + ") VALUES ", 16, 5 + kChannelCount);
    sqlite3_stmt* receptions = Prepare(db,
                                       "INSERT OR FAIL INTO receptions (beacon, source, kind, time_text, time_ms, station, source_bytes) "
                                       "VALUES ",
                                       32, 7);
    double best = 1e9;
    std::int64_t id = 0;
    for (const std::vector<ArchiveRecord>& pass : passes) {
        const std::clock_t start = std::clock();
        Check(db, sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK);
        const std::size_t n = pass.size() / 64 * 64;  // whole statements only
        for (std::size_t r = 0; r < n; ++r) {
            const ArchiveRecord& rec = pass[r];
            sqlite3_bind_int64(find, static_cast<int>(r % 64) + 1, BeaconHash(rec.values));
            if (r % 64 == 63) {
                while (sqlite3_step(find) == SQLITE_ROW) {}
                Check(db, sqlite3_reset(find) == SQLITE_OK);
            }
            const int b = static_cast<int>(r % 16) * (5 + kChannelCount);
            sqlite3_bind_int64(beacons, b + 1, id + static_cast<std::int64_t>(r) + 1);
            sqlite3_bind_int64(beacons, b + 2, BeaconHash(rec.values));
            sqlite3_bind_int(beacons, b + 3, 0);
            sqlite3_bind_int64(beacons, b + 4, rec.reception.utcMs.value_or(0));
            sqlite3_bind_int(beacons, b + 5, 1);
            for (int i = 0; i < kChannelCount; ++i) sqlite3_bind_double(beacons, b + 6 + i, rec.values[static_cast<std::size_t>(i)]);
            if (r % 16 == 15) Check(db, sqlite3_step(beacons) == SQLITE_DONE && sqlite3_reset(beacons) == SQLITE_OK);
            const int p = static_cast<int>(r % 32) * 7;
            const Reception& in = rec.reception;
            sqlite3_bind_int64(receptions, p + 1, id + static_cast<std::int64_t>(r) + 1);
            sqlite3_bind_text(receptions, p + 2, in.source.data(), static_cast<int>(in.source.size()), SQLITE_STATIC);
            sqlite3_bind_text(receptions, p + 3, "kiss", 4, SQLITE_STATIC);
            sqlite3_bind_text(receptions, p + 4, in.timeText.data(), static_cast<int>(in.timeText.size()), SQLITE_STATIC);
            sqlite3_bind_int64(receptions, p + 5, in.utcMs.value_or(0));
            sqlite3_bind_text(receptions, p + 6, in.station.data(), static_cast<int>(in.station.size()), SQLITE_STATIC);
            sqlite3_bind_blob(receptions, p + 7, rec.sourceBytes.data(), static_cast<int>(rec.sourceBytes.size()), SQLITE_STATIC);
            if (r % 32 == 31) Check(db, sqlite3_step(receptions) == SQLITE_DONE && sqlite3_reset(receptions) == SQLITE_OK);
        }
        Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK);
        id += static_cast<std::int64_t>(n);
        best = std::min(best, static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC * static_cast<double>(pass.size()) /
                                  static_cast<double>(n));
    }
    for (sqlite3_stmt* st : {find, beacons, receptions}) sqlite3_finalize(st);
    sqlite3_close(db);
    return best;
}

}  // namespace tavro::bench
