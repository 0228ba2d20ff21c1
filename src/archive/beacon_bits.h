// A beacon is its 47 values bit for bit (two records are one beacon when
// every value has the same 64 bits, NaN payloads and -0.0 included). The
// stores find a beacon by a 64-bit hash of those bits and then compare
// the bits themselves.
#pragma once

#include <array>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "channels.h"

namespace tavro {

using BeaconValues = std::array<double, kChannelCount>;
inline constexpr std::size_t kBeaconBytes = kChannelCount * sizeof(double);  // 376

inline std::uint64_t BitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
inline double DoubleOf(std::uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

inline bool SameBits(const BeaconValues& a, const BeaconValues& b) {
    return std::memcmp(a.data(), b.data(), kBeaconBytes) == 0;
}

// The hash the archive indexes, as a signed 64-bit column value. It is
// stored in files: never change it without a schema upgrade.
inline std::int64_t BeaconHash(const BeaconValues& values) {
    std::uint64_t h = 0x9E3779B97F4A7C15u;
    for (double v : values) {
        h ^= BitsOf(v);
        h *= 0xFF51AFD7ED558CCDu;
        h ^= h >> 32;
    }
    h *= 0xC4CEB9FE1A85EC53u;
    h ^= h >> 29;
    return static_cast<std::int64_t>(h);
}

// A value a REAL column does not give back bit for bit: NaN (read back as
// NULL) and -0.0 (an integral REAL may be stored as the integer 0).
inline bool NeedsRawBits(double v) { return v != v || (v == 0 && std::signbit(v)); }
inline bool NeedsRawBits(const BeaconValues& values) {
    for (double v : values)
        if (NeedsRawBits(v)) return true;
    return false;
}

// The 376 bytes: each value's 64 bits, little-endian, channel 0 first.
inline std::string RawBytes(const BeaconValues& values) {
    std::string out(kBeaconBytes, '\0');
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint64_t b = BitsOf(values[i]);
        for (int k = 0; k < 8; ++k) out[i * 8 + static_cast<std::size_t>(k)] = static_cast<char>((b >> (8 * k)) & 0xFF);
    }
    return out;
}
inline bool ValuesOfRaw(std::string_view raw, BeaconValues& values) {
    if (raw.size() != kBeaconBytes) return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint64_t b = 0;
        for (int k = 7; k >= 0; --k) b = (b << 8) | static_cast<unsigned char>(raw[i * 8 + static_cast<std::size_t>(k)]);
        values[i] = DoubleOf(b);
    }
    return true;
}

}  // namespace tavro
