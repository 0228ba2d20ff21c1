#include "frame_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>


namespace tavro::passgen {

void PutField(std::vector<std::uint8_t>& frame, int position, FieldKind kind, double raw) {
    const int width = FieldWidth(kind);
    if (frame.size() < static_cast<std::size_t>(position + width - 1)) frame.resize(static_cast<std::size_t>(position + width - 1));
    std::uint64_t bits;
    if (kind == FieldKind::F64) {
        std::memcpy(&bits, &raw, sizeof bits);
    } else {
        bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(raw)));
    }
    for (int k = 0; k < width; ++k) frame[static_cast<std::size_t>(position - 1 + k)] = static_cast<std::uint8_t>(bits >> (8 * k));
}

std::vector<std::uint8_t> KissHousekeepingFrame(const KissRaw& raw, std::uint8_t callsignByte) {
    std::vector<std::uint8_t> frame(kKissFrameEnd, 0);
    std::copy(kKissHeader62.begin(), kKissHeader62.end(), frame.begin());
    frame[6] = callsignByte;
    frame[13] = callsignByte;
    frame[kKissFrameTypePosition - 1] = 1;
    for (int i = 0; i < kKissChannelCount; ++i)
        PutField(frame, kKissLayout[static_cast<std::size_t>(i)].position, kKissLayout[static_cast<std::size_t>(i)].kind,
                 raw[static_cast<std::size_t>(i)]);
    return frame;
}

std::vector<std::uint8_t> KissTimeStampFrame(std::string_view text) {
    std::vector<std::uint8_t> frame(text.size() + 1, 9);
    std::memcpy(frame.data() + 1, text.data(), text.size());
    return frame;
}

std::vector<std::uint8_t> KissBinaryTimeStampFrame(std::int64_t ms) {
    std::vector<std::uint8_t> frame{9};
    for (int k = 7; k >= 0; --k) frame.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(ms) >> (8 * k)));
    return frame;
}

std::vector<std::uint8_t> KissEscape(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> out;
    out.reserve(frame.size() + 8);
    for (std::uint8_t b : frame) {
        if (b == 0xC0) out.insert(out.end(), {0xDB, 0xDC});
        else if (b == 0xDB) out.insert(out.end(), {0xDB, 0xDD});
        else out.push_back(b);
    }
    return out;
}

std::vector<std::uint8_t> KissWrap(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> out{0xC0};
    const auto escaped = KissEscape(frame);
    out.insert(out.end(), escaped.begin(), escaped.end());
    out.push_back(0xC0);
    return out;
}

std::vector<std::uint8_t> LogHousekeepingBytes(const LogRaw& raw) {
    // Work in frame positions (1-based) and return positions 18..126.
    std::vector<std::uint8_t> frame(kLogFrameEnd, 0);
    frame[kLogFrameTypePosition - 1] = 1;
    for (int i = 0; i < kChannelCount; ++i)
        PutField(frame, kLogLayout[static_cast<std::size_t>(i)].position, kLogLayout[static_cast<std::size_t>(i)].kind,
                 raw[static_cast<std::size_t>(i)]);
    return {frame.begin() + (kLogFrameTypePosition - 1), frame.end()};
}

std::string HexText(std::span<const std::uint8_t> bytes, std::string_view separator) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) text.append(separator) += {kHex[b >> 4], kHex[b & 15]};
    return text;
}

std::string LogLine(std::string_view time8, std::span<const std::uint8_t> bytes) {
    return std::string(time8) + HexText(bytes, " ");
}

std::string LogHousekeepingLine(std::string_view time8, const LogRaw& raw) {
    return LogLine(time8, LogHousekeepingBytes(raw));
}

}  // namespace tavro::passgen
