// The "0.00" text written straight into a character buffer: the CSV
// writer's hot path, inline so that a row of 47 values is one loop.
//
//   WriteTwoDecimals(p, 2.675, '.') writes "2.68"    (-0.001) "0.00"    (0.125) "0.13"
//
// The value is rounded to 15 significant digits (as %.15g), then that
// decimal number to two decimals with halves away from zero; zero has no
// sign; non-finite values read "NaN", "Inf", "-Inf".
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tavro {

// Bytes a call may touch behind p (1e308 has 311 digits of hundredths).
inline constexpr std::size_t kTwoDecimalsRoom = 320;

// The rare rest: |value| of 1e12 or more, near a half, tiny, non-finite.
char* WriteTwoDecimalsExact(char* p, double value, char decimalSeparator);

namespace two_decimals {

// w < 10^8 as eight ASCII digits in the bytes of one integer, the first in
// the lowest byte (the first in memory when stored on a little-endian
// machine), computed without a branch on the length; zeros tells how many
// of them lead (at most 7: 0 -> "0").  1234 -> "00001234", zeros 4.
static_assert(std::endian::native == std::endian::little, "the texts are stored a word at a time");
inline std::uint64_t EightDigits(std::uint64_t w, int& zeros) {
    const std::uint64_t high = (w * 109951163) >> 40;          // w / 10000 for w < 10^8
    std::uint64_t v = high | (w - high * 10000) << 32;         // 4 digits in each half
    std::uint64_t h = (v * 10486) >> 20 & 0x0000007F0000007F;  // /100 for 0..9999
    v = h | (v - h * 100) << 16;                              // 2 digits in each quarter
    h = (v * 103) >> 10 & 0x000F000F000F000F;                 // /10 for 0..99
    v = h | (v - h * 10) << 8;                                // 1 digit in each byte
    zeros = std::countr_zero(v | std::uint64_t{1} << 56) / 8;
    return v + 0x3030303030303030;                            // '0' in each byte
}

// The common case |value| < 1e12, in integers; nullptr for the rest.
// |value| = m * 2^-s exactly, so |value| * 100 = 100m * 2^-s: whole part
// w = 100m >> s, and the rest r in units of 2^-s. Rounding to 15
// digits first moves the value by at most half a unit of its 15th digit, at
// most |value| * 0.5e-14: in units of r, 0.5e-12 * m, less than
// (m >> 40) + 1. Unless r is that close to a half, the hundredths are w,
// plus one when r is above the half. r exactly a half is a tie of 15 digits
// or fewer (w.ff5): w + 1. Near a half: nullptr, and the exact digits decide.
//   4.1   -> w 409, r 0.99999999999996 of a unit -> 410 -> "4.10"
//   0.125 -> w 12, r exactly a half -> 13 -> "0.13"
inline char* WriteFast(char* p, double value, char sep) {
    const double a = std::fabs(value);
    if (a < 1e-3) {  // 15 digits of it are 0.001 at most: "0.00", and zero has no sign
        const std::uint32_t zero = '0' | static_cast<std::uint32_t>(static_cast<unsigned char>(sep)) << 8 | 0x30300000;
        std::memcpy(p, &zero, 4);
        return p + 4;
    }
    if (!(a < 1e12)) return nullptr;
    const auto bits = std::bit_cast<std::uint64_t>(a);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;
    const int s = 1075 - static_cast<int>(bits >> 52);  // 13 .. 62 in this range
    const std::uint64_t scaled = 100 * m;                // below 2^60
    const std::uint64_t half = std::uint64_t{1} << (s - 1);
    const std::uint64_t r = scaled & ((std::uint64_t{1} << s) - 1);
    const auto below = static_cast<std::int64_t>(r) - static_cast<std::int64_t>(half);  // |r - half| < 2^61
    const auto distance = static_cast<std::uint64_t>(std::abs(below));  // no branch: r is random here
    if (distance <= (m >> 40) + 1 && distance != 0) return nullptr;
    const std::uint64_t q = (scaled >> s) + (r >= half ? 1 : 0);  // below 10^14

    // In whole words and without a branch on the length: "-", the digits of
    // q / 100, sep, the last two.  q 123456 -> "00123456", 2 zeros -> "1234" sep "56"
    // The sign bit, not a comparison: no branch on a random sign. Zero has no sign.
    const int minus = static_cast<int>(std::bit_cast<std::uint64_t>(value) >> 63) & (q != 0 ? 1 : 0);
    *p = '-';
    p += minus;
    int zeros;
    std::uint64_t low;
    if (q < 100000000) {  // below 1e6: the branch goes the same way nearly always
        low = EightDigits(q, zeros);
        zeros = std::min(zeros, 5);  // "0.05": one digit before the separator
    } else {
        std::uint64_t high = EightDigits(q / 100000000, zeros);
        high >>= 8 * zeros;
        std::memcpy(p, &high, 8);
        p += 8 - zeros;
        low = EightDigits(q % 100000000, zeros);
        zeros = 0;
    }
    const std::uint64_t whole = (low & 0xFFFFFFFFFFFF) >> (8 * zeros);
    std::memcpy(p, &whole, 8);
    p += 6 - zeros;
    const std::uint32_t tail = static_cast<unsigned char>(sep) | static_cast<std::uint32_t>(low >> 48) << 8;
    std::memcpy(p, &tail, 4);
    return p + 3;
}

}  // namespace two_decimals

// Writes the text at p, which has kTwoDecimalsRoom bytes of room, and
// returns its end. Bytes behind the end may have been written over.
inline char* WriteTwoDecimals(char* p, double value, char decimalSeparator) {
    if (char* end = two_decimals::WriteFast(p, value, decimalSeparator)) return end;
    return WriteTwoDecimalsExact(p, value, decimalSeparator);
}

}  // namespace tavro
