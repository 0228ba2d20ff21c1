// The frames waiting to be shared, kept on disk so that none is lost when
// the server is offline or the program is closed or killed. A table of its
// own in the local SQLite archive file, or (with a PostgreSQL archive) in
// share_queue.sqlite next to where the SQLite archive would be:
//
//   CREATE TABLE share_queue(
//     id INTEGER PRIMARY KEY,           order of queuing
//     body TEXT NOT NULL UNIQUE,        the SiDS form, as POSTed
//     state TEXT NOT NULL,              'waiting', 'sent' or 'rejected'
//     queued_ms INTEGER NOT NULL,       when it was queued (ms since 1970 UTC)
//     attempts INTEGER NOT NULL,        posts tried
//     answer TEXT,                      the server's answer to a rejected frame
//     done_ms INTEGER,                  when it was sent or rejected
//     holder_pid INTEGER, held_until_ms INTEGER)  the process posting it now
//
//   CREATE TABLE share_sent(digest INTEGER PRIMARY KEY)  a pruned frame's body
//
// A frame leaves 'waiting' only on the server's answer. A body is queued
// once: the same frame read again is not posted again. Frames sent more
// than 30 days before the queue opens leave the table, each leaving the
// 64-bit FNV-1a digest of its body in share_sent, so that it is still never
// queued again; waiting and rejected frames stay. Before a post the
// frame is claimed for one process, so two programs sharing from one
// archive never post a frame twice; a claim of a process that is gone, or
// older than a minute, lapses.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "time_stamp.h"

struct sqlite3;

namespace tavro {

struct QueuedFrame {
    std::int64_t id = 0;
    std::string body;
};

struct QueueCounts {
    long long waiting = 0, sent = 0, rejected = 0;
};

class ShareQueue {
public:
    // Opens (and makes) the queue's table in the SQLite file at path, and
    // prunes the frames sent before nowMs - 30 days. Null with error set
    // when the file cannot be used.
    static std::unique_ptr<ShareQueue> Open(const std::string& path, std::string& error,
                                            std::int64_t nowMs = NowMilliseconds());
    ~ShareQueue();
    ShareQueue(const ShareQueue&) = delete;
    ShareQueue& operator=(const ShareQueue&) = delete;

    // false: not stored (Error() says why). A body already queued is left as it is.
    bool Add(const std::string& body, std::int64_t nowMs);
    // The oldest waiting frame no living process holds, now held by this one.
    std::optional<QueuedFrame> Claim(std::int64_t nowMs);
    bool MarkSent(std::int64_t id, std::int64_t nowMs);
    bool MarkRejected(std::int64_t id, const std::string& answer, std::int64_t nowMs);
    // Not sent this time: back to waiting.
    bool Release(std::int64_t id);

    QueueCounts Counts();
    // The bodies in one state, oldest first (for tests and reports).
    std::vector<std::string> Bodies(const std::string& state);
    std::string Error() const;
    const std::string& Path() const { return path_; }

    static constexpr std::int64_t kKeepSentMs = 30LL * 24 * 3600 * 1000;

private:
    ShareQueue(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    bool Exec(const char* sql, std::initializer_list<std::string> texts = {}, std::initializer_list<std::int64_t> numbers = {});
    bool PruneSent(std::int64_t beforeMs);

    sqlite3* db_;
    std::string path_;
    std::string error_;
    int changes_ = 0;
    // One connection, used by the thread that queues and the one that posts:
    // a call never runs while another is inside its statements (a write
    // begun inside another's read would fail "database is locked" at once).
    mutable std::recursive_mutex mutex_;
};

}  // namespace tavro
