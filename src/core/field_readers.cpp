#include "field_readers.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace tavro {

// The value of each hex digit character, 16 for every other character.
constinit const std::array<std::uint8_t, 256> kHexDigitValues = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(16);
    for (int c = '0'; c <= '9'; ++c) t[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) t[static_cast<std::size_t>(c)] = t[static_cast<std::size_t>(c - 'A' + 'a')] =
                                         static_cast<std::uint8_t>(c - 'A' + 10);
    return t;
}();

namespace {
unsigned HexDigit(char c) { return kHexDigitValues[static_cast<unsigned char>(c)]; }
}  // namespace

std::int32_t ParseNumber(std::string_view text) {
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
