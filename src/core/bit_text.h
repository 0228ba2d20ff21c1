// Bit-text helpers of the KISS decoder: numbers written as texts of "0"/"1",
// and bytes as two upper-case hex digits.
//   ByteToBits(0xA5) -> "10100101"      BitsToNumber("101") -> 5
//   PowerOfTwo(31)   -> -2147483648      ByteToHex(10) -> "0A"
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "record_table.h"

namespace tavro {

// A bad argument of BitsToNumber / PowerOfTwo ("invalid argument").
struct InvalidArgument : std::invalid_argument {
    InvalidArgument() : std::invalid_argument("invalid argument") {}
};

std::string ByteToBits(std::uint8_t b);
// The last character is bit 0; throws InvalidArgument on a character other
// than "0"/"1", or on a "1" at bit 32 or higher.
std::int32_t BitsToNumber(std::string_view bits);
// 2^n for n = 0..30, 0x80000000 (as -2147483648) for 31; throws otherwise.
std::int32_t PowerOfTwo(std::int32_t n);
std::string ByteToHex(std::uint8_t b);

// Two bytes at p, p+1 as a signed little-endian number:
//   34 12 -> 4660, FF FF -> -1, 00 80 -> -32768, 00 FF -> -256.
// Equal to the bit-text route (complement of the bits of v - 1), which the
// tests check for all 65536 values.
std::int32_t ReadS16Bits(const FrameBuffer& frame, int position);

// Each byte as two hex digits and a blank: {00 03 F0} -> "00 03 F0 ".
std::string FrameHexText(std::span<const std::uint8_t> bytes);

}  // namespace tavro
