// A client of a KISS TCP server (a software TNC: Direwolf on port 8001,
// UZ7HO's soundmodem and gr-satellites on 8100). It connects to HOST:PORT
// (IPv4, IPv6 or a name), reads whatever arrives and hands it on; when the
// connection fails or the server closes it, it says so and, with
// reconnecting on, tries again by the ReconnectSchedule (1, 2, 4, 8, 16,
// then every 30 s; from 1 s again once a connection was made), until stopped.
//
// It runs on a thread of its own, so neither a slow name lookup nor a
// connect holds up the window; everything it has to say is queued as
// events, which the owner's thread takes with Take(). wake() is called
// (on the client's thread) when the queue stops being empty. Idle, the
// thread waits in poll() and uses no CPU.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavro {

class KissTcpClient {
public:
    using Milliseconds = std::chrono::milliseconds;

    struct Options {
        std::string host;
        std::uint16_t port = 8001;
        bool reconnect = false;
        // How a wait of the reconnect schedule is spent; false: stop trying.
        // Empty: the thread waits that long, cut short by Stop(). Tests give
        // one that records the waits and returns at once.
        std::function<bool(Milliseconds delay)> pause;
        Milliseconds connectTimeout{10000};
        std::function<void()> wake;
    };

    enum class Event {
        Connecting,  // detail: "HOST:PORT"
        Connected,
        Bytes,       // bytes: what arrived
        Dropped,     // detail: why ("closed by the server", "Connection refused", "unknown host")
        Waiting,     // delay: until the next attempt
        Ended,       // no more attempts: stopped, or a drop without reconnecting
    };
    struct Message {
        Event event;
        std::vector<std::uint8_t> bytes;
        std::string detail;
        Milliseconds delay{0};
    };

    explicit KissTcpClient(Options options);
    ~KissTcpClient();  // stops and waits for the thread
    KissTcpClient(const KissTcpClient&) = delete;
    KissTcpClient& operator=(const KissTcpClient&) = delete;

    // Ends the connection; an Ended message follows.
    void Stop();
    // Stops and waits for the thread: every message is then queued.
    void StopAndWait();
    // Everything queued so far, oldest first.
    std::vector<Message> Take();
    // Waits up to timeout for a message; true when there is one.
    bool WaitForMessages(Milliseconds timeout);

private:
    void Run();
    bool Connect(std::string& why);
    std::string Receive();  // why the connection ended
    bool Pause(Milliseconds delay);  // false: stopped meanwhile
    void Post(Message message);

    Options options_;
    int socket_ = -1;
    int stopPipe_[2] = {-1, -1};  // written by Stop() to wake poll()
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::size_t queuedBytes_ = 0;  // bytes waiting: reading pauses above kMaxQueuedBytes
    bool stopping_ = false;
    std::thread thread_;
};

// "host:8001", "[::1]:8100", "192.0.2.7:8001" -> host and port; false when
// the text is not HOST:PORT with a port from 1 to 65535.
bool ParseHostPort(const std::string& text, std::string& host, std::uint16_t& port);

}  // namespace tavro
