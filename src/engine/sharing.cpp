#include "sharing.h"

#include <sys/stat.h>


#include "archive.h"
#include "sids_report.h"
#include "time_stamp.h"
#include "utc_time.h"

namespace tavro {

std::string ShareQueuePath(const std::string& archiveLocation, const std::string& defaultSqliteArchive) {
    const bool server = archiveLocation.rfind("postgresql://", 0) == 0 || archiveLocation.rfind("postgres://", 0) == 0;
    if (!server) return archiveLocation;
    const auto slash = defaultSqliteArchive.rfind('/');
    return (slash == std::string::npos ? std::string() : defaultSqliteArchive.substr(0, slash + 1)) + "share_queue.sqlite";
}

void MakeFoldersAbove(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}

Sharing::Sharing(SharingOptions options) : options_(std::move(options)) {
    if (const std::string missing = MissingForSharing(options_.station); !missing.empty()) {
        problem_ = missing + " is not set";
        return;
    }
    if (const std::string bad = CheckStation(options_.station); !bad.empty()) {
        problem_ = bad;
        return;
    }
    if (options_.dryRun) return;
    queuePath_ = ShareQueuePath(options_.archiveLocation, options_.defaultSqliteArchive);
    MakeFoldersAbove(queuePath_);
    if (queuePath_ == options_.archiveLocation) {
        // The queue is a table of the archive: the file must be this program's archive (made when missing).
        if (OpenedArchive opened = OpenArchive(queuePath_); !opened.archive) {
            problem_ = opened.error;
            return;
        }
    }
    std::string error;
    std::unique_ptr<ShareQueue> queue =
        ShareQueue::Open(queuePath_, error, options_.clockMs ? options_.clockMs() : NowMilliseconds());
    if (!queue) {
        problem_ = "cannot open the queue " + queuePath_ + ": " + error;
        return;
    }
    UploaderOptions up{options_.station.sidsUrl, options_.clockMs, options_.firstDelay, options_.maxDelay, options_.timeout};
    if (options_.background) {
        worker_ = std::make_unique<ShareWorker>(std::move(queue), up, options_.changed);
    } else {
        queue_ = std::move(queue);
        uploader_ = std::make_unique<SidsUploader>(*queue_, up);
    }
}

Sharing::~Sharing() { Stop(); }

void Sharing::Stop() {
    if (worker_) worker_->Stop();
}

void Sharing::Finish() {
    if (worker_) worker_->StopAndFlush();
    SendWaiting();
}

void Sharing::Attach(Session& session) {
    if (!problem_.empty()) return;
    session.SetFrameHook([this](std::span<const std::uint8_t> frame, std::string_view time) { Offer(frame, time); },
                         options_.files);
}

void Sharing::Offer(std::span<const std::uint8_t> kissFrame, std::string_view timeText) {
    if (!problem_.empty() || kissFrame.size() < 2) return;
    ++offered_;
    const std::optional<std::int64_t> ms = UtcMillisecondsOf(timeText);
    if (!ms) {
        ++withoutTime_;
        return;
    }
    const std::string body = SidsRequestBody(options_.station, *ms, kissFrame.subspan(1), options_.version);
    if (options_.dryRun) return options_.dryRun(body);
    const std::int64_t now = options_.clockMs ? options_.clockMs() : NowMilliseconds();
    const bool stored = worker_ ? worker_->Add(body, now) : queue_->Add(body, now);
    if (!stored) queueError_ = "cannot queue a frame in " + queuePath_ + ": " + (worker_ ? worker_->Queue() : *queue_).Error();
}

void Sharing::SendWaiting() {
    if (uploader_) uploader_->SendWaiting();
}

ShareStatus Sharing::Status() {
    ShareStatus status = worker_ ? worker_->Status() : uploader_ ? uploader_->Status() : ShareStatus{};
    if (!problem_.empty()) status.problem = problem_;
    else if (!queueError_.empty()) status.problem = queueError_;
    return status;
}

}  // namespace tavro
