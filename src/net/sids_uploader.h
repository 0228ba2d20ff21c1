// Posting the queued frames to the SiDS address, oldest first, one request
// per frame (Content-Type application/x-www-form-urlencoded):
//   2xx                       sent: it leaves the queue, never posted again
//   4xx but 408 and 429       rejected with the server's answer, not tried again
//   no connection, time-out (10 s), 408, 429, 5xx, other 3xx
//                             the server is unavailable: the frame waits and
//                             the round ends; the next round comes after 1 min,
//                             then 2, 4, ... up to 1 h, or after Retry-After
// A 2xx resets the delay. The status line's text:
//   "shared 57, waiting 3 (offline since 10:14 UTC)"
//   "shared 57, rejected 1: 400 frame is not hexadecimal"
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "share_queue.h"

namespace tavro {

struct ShareStatus {
    long long shared = 0;    // sent by this program since it started sharing
    long long waiting = 0;   // in the queue
    long long rejected = 0;  // by this program
    std::string lastRejection;  // "400 frame is not hexadecimal"
    std::optional<std::int64_t> offlineSinceMs;  // the first failure of the present run of failures
    std::string lastFailure;                      // "Connection refused", "503"
    std::string problem;  // nothing is shared: "STATION_CALLSIGN is not set", "cannot open the queue: …"
};

// "shared 57, waiting 3 (offline since 10:14 UTC)", "shared 57, rejected 1: 400 bad frame",
// "not shared: STATION_CALLSIGN is not set"
std::string ShareStatusText(const ShareStatus& status);

struct UploaderOptions {
    std::string url;                      // SIDS_URL
    std::function<std::int64_t()> clockMs;  // ms since 1970 UTC; empty: the system clock
    std::chrono::milliseconds firstDelay{60000}, maxDelay{3600000};
    std::chrono::milliseconds timeout{10000};
};

class SidsUploader {
public:
    SidsUploader(ShareQueue& queue, UploaderOptions options);

    // One round: posts waiting frames until none is left, the server is
    // unavailable, or stop is set. Returns how long to wait before the next
    // round when the server was unavailable; nullopt when nothing waits that could be sent.
    std::optional<std::chrono::milliseconds> SendWaiting(const std::atomic<bool>* stop = nullptr);
    ShareStatus Status();

private:
    std::int64_t Now() const;

    ShareQueue& queue_;
    UploaderOptions options_;
    std::mutex mutex_;  // guards status_
    ShareStatus status_;
    int failures_ = 0;  // in a row
};

// The uploader on a thread of its own: it sends whenever frames are added
// (unless it waits out a delay) and when a delay has passed, until stopped.
// changed() is called on that thread after each post.
class ShareWorker {
public:
    ShareWorker(std::unique_ptr<ShareQueue> queue, UploaderOptions options, std::function<void()> changed = {});
    ~ShareWorker();
    ShareWorker(const ShareWorker&) = delete;
    ShareWorker& operator=(const ShareWorker&) = delete;

    // Queued first (on disk), then sent. false: not stored.
    bool Add(const std::string& body, std::int64_t nowMs);
    ShareStatus Status();
    ShareQueue& Queue() { return *queue_; }
    void Stop();
    // Stops, then posts what waits on this thread unless the server is
    // being waited for (tavro-cli at its end: frames that came last are sent too).
    void StopAndFlush();

private:
    void Run();

    std::unique_ptr<ShareQueue> queue_;
    SidsUploader uploader_;
    std::function<void()> changed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = true;  // frames of an earlier run may wait
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tavro
