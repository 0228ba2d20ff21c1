// KISS capture reader: cuts the byte stream into frames, undoes the escapes
// and hands each frame to the time stamp parser or the housekeeping decoder.
//
//   C0 <frame> C0 <frame> C0 ...   every FEND (C0) ends the frame before it
//                                   and opens the next; bytes before the first
//                                   FEND are dropped; bytes after the last FEND
//                                   are a frame; C0 C0 is an empty frame,
//                                   which changes nothing.
//   DB DC -> C0   DB DD -> DB      (FESC TFEND, FESC TFESC); DB before any
//                                   other byte, or at a frame's end, stays DB.
//
// After the escapes, byte 1 is the KISS command: 09 is a time stamp frame,
// 00 with one of the two AX.25 headers and frame type 1 at byte 20 is a
// housekeeping frame (layout in kiss_decoder.h). Everything else is skipped.
//
// Feed() takes the file in slices of any size; every record is complete when
// it returns. The stamp numbers start at 0 for each reader (each file).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "record_table.h"

namespace tavro {

class KissReader {
public:
    static constexpr std::uint8_t FEND = 0xC0, FESC = 0xDB, TFEND = 0xDC, TFESC = 0xDD;

    KissReader(CaptureState& state, RecordTable& table) : state_(state), table_(table) {}

    void Feed(std::span<const std::uint8_t> bytes);
    // End of file: the bytes after the last FEND, if any, are a frame.
    void Finish();

    const std::array<double, 3>& StampNumbers() const { return stamps_; }

private:
    void Put(std::uint8_t b);
    void PutRun(const std::uint8_t* run, std::size_t n);
    void EndFrame();

    CaptureState& state_;
    RecordTable& table_;
    std::array<double, 3> stamps_{};
    bool inFrame_ = false;
    bool escape_ = false;
    long long length_ = 0;  // bytes of the current frame after unescaping
};

}  // namespace tavro
