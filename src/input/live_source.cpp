#include "live_source.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reconnect_schedule.h"

namespace tavro {

namespace {
constexpr std::size_t kReadBytes = 64 * 1024;
constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;
}  // namespace

LiveSource::LiveSource(std::unique_ptr<Line> line, Options options) : line_(std::move(line)), options_(std::move(options)) {
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    thread_ = std::thread([this] { Run(); });
}

LiveSource::~LiveSource() {
    StopAndWait();
    for (int fd : stopPipe_)
        if (fd >= 0) ::close(fd);
}

void LiveSource::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        stopping_ = true;
    }
    changed_.notify_all();
    if (stopPipe_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(stopPipe_[1], &byte, 1);
    }
}

void LiveSource::StopAndWait() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

std::vector<LiveSource::Message> LiveSource::Take() {
    std::vector<Message> messages;
    {
        std::lock_guard lock(mutex_);
        messages.assign(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
        queue_.clear();
        queuedBytes_ = 0;
    }
    changed_.notify_all();  // reading may go on
    return messages;
}

bool LiveSource::WaitForMessages(Milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

void LiveSource::Post(Message message) {
    bool wasEmpty;
    {
        std::lock_guard lock(mutex_);
        wasEmpty = queue_.empty();
        queuedBytes_ += message.bytes.size();
        queue_.push_back(std::move(message));
    }
    changed_.notify_all();
    if (wasEmpty && options_.wake) options_.wake();
}

bool LiveSource::Stopping() {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void LiveSource::Run() {
    ReconnectSchedule schedule;
    while (true) {
        Post({Event::Connecting, {}, line_->Name()});
        std::string why;
        if (const int fd = line_->Open(stopPipe_[0], why); fd >= 0) {
            schedule.Reset();
            Post({Event::Connected, {}, {}});
            why = Receive(fd);
            ::close(fd);
        }
        if (Stopping()) break;
        Post({Event::Dropped, {}, why});
        if (!options_.reconnect) break;
        const Milliseconds delay = schedule.Next();
        Post({Event::Waiting, {}, {}, delay});
        if (!(options_.pause ? options_.pause(delay) : Pause(delay))) break;
    }
    Post({Event::Ended, {}, {}});
}

bool LiveSource::Pause(Milliseconds delay) {
    pollfd stop{stopPipe_[0], POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(delay.count())) == 0;
}

std::string LiveSource::Receive(int fd) {
    std::vector<std::uint8_t> buffer(kReadBytes);
    while (true) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || queuedBytes_ < kMaxQueuedBytes; });
            if (stopping_) return "stopped";
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        if (fds[1].revents) return "stopped";
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EAGAIN && (fds[0].revents & (POLLHUP | POLLERR))) return line_->EndText(0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return line_->EndText(errno);
        if (n == 0) return line_->EndText(0);
        Post({Event::Bytes, {buffer.begin(), buffer.begin() + n}, {}});
    }
}

}  // namespace tavro
