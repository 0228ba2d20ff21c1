// The archive on a PostgreSQL server, for a station network: many stations
// (tavro-cli processes, windows) add to one database at once.
//
//   OpenedArchive a = PgArchive::Open("postgresql://tavro@db.example.org/tavro");
//
// - Each Add is one transaction under one advisory lock that writers take
//   in turn (so no writer deadlocks or retries forever): the records are
//   copied into a temporary table, new beacons inserted with ON CONFLICT on
//   their identity, the others given their receptions and earlier time.
// - Each Add carries a batch id, recorded in the same transaction. An Add
//   that failed with a lost connection and is sent again (the same records)
//   keeps its batch id: when its first try did commit, the second finds the
//   id and adds nothing. Reading the same file twice is two batches and
//   adds receptions, as it should.
// - Messages and Info().location never show a password (ShownUri).
// - The history (Series) is kept in memory per channel and brought up to
//   date from the beacon and reception ids that grew since, whoever wrote them.
// - QuickSeries answers at once: from the history once it is loaded, until
//   then from the per-minute summary (history_minute) while a thread loads
//   the channel's history on a connection of its own; the store takes the
//   rows over on a later call and brings them up to date as above.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "archive.h"
#include "history_cache.h"
#include "history_minutes.h"
#include "pg_connection.h"

namespace tavro {

class PgArchive final : public Archive {
public:
    // uri: a libpq URI; readOnly: adding is refused, the schema never made.
    static OpenedArchive Open(const std::string& uri, bool readOnly = false);
    ~PgArchive() override;

    bool Add(std::span<const ArchiveRecord> records, AddCounts& counts) override;
    bool ForEachBeacon(const TimeSpan& span, const std::function<bool(const Beacon&)>& each) override;
    bool Series(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) override;
    bool QuickSeries(int channel, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points, bool& exact) override;
    std::optional<Beacon> NearestBeacon(std::int64_t timeMs) override;
    bool Info(ArchiveInfo& info) override;
    std::optional<std::int64_t> NewestReception(SourceKind kind) override;

    bool ReadOnly() const override { return readOnly_; }
    std::string Error() const override { return db_.Error(); }
    bool ConnectionLost() const override { return db_.Lost(); }
    bool Reconnect() override;

    // "/run/postgresql" or "db.example.org:5432", and the database's name.
    std::string Server() const { return db_.Server(); }
    std::string Database() const { return db_.Database(); }

private:
    PgArchive(const std::string& uri, bool readOnly);
    bool Begin();  // connects the session: schema checked, temporary table made
    bool AddOnce(const std::string& rows, const std::string& minutes, const std::string& batch, AddCounts& counts);
    bool Rollback();
    bool RefreshHistory(int channel);
    bool LoadHistory(int channel);
    // The minutes (hours, over a wide span) of span with channel's values.
    bool MinuteRows(int channel, const TimeSpan& span, int columns, std::vector<MinuteRow>& rows);

    // One channel's history as loaded in one snapshot, with the newest ids then.
    struct LoadedHistory {
        std::vector<HistoryRow> rows;
        std::int64_t beacon = 0, reception = 0;
    };
    static bool LoadRows(PgConnection& db, int channel, LoadedHistory& out);
    // The background load of one channel's history.
    struct Loader {
        int channel = -1;
        std::thread thread;
        std::atomic<bool> done{false};
        std::mutex mutex;              // guards cancel and stopped
        PGcancel* cancel = nullptr;    // the loader's connection, while it runs
        bool stopped = false;
        bool ok = false;
        LoadedHistory loaded;          // read once done
        std::string error;
    };
    void StartLoader(int channel);
    // Ends the loader (wait: until it finished; else it is cancelled) and
    // takes its rows into history_ when they are of channel and complete.
    void EndLoader(int channel, bool wait);

    std::string uri_;
    PgConnection db_;
    bool readOnly_;
    std::string station_;  // the host name, for receptions without a station
    struct Pending {
        std::uint64_t digest;
        std::string batch;
    };
    std::optional<Pending> pending_;  // the Add a lost connection interrupted
    HistoryCache history_;
    std::int64_t seenBeacon_ = 0, seenReception_ = 0;  // the ids history_ reflects
    std::chrono::steady_clock::time_point historyChecked_{};  // when the server was last asked for new ids
    bool historyStale_ = true;                                 // this program added since
    std::unique_ptr<Loader> loader_;
};

}  // namespace tavro
