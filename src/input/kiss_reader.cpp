#include "kiss_reader.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

#include "kiss_decoder.h"
#include "sids_report.h"
#include "record_sink.h"
#include "time_stamp.h"

namespace tavro {

void KissReader::Put(std::uint8_t b) { PutRun(&b, 1); }

// Appends a run of frame bytes; only the first 512 of a frame are kept.
void KissReader::PutRun(const std::uint8_t* run, std::size_t n) {
    if (n == 0) return;
    if (length_ < FrameBuffer::kSize) {
        const std::size_t kept = std::min(n, static_cast<std::size_t>(FrameBuffer::kSize - length_));
        std::memcpy(&state_.frameBuffer(static_cast<int>(length_ + 1)), run, kept);
        dirty_ = std::max(dirty_, static_cast<int>(length_) + static_cast<int>(kept));
    }
    length_ += static_cast<long long>(n);
}

namespace {

// The first FEND or FESC in [p, end), or end: one pass over a frame instead
// of a search for each, sixteen bytes at a time where SSE2 is there.
const std::uint8_t* NextSpecial(const std::uint8_t* p, const std::uint8_t* end) {
#if defined(__SSE2__)
    const __m128i fend = _mm_set1_epi8(static_cast<char>(KissReader::FEND));
    const __m128i fesc = _mm_set1_epi8(static_cast<char>(KissReader::FESC));
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, fend), _mm_cmpeq_epi8(v, fesc)));
        if (hits) return p + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    while (p < end && *p != KissReader::FEND && *p != KissReader::FESC) ++p;
    return p;
}

}  // namespace

// Byte by byte this is: FEND ends the frame, FESC starts an escape, any other
// byte is Put(). The runs between them are found in one pass and copied
// whole, which keeps the reader near the speed of a memchr pass.
void KissReader::Feed(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    report_.bytes += static_cast<long long>(bytes.size());
    while (p < end) {
        if (!inFrame_) {  // junk before the first FEND
            const auto* fend = static_cast<const std::uint8_t*>(std::memchr(p, FEND, static_cast<std::size_t>(end - p)));
            report_.junkBytes += (fend ? fend : end) - p;
            if (!fend) return;
            p = fend + 1;
            inFrame_ = true;
            continue;
        }
        if (escape_) {
            escape_ = false;
            const std::uint8_t b = *p++;
            if (b == TFEND || b == TFESC) {
                Put(b == TFEND ? FEND : FESC);
                continue;
            }
            ++report_.brokenEscapes;
            Put(FESC);  // FESC before another byte stays as it is
            if (b == FEND) EndFrame();
            else if (b == FESC) escape_ = true;
            else Put(b);
            continue;
        }
        const std::uint8_t* special = NextSpecial(p, end);
        PutRun(p, static_cast<std::size_t>(special - p));
        p = special;
        if (p == end) break;
        if (*p++ == FEND) EndFrame();
        else escape_ = true;
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
    stampSeen_ = false;
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
    // Zero behind the frame: only what an earlier frame wrote there needs clearing.
    const int kept = static_cast<int>(std::min<long long>(n, FrameBuffer::kSize));
    if (dirty_ > kept) std::memset(&state_.frameBuffer(kept + 1), 0, static_cast<std::size_t>(dirty_ - kept));
    dirty_ = kept;
    state_.FrameLength = n > 32767 ? 0 : static_cast<int>(n);
    ++report_.frames;
    switch (ClassifyKissFrame(state_, n, report_, dataCommand_)) {
        case KissFrame::TimeStamp: {
            const auto& bytes = state_.frameBuffer.Bytes();
            const int last = std::min(state_.FrameLength, FrameBuffer::kSize);
            const std::span<const std::uint8_t> payload(bytes.data() + 1, static_cast<std::size_t>(std::max(last - 1, 0)));
            ParseTimeStampFrame(payload, stamp_);
            ++(stamp_.binary ? report_.stampsBinary : report_.stampsText);
            state_.CurrentTimeText.assign(stamp_.text);
            stampSeen_ = true;
            return;
        }
        case KissFrame::Housekeeping:
            // Live, before the connection's first time stamp frame: the time it arrived.
            if (clock_ && !stampSeen_) {
                arrival_ = clock_();
                state_.CurrentTimeText = MillisecondsToTimeText(*arrival_);
            }
            StoreHousekeeping(state_, stamp_.numbers, table_, n);
            if (frameHook_ && n <= FrameBuffer::kSize)
                frameHook_({state_.frameBuffer.Bytes().data(), static_cast<std::size_t>(n)}, state_.CurrentTimeText);
            return;
        case KissFrame::Other:
            if (frameHook_ && n <= FrameBuffer::kSize) OfferOtherFrame(n);
            return;
    }
}

void KissReader::OfferOtherFrame(long long n) {
    const std::span<const std::uint8_t> frame(state_.frameBuffer.Bytes().data(), static_cast<std::size_t>(n));
    if (!IsSatelliteKissFrame(frame, dataCommand_)) return;
    if (clock_ && !stampSeen_) return frameHook_(frame, MillisecondsToTimeText(clock_()));
    frameHook_(frame, state_.CurrentTimeText);
}

KissFrame ClassifyKissFrame(const CaptureState& state, long long n, FramingReport& report, std::uint8_t dataCommand) {
    if (n > FrameBuffer::kSize) ++report.cutFrames;
    const FrameBuffer& frame = state.frameBuffer;
    const auto& bytes = frame.Bytes();
    if (frame(1) == 9) return KissFrame::TimeStamp;  // counted as text or binary once parsed
    // The command byte, then the AX.25 header behind it.
    const bool housekeeping = n >= 17 && bytes[0] == dataCommand &&
                              (std::equal(kKissHeader62.begin() + 1, kKissHeader62.end(), bytes.begin() + 1) ||
                               std::equal(kKissHeader64.begin() + 1, kKissHeader64.end(), bytes.begin() + 1)) &&
                              frame(kKissFrameTypePosition) == 1;
    ++(housekeeping ? report.housekeeping : report.other);
    return housekeeping ? KissFrame::Housekeeping : KissFrame::Other;
}

namespace {

void FillRecord(const CaptureState& state, const std::array<double, 3>& stamps, TelemetryRecord& record) {
    record.TimeText = state.CurrentTimeText;
    record.StampValue1 = stamps[0];
    record.StampValue2 = stamps[1];
    record.StampValue3 = stamps[2];
    DecodeKissFrame(state.frameBuffer, record);
}

void Tell(const CaptureState& state, const TelemetryRecord& record, long long frameBytes, std::string_view stationId,
          std::string_view observer) {
    const auto kept = static_cast<std::size_t>(std::clamp<long long>(frameBytes, 0, FrameBuffer::kSize));
    state.sink->Decoded({record, {state.frameBuffer.Bytes().data(), kept}, false, stationId, observer});
}

// The table is full: the sink still gets the record, decoded on the side.
[[gnu::noinline]] void TellUnstored(const CaptureState& state, const std::array<double, 3>& stamps, long long frameBytes,
                                    std::string_view stationId, std::string_view observer) {
    TelemetryRecord record{TelemetryRecord::ForDecoder{}};
    FillRecord(state, stamps, record);
    Tell(state, record, frameBytes, stationId, observer);
}

}  // namespace

void StoreHousekeeping(const CaptureState& state, const std::array<double, 3>& stamps, RecordTable& table,
                       long long frameBytes, std::string_view stationId, std::string_view observer) {
    TelemetryRecord* record = table.AppendForDecoder();
    if (!record) {  // table full: counted, nothing overwritten
        if (state.sink) TellUnstored(state, stamps, frameBytes, stationId, observer);
        return;
    }
    FillRecord(state, stamps, *record);
    // Before Commit(), which may drop it as a duplicate: the sink keeps every reception.
    if (state.sink) Tell(state, *record, frameBytes, stationId, observer);
    table.Commit();
}

}  // namespace tavro
