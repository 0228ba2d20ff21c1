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

namespace tavro {

namespace {

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

namespace {

// Connects to the first address of the host that answers.
class TcpLine : public LiveSource::Line {
public:
    explicit TcpLine(const KissTcpClient::Options& options) : options_(options) {}
    std::string Name() const override { return options_.host + ":" + PortText(options_.port); }
    std::string EndText(int err) const override { return err == 0 ? "closed by the server" : std::strerror(err); }
    int Open(int stopFd, std::string& why) override;

private:
    KissTcpClient::Options options_;
};

int TcpLine::Open(int stopFd, std::string& why) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int err = ::getaddrinfo(options_.host.c_str(), PortText(options_.port).c_str(), &hints, &found)) {
        why = err == EAI_NONAME || err == EAI_NODATA ? "unknown host " + options_.host : ::gai_strerror(err);
        return -1;
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
            pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
            const int n = ::poll(fds, 2, static_cast<int>(options_.connectTimeout.count()));
            socklen_t size = sizeof err;
            if (n == 0) err = ETIMEDOUT;
            else if (fds[1].revents) err = ECANCELED;
            else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0) err = errno;
        }
        if (err == 0) {
            ::freeaddrinfo(found);
            return fd;
        }
        why = std::strerror(err);
        ::close(fd);
        if (err == ECANCELED) break;
    }
    ::freeaddrinfo(found);
    return -1;
}

}  // namespace

KissTcpClient::KissTcpClient(const Options& options)
    : LiveSource(std::make_unique<TcpLine>(options), options) {}

}  // namespace tavro
