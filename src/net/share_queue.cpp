#include "share_queue.h"

#include <sqlite3.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace tavro {

namespace {

constexpr std::int64_t kClaimMs = 60000;  // longer than any post with its time-out

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS share_queue("
    " id INTEGER PRIMARY KEY,"
    " body TEXT NOT NULL UNIQUE,"
    " state TEXT NOT NULL DEFAULT 'waiting' CHECK (state IN ('waiting', 'sent', 'rejected')),"
    " queued_ms INTEGER NOT NULL,"
    " attempts INTEGER NOT NULL DEFAULT 0,"
    " answer TEXT,"
    " done_ms INTEGER,"
    " holder_pid INTEGER,"
    " held_until_ms INTEGER)";

// The digests of pruned frames: a body in it was sent and is not queued again.
const char* const kSentSchema = "CREATE TABLE IF NOT EXISTS share_sent(digest INTEGER PRIMARY KEY)";

// 64-bit FNV-1a of a body, as SQLite's signed integer: "" -> 0xCBF29CE484222325.
std::int64_t Digest(const std::string& body) {
    std::uint64_t h = 0xCBF29CE484222325u;
    for (const char c : body) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    return static_cast<std::int64_t>(h);
}

struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

bool Alive(std::int64_t pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH); }

}  // namespace

std::unique_ptr<ShareQueue> ShareQueue::Open(const std::string& path, std::string& error, std::int64_t nowMs) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
        SQLITE_OK) {
        error = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<ShareQueue> queue(new ShareQueue(db, path));
    // Another program may hold the file for a moment (the archive's writer, a second program).
    sqlite3_busy_timeout(db, 10000);
    if (!queue->Exec("PRAGMA journal_mode=WAL") || !queue->Exec(kSchema) || !queue->Exec(kSentSchema) ||
        !queue->PruneSent(nowMs - kKeepSentMs)) {
        error = queue->error_;
        return nullptr;
    }
    return queue;
}

// One transaction: the digests in, the rows out, or neither.
bool ShareQueue::PruneSent(std::int64_t beforeMs) {
    std::lock_guard lock(mutex_);
    std::vector<std::int64_t> digests;
    if (!Exec("BEGIN IMMEDIATE")) return false;
    {
        Statement st;
        if (sqlite3_prepare_v2(db_, "SELECT body FROM share_queue WHERE state = 'sent' AND done_ms < ?1", -1, &st.s, nullptr) !=
            SQLITE_OK) {
            error_ = sqlite3_errmsg(db_);
            Exec("ROLLBACK");
            return false;
        }
        sqlite3_bind_int64(st.s, 1, beforeMs);
        while (sqlite3_step(st.s) == SQLITE_ROW)
            digests.push_back(Digest(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0))));
    }
    bool ok = true;
    for (const std::int64_t d : digests) ok = ok && Exec("INSERT OR IGNORE INTO share_sent(digest) VALUES(?1)", {}, {d});
    ok = ok && Exec("DELETE FROM share_queue WHERE state = 'sent' AND done_ms < ?1", {}, {beforeMs});
    if (ok) return Exec("COMMIT");
    const std::string error = error_;
    Exec("ROLLBACK");
    error_ = error;
    return false;
}

ShareQueue::~ShareQueue() { sqlite3_close(db_); }

bool ShareQueue::Exec(const char* sql, std::initializer_list<std::string> texts, std::initializer_list<std::int64_t> numbers) {
    std::lock_guard lock(mutex_);
    Statement st;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &st.s, nullptr);
    int i = 1;
    for (const std::string& t : texts) sqlite3_bind_text(st.s, i++, t.c_str(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    for (std::int64_t n : numbers) sqlite3_bind_int64(st.s, i++, n);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        }
    }
    if (rc != SQLITE_DONE && rc != SQLITE_OK) {
        error_ = sqlite3_errmsg(db_);
        return false;
    }
    changes_ = sqlite3_changes(db_);
    return true;
}

bool ShareQueue::Add(const std::string& body, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    return Exec("INSERT OR IGNORE INTO share_queue(body, queued_ms) SELECT ?1, ?2 "
                "WHERE NOT EXISTS (SELECT 1 FROM share_sent WHERE digest = ?3)",
                {body}, {nowMs, Digest(body)});
}

std::optional<QueuedFrame> ShareQueue::Claim(std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    struct Candidate {
        QueuedFrame frame;
        std::optional<std::int64_t> pid, until;
    };
    std::vector<Candidate> candidates;
    {
        Statement st;
        if (sqlite3_prepare_v2(db_,
                               "SELECT id, body, holder_pid, held_until_ms FROM share_queue WHERE state = 'waiting' "
                               "ORDER BY id LIMIT 16",
                               -1, &st.s, nullptr) != SQLITE_OK) {
            error_ = sqlite3_errmsg(db_);
            return std::nullopt;
        }
        while (sqlite3_step(st.s) == SQLITE_ROW) {
            Candidate c;
            c.frame.id = sqlite3_column_int64(st.s, 0);
            c.frame.body = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 1));
            if (sqlite3_column_type(st.s, 2) != SQLITE_NULL) c.pid = sqlite3_column_int64(st.s, 2);
            if (sqlite3_column_type(st.s, 3) != SQLITE_NULL) c.until = sqlite3_column_int64(st.s, 3);
            candidates.push_back(std::move(c));
        }
    }
    const std::int64_t me = ::getpid();
    for (Candidate& c : candidates) {
        if (c.pid && *c.pid != me && c.until && *c.until > nowMs && Alive(*c.pid)) continue;  // another program posts it
        // Taken only if nobody changed the claim since it was read.
        Statement st;
        sqlite3_prepare_v2(db_,
                           "UPDATE share_queue SET holder_pid = ?1, held_until_ms = ?2, attempts = attempts + 1 "
                           "WHERE id = ?3 AND state = 'waiting' AND holder_pid IS ?4 AND held_until_ms IS ?5",
                           -1, &st.s, nullptr);
        sqlite3_bind_int64(st.s, 1, me);
        sqlite3_bind_int64(st.s, 2, nowMs + kClaimMs);
        sqlite3_bind_int64(st.s, 3, c.frame.id);
        if (c.pid) sqlite3_bind_int64(st.s, 4, *c.pid);
        if (c.until) sqlite3_bind_int64(st.s, 5, *c.until);
        if (sqlite3_step(st.s) != SQLITE_DONE) {
            error_ = sqlite3_errmsg(db_);
            return std::nullopt;
        }
        changes_ = sqlite3_changes(db_);
        if (changes_ == 1) return c.frame;
    }
    return std::nullopt;
}

bool ShareQueue::MarkSent(std::int64_t id, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    return Exec("UPDATE share_queue SET state = 'sent', done_ms = ?1, holder_pid = NULL, held_until_ms = NULL WHERE id = ?2",
                {}, {nowMs, id});
}

bool ShareQueue::MarkRejected(std::int64_t id, const std::string& answer, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    return Exec("UPDATE share_queue SET state = 'rejected', answer = ?1, done_ms = ?2, holder_pid = NULL, "
                "held_until_ms = NULL WHERE id = ?3",
                {answer}, {nowMs, id});
}

bool ShareQueue::Release(std::int64_t id) {
    std::lock_guard lock(mutex_);
    return Exec("UPDATE share_queue SET holder_pid = NULL, held_until_ms = NULL WHERE id = ?1", {}, {id});
}

std::string ShareQueue::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

QueueCounts ShareQueue::Counts() {
    std::lock_guard lock(mutex_);
    QueueCounts counts;
    Statement st;
    if (sqlite3_prepare_v2(db_, "SELECT state, count(*) FROM share_queue GROUP BY state", -1, &st.s, nullptr) != SQLITE_OK)
        return counts;
    while (sqlite3_step(st.s) == SQLITE_ROW) {
        const std::string state = reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0));
        const long long n = sqlite3_column_int64(st.s, 1);
        (state == "waiting" ? counts.waiting : state == "sent" ? counts.sent : counts.rejected) = n;
    }
    return counts;
}

std::vector<std::string> ShareQueue::Bodies(const std::string& state) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> bodies;
    Statement st;
    if (sqlite3_prepare_v2(db_, "SELECT body FROM share_queue WHERE state = ?1 ORDER BY id", -1, &st.s, nullptr) != SQLITE_OK)
        return bodies;
    sqlite3_bind_text(st.s, 1, state.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st.s) == SQLITE_ROW) bodies.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.s, 0)));
    return bodies;
}

}  // namespace tavro
