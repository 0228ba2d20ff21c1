// Sharing received frames with the SatNOGS database (SiDS). Attached to a
// session, every frame of the satellite that arrives live (and, for
// tavro-cli --share, every one of the KISS captures read) with a known UTC
// time is queued on disk, then posted:
//
//   Sharing sharing(options);        the queue opened, a worker started
//   sharing.Attach(session);         the session's frame hook
//   ... session.Feed(...) ...
//   sharing.StatusText()  -> "shared 57, waiting 3 (offline since 10:14 UTC)"
//
// Never shared: frames without a UTC time (the time text names no instant),
// frames read from SatNOGS (imports and fetches go through another reader),
// frames without the satellite's AX.25 header. Missing station settings:
// nothing is queued, and the status names the missing key.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "session.h"
#include "sids_uploader.h"
#include "station_settings.h"

namespace tavro {

struct SharingOptions {
    StationSettings station;
    // Where the archive is (a SQLite file, or a server's URI) and where the
    // SQLite archive would be: the queue goes into the SQLite archive (made
    // when missing), or next to where it would be (ShareQueuePath).
    std::string archiveLocation;
    std::string defaultSqliteArchive;
    std::string version;    // "tavro-cli 0.3"
    std::function<std::int64_t()> clockMs;  // empty: the system clock
    std::chrono::milliseconds firstDelay{60000}, maxDelay{3600000}, timeout{10000};
    bool files = false;       // KISS captures read are shared too
    bool background = true;   // a thread posts as frames come; else SendWaiting() does
    // Set: each request body goes here instead, nothing is queued or sent (--share-dry-run).
    std::function<void(const std::string& body)> dryRun;
    std::function<void()> changed;  // the status changed (called on the worker's thread)
};

// The queue's file: the SQLite archive itself, or share_queue.sqlite next
// to the SQLite archive's default place when the archive is a server.
//   ("/d/a.sqlite", "/home/me/.local/share/tavro/archive.sqlite") -> "/d/a.sqlite"
//   ("postgresql://host/db", "/home/me/.local/share/tavro/archive.sqlite")
//                                -> "/home/me/.local/share/tavro/share_queue.sqlite"
std::string ShareQueuePath(const std::string& archiveLocation, const std::string& defaultSqliteArchive);

// Makes the folders above path (mode 0700); for the user's data folder on first use.
void MakeFoldersAbove(const std::string& path);

class Sharing {
public:
    explicit Sharing(SharingOptions options);
    ~Sharing();
    Sharing(const Sharing&) = delete;
    Sharing& operator=(const Sharing&) = delete;

    void Attach(Session& session);
    // The frame hook itself: a KISS frame (command byte first) and its time text.
    void Offer(std::span<const std::uint8_t> kissFrame, std::string_view timeText);
    // Posts what waits, this thread (tavro-cli at the end of its files).
    void SendWaiting();
    // Ends the worker: a post in progress is finished first.
    void Stop();
    // tavro-cli's end: the worker stops and what waits is posted unless the server is unavailable.
    void Finish();

    ShareStatus Status();
    std::string StatusText() { return ShareStatusText(Status()); }
    long long FramesWithoutTime() const { return withoutTime_; }
    long long FramesOffered() const { return offered_; }
    bool DryRun() const { return static_cast<bool>(options_.dryRun); }
    const std::string& QueuePath() const { return queuePath_; }

private:
    SharingOptions options_;
    std::string queuePath_;
    std::string problem_;
    std::unique_ptr<ShareQueue> queue_;     // without a worker
    std::unique_ptr<SidsUploader> uploader_;
    std::unique_ptr<ShareWorker> worker_;
    std::string queueError_;  // the last frame that could not be queued
    long long withoutTime_ = 0, offered_ = 0;
};

}  // namespace tavro
