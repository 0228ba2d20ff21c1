#include "log_reader.h"

#include <algorithm>

#include "field_readers.h"
#include "log_decoder.h"

namespace tavro {

void LogReader::Feed(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) anyBytes_ = true;
    for (std::uint8_t b : bytes) {
        if (b == '\n') {
            if (afterCR_) {
                afterCR_ = false;
                continue;
            }
            EndLine();
            continue;
        }
        afterCR_ = false;
        if (b == '\r') {
            EndLine();
            afterCR_ = true;
            continue;
        }
        if (line_.size() < kKeptChars) line_ += static_cast<char>(b);
        ++lineLength_;
    }
}

void LogReader::Finish() {
    if (anyBytes_) EndLine();
    anyBytes_ = false;
    afterCR_ = false;
}

void LogReader::EndLine() {
    const std::string_view line(line_);
    store_.CurrentTimeText.assign(line.substr(0, 8));
    store_.CurrentTimeText += ".000 UTC";

    FrameBuffer& frame = store_.frameBuffer;
    frame.Clear();
    if (lineLength_ >= 10) {
        const std::string_view hex = line.substr(9);
        const std::size_t hexLength = lineLength_ - 9;
        // One position per character of the hex part, as far as the buffer goes;
        // a pair past the end of the text reads 0.
        const std::size_t last = std::min<std::size_t>(hexLength, FrameBuffer::kSize - 18);
        for (std::size_t j = 0; j <= last && 3 * j < hex.size(); ++j) {
            const std::int32_t v = ParseNumber(hex.substr(3 * j, 2));
            if (v >= 0 && v <= 255) frame(static_cast<int>(18 + j)) = static_cast<std::uint8_t>(v);
        }
    }
    line_.clear();
    lineLength_ = 0;

    if (frame(kLogFrameTypePosition) != 1) return;
    TelemetryRecord* record = store_.table.Append();
    if (!record) return;  // table full: counted, nothing overwritten
    record->TimeText = store_.CurrentTimeText;
    DecodeLogFrame(frame, *record);
}

}  // namespace tavro
