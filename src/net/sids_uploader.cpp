#include "sids_uploader.h"

#include <algorithm>

#include "http_client.h"
#include "utc_time.h"

namespace tavro {

namespace {
std::int64_t SystemNowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// "400 frame is not hexadecimal": the status and the answer's first line, shortened.
std::string Answer(const HttpResponse& r) {
    std::string text = r.body.substr(0, r.body.find_first_of("\r\n"));
    if (text.size() > 200) text = text.substr(0, 200) + "…";
    return std::to_string(r.status) + (text.empty() ? "" : " " + text);
}
}  // namespace

std::string ShareStatusText(const ShareStatus& s) {
    if (!s.problem.empty()) return "not shared: " + s.problem;
    std::string text = "shared " + std::to_string(s.shared);
    if (s.waiting > 0) {
        text += ", waiting " + std::to_string(s.waiting);
        if (s.offlineSinceMs) text += " (offline since " + UtcText(*s.offlineSinceMs).substr(11, 5) + " UTC)";
    }
    if (s.rejected > 0) text += ", rejected " + std::to_string(s.rejected) + ": " + s.lastRejection;
    return text;
}

SidsUploader::SidsUploader(ShareQueue& queue, UploaderOptions options) : queue_(queue), options_(std::move(options)) {}

std::int64_t SidsUploader::Now() const { return options_.clockMs ? options_.clockMs() : SystemNowMs(); }

std::optional<std::chrono::milliseconds> SidsUploader::SendWaiting(const std::atomic<bool>* stop) {
    while (!(stop && stop->load())) {
        const std::optional<QueuedFrame> frame = queue_.Claim(Now());
        if (!frame) return std::nullopt;
        HttpRequest request;
        request.url = options_.url;
        request.body = frame->body;
        request.contentType = "application/x-www-form-urlencoded";
        request.timeout = options_.timeout;
        const HttpResponse r = HttpFetch(request);
        const bool sent = r.status >= 200 && r.status < 300;
        const bool rejected = r.status >= 400 && r.status < 500 && r.status != 408 && r.status != 429;
        if (sent || rejected) {
            sent ? queue_.MarkSent(frame->id, Now()) : queue_.MarkRejected(frame->id, Answer(r), Now());
            std::lock_guard lock(mutex_);
            failures_ = 0;
            status_.offlineSinceMs.reset();
            status_.lastFailure.clear();
            if (sent) ++status_.shared;
            else ++status_.rejected, status_.lastRejection = Answer(r);
            continue;
        }
        queue_.Release(frame->id);
        std::lock_guard lock(mutex_);
        if (!status_.offlineSinceMs) status_.offlineSinceMs = Now();
        status_.lastFailure = r.status ? std::to_string(r.status) : r.error;
        // 1 min, 2, 4, ... up to 1 h; Retry-After when the server says it.
        const int shift = std::min(failures_++, 20);
        std::chrono::milliseconds delay =
            std::min<std::chrono::milliseconds>(options_.firstDelay * (std::int64_t{1} << shift), options_.maxDelay);
        const long long after = RetryAfterSeconds(r.retryAfter, Now() / 1000);
        if (after >= 0) delay = std::min<std::chrono::milliseconds>(std::chrono::seconds(after), options_.maxDelay);
        return delay;
    }
    return std::nullopt;
}

ShareStatus SidsUploader::Status() {
    const QueueCounts counts = queue_.Counts();
    std::lock_guard lock(mutex_);
    ShareStatus s = status_;
    s.waiting = counts.waiting;
    return s;
}

ShareWorker::ShareWorker(std::unique_ptr<ShareQueue> queue, UploaderOptions options, std::function<void()> changed)
    : queue_(std::move(queue)), uploader_(*queue_, std::move(options)), changed_(std::move(changed)) {
    thread_ = std::thread([this] { Run(); });
}

ShareWorker::~ShareWorker() { Stop(); }

void ShareWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ShareWorker::StopAndFlush() {
    Stop();
    if (!uploader_.Status().offlineSinceMs) uploader_.SendWaiting();
}

bool ShareWorker::Add(const std::string& body, std::int64_t nowMs) {
    const bool stored = queue_->Add(body, nowMs);
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    wake_.notify_all();
    return stored;
}

ShareStatus ShareWorker::Status() { return uploader_.Status(); }

void ShareWorker::Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait(lock, [this] { return stop_ || pending_; });
        if (stop_) break;
        pending_ = false;
        lock.unlock();
        const std::optional<std::chrono::milliseconds> delay = uploader_.SendWaiting(&stop_);
        if (changed_) changed_();
        lock.lock();
        if (delay) {
            // Waiting out the delay: new frames are queued but not posted before it ends.
            wake_.wait_for(lock, *delay, [this] { return stop_.load(); });
            pending_ = true;
        }
    }
}

}  // namespace tavro
