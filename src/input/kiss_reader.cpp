#include "kiss_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "kiss_decoder.h"
#include "time_stamp.h"

namespace tavro {

void KissReader::Put(std::uint8_t b) { PutRun(&b, 1); }

// Appends a run of frame bytes; only the first 512 of a frame are kept.
void KissReader::PutRun(const std::uint8_t* run, std::size_t n) {
    if (n == 0) return;
    if (length_ == 0) state_.frameBuffer.Clear();
    if (length_ < FrameBuffer::kSize) {
        const std::size_t room = static_cast<std::size_t>(FrameBuffer::kSize - length_);
        std::memcpy(&state_.frameBuffer(static_cast<int>(length_ + 1)), run, std::min(n, room));
    }
    length_ += static_cast<long long>(n);
}

// Byte by byte this is: FEND ends the frame, FESC starts an escape, any other
// byte is Put(). Runs between FENDs and FESCs are found with memchr and
// copied whole, which keeps the reader near the speed of a memchr pass.
void KissReader::Feed(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    report_.bytes += bytes.size();
    while (p < end) {
        if (!inFrame_) {  // junk before the first FEND
            const auto* fend = static_cast<const std::uint8_t*>(std::memchr(p, FEND, static_cast<std::size_t>(end - p)));
            report_.junkBytes += (fend ? fend : end) - p;
            if (!fend) return;
            p = fend + 1;
            inFrame_ = true;
            continue;
        }
        const auto* fend = static_cast<const std::uint8_t*>(std::memchr(p, FEND, static_cast<std::size_t>(end - p)));
        const std::uint8_t* runEnd = fend ? fend : end;
        while (p < runEnd) {
            if (escape_) {
                escape_ = false;
                const std::uint8_t b = *p++;
                if (b == TFEND) {
                    Put(FEND);
                    continue;
                }
                if (b == TFESC) {
                    Put(FESC);
                    continue;
                }
                ++report_.brokenEscapes;
                Put(FESC);  // FESC before another byte stays as it is
                if (b == FESC) escape_ = true;
                else Put(b);
                continue;
            }
            const auto* fesc = static_cast<const std::uint8_t*>(std::memchr(p, FESC, static_cast<std::size_t>(runEnd - p)));
            const std::uint8_t* plainEnd = fesc ? fesc : runEnd;
            PutRun(p, static_cast<std::size_t>(plainEnd - p));
            p = plainEnd;
            if (fesc) {
                escape_ = true;
                ++p;
            }
        }
        if (fend) {
            EndFrame();
            p = fend + 1;
        }
    }
}

void KissReader::Finish() {
    if (!inFrame_) return;
    EndFrame();
    inFrame_ = false;
}

void KissReader::Drop() {
    length_ = 0;
    escape_ = false;
}

void KissReader::EndFrame() {
    if (escape_) {  // a FESC at the frame's end stays as it is
        ++report_.brokenEscapes;
        Put(FESC);
    }
    const long long n = length_;
    length_ = 0;
    escape_ = false;
    if (n == 0) return;  // an empty frame changes nothing
    state_.FrameLength = n > 32767 ? 0 : static_cast<int>(n);
    ++report_.frames;
    switch (ClassifyKissFrame(state_, n, report_)) {
        case KissFrame::TimeStamp: {
            const auto& bytes = state_.frameBuffer.Bytes();
            const int last = std::min(state_.FrameLength, FrameBuffer::kSize);
            const std::span<const std::uint8_t> payload(bytes.data() + 1, static_cast<std::size_t>(std::max(last - 1, 0)));
            TimeStamp stamp = ParseTimeStampFrame(payload, stamps_);
            ++(stamp.binary ? report_.stampsBinary : report_.stampsText);
            state_.CurrentTimeText = std::move(stamp.text);
            stamps_ = stamp.numbers;
            stampSinceHousekeeping_ = true;
            return;
        }
        case KissFrame::Housekeeping:
            // Live: a frame without a time stamp frame of its own takes the time it arrived.
            if (clock_ && !std::exchange(stampSinceHousekeeping_, false)) {
                arrival_ = clock_();
                state_.CurrentTimeText = MillisecondsToTimeText(*arrival_);
            }
            StoreHousekeeping(state_, stamps_, table_);
            return;
        case KissFrame::Other: return;
    }
}

KissFrame ClassifyKissFrame(const CaptureState& state, long long n, FramingReport& report) {
    if (n > FrameBuffer::kSize) ++report.cutFrames;
    const FrameBuffer& frame = state.frameBuffer;
    const auto& bytes = frame.Bytes();
    if (frame(1) == 9) return KissFrame::TimeStamp;  // counted as text or binary once parsed
    const bool housekeeping = n >= 17 &&
                              (std::equal(kKissHeader62.begin(), kKissHeader62.end(), bytes.begin()) ||
                               std::equal(kKissHeader64.begin(), kKissHeader64.end(), bytes.begin())) &&
                              frame(kKissFrameTypePosition) == 1;
    ++(housekeeping ? report.housekeeping : report.other);
    return housekeeping ? KissFrame::Housekeeping : KissFrame::Other;
}

void StoreHousekeeping(const CaptureState& state, const std::array<double, 3>& stamps, RecordTable& table) {
    TelemetryRecord* record = table.Append();
    if (!record) return;  // table full: counted, nothing overwritten
    record->TimeText = state.CurrentTimeText;
    record->StampValue1 = stamps[0];
    record->StampValue2 = stamps[1];
    record->StampValue3 = stamps[2];
    DecodeKissFrame(state.frameBuffer, *record);
    table.Commit();
}

}  // namespace tavro
