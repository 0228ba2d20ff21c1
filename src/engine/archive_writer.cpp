#include "archive_writer.h"

#include "reconnect_schedule.h"

namespace tavro {

namespace {
constexpr int kAttemptsAfterStop = 5;  // 1 + 2 + 4 + 8 + 16 s
}  // namespace

ArchiveWriter::ArchiveWriter(std::unique_ptr<Archive> archive) : archive_(std::move(archive)) {
    thread_ = std::thread([this] { Run(); });
}

ArchiveWriter::~ArchiveWriter() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

int ArchiveWriter::NewTicket() {
    const std::lock_guard lock(mutex_);
    outcomes_.emplace_back();
    return static_cast<int>(outcomes_.size()) - 1;
}

void ArchiveWriter::Write(int ticket, std::vector<ArchiveRecord> records, bool live) {
    if (records.empty()) return;
    {
        const std::lock_guard lock(mutex_);
        outcomes_[static_cast<std::size_t>(ticket)].recordsQueued += static_cast<long long>(records.size());
        queue_.push_back({ticket, std::move(records), live});
    }
    changed_.notify_all();
}

void ArchiveWriter::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

ArchiveOutcome ArchiveWriter::Outcome(int ticket) const {
    const std::lock_guard lock(mutex_);
    return ticket >= 0 && static_cast<std::size_t>(ticket) < outcomes_.size() ? outcomes_[static_cast<std::size_t>(ticket)]
                                                                              : ArchiveOutcome{};
}

std::string ArchiveWriter::Status() const {
    const std::lock_guard lock(mutex_);
    if (reconnecting_) return "archive: reconnecting\xE2\x80\xA6";
    return lastError_.empty() ? std::string() : "archive: " + lastError_;
}

void ArchiveWriter::Run() {
    std::unique_lock lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;  // asked to stop, and everything is written
        Job job = std::move(queue_.front());
        queue_.pop_front();
        // A live stream's records that queued up while the last write ran go in one transaction.
        while (job.live && !queue_.empty() && queue_.front().live && queue_.front().ticket == job.ticket) {
            auto& more = queue_.front().records;
            job.records.insert(job.records.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
            queue_.pop_front();
        }
        busy_ = true;
        Add(job, lock);
        busy_ = false;
        changed_.notify_all();
    }
}

// Called and returns with the lock held; the store is called without it.
bool ArchiveWriter::Add(Job& job, std::unique_lock<std::mutex>& lock) {
    ReconnectSchedule schedule;
    const auto n = static_cast<long long>(job.records.size());
    ArchiveOutcome& outcome = outcomes_[static_cast<std::size_t>(job.ticket)];
    while (true) {
        lock.unlock();
        AddCounts counts;
        const bool ok = archive_->Add(job.records, counts);
        const bool lost = !ok && archive_->ConnectionLost();
        const std::string error = ok ? std::string() : archive_->Error();
        lock.lock();
        if (ok) {
            outcome.beaconsNew += counts.beaconsNew;
            outcome.receptionsAdded += counts.receptionsAdded;
            outcome.recordsQueued -= n;
            lastError_.clear();
            newBeacons_.fetch_add(static_cast<std::uint64_t>(counts.beaconsNew), std::memory_order_relaxed);
            return true;
        }
        lastError_ = error;
        bool reconnected = false;
        for (int afterStop = 0; lost && !reconnected;) {
            if (stop_ && (gaveUp_ || ++afterStop > kAttemptsAfterStop)) {
                gaveUp_ = true;  // the writes still queued fail at once
                break;
            }
            reconnecting_ = true;
            // Waiting ends early once the writer is asked to stop: an attempt is made at once.
            const bool stopping = stop_;
            changed_.wait_for(lock, schedule.Next(), [&] { return !stopping && stop_; });
            lock.unlock();
            reconnected = archive_->Reconnect();
            lock.lock();
        }
        reconnecting_ = false;
        if (reconnected) continue;  // the same records again: a batch that did commit adds nothing twice
        outcome.recordsQueued -= n;
        outcome.recordsFailed += n;
        outcome.error = error;
        return false;
    }
}

}  // namespace tavro
