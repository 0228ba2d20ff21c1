// The encoder side of the two housekeeping layouts and of KISS framing; the
// sample-pass generator and the tests build their frames with it.
//
//   auto frame = KissHousekeepingFrame(raw);   // 111 bytes, command byte first
//   auto bytes = KissWrap(frame);              // C0, escaped frame, C0
//   auto line  = LogHousekeepingLine("12:34:56", rawLog);
//
// raw values are the field values x before scaling (see kiss_decoder.h and
// log_decoder.h); each is written as its field kind (U8, U16, S16, U32, F64).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame_layout.h"
#include "kiss_decoder.h"
#include "log_decoder.h"

namespace tavro::passgen {

using KissRaw = std::array<double, kKissChannelCount>;
using LogRaw = std::array<double, kChannelCount>;

// Writes raw as a field of kind at 1-based position (little-endian).
void PutField(std::vector<std::uint8_t>& frame, int position, FieldKind kind, double raw);

// Unescaped housekeeping frame: header (byte 7 = 0x62 or 0x64), frame type 1.
std::vector<std::uint8_t> KissHousekeepingFrame(const KissRaw& raw, std::uint8_t callsignByte = 0x62);
// 09 followed by the text's bytes.
std::vector<std::uint8_t> KissTimeStampFrame(std::string_view text);
// 09 followed by the milliseconds as 8 big-endian bytes.
std::vector<std::uint8_t> KissBinaryTimeStampFrame(std::int64_t milliseconds);
// C0 -> DB DC, DB -> DB DD.
std::vector<std::uint8_t> KissEscape(std::span<const std::uint8_t> frame);
// C0 + escaped frame + C0.
std::vector<std::uint8_t> KissWrap(std::span<const std::uint8_t> frame);

// Log frame bytes from position 18 (frame type 1) to 126.
std::vector<std::uint8_t> LogHousekeepingBytes(const LogRaw& raw);
// "hh:mm:ss" + " " + bytes as upper-case hex pairs separated by blanks.
std::string LogLine(std::string_view time8, std::span<const std::uint8_t> bytes);
// Bytes as upper-case hex pairs: {0xA2, 0x84} -> "A284", with separator " " -> " A2 84".
std::string HexText(std::span<const std::uint8_t> bytes, std::string_view separator = {});
std::string LogHousekeepingLine(std::string_view time8, const LogRaw& raw);

}  // namespace tavro::passgen
