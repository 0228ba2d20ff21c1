#include "kiss_serial_source.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <tuple>

namespace tavro {

namespace {

constexpr int kInitPauseMs = 1000;  // "\w"

speed_t SpeedOf(int baud) {
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B9600;
    }
}

// Writes all of text, waiting for room; false (and why) on an error or a stop.
bool WriteAll(int fd, int stopFd, std::string_view text, std::string& why) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n > 0) {
            text.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            why = std::strerror(errno);
            return false;
        }
        pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            why = std::strerror(errno);
            return false;
        }
        if (fds[1].revents) {
            why = "stopped";
            return false;
        }
    }
    return true;
}

class SerialLine : public LiveSource::Line {
public:
    explicit SerialLine(const KissSerialSource::Options& options)
        : device_(options.device), baud_(options.baud), rtscts_(options.rtscts), init_(InitTextPieces(options.init)) {}
    std::string Name() const override { return device_; }
    // A tty that hangs up reads as the end (0) or fails with EIO, ENXIO or ENODEV.
    std::string EndText(int err) const override {
        return err == 0 || err == EIO || err == ENXIO || err == ENODEV ? "device lost" : std::strerror(err);
    }
    int Open(int stopFd, std::string& why) override;

private:
    bool Configure(int fd, std::string& why) const;
    bool SendInit(int fd, int stopFd, std::string& why) const;

    std::string device_;
    int baud_;
    bool rtscts_;
    std::vector<std::string> init_;
};

int SerialLine::Open(int stopFd, std::string& why) {
    // Non-blocking: neither a missing carrier nor a full output queue holds the thread.
    const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = SerialOpenError(errno);
        return -1;
    }
    if (!Configure(fd, why) || !SendInit(fd, stopFd, why)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SerialLine::Configure(int fd, std::string& why) const {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        why = errno == ENOTTY || errno == EINVAL ? "not a serial device" : std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&tio);  // no echo, no line editing, no CR/LF translation: bytes as they come
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (rtscts_) tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, SpeedOf(baud_));
    ::cfsetospeed(&tio, SpeedOf(baud_));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

bool SerialLine::SendInit(int fd, int stopFd, std::string& why) const {
    for (std::size_t i = 0; i < init_.size(); ++i) {
        if (!WriteAll(fd, stopFd, init_[i], why)) return false;
        if (i + 1 == init_.size()) break;
        pollfd stop{stopFd, POLLIN, 0};
        if (::poll(&stop, 1, kInitPauseMs) != 0) {
            why = "stopped";
            return false;
        }
    }
    return true;
}

}  // namespace

KissSerialSource::KissSerialSource(const Options& options)
    : LiveSource(std::make_unique<SerialLine>(options), options) {}

bool ParseSerialDevice(const std::string& text, std::string& device, int& baud) {
    std::string d = text;
    int b = baud;
    if (const auto colon = text.rfind(':'); colon != std::string::npos && colon + 1 < text.size() &&
                                            std::all_of(text.begin() + static_cast<long>(colon) + 1, text.end(),
                                                        [](char c) { return c >= '0' && c <= '9'; })) {
        d = text.substr(0, colon);
        const auto res = std::from_chars(text.data() + colon + 1, text.data() + text.size(), b);
        if (res.ec != std::errc() || !IsSerialBaud(b)) return false;
    }
    if (d.empty()) return false;
    device = d;
    baud = b;
    return true;
}

std::vector<std::string> InitTextPieces(const std::string& init) {
    std::vector<std::string> pieces(1);
    for (std::size_t i = 0; i < init.size(); ++i) {
        const char c = init[i];
        const char next = i + 1 < init.size() ? init[i + 1] : '\0';
        if (c != '\\' || (next != 'r' && next != 'n' && next != 'w' && next != '\\')) {
            pieces.back() += c;
            continue;
        }
        ++i;
        if (next == 'w') pieces.emplace_back();
        else pieces.back() += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
    }
    if (pieces.size() == 1 && pieces[0].empty()) pieces.clear();
    return pieces;
}

std::vector<std::string> SerialDeviceCandidates(const std::string& dev) {
    namespace fs = std::filesystem;
    std::vector<std::string> byId, ttys;
    std::error_code ec;
    for (fs::directory_iterator it(dev + "/serial/by-id", ec), end; !ec && it != end; it.increment(ec))
        byId.push_back(it->path().string());
    for (fs::directory_iterator it(dev, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const char* prefix : {"ttyUSB", "ttyACM", "rfcomm"})
            if (name.rfind(prefix, 0) == 0 && name.size() > std::strlen(prefix)) ttys.push_back(it->path().string());
    }
    std::sort(byId.begin(), byId.end());
    // ttyUSB, then ttyACM, then rfcomm; ttyUSB2 before ttyUSB10.
    const auto key = [](const std::string& path) {
        const std::string name = path.substr(path.rfind('/') + 1);
        return std::tuple(name[3] == 'U' ? 0 : name[3] == 'A' ? 1 : 2, name.size(), name);
    };
    std::sort(ttys.begin(), ttys.end(), [&](const std::string& a, const std::string& b) { return key(a) < key(b); });
    byId.insert(byId.end(), ttys.begin(), ttys.end());
    return byId;
}

std::string SerialOpenError(int err) {
    if (err == EACCES || err == EPERM)
        return std::string(std::strerror(err)) +
               "; add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again";
    if (err == EBUSY) return std::string(std::strerror(err)) + " (another program has the device open)";
    return std::strerror(err);
}

}  // namespace tavro
