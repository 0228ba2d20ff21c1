#include "bit_text.h"

namespace tavro {

std::string ByteToBits(std::uint8_t b) {
    std::string text;
    for (int mask = 128; mask >= 1; mask /= 2) text += (b & mask) == mask ? '1' : '0';
    return text;
}

std::int32_t PowerOfTwo(std::int32_t n) {
    if (n < 0 || n > 31) throw InvalidArgument();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(1) << n);
}

std::int32_t BitsToNumber(std::string_view bits) {
    std::uint32_t result = 0;
    std::int32_t k = 0;
    for (auto it = bits.rbegin(); it != bits.rend(); ++it, ++k) {
        if (*it == '1') result |= static_cast<std::uint32_t>(PowerOfTwo(k));
        else if (*it != '0') throw InvalidArgument();
    }
    return static_cast<std::int32_t>(result);
}

std::string ByteToHex(std::uint8_t b) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

std::int32_t ReadS16Bits(const FrameBuffer& frame, int position) {
    const int v = frame(position) + 256 * frame(position + 1);
    return v >= 32768 ? v - 65536 : v;
}

std::string FrameHexText(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        text += ByteToHex(b);
        text += ' ';
    }
    return text;
}

}  // namespace tavro
