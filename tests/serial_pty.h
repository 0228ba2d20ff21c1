// A serial TNC inside the test: a real pseudo-terminal pair. The source
// opens the slave side by its path (or a link to it, as /dev/serial/by-id/
// links are); the test plays the TNC on the master side.
#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <span>
#include <string>

namespace tavro::test {

class Pty {
public:
    Pty() {
        char name[256] = {};
        termios raw{};  // bytes as they are from the start: no echo, no CR/LF translation
        ::cfmakeraw(&raw);
        // The test holds the slave side open too, so the master reads the
        // source's bytes instead of failing while the source has not opened it.
        if (::openpty(&master_, &slave_, name, &raw, nullptr) == 0) slavePath_ = name;
    }
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool Ok() const { return master_ >= 0; }
    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }
    // The TNC goes away: the slave side hangs up.
    void Close() {
        if (master_ >= 0) ::close(master_), master_ = -1;
        if (slave_ >= 0) ::close(slave_), slave_ = -1;
    }
    // Writes all of bytes (waiting while the line's buffer is full); false once the other side is gone.
    bool Write(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n <= 0) return false;
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        }
        return true;
    }
    // What the source wrote to the TNC, until n bytes have come or timeout passed.
    std::string Read(std::size_t n, std::chrono::milliseconds timeout) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < n && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buffer[256];
            const ssize_t k = ::read(master_, buffer, std::min(sizeof buffer, n - got.size()));
            if (k <= 0) break;
            got.append(buffer, static_cast<std::size_t>(k));
        }
        return got;
    }

private:
    int master_ = -1, slave_ = -1;
    std::string slavePath_;
};

}  // namespace tavro::test
