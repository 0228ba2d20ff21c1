// The decoded records and the state the readers carry from frame to frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "channels.h"

namespace tavro {

// One decoded housekeeping frame.
struct TelemetryRecord {
    std::string TimeText;  // reception time; bytes, one per character (Latin-1)
    double StampValue1 = 0;  // numbers of the latest time stamp frame (KISS only)
    double StampValue2 = 0;
    double StampValue3 = 0;
    std::array<double, kChannelCount> Channels{};  // engineering units
};

// At most kCapacity records, in the order their frames were read.
class RecordTable {
public:
    static constexpr int kCapacity = 10000;

    // An open command starts a new table.
    void Reset();

    // A clean record (empty time, zero values) at the end of the table, or
    // nullptr when the table is full; such a frame is counted as not stored.
    TelemetryRecord* Append();

    int RecordCount() const { return static_cast<int>(records_.size()); }
    long long FramesNotStored() const { return notStored_; }
    const TelemetryRecord& operator[](int index) const { return records_[static_cast<std::size_t>(index)]; }
    const std::vector<TelemetryRecord>& Records() const { return records_; }

private:
    std::vector<TelemetryRecord> records_;
    long long notStored_ = 0;
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

// Everything the readers, the browser and the exports share; one instance,
// owned by the window (or tavro-cli) and passed by reference.
struct TelemetryStore {
    RecordTable table;
    FrameBuffer frameBuffer;
    std::string CurrentTimeText;  // carries over from file to file and reader to reader
    int FrameLength = 0;          // bytes of the current KISS frame; 0 above 32767
    std::string InputFilePath;    // the file being read, or read last

    // The open commands: the selection starts a new table.
    void ResetForOpen() { table.Reset(); }
};

}  // namespace tavro
