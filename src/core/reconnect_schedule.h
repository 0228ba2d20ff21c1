// How long a lost connection waits before its next attempt, for every
// source and server the programs reconnect to (KISS TCP servers, serial
// TNCs, the archive's database server): 1, 2, 4, 8, 16 s, then every 30 s.
//
//   ReconnectSchedule s;
//   s.Next() -> 1 s, s.Next() -> 2 s, 4 s, 8 s, 16 s, 30 s, 30 s, ...
//   s.Reset();           a connection was made: the next loss starts at 1 s
#pragma once

#include <array>
#include <chrono>

namespace tavro {

inline constexpr std::array<std::chrono::milliseconds, 6> kReconnectDelays{
    std::chrono::milliseconds(1000), std::chrono::milliseconds(2000),  std::chrono::milliseconds(4000),
    std::chrono::milliseconds(8000), std::chrono::milliseconds(16000), std::chrono::milliseconds(30000)};

class ReconnectSchedule {
public:
    // The wait before the next attempt; the last delay repeats.
    std::chrono::milliseconds Next() {
        const std::size_t i = failed_ < kReconnectDelays.size() ? failed_ : kReconnectDelays.size() - 1;
        ++failed_;
        return kReconnectDelays[i];
    }
    void Reset() { failed_ = 0; }

private:
    std::size_t failed_ = 0;
};

}  // namespace tavro
