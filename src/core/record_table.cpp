#include "record_table.h"

#include <cstring>
#include <sys/mman.h>

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

void RecordTable::SetMergeDuplicates(bool merge) {
    if (merge && !merge_) {
        byValues_.clear();
        for (int k = 0; k < RecordCount(); ++k) byValues_.emplace(HashValues(records_[static_cast<std::size_t>(k)].Channels), k);
    }
    merge_ = merge;
}

// One allocation: records never move while the table fills. Memory fresh
// from the system (a new process's table) has no pages yet; they are made
// present in one call, which costs less than a page fault at every 4 KiB
// as the records arrive (a full table is 4.3 MB). Memory used before (its
// last page is there) is left as it is. A kernel without
// MADV_POPULATE_WRITE refuses it, and the pages come one by one as before.
void RecordTable::Reserve() {
    records_.reserve(kCapacity);
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(records_.data()) + kPage - 1) & ~(kPage - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(records_.data() + kCapacity) & ~(kPage - 1);
    unsigned char present = 1;
    if (end > begin && ::mincore(reinterpret_cast<void*>(end - kPage), kPage, &present) == 0 && !(present & 1))
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

TelemetryRecord* RecordTable::Append() { return AppendMade(); }
TelemetryRecord* RecordTable::AppendForDecoder() { return AppendMade(TelemetryRecord::ForDecoder{}); }

template <class... Made>
TelemetryRecord* RecordTable::AppendMade(Made... how) {
    if (RecordCount() < kCapacity) {
        if (records_.capacity() < kCapacity) Reserve();
        pendingInTable_ = true;
        return &records_.emplace_back(how...);
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
