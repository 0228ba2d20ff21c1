#include "pg_rows.h"

#include <cstring>
#include <map>
#include <unordered_map>

#include "history_minutes.h"
#include <vector>

namespace tavro {
namespace {

std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
std::uint64_t Fmix(std::uint64_t k) {
    k ^= k >> 33, k *= 0xff51afd7ed558ccdULL, k ^= k >> 33, k *= 0xc4ceb9fe1a85ec53ULL, k ^= k >> 33;
    return k;
}
std::uint64_t Bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// Big-endian, appended whole (a byte at a time costs a tenth of an Add).
void Put2(std::string& out, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
    out.append(b, 2);
}
void Put4(std::string& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
    out.append(b, 4);
}
void Put8(std::string& out, std::uint64_t v) {
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>(v >> (56 - 8 * i));
    out.append(b, 8);
}
void PutInt8OrNull(std::string& out, const std::optional<std::int64_t>& v) {
    if (v) Put4(out, 8), Put8(out, static_cast<std::uint64_t>(*v));
    else Put4(out, 0xFFFFFFFFu);  // NULL
}
void PutField(std::string& out, std::string_view bytes) {
    Put4(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
}

// Length of the valid UTF-8 sequence at s[0], 0 when there is none.
std::size_t Utf8Length(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned c = b(0);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || n > s.size() || c == 0xC0 || c == 0xC1 || c > 0xF4) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if (n == 3 && ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0))) return 0;  // overlong, surrogates
    if (n == 4 && ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90))) return 0;
    return n;
}

}  // namespace

std::string BeaconIdentity(const std::array<double, kChannelCount>& values) {
    // MurmurHash3 x64 128 over 47 little-endian 8-byte blocks: blocks 2k, 2k+1
    // are one 16-byte block, the last one the tail.
    const std::uint64_t c1 = 0x87c37b91114253d5ULL, c2 = 0x4cf5ad432745937fULL;
    std::uint64_t h1 = 0x7461767230, h2 = 0x7461767230;
    std::size_t i = 0;
    for (; i + 1 < values.size(); i += 2) {
        std::uint64_t k1 = Bits(values[i]), k2 = Bits(values[i + 1]);
        k1 *= c1, k1 = Rotl(k1, 31), k1 *= c2, h1 ^= k1;
        h1 = Rotl(h1, 27), h1 += h2, h1 = h1 * 5 + 0x52dce729;
        k2 *= c2, k2 = Rotl(k2, 33), k2 *= c1, h2 ^= k2;
        h2 = Rotl(h2, 31), h2 += h1, h2 = h2 * 5 + 0x38495ab5;
    }
    std::uint64_t k1 = Bits(values[i]);
    k1 *= c1, k1 = Rotl(k1, 31), k1 *= c2, h1 ^= k1;
    const std::uint64_t length = values.size() * 8;
    h1 ^= length, h2 ^= length;
    h1 += h2, h2 += h1;
    h1 = Fmix(h1), h2 = Fmix(h2);
    h1 += h2, h2 += h1;
    std::string out;
    Put8(out, h1), Put8(out, h2);
    return out;
}

std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t n = Utf8Length(text);
        if (n == 1 && text[0] == '\0') out += "\xE2\x90\x80";
        else if (n == 0) out += "\xEF\xBF\xBD";
        else out.append(text.substr(0, n));
        text.remove_prefix(n == 0 ? 1 : n);
    }
    return out;
}

std::string IncomingRows(std::span<const ArchiveRecord> records, const std::string& station, std::string* minutes) {
    // Per beacon of the batch: its first record, how many, the earliest time.
    struct Seen {
        std::size_t first;
        std::uint32_t count = 0;
        std::optional<std::int64_t> earliest;
    };
    std::vector<std::string> identities;
    identities.reserve(records.size());
    std::unordered_map<std::string_view, Seen> beacons;  // keys point into identities
    beacons.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        identities.push_back(BeaconIdentity(records[i].values));
        Seen& seen = beacons.try_emplace(identities.back(), Seen{i, 0, std::nullopt}).first->second;
        ++seen.count;
        const auto& t = records[i].reception.utcMs;
        if (t && (!seen.earliest || *t < *seen.earliest)) seen.earliest = t;
    }
    std::string out("PGCOPY\n\377\r\n\0", 11);
    Put4(out, 0), Put4(out, 0);  // flags, header extension
    out.reserve(records.size() * (600 + 2 * 64));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ArchiveRecord& r = records[i];
        const Seen& seen = beacons.at(identities[i]);
        const bool first = seen.first == i;
        Put2(out, 12 + kChannelCount);
        Put4(out, 4), Put4(out, static_cast<std::uint32_t>(i));
        PutField(out, identities[i]);
        Put4(out, 1), out += static_cast<char>(first);
        Put4(out, 4), Put4(out, first ? seen.count : 0);
        PutInt8OrNull(out, first ? seen.earliest : std::nullopt);
        Put4(out, 2), Put2(out, static_cast<std::uint16_t>(r.layout));
        PutField(out, r.sourceBytes);
        PutField(out, ValidUtf8(r.reception.source));
        PutField(out, SourceKindText(r.reception.kind));
        PutField(out, ValidUtf8(r.reception.timeText));
        PutInt8OrNull(out, r.reception.utcMs);
        PutField(out, ValidUtf8(r.reception.station.empty() ? station : r.reception.station));
        for (double v : r.values) Put4(out, 8), Put8(out, Bits(v));
    }
    Put2(out, 0xFFFF);
    if (minutes) {
        std::map<std::int64_t, MinuteSummary> sums;
        for (const auto& [identity, seen] : beacons)
            if (seen.earliest)
                sums.try_emplace(MinuteOf(*seen.earliest), MinuteSummary::Empty())
                    .first->second.AddBeacon(*seen.earliest, records[seen.first].values, seen.count);
        minutes->assign("PGCOPY\n\377\r\n\0", 11);
        Put4(*minutes, 0), Put4(*minutes, 0);
        for (const auto& [minute, sum] : sums) {
            Put2(*minutes, 5 + 2 * kChannelCount);
            for (const std::int64_t v : {minute, sum.firstMs, sum.lastMs, static_cast<std::int64_t>(sum.beacons),
                                         static_cast<std::int64_t>(sum.receptions)})
                Put4(*minutes, 8), Put8(*minutes, static_cast<std::uint64_t>(v));
            for (std::size_t c = 0; c < kChannelCount; ++c)
                for (const double v : {sum.min[c], sum.max[c]}) {
                    if (sum.min[c] > sum.max[c]) Put4(*minutes, 0xFFFFFFFFu);  // no finite value: NULL
                    else Put4(*minutes, 8), Put8(*minutes, Bits(v));
                }
        }
        Put2(*minutes, 0xFFFF);
    }
    return out;
}

std::uint64_t RecordsDigest(std::span<const ArchiveRecord> records) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    const auto mix = [&h](std::string_view bytes) {
        for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ULL;
        h = (h ^ bytes.size()) * 0x100000001b3ULL;
    };
    for (const ArchiveRecord& r : records) {
        mix(BeaconIdentity(r.values));
        mix(r.sourceBytes), mix(r.reception.source), mix(r.reception.timeText), mix(r.reception.station);
        h = Fmix(h ^ static_cast<std::uint64_t>(r.layout) ^ (static_cast<std::uint64_t>(r.reception.kind) << 8) ^
                 static_cast<std::uint64_t>(r.reception.utcMs.value_or(-1)));
    }
    return h;
}

}  // namespace tavro
