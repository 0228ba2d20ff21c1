// Opening the PostgreSQL archive and adding to it.
#include "pg_archive.h"

#include <unistd.h>

#include <cstdlib>
#include <random>

#include "pg_rows.h"
#include "pg_schema.h"

namespace tavro {
namespace {

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

// 16 random bytes: the batch id of one Add.
std::string NewBatchId() {
    static thread_local std::mt19937_64 random(std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32));
    std::string id(16, '\0');
    for (int i = 0; i < 16; i += 8) {
        const std::uint64_t r = random();
        for (int k = 0; k < 8; ++k) id[static_cast<std::size_t>(i + k)] = static_cast<char>(r >> (8 * k));
    }
    return id;
}

// The new beacons in the order of their first record, the known ones given
// their receptions and earlier time, every record a reception. The CTE's
// statements share one snapshot, so upd never sees what ins inserted.
std::string AddSql() {
    return "WITH ins AS (INSERT INTO beacon (identity, layout, time_ms, receptions, " + ChannelColumnList() + ")"
           " SELECT identity, layout, t, n, " + ChannelColumnList() +
           " FROM tavro_incoming WHERE first ORDER BY seq ON CONFLICT (identity) DO NOTHING RETURNING id, identity),"
           " upd AS (UPDATE beacon b SET receptions = b.receptions + a.n, time_ms = LEAST(b.time_ms, a.t)"
           " FROM tavro_incoming a WHERE a.first AND b.identity = a.identity RETURNING b.id, b.identity),"
           " rec AS (INSERT INTO receptions (beacon, source, kind, time_text, time_ms, station, source_bytes)"
           " SELECT k.id, s.source, s.kind, s.time_text, s.utc_ms, s.station, s.source_bytes FROM tavro_incoming s"
           " JOIN (SELECT id, identity FROM ins UNION ALL SELECT id, identity FROM upd) k ON k.identity = s.identity"
           " ORDER BY s.seq RETURNING 1)"
           " SELECT (SELECT count(*) FROM ins), (SELECT count(*) FROM rec)";
}

}  // namespace

PgArchive::PgArchive(const std::string& uri, bool readOnly) : db_(uri), readOnly_(readOnly), station_(HostName()) {}

OpenedArchive PgArchive::Open(const std::string& uri, bool readOnly) {
    std::unique_ptr<PgArchive> archive(new PgArchive(uri, readOnly));
    if (!archive->Begin()) return {nullptr, archive->Error()};
    return {std::move(archive), {}};
}

bool PgArchive::Begin() {
    int version = 0;
    if (!db_.Connect() || !db_.Exec("SET client_min_messages = warning") || !PrepareSchema(db_, readOnly_, version))
        return false;
    if (readOnly_) return db_.Exec("SET default_transaction_read_only = on");
    // Sorts of a 100000-record Add stay in memory.
    if (!db_.Exec("SET work_mem = '64MB'")) return false;
    return db_.Exec("CREATE TEMP TABLE IF NOT EXISTS tavro_incoming (seq integer, identity bytea, first boolean,"
                    " n integer, t bigint, layout smallint,"
                    " source_bytes bytea, source text, kind text, time_text text, utc_ms bigint, station text, " +
                    ChannelColumnList("", " double precision") + ") ON COMMIT DELETE ROWS");
}

bool PgArchive::Reconnect() { return Begin(); }

bool PgArchive::Rollback() {
    if (db_.Lost()) return false;
    const std::string why = db_.Error();
    db_.Exec("ROLLBACK");
    db_.Fail(why);
    return false;
}

bool PgArchive::Add(std::span<const ArchiveRecord> records, AddCounts& counts) {
    counts = {};
    if (readOnly_) return db_.Fail("the archive on " + db_.Shown() + " is opened read-only: nothing can be added");
    if (records.empty()) return true;
    // The same records after a lost connection: the same batch.
    const std::uint64_t digest = RecordsDigest(records);
    if (!pending_ || pending_->digest != digest) pending_ = Pending{digest, NewBatchId()};
    const std::string rows = IncomingRows(records, station_);
    for (int attempt = 1;; ++attempt) {
        if (AddOnce(rows, pending_->batch, counts)) return pending_.reset(), historyStale_ = true, true;
        if (db_.Lost()) return false;  // pending_ stays for the Add sent again
        // A serialization failure or deadlock detected: tried again a few times.
        const bool transient = db_.SqlState() == "40001" || db_.SqlState() == "40P01";
        if (!transient || attempt == 3) return pending_.reset(), false;
    }
}

bool PgArchive::AddOnce(const std::string& rows, const std::string& batch, AddCounts& counts) {
    counts = {};
    // A writer that stalls inside its transaction (a station whose network
    // went) is ended by the server after a minute, so its lock never holds
    // the others back for longer.
    if (!db_.Exec("BEGIN; SET LOCAL idle_in_transaction_session_timeout = '60s'") || !db_.Exec(kPgWriterLock))
        return Rollback();
    PgResult r;
    if (!db_.ExecBinary("SELECT beacons_new, receptions_added FROM archive_batch WHERE id = $1", {batch}, &r))
        return Rollback();
    if (PQntuples(r.get()) == 1) {  // committed before the connection was lost
        counts = {PgInt8(PQgetvalue(r.get(), 0, 0)), PgInt8(PQgetvalue(r.get(), 0, 1))};
        return db_.Exec("COMMIT") || Rollback();
    }
    if (!db_.CopyIn("COPY tavro_incoming FROM STDIN (FORMAT binary)", rows) || !db_.Exec(AddSql(), &r))
        return Rollback();
    const AddCounts added{std::atoll(PQgetvalue(r.get(), 0, 0)), std::atoll(PQgetvalue(r.get(), 0, 1))};
    if (!db_.ExecBinary("INSERT INTO archive_batch (id, beacons_new, receptions_added) VALUES ($1, " +
                            std::to_string(added.beaconsNew) + ", " + std::to_string(added.receptionsAdded) + ")",
                        {batch}))
        return Rollback();
    if (!db_.Exec("COMMIT")) return Rollback();
    counts = added;
    return true;
}

}  // namespace tavro
