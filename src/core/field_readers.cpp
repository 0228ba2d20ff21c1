#include "field_readers.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace tavro {

namespace {
void CheckField(int position, int width) {
    if (position < 1 || position + width - 1 > FrameBuffer::kSize)
        throw std::out_of_range("frame position outside 1..512");
}
}  // namespace

std::uint32_t ReadU32(const FrameBuffer& f, int p) {
    CheckField(p, 4);
    return static_cast<std::uint32_t>(f(p)) | static_cast<std::uint32_t>(f(p + 1)) << 8 |
           static_cast<std::uint32_t>(f(p + 2)) << 16 | static_cast<std::uint32_t>(f(p + 3)) << 24;
}

std::int32_t ReadU16(const FrameBuffer& f, int p) {
    CheckField(p, 2);
    return f(p) + 256 * f(p + 1);
}

std::int16_t ReadS16(const FrameBuffer& f, int p) {
    CheckField(p, 2);
    const int v = f(p) + 256 * f(p + 1);
    return static_cast<std::int16_t>(v >= 32768 ? v - 65536 : v);
}

double ReadF64(const FrameBuffer& f, int p) {
    CheckField(p, 8);
    std::uint64_t bits = 0;
    for (int k = 7; k >= 0; --k) bits = bits << 8 | f(p + k);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

namespace {
// The value of each hex digit character, 16 for every other character.
constexpr auto kHexDigits = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(16);
    for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = t[static_cast<std::size_t>(c - 'A' + 'a')] =
                                         static_cast<std::uint8_t>(c - 'A' + 10);
    return t;
}();

unsigned HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }
}  // namespace

std::int32_t ParseNumber(std::string_view text) {
    if (text.size() == 2) {  // a byte of a log line: "A2" -> 162, two table look-ups
        const unsigned high = HexDigit(text[0]), low = HexDigit(text[1]);
        if ((high | low) < 16) return static_cast<std::int32_t>(high * 16 + low);
    }
    auto prefixed = [&](char a, char b) {
        return text.size() >= 2 && (text[0] == a) && (text[1] == b || text[1] == b - 'A' + 'a');
    };
    if (prefixed('0', 'X') || prefixed('&', 'H')) text.remove_prefix(2);
    std::uint64_t value = 0;
    for (char c : text) {
        const unsigned digit = HexDigit(c);
        if (digit >= 16) break;
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFull) return 0;  // no caller passes such a text
    }
    if (value <= 0xFFFF) return static_cast<std::int32_t>(value >= 0x8000 ? static_cast<std::int64_t>(value) - 0x10000 : value);
    return static_cast<std::int32_t>(value >= 0x80000000ull ? static_cast<std::int64_t>(value) - 0x100000000ll
                                                            : static_cast<std::int64_t>(value));
}

}  // namespace tavro
