#include "log_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "field_readers.h"
#include "log_decoder.h"

namespace tavro {

namespace {

constexpr std::array<std::int8_t, 256> kHexDigit = [] {
    std::array<std::int8_t, 256> t{};
    t.fill(-1);
    for (int c = 0; c < 10; ++c) t[static_cast<std::size_t>('0' + c)] = static_cast<std::int8_t>(c);
    for (int c = 0; c < 6; ++c) {
        t[static_cast<std::size_t>('A' + c)] = static_cast<std::int8_t>(10 + c);
        t[static_cast<std::size_t>('a' + c)] = static_cast<std::int8_t>(10 + c);
    }
    return t;
}();

// ParseNumber of one or two characters, without the call: "1G" -> 01,
// "zz" -> 00, "0x" and "&H" (a prefix and no digits) -> 00.
std::uint8_t HexPairValue(std::string_view pair) {
    const int hi = kHexDigit[static_cast<unsigned char>(pair[0])];
    if (hi < 0) return 0;
    if (pair.size() < 2) return static_cast<std::uint8_t>(hi);
    if (pair[0] == '0' && (pair[1] == 'X' || pair[1] == 'x')) return 0;
    const int lo = kHexDigit[static_cast<unsigned char>(pair[1])];
    return static_cast<std::uint8_t>(lo < 0 ? hi : hi * 16 + lo);
}

}  // namespace

// Byte by byte this is: LF ends a line unless it follows a CR, CR ends a
// line, any other byte belongs to the line. Line ends are found with memchr
// and the text between them is taken whole.
void LogReader::Feed(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) anyBytes_ = true;
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
            frame(static_cast<int>(18 + j)) = HexPairValue(hex.substr(3 * j, 2));
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
