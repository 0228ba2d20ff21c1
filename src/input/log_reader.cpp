#include "log_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "field_readers.h"
#include "log_decoder.h"
#include "record_sink.h"

namespace tavro {

// Byte by byte this is: LF ends a line unless it follows a CR, CR ends a
// line, any other byte belongs to the line. Line ends are found with memchr
// and the text between them is taken whole.
void LogReader::Feed(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) anyBytes_ = true;
    report_.bytes += static_cast<long long>(bytes.size());
    const char* p = reinterpret_cast<const char*>(bytes.data());
    const char* end = p + bytes.size();
    while (p < end) {
        if (afterCR_) {
            afterCR_ = false;
            if (*p == '\n') {
                ++p;
                continue;
            }
        }
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf ? lf : end;
        if (const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(stop - p)))) stop = cr;
        const std::size_t n = static_cast<std::size_t>(stop - p);
        line_.append(p, std::min(n, kKeptChars - line_.size()));
        lineLength_ += n;
        if (stop == end) return;
        afterCR_ = *stop == '\r';
        EndLine();
        p = stop + 1;
    }
}

void LogReader::Finish() {
    if (anyBytes_) EndLine();
    anyBytes_ = false;
    afterCR_ = false;
}

void LogReader::EndLine() {
    const std::string_view line(line_);
    state_.CurrentTimeText.assign(line.substr(0, 8));
    state_.CurrentTimeText += ".000 UTC";

    FrameBuffer& frame = state_.frameBuffer;
    frame.Clear();
    if (lineLength_ >= 10) {
        const std::string_view hex = line.substr(9);
        // One position per character of the hex part, as far as the buffer
        // goes; positions past the pairs read 0, and so does a pair past the
        // end of the text. Whole pairs first, straight through.
        const std::size_t positions = std::min<std::size_t>(lineLength_ - 9, FrameBuffer::kSize - 18) + 1;
        const std::size_t pairs = std::min(positions, (hex.size() + 2) / 3);
        std::uint8_t* out = &frame(18);
        std::size_t j = 0;
        for (; j < pairs && 3 * j + 1 < hex.size(); ++j)
            out[j] = static_cast<std::uint8_t>(ParseHexPair(std::string_view(hex.data() + 3 * j, 2)));
        if (j < pairs) out[j] = static_cast<std::uint8_t>(ParseNumber(hex.substr(3 * j)));  // one character left
    }
    const bool housekeeping = frame(kLogFrameTypePosition) == 1;
    if (lineLength_ > 0) {  // an empty line is no frame
        ++report_.frames;
        if (lineLength_ > kKeptChars) ++report_.cutFrames;
        // A line without two hex digits for its frame type holds no frame at all.
        const auto hex = [&](std::size_t k) { return k < line.size() && std::isxdigit(static_cast<unsigned char>(line[k])); };
        if (housekeeping) ++report_.housekeeping;
        else ++(hex(9) && hex(10) ? report_.other : report_.badEntries);
    }
    if (housekeeping) Store();
    line_.clear();
    lineLength_ = 0;
}

void LogReader::Store() {
    TelemetryRecord* record = table_.AppendForDecoder();
    if (!record) {  // table full: counted, nothing overwritten
        if (state_.sink) TellUnstored();
        return;
    }
    record->TimeText = state_.CurrentTimeText;
    DecodeLogFrame(state_.frameBuffer, *record);
    // Before Commit(), which may drop it as a duplicate: the sink keeps every reception.
    if (state_.sink) Tell(*record);
    table_.Commit();
}

void LogReader::Tell(const TelemetryRecord& record) {
    state_.sink->Decoded({record, {reinterpret_cast<const std::uint8_t*>(line_.data()), line_.size()}, true, {}, {}});
}

// The table is full: the sink still gets the record, decoded on the side.
void LogReader::TellUnstored() {
    TelemetryRecord record{TelemetryRecord::ForDecoder{}};
    record.TimeText = state_.CurrentTimeText;
    DecodeLogFrame(state_.frameBuffer, record);
    Tell(record);
}

}  // namespace tavro
