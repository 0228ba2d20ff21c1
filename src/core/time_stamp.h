// Time stamp frames (KISS command 9) of the receiving station.
//
//   09 "2026-12-06 11:07:56.120 UTC;1;2;3"  -> time text "2026-12-06 11:07:56.120 UTC",
//                                              stamp numbers 1, 2, 3
//   09 "2026-12-06 11:07:56.120 UTC"        -> time text only, numbers unchanged
//   09 00 00 01 9A F6 2E 4D 38 (8 bytes, not all printable): big-endian
//      milliseconds since 1970-01-01 UTC -> "2025-12-07 00:20:20.920 UTC",
//      when below 253402300800000 (10000-01-01); a larger value is text
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tavro {

inline constexpr std::uint64_t kMillisecondsOfYear10000 = 253402300800000;

struct TimeStamp {
    std::string text;
    std::array<double, 3> numbers;
    bool binary = false;  // 8 bytes of milliseconds, not text
};

// payload: the frame bytes after the command byte. stamp.numbers come in as
// the reader's current stamp numbers and go out updated; the text is
// written into stamp.text, whose room is used again frame after frame.
void ParseTimeStampFrame(std::span<const std::uint8_t> payload, TimeStamp& stamp);

// The number a field starts with: blanks skipped, sign, digits, "." digits,
// exponent; no number gives 0. "  -1.5e3xyz" -> -1500, "abc" -> 0.
double LeadingNumber(std::string_view field);

// The system clock: milliseconds since 1970-01-01 UTC.
std::int64_t NowMilliseconds();

// Milliseconds since 1970-01-01 UTC -> "YYYY-MM-DD hh:mm:ss.fff UTC".
std::string MillisecondsToTimeText(std::int64_t ms);

}  // namespace tavro
