// Housekeeping fields, and hex text to number.
//
// FieldAt<F>(frame): the field F of a layout table (frame_layout.h), read
// where the table puts it. The place is known when the decoder is compiled,
// so the decoders unroll their tables into one straight run of reads and
// formulas, and a field outside positions 1..512 does not compile.
//   U8   b[p]                                0 .. 255
//   U16  b[p] + 256*b[p+1]                   0 .. 65535
//   S16  the same two bytes, two's complement  -32768 .. 32767
//   U32  b[p] + ... + 2^24*b[p+3]            0 .. 4294967295
//   F64  8 bytes, IEEE 754 binary64, least significant byte at p
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "frame_layout.h"
#include "record_table.h"

namespace tavro {

template <FieldSpec F>
inline double FieldAt(const FrameBuffer& frame) {
    static_assert(F.position >= 1 && F.position + FieldWidth(F.kind) - 1 <= FrameBuffer::kSize);
    const std::uint8_t* b = frame.Bytes().data() + (F.position - 1);
    if constexpr (F.kind == FieldKind::U8) return b[0];
    if constexpr (F.kind == FieldKind::U16) return b[0] | b[1] << 8;
    if constexpr (F.kind == FieldKind::S16) return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | b[1] << 8));
    if constexpr (F.kind == FieldKind::U32)
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    if constexpr (F.kind == FieldKind::F64) {
        std::uint64_t bits = 0;
        for (int k = 7; k >= 0; --k) bits = bits << 8 | b[k];
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
}

// Hex text to number, never failing: "A2" and "a2" -> 162, "0xff" -> 255,
// "&h10" -> 16, "zz" -> 0, "1G" -> 1, "FFFF" -> -1 (16-bit), "10000" -> 65536,
// "FFFFFFFF" -> -1 (32-bit). Values above FFFFFFFF give 0.
std::int32_t ParseNumber(std::string_view text);

// Two hex digits, the form of every byte of a log line, by two table
// look-ups; anything else as ParseNumber reads it.
//   "A2" -> 162, "a2" -> 162, "1G" -> 1, "" -> 0
extern const std::array<std::uint8_t, 256> kHexDigitValues;  // 16: not a hex digit
inline std::int32_t ParseHexPair(std::string_view text) {
    if (text.size() == 2) {
        const unsigned high = kHexDigitValues[static_cast<unsigned char>(text[0])];
        const unsigned low = kHexDigitValues[static_cast<unsigned char>(text[1])];
        if ((high | low) < 16) return static_cast<std::int32_t>(high * 16 + low);
    }
    return ParseNumber(text);
}

}  // namespace tavro
