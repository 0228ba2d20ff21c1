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
// A multi-port TNC puts its port in the command's high four bits: with port
// 2 chosen (SetPort), data frames 20 are read instead of 00.
//
// Feed() takes the file in slices of any size; every record is complete when
// it returns. The stamp numbers start at 0 for each reader (each file).
// Live reception adds two things: a frame cut by a dropped connection is
// discarded (Drop), and a housekeeping frame takes its arrival time while the
// connection has carried no time stamp frame yet. Once one came, its time
// text carries over to every later housekeeping frame, as in a file:
//   stamp, hk, hk, hk      -> all three the stamp's time (a capture replayed)
//   hk, hk                 -> each its arrival time (a TNC without stamps)
//   stamp, hk, [drop], hk  -> the stamp's time, then the arrival time
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "framing_counts.h"
#include "record_table.h"
#include "time_stamp.h"

namespace tavro {

class KissReader {
public:
    static constexpr std::uint8_t FEND = 0xC0, FESC = 0xDB, TFEND = 0xDC, TFESC = 0xDD;

    KissReader(CaptureState& state, RecordTable& table, FramingReport& report)
        : state_(state), table_(table), report_(report) {}

    void Feed(std::span<const std::uint8_t> bytes);
    // End of file: the bytes after the last FEND, if any, are a frame.
    void Finish();
    // A dropped connection: the frame in progress is discarded. What comes
    // next is read as it would be after the last FEND read, which is how a
    // recording of the bytes without the discarded ones reads too. The next
    // connection starts without a time stamp frame.
    void Drop();

    // Live reception: milliseconds since 1970 UTC, read when a frame ends.
    // The TNC port whose data frames (command byte port x 16) are read: 0 to 15.
    void SetPort(int port) { dataCommand_ = static_cast<std::uint8_t>((port & 0x0F) << 4); }

    void SetArrivalClock(std::function<std::int64_t()> nowMs) { clock_ = std::move(nowMs); }
    // Every data frame of the satellite on the port read (either AX.25 header, any frame type; not
    // cut at the buffer's end), command byte first, with its time text: a
    // housekeeping frame's record's, another's the latest time stamp's (live:
    // its arrival time when no time stamp frame came since the last
    // housekeeping frame). Unset, nothing is done.
    using FrameHook = std::function<void(std::span<const std::uint8_t> kissFrame, std::string_view timeText)>;
    void SetFrameHook(FrameHook hook) { frameHook_ = std::move(hook); }

    // The arrival time the last frame ended by a FEND took, once.
    std::optional<std::int64_t> TakeArrivalStamp() { return std::exchange(arrival_, std::nullopt); }

    const std::array<double, 3>& StampNumbers() const { return stamp_.numbers; }

private:
    void Put(std::uint8_t b);
    void PutRun(const std::uint8_t* run, std::size_t n);
    void EndFrame();
    void OfferOtherFrame(long long n);

    CaptureState& state_;
    RecordTable& table_;
    FramingReport& report_;
    TimeStamp stamp_{};  // the latest time stamp frame's; its numbers start at 0
    bool inFrame_ = false;
    bool escape_ = false;
    long long length_ = 0;  // bytes of the current frame after unescaping
    int dirty_ = FrameBuffer::kSize;  // positions 1..dirty_ may hold bytes (another reader's too)
    std::function<std::int64_t()> clock_;
    bool stampSeen_ = false;  // on this connection
    std::optional<std::int64_t> arrival_;
    FrameHook frameHook_;
    std::uint8_t dataCommand_ = 0x00;
};

// The frame in the buffer (n bytes in all): what it is; counted in report,
// and so is a frame cut at the buffer's end. A housekeeping frame has
// dataCommand as byte 1. Shared by the KISS and SatNOGS readers.
enum class KissFrame { TimeStamp, Housekeeping, Other };
KissFrame ClassifyKissFrame(const CaptureState& state, long long n, FramingReport& report, std::uint8_t dataCommand = 0x00);

// The housekeeping frame in the buffer (frameBytes long) as a record: the
// current time text, the stamp numbers, channels 0..45 decoded; the sink,
// when there is one, is told of it whether the table keeps it or not.
// stationId, observer: the receiving station a SatNOGS entry names.
void StoreHousekeeping(const CaptureState& state, const std::array<double, 3>& stamps, RecordTable& table,
                       long long frameBytes, std::string_view stationId = {}, std::string_view observer = {});

}  // namespace tavro
