// Helpers shared by the fuzz targets: a finding is an abort(), which
// libFuzzer reports with the input that caused it.
#pragma once

#include <utility>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "csv_writer.h"
#include "framing_report.h"
#include "dump_writer.h"
#include "record_table.h"
#include "tlm_writer.h"
#include "value_text.h"

namespace tavro::fuzz {

[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "FUZZ FINDING: %s\n", what);
    std::abort();
}

inline void Require(bool ok, const char* what) {
    if (!ok) Fail(what);
}

// What a reader fills: the capture state and the table.
struct ReaderState {
    CaptureState capture;
    RecordTable table;
    FramingReport report;
};

// The state as a new one is, keeping the table's memory: a new table
// reserves room for all 10000 records, which would make every run slow.
inline ReaderState& Clean(ReaderState& s) {
    s.table.Reset();
    s.capture = CaptureState{};
    s.report = FramingReport{};
    return s;
}

// Slice sizes drawn from the input itself, so a finding replays exactly.
class SliceSizes {
public:
    explicit SliceSizes(std::span<const std::uint8_t> data) {
        for (std::uint8_t b : data) state_ = (state_ ^ b) * 0x100000001B3ull;  // FNV-1a
        state_ |= 1;
    }
    std::size_t Next() {
        state_ ^= state_ << 13, state_ ^= state_ >> 7, state_ ^= state_ << 17;  // xorshift64
        const unsigned r = static_cast<unsigned>(state_ >> 32);
        return r % 8 == 0 ? r % 4096 : r % 24;  // mostly tiny slices, empty ones too
    }

private:
    std::uint64_t state_ = 0xCBF29CE484222325ull;
};

// Feeds data to reader in slices of arbitrary sizes, then Finish().
template <typename Reader>
void FeedInSlices(Reader& reader, std::span<const std::uint8_t> data) {
    SliceSizes sizes(data);
    while (!data.empty()) {
        const std::size_t n = std::min(sizes.Next(), data.size());
        reader.Feed(data.first(n));
        data = data.subspan(n);
    }
    reader.Feed({});
    reader.Finish();
}

// Values compared bit for bit, so NaNs compare too.
inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline void RequireSameState(const ReaderState& a, const ReaderState& b) {
    Require(a.table.RecordCount() == b.table.RecordCount(), "record counts differ");
    Require(a.table.FramesNotStored() == b.table.FramesNotStored(), "not-stored counts differ");
    Require(a.capture.CurrentTimeText == b.capture.CurrentTimeText, "time texts differ");
    Require(a.capture.FrameLength == b.capture.FrameLength, "frame lengths differ");
    Require(a.capture.frameBuffer.Bytes() == b.capture.frameBuffer.Bytes(), "frame buffers differ");
    for (int i = 0; i < a.table.RecordCount(); ++i) {
        const TelemetryRecord& x = a.table[i];
        const TelemetryRecord& y = b.table[i];
        Require(x.TimeText == y.TimeText, "record time texts differ");
        Require(SameBits(x.StampValue1, y.StampValue1) && SameBits(x.StampValue2, y.StampValue2) &&
                    SameBits(x.StampValue3, y.StampValue3),
                "stamp values differ");
        for (std::size_t c = 0; c < x.Channels.size(); ++c)
            Require(SameBits(x.Channels[c], y.Channels[c]), "channel values differ");
    }
}

// Reads data whole into one store and in arbitrary slices into the other,
// and requires both to hold the same table. Returns the two readers.
template <typename Reader>
std::pair<Reader, Reader> ReadWholeAndSliced(ReaderState& whole, ReaderState& sliced,
                                             std::span<const std::uint8_t> data) {
    Reader wholeReader(Clean(whole).capture, whole.table, whole.report);
    wholeReader.Feed(data);
    wholeReader.Finish();
    Reader slicedReader(Clean(sliced).capture, sliced.table, sliced.report);
    FeedInSlices(slicedReader, data);
    RequireSameState(whole, sliced);
    return {std::move(wholeReader), std::move(slicedReader)};
}

// The texts the window and the exports make of the first and the last
// record (all of them would make each run slow).
inline void RenderEverything(const RecordTable& all, char separator) {
    Require(all.RecordCount() <= RecordTable::kCapacity, "table over capacity");
    static RecordTable table;
    table.Reset();
    if (all.RecordCount() > 0) *table.Append() = all[0];
    if (all.RecordCount() > 1) *table.Append() = all[all.RecordCount() - 1];
    Require(!CsvText(table, separator).empty(), "empty CSV");
    for (const TelemetryRecord& r : table.Records()) {
        std::array<std::string, kChannelCount> texts;
        for (int c = 0; c < kChannelCount; ++c)
            texts[static_cast<std::size_t>(c)] = DisplayText(c, r.Channels[static_cast<std::size_t>(c)], separator);
        Require(!TlmText(texts).empty(), "empty TLM");
    }
    DumpText(table);
}

}  // namespace tavro::fuzz
