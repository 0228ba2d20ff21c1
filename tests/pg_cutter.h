// A Unix-socket relay between a client and the test's PostgreSQL server
// that can cut a connection at the worst moment: right after the server
// committed, before the client hears so.
//
//   PgCutter cut(pg.SocketDir());        listens in a folder of its own
//   uri = "postgresql:///db?host=" + cut.Dir() + "&user=tavro";
//   cut.ArmCommit();                     the next "COMMIT" reply is swallowed
//                                        and both sides are closed
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tavro::test {

class PgCutter {
public:
    explicit PgCutter(std::string serverDir)
        : server_(std::move(serverDir) + "/.s.PGSQL.5432"), dir_("/tmp/tavro-pgcut-" + std::to_string(::getpid())) {
        std::filesystem::create_directories(dir_);
        listener_ = Listen(dir_ + "/.s.PGSQL.5432");
        thread_ = std::thread([this] { Serve(); });
    }
    ~PgCutter() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
        std::filesystem::remove_all(dir_);
    }
    const std::string& Dir() const { return dir_; }
    void ArmCommit() { armed_ = true; }
    bool Cut() const { return cut_; }  // a connection was cut after a commit

private:
    static sockaddr_un Address(const std::string& path) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        path.copy(a.sun_path, sizeof a.sun_path - 1);
        return a;
    }
    static int Listen(const std::string& path) {
        const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un a = Address(path);
        ::unlink(path.c_str());
        ::bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a), ::listen(s, 8);
        return s;
    }
    int Connect() const {
        const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un a = Address(server_);
        return ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 ? s : (::close(s), -1);
    }

    // One thread relays every connection; a pair is {client, server}.
    void Serve() {
        std::vector<std::pair<int, int>> pairs;
        while (!stop_) {
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (auto [c, s] : pairs) fds.push_back({c, POLLIN, 0}), fds.push_back({s, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
            const std::size_t polled = pairs.size();  // a pair accepted now has no entry in fds yet
            if (fds[0].revents & POLLIN) {
                const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                const int server = client >= 0 ? Connect() : -1;
                if (server >= 0) pairs.emplace_back(client, server);
                else if (client >= 0) ::close(client);
            }
            for (std::size_t i = 0; i < polled; ++i) {
                const auto [c, s] = pairs[i];
                bool closed = false;
                for (int side = 0; side < 2 && !closed; ++side) {
                    if (!(fds[1 + 2 * i + static_cast<std::size_t>(side)].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                    char buffer[65536];
                    const ssize_t n = ::read(side == 0 ? c : s, buffer, sizeof buffer);
                    // The server's CommandComplete of a COMMIT: 'C', length 11, "COMMIT\0".
                    const std::string_view data(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
                    if (n <= 0 || (side == 1 && armed_ && data.find(std::string_view("C\0\0\0\x0b" "COMMIT\0", 12)) != data.npos)) {
                        if (n > 0) armed_ = false, cut_ = true;
                        closed = true;
                    } else {
                        (void)!::write(side == 0 ? s : c, buffer, static_cast<std::size_t>(n));
                    }
                }
                if (closed) {
                    ::close(c), ::close(s);
                    pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(i));
                    break;  // fds no longer match pairs: poll again
                }
            }
        }
        for (auto [c, s] : pairs) ::close(c), ::close(s);
    }

    std::string server_, dir_;
    int listener_ = -1;
    std::atomic<bool> stop_ = false, armed_ = false, cut_ = false;
    std::thread thread_;
};

}  // namespace tavro::test
