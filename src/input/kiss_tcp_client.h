// A client of a KISS TCP server (a software TNC: Direwolf on port 8001,
// UZ7HO's soundmodem and gr-satellites on 8100). It connects to HOST:PORT
// (IPv4, IPv6 or a name), reads whatever arrives and hands it on; when the
// connection fails or the server closes it, it says so and, with
// reconnecting on, tries again by the ReconnectSchedule (1, 2, 4, 8, 16,
// then every 30 s; from 1 s again once a connection was made), until stopped.
// The thread, the messages and the schedule are LiveSource's; a slow name
// lookup or connect holds up only that thread.
#pragma once

#include <cstdint>
#include <string>

#include "live_source.h"

namespace tavro {

class KissTcpClient : public LiveSource {
public:
    struct Options : LiveSource::Options {
        std::string host;
        std::uint16_t port = 8001;
        Milliseconds connectTimeout{10000};
    };

    explicit KissTcpClient(const Options& options);
};

// "host:8001", "[::1]:8100", "192.0.2.7:8001" -> host and port; false when
// the text is not HOST:PORT with a port from 1 to 65535.
bool ParseHostPort(const std::string& text, std::string& host, std::uint16_t& port);

}  // namespace tavro
