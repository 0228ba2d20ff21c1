// The archive's writes, on a thread of their own beside the display: the
// session hands over each file's records (one transaction) and a live
// stream's records as they arrive (committed as soon as the thread gets to
// them, so at least once a second), and goes on at once.
//
//   ArchiveWriter writer(std::move(opened.archive));
//   const int file = writer.NewTicket();
//   writer.Write(file, records);          one Add: all of them or none
//   writer.Wait();                        every write done (or failed)
//   writer.Outcome(file) -> {beaconsNew 300, receptionsAdded 300, error ""}
//
// A server's store that lost its connection (Archive::ConnectionLost) is
// called again by ReconnectSchedule (1, 2, 4, ... 30 s) until Reconnect()
// succeeds; meanwhile the writes queue up and Status() says "archive:
// reconnecting…". Once the writer is asked to stop, five more attempts are
// made (about 31 s); the writes still queued then fail with the last error.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive.h"

namespace tavro {

struct ArchiveOutcome {
    long long beaconsNew = 0;
    long long receptionsAdded = 0;
    long long recordsQueued = 0;  // handed over and not yet written (or failed)
    long long recordsFailed = 0;  // not written: error says why
    std::string error;            // the last failure of the ticket's writes; empty: none
};

class ArchiveWriter {
public:
    explicit ArchiveWriter(std::unique_ptr<Archive> archive);
    ~ArchiveWriter();  // waits for every write (see above for a lost server)
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // A ticket to collect the outcome of one file or one live stream.
    int NewTicket();
    // Queues records as one transaction of ticket's. Successive writes of a
    // live stream (live = true) still waiting are joined into one.
    void Write(int ticket, std::vector<ArchiveRecord> records, bool live = false);
    void Wait();
    ArchiveOutcome Outcome(int ticket) const;

    // "" while all is well, "archive: reconnecting…" while a lost server is
    // waited for, "archive: <why the last write failed>" after a failure.
    std::string Status() const;
    // Beacons new to the archive since the writer began: grows whenever
    // some are written, for a window that follows the archive.
    std::uint64_t NewBeacons() const { return newBeacons_.load(std::memory_order_relaxed); }

private:
    struct Job {
        int ticket;
        std::vector<ArchiveRecord> records;
        bool live;
    };
    void Run();
    bool Add(Job& job, std::unique_lock<std::mutex>& lock);

    std::unique_ptr<Archive> archive_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool busy_ = false;  // a job is being written
    bool stop_ = false;
    bool reconnecting_ = false;
    bool gaveUp_ = false;  // stopping, and the lost server did not come back
    std::string lastError_;
    std::deque<ArchiveOutcome> outcomes_;  // by ticket; a deque, so that Add() keeps its reference as tickets are added
    std::atomic<std::uint64_t> newBeacons_{0};
    std::thread thread_;
};

}  // namespace tavro
