// An HTTP/1.1 server inside the test: it listens on 127.0.0.1 at a free
// port, reads each request (one per connection, Connection: close) and
// answers what handle(request) returns, on a thread per connection. Every
// request is kept for the test to look at. SetRefusing(true) closes the
// port (connections are refused) and SetRefusing(false) opens it again.
#pragma once

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "station_settings.h"

namespace tavro::test {

struct HttpRequestSeen {
    std::string method, target;               // "POST", "/api/telemetry/?a=b"
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::string Header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? "" : it->second;
    }
};

struct HttpAnswer {
    HttpAnswer(int s = 200, std::string b = {}, std::vector<std::pair<std::string, std::string>> h = {},
               std::function<void()> f = {})
        : status(s), body(std::move(b)), headers(std::move(h)), before(std::move(f)) {}
    int status;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    std::function<void()> before;  // runs before answering (to stall)
};

// Station settings for the tests.
inline tavro::StationSettings Station(std::string callsign, std::string latitude, std::string longitude, std::string norad,
                                      std::string sidsUrl = tavro::kDefaultSidsUrl) {
    tavro::StationSettings s;
    s.callsign = std::move(callsign), s.latitude = std::move(latitude), s.longitude = std::move(longitude);
    s.noradId = std::move(norad), s.sidsUrl = std::move(sidsUrl);
    return s;
}

class HttpServer {
public:
    explicit HttpServer(std::function<HttpAnswer(const HttpRequestSeen&)> handle) : handle_(std::move(handle)) {
        Listen(0);
        thread_ = std::thread([this] { Accept(); });
    }
    ~HttpServer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        std::lock_guard lock(mutex_);
        for (std::thread& t : connections_) t.join();
        connections_.clear();
        if (listener_ >= 0) ::close(listener_), listener_ = -1;
    }
    std::uint16_t Port() const { return port_; }
    std::string Url(const std::string& path = "/") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    bool Stopping() const { return stop_; }

    void SetRefusing(bool refusing) {
        std::lock_guard lock(mutex_);
        // shutdown stops the listening at once, even while the accepting thread polls it
        if (refusing && listener_ >= 0) ::shutdown(listener_, SHUT_RDWR), ::close(listener_), listener_ = -1;
        if (!refusing && listener_ < 0) Listen(port_);
    }
    std::vector<HttpRequestSeen> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Listen(std::uint16_t port) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET, address.sin_addr.s_addr = htonl(INADDR_LOOPBACK), address.sin_port = htons(port);
        socklen_t size = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size), ::listen(listener_, 16);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    void Accept() {
        while (!stop_) {
            int listener;
            {
                std::lock_guard lock(mutex_);
                listener = listener_;
            }
            pollfd p{listener, POLLIN, 0};
            if (listener < 0 || ::poll(&p, 1, 10) <= 0) {
                if (listener < 0) std::this_thread::yield();
                continue;
            }
            std::lock_guard lock(mutex_);
            if (listener_ != listener) continue;
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) connections_.emplace_back([this, client] { Serve(client), ::close(client); });
        }
    }
    void Serve(int socket) {
        std::string in;
        char buffer[65536];
        std::size_t headerEnd;
        while ((headerEnd = in.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            in.append(buffer, static_cast<std::size_t>(n));
        }
        HttpRequestSeen request;
        std::size_t at = in.find("\r\n");
        const std::string first = in.substr(0, at);
        request.method = first.substr(0, first.find(' '));
        request.target = first.substr(first.find(' ') + 1, first.rfind(' ') - first.find(' ') - 1);
        while (at < headerEnd) {
            const std::size_t next = in.find("\r\n", at + 2);
            const std::string line = in.substr(at + 2, next - at - 2);
            at = next;
            const auto colon = line.find(':');
            if (colon == std::string::npos) continue;
            std::string name = line.substr(0, colon);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            request.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        }
        const std::size_t length = request.headers.count("content-length") ? std::stoul(request.headers["content-length"]) : 0;
        request.body = in.substr(headerEnd + 4);
        while (request.body.size() < length) {
            const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            request.body.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const HttpAnswer answer = handle_(request);
        if (answer.before) answer.before();
        std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " X\r\nConnection: close\r\nContent-Length: " +
                          std::to_string(answer.body.size()) + "\r\n";
        for (const auto& [name, value] : answer.headers) out += name + ": " + value + "\r\n";
        out += "\r\n" + answer.body;
        for (std::size_t sent = 0; sent < out.size();) {
            const ssize_t n = ::send(socket, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    std::function<HttpAnswer(const HttpRequestSeen&)> handle_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<HttpRequestSeen> requests_;
};

// "a=1&b=x%3Ay+z" -> {a: 1, b: "x:y z"}
inline std::map<std::string, std::string> FormFields(const std::string& body) {
    std::map<std::string, std::string> fields;
    const auto decode = [](const std::string& s) {
        std::string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '+') out += ' ';
            else if (s[i] == '%' && i + 2 < s.size()) out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)), i += 2;
            else out += s[i];
        }
        return out;
    };
    std::size_t at = 0;
    while (at <= body.size()) {
        const std::size_t amp = std::min(body.find('&', at), body.size());
        const std::string pair = body.substr(at, amp - at);
        const auto eq = pair.find('=');
        fields[decode(pair.substr(0, eq))] = eq == std::string::npos ? "" : decode(pair.substr(eq + 1));
        at = amp + 1;
    }
    return fields;
}

}  // namespace tavro::test
