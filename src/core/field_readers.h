// Little-endian numbers from frame positions, and hex text to number.
//
//   ReadU16(p)  = b[p] + 256*b[p+1]                    0 .. 65535
//   ReadS16(p)  = the same two bytes, two's complement  -32768 .. 32767
//   ReadU32(p)  = b[p] + ... + 2^24*b[p+3]              0 .. 4294967295
//   ReadF64(p)  = 8 bytes, IEEE 754 binary64, least significant byte at p
//
// Positions count from 1; a field must lie inside 1..512, otherwise the
// reader throws std::out_of_range (no decoder asks for such a field).
#pragma once

#include <cstdint>
#include <string_view>

#include "record_table.h"

namespace tavro {

std::uint32_t ReadU32(const FrameBuffer& frame, int position);
std::int32_t ReadU16(const FrameBuffer& frame, int position);
std::int16_t ReadS16(const FrameBuffer& frame, int position);
double ReadF64(const FrameBuffer& frame, int position);

// Hex text to number, never failing: "A2" and "a2" -> 162, "0xff" -> 255,
// "&h10" -> 16, "zz" -> 0, "1G" -> 1, "FFFF" -> -1 (16-bit), "10000" -> 65536,
// "FFFFFFFF" -> -1 (32-bit). Values above FFFFFFFF give 0.
std::int32_t ParseNumber(std::string_view text);

}  // namespace tavro
