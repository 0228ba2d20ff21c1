#include "kiss_tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "reconnect_schedule.h"

namespace tavro {

namespace {

constexpr std::size_t kReadBytes = 64 * 1024;
constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;  // a slow owner holds the server back instead

std::string PortText(std::uint16_t port) { return std::to_string(port); }

}  // namespace

bool ParseHostPort(const std::string& text, std::string& host, std::uint16_t& port) {
    std::string h, p;
    if (!text.empty() && text.front() == '[') {  // [IPv6]:port
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') return false;
        h = text.substr(1, close - 1);
        p = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon) return false;  // a bare IPv6 needs brackets
        h = text.substr(0, colon);
        p = text.substr(colon + 1);
    }
    unsigned value = 0;
    const auto res = std::from_chars(p.data(), p.data() + p.size(), value);
    if (h.empty() || p.empty() || res.ec != std::errc() || res.ptr != p.data() + p.size() || value < 1 || value > 65535)
        return false;
    host = h;
    port = static_cast<std::uint16_t>(value);
    return true;
}

KissTcpClient::KissTcpClient(Options options) : options_(std::move(options)) {
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe_[0] = stopPipe_[1] = -1;
    thread_ = std::thread([this] { Run(); });
}

KissTcpClient::~KissTcpClient() {
    StopAndWait();
    for (int fd : stopPipe_)
        if (fd >= 0) ::close(fd);
}

void KissTcpClient::Stop() {
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

void KissTcpClient::StopAndWait() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

std::vector<KissTcpClient::Message> KissTcpClient::Take() {
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

bool KissTcpClient::WaitForMessages(Milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return !queue_.empty(); });
}

void KissTcpClient::Post(Message message) {
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

void KissTcpClient::Run() {
    ReconnectSchedule schedule;
    while (true) {
        Post({Event::Connecting, {}, options_.host + ":" + PortText(options_.port)});
        std::string why;
        if (Connect(why)) {
            schedule.Reset();
            Post({Event::Connected, {}, {}});
            why = Receive();
            ::close(socket_);
            socket_ = -1;
        }
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
        }
        Post({Event::Dropped, {}, why});
        if (!options_.reconnect) break;
        const Milliseconds delay = schedule.Next();
        Post({Event::Waiting, {}, {}, delay});
        if (!(options_.pause ? options_.pause(delay) : Pause(delay))) break;
    }
    Post({Event::Ended, {}, {}});
}

bool KissTcpClient::Pause(Milliseconds delay) {
    pollfd stop{stopPipe_[0], POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(delay.count())) == 0;
}

bool KissTcpClient::Connect(std::string& why) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int err = ::getaddrinfo(options_.host.c_str(), PortText(options_.port).c_str(), &hints, &found)) {
        why = err == EAI_NONAME || err == EAI_NODATA ? "unknown host " + options_.host : ::gai_strerror(err);
        return false;
    }
    why = "no address";
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = std::strerror(errno);
            continue;
        }
        int err = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (err == EINPROGRESS) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {stopPipe_[0], POLLIN, 0}};
            const int n = ::poll(fds, 2, static_cast<int>(options_.connectTimeout.count()));
            socklen_t size = sizeof err;
            if (n == 0) err = ETIMEDOUT;
            else if (fds[1].revents) err = ECANCELED;
            else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0) err = errno;
        }
        if (err == 0) {
            ::freeaddrinfo(found);
            socket_ = fd;
            return true;
        }
        why = std::strerror(err);
        ::close(fd);
        if (err == ECANCELED) break;
    }
    ::freeaddrinfo(found);
    return false;
}

std::string KissTcpClient::Receive() {
    std::vector<std::uint8_t> buffer(kReadBytes);
    while (true) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || queuedBytes_ < kMaxQueuedBytes; });
            if (stopping_) return "stopped";
        }
        pollfd fds[2] = {{socket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return std::strerror(errno);
        }
        if (fds[1].revents) return "stopped";
        const ssize_t n = ::recv(socket_, buffer.data(), buffer.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return std::strerror(errno);
        if (n == 0) return "closed by the server";
        Post({Event::Bytes, {buffer.begin(), buffer.begin() + n}, {}});
    }
}

}  // namespace tavro
