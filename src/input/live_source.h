// A live source of KISS bytes, read on a thread of its own: a KISS TCP
// server (KissTcpClient) or a TNC on a serial line (KissSerialSource). Both
// are one loop with a different Line underneath:
//
//   Connecting "localhost:8001" -> Line::Open -> Connected -> Bytes, Bytes, ...
//     -> Dropped "closed by the server" -> Waiting 1 s -> Connecting ... -> Ended
//
// A source that fails or ends is opened again after the reconnect schedule's
// waits (1, 2, 4, 8, 16, then every 30 s) when reconnecting is on, until
// stopped; a successful open starts the schedule again at 1 s.
//
// Everything the source has to say is queued as messages, which the owner's
// thread takes with Take(); wake() is called (on the source's thread) when
// the queue stops being empty. Idle, the thread waits in poll() and uses no
// CPU. A slow owner holds the source back (reading pauses while 4 MiB wait)
// instead of the queue growing without end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavro {

class LiveSource {
public:
    using Milliseconds = std::chrono::milliseconds;

    struct Options {
        bool reconnect = false;
        // How a wait of the reconnect schedule is spent; false: stop trying.
        // Empty: the thread waits that long, cut short by Stop(). Tests give
        // one that records the waits and returns at once.
        std::function<bool(Milliseconds delay)> pause;
        std::function<void()> wake;
    };

    enum class Event {
        Connecting,  // detail: the source's name ("HOST:PORT", "/dev/ttyUSB0")
        Connected,
        Bytes,       // bytes: what arrived
        Dropped,     // detail: why ("closed by the server", "device lost", "Permission denied; ...")
        Waiting,     // delay: until the next attempt
        Ended,       // no more attempts: stopped, or a drop without reconnecting
    };
    struct Message {
        Event event;
        std::vector<std::uint8_t> bytes;
        std::string detail;
        Milliseconds delay{0};
    };

    // What differs between sources: making the connection and naming its end.
    class Line {
    public:
        virtual ~Line() = default;
        virtual std::string Name() const = 0;
        // The descriptor to read, or -1 and why not. stopFd turns readable
        // when the source is stopped: every wait inside Open watches it.
        virtual int Open(int stopFd, std::string& why) = 0;
        // Why reading ended: err is the read's errno, 0 when it read the end.
        virtual std::string EndText(int err) const = 0;
    };

    LiveSource(std::unique_ptr<Line> line, Options options);
    ~LiveSource();  // stops and waits for the thread
    LiveSource(const LiveSource&) = delete;
    LiveSource& operator=(const LiveSource&) = delete;

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
    std::string Receive(int fd);     // why reading ended
    bool Pause(Milliseconds delay);  // false: stopped meanwhile
    void Post(Message message);
    bool Stopping();

    std::unique_ptr<Line> line_;
    Options options_;
    int stopPipe_[2] = {-1, -1};  // written by Stop() to wake poll()
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Message> queue_;
    std::size_t queuedBytes_ = 0;  // bytes waiting: reading pauses above kMaxQueuedBytes
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace tavro
