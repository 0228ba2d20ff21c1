#include "record_table.h"

#include <cstring>

namespace tavro {

namespace {
std::uint64_t HashValues(const std::array<double, kChannelCount>& values) {
    std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a over the bit patterns
    for (double v : values) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        h = (h ^ bits) * 0x100000001B3ull;
        h ^= h >> 29;
    }
    return h;
}
}  // namespace

void RecordTable::Reset() {
    records_.clear();
    byValues_.clear();
    pendingInTable_ = false;
    notStored_ = 0;
    duplicates_ = 0;
}

TelemetryRecord* RecordTable::Append() {
    if (RecordCount() < kCapacity) {
        if (records_.empty()) records_.reserve(kCapacity);  // one allocation; records never move while the table fills
        pendingInTable_ = true;
        return &records_.emplace_back();
    }
    pendingInTable_ = false;
    if (!merge_) {
        ++notStored_;
        return nullptr;
    }
    scratch_ = TelemetryRecord{};
    return &scratch_;
}

void RecordTable::Commit() {
    const bool inTable = pendingInTable_;
    pendingInTable_ = false;
    if (merge_) {
        const TelemetryRecord& record = inTable ? records_.back() : scratch_;
        const std::uint64_t hash = HashValues(record.Channels);
        const auto [first, last] = byValues_.equal_range(hash);
        for (auto it = first; it != last; ++it) {
            // Bit for bit: NaN equals the same NaN, 0 and -0 differ.
            if (std::memcmp(records_[static_cast<std::size_t>(it->second)].Channels.data(), record.Channels.data(),
                            sizeof record.Channels) == 0) {
                ++duplicates_;
                if (inTable) records_.pop_back();
                return;
            }
        }
        if (inTable) byValues_.emplace(hash, RecordCount() - 1);
    }
    if (!inTable) ++notStored_;
}

}  // namespace tavro
