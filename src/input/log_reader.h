// Log reader: one received frame per text line.
//
//   12:34:56 01 00 34 12 ...
//   ^^^^^^^^                 characters 1-8: reception time, taken as they are
//           ^                character 9: not examined
//            ^^ ^^ ^^        from character 10: byte k = the two characters at
//                            10 + 3k, 11 + 3k (hex, any case); byte k goes to
//                            frame position 18 + k, byte 0 is the frame type
//
// Lines end at LF, CR LF, or a lone CR; the text after the last line end is
// a line too (possibly empty). Every line sets the time text to its
// characters 1-8 followed by ".000 UTC"; a line with frame type 1 becomes a
// record (layout in log_decoder.h). Pairs that are not hex read as far as
// they are hex ("1G" -> 01, "zz" -> 00).
//
// Feed() takes the file in slices of any size; a line of any length needs
// only its first kKeptChars characters in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "framing_counts.h"
#include "record_table.h"

namespace tavro {

class LogReader {
public:
    // Characters 1-9 and enough hex for frame positions 18..512.
    static constexpr std::size_t kKeptChars = 9 + 3 * (FrameBuffer::kSize - 18) + 2;

    LogReader(CaptureState& state, RecordTable& table, FramingReport& report)
        : state_(state), table_(table), report_(report) {
        line_.reserve(kKeptChars);
    }

    void Feed(std::span<const std::uint8_t> bytes);
    // End of file: the text after the last line end is the last line.
    void Finish();

private:
    void EndLine();
    void Store();
    void Tell(const TelemetryRecord& record);
    [[gnu::noinline]] void TellUnstored();

    CaptureState& state_;
    RecordTable& table_;
    FramingReport& report_;
    std::string line_;         // the line's first kKeptChars characters
    std::size_t lineLength_ = 0;
    bool afterCR_ = false;     // an LF right after a CR ends nothing
    bool anyBytes_ = false;    // an empty file has no lines at all
};

}  // namespace tavro
