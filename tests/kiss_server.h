// A KISS TCP server inside the test: it listens on 127.0.0.1 at a free port
// (or at port, when given) and runs serve(socket, n) on a thread for the
// n-th connection (from 0), closing the socket when serve returns.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <span>
#include <thread>

#include "kiss_tcp_client.h"
#include "session.h"

namespace tavro::test {

class KissServer {
public:
    explicit KissServer(std::function<void(int socket, int connection)> serve, std::uint16_t port = 0) {
        sockaddr_in address{};
        address.sin_family = AF_INET, address.sin_addr.s_addr = htonl(INADDR_LOOPBACK), address.sin_port = htons(port);
        const int reuse = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size), ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, serve = std::move(serve)] {
            for (int n = 0; !stop_; ++n) {
                for (pollfd p{listener_, POLLIN, 0}; !stop_ && ::poll(&p, 1, 20) == 0;) {
                }
                const int client = stop_ ? -1 : ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) break;
                serve(client, n);
                ::close(client);
            }
        });
    }
    ~KissServer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_), listener_ = -1;
    }
    std::uint16_t Port() const { return port_; }

private:
    int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

// Sends bytes in random slices of 1 to maxSlice bytes with pauses of up to maxPauseMs.
inline void SendInSlices(int socket, std::span<const std::uint8_t> bytes, unsigned seed, int maxPauseMs = 2, int maxSlice = 300) {
    std::mt19937 random(seed);
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), 1 + random() % maxSlice);
        if (::send(socket, bytes.data(), n, MSG_NOSIGNAL) != static_cast<ssize_t>(n)) return;
        bytes = bytes.subspan(n);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % (maxPauseMs + 1)));
    }
}

// Feeds session what the KISS TCP server at 127.0.0.1:port sends, until it
// closes the connection (or 20 s pass: false); the caller begins and ends
// the stream.
inline bool FeedUntilClosed(Session& session, std::uint16_t port) {
    KissTcpClient::Options options;
    options.host = "127.0.0.1", options.port = port;
    KissTcpClient client(options);
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < end;) {
        client.WaitForMessages(std::chrono::milliseconds(50));
        bool ended = false;
        for (KissTcpClient::Message& m : client.Take()) {
            if (m.event == KissTcpClient::Event::Bytes) session.Feed(m.bytes);
            ended = ended || m.event == KissTcpClient::Event::Ended || m.event == KissTcpClient::Event::Dropped;
        }
        if (ended) return true;
    }
    return false;
}

}  // namespace tavro::test
