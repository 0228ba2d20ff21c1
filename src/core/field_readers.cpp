#include "field_readers.h"

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

std::int32_t ParseNumber(std::string_view text) {
    auto prefixed = [&](char a, char b) {
        return text.size() >= 2 && (text[0] == a) && (text[1] == b || text[1] == b - 'A' + 'a');
    };
    if (prefixed('0', 'X') || prefixed('&', 'H')) text.remove_prefix(2);
    std::uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else break;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) return 0;  // no caller passes such a text
    }
    if (value <= 0xFFFF) return static_cast<std::int32_t>(value >= 0x8000 ? static_cast<std::int64_t>(value) - 0x10000 : value);
    return static_cast<std::int32_t>(value >= 0x80000000ull ? static_cast<std::int64_t>(value) - 0x100000000ll
                                                            : static_cast<std::int64_t>(value));
}

}  // namespace tavro
