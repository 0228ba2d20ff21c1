// What an Add sends to the server: the records as rows of PostgreSQL's
// binary COPY format, for the temporary table tavro_incoming:
//
//   seq int4, identity bytea(16),
//   first bool, n int4, t int8    the beacon's first record in the batch, with
//                                 its number of records and earliest time (else false, 0, NULL)
//   layout int2, source_bytes bytea, source text, kind text, time_text text,
//   utc_ms int8 (NULL: no time), station text,
//   then the 47 channels as float8 (their 64 bits, so NaN, ±Inf, -0 stay)
//
// Texts go as valid UTF-8: a byte that is not (a path or time text in
// another encoding) becomes U+FFFD, a NUL byte U+2400, so a stray byte
// never costs the whole Add.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "archive.h"

namespace tavro {

// The beacon's identity: a 128-bit digest (MurmurHash3 x64 128) of its 376
// bytes, each value's 64 bits little-endian, channel 0 first.
std::string BeaconIdentity(const std::array<double, kChannelCount>& values);

std::string ValidUtf8(std::string_view text);

// The COPY data of records, station standing for an empty reception station.
// minutes, when given: the COPY data of tavro_minutes, the batch's beacons
// with time (each at its earliest time, with its records as receptions)
// summed per minute as if all were new:
//
//   minute int8, first_ms int8, last_ms int8, beacons int8, receptions int8,
//   then min and max of each channel as float8 (NULL: no finite value)
std::string IncomingRows(std::span<const ArchiveRecord> records, const std::string& station, std::string* minutes = nullptr);

// A digest of everything in records, to know the same Add when it is sent again.
std::uint64_t RecordsDigest(std::span<const ArchiveRecord> records);

}  // namespace tavro
