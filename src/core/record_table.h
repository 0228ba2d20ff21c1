// The decoded records of one selection, and the state the readers carry
// from frame to frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "channels.h"
#include "inline_text.h"

namespace tavro {

// One decoded housekeeping frame.
struct TelemetryRecord {
    InlineText TimeText;  // reception time; bytes, one per character (Latin-1)
    double StampValue1 = 0;  // numbers of the latest time stamp frame (KISS only)
    double StampValue2 = 0;
    double StampValue3 = 0;
    std::array<double, kChannelCount> Channels;  // engineering units

    TelemetryRecord() : Channels{} {}
    // For a decoder, which writes every one of the 47 values: not zeroed first.
    struct ForDecoder {};
    explicit TelemetryRecord(ForDecoder) {}
};

// At most kCapacity records, in the order their frames were read.
//   if (TelemetryRecord* r = table.Append()) { decode into *r; table.Commit(); }
// With merging on, a record whose 47 values equal (bit for bit) those of a
// stored record is a duplicate: Commit() drops and counts it, and it does
// not count against the capacity.
class RecordTable {
public:
    static constexpr int kCapacity = 10000;

    // A new selection: no records, every count 0. Merging stays as set.
    void Reset();
    void SetMergeDuplicates(bool merge) { merge_ = merge; }
    bool MergeDuplicates() const { return merge_; }

    // A clean record (empty time, zero values) for the next frame. nullptr
    // when the table is full and duplicates are not merged: the frame is
    // counted as not stored right away, and nothing needs decoding.
    TelemetryRecord* Append();
    // The same for a decoder, which writes every one of the 47 values: they
    // are not zeroed first (a sixth of the reading's time for a full table).
    TelemetryRecord* AppendForDecoder();
    // Keeps the record Append() gave, or counts it as a duplicate or as not
    // stored (table full).
    void Commit();

    int RecordCount() const { return static_cast<int>(records_.size()); }
    long long FramesNotStored() const { return notStored_; }
    long long Duplicates() const { return duplicates_; }
    const TelemetryRecord& operator[](int index) const { return records_[static_cast<std::size_t>(index)]; }
    const std::vector<TelemetryRecord>& Records() const { return records_; }

private:
    void Reserve();
    template <class... Made>
    TelemetryRecord* AppendMade(Made... how);

    std::vector<TelemetryRecord> records_;
    TelemetryRecord scratch_;       // a frame that finds the table full, checked for duplicates
    bool pendingInTable_ = false;   // the record Append() gave is records_.back()
    bool merge_ = false;
    long long notStored_ = 0;
    long long duplicates_ = 0;
    std::unordered_multimap<std::uint64_t, int> byValues_;  // hash of the 47 values -> record index
};

// Frame bytes at positions 1 to 512. A reader places each frame from
// position 1 (KISS) or 18 (log) on a zeroed buffer, so a short frame reads 0
// behind its end and never sees bytes of an earlier frame.
class FrameBuffer {
public:
    static constexpr int kSize = 512;

    std::uint8_t operator()(int position) const { return bytes_[static_cast<std::size_t>(position - 1)]; }
    std::uint8_t& operator()(int position) { return bytes_[static_cast<std::size_t>(position - 1)]; }
    void Clear() { bytes_.fill(0); }
    const std::array<std::uint8_t, kSize>& Bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// What the readers carry from frame to frame, and the time text from file
// to file within one selection.
class RecordSink;

struct CaptureState {
    FrameBuffer frameBuffer;
    std::string CurrentTimeText;
    int FrameLength = 0;  // bytes of the current KISS frame; 0 above 32767
    RecordSink* sink = nullptr;  // told of every housekeeping record (record_sink.h); null: nobody
};

}  // namespace tavro
