// Fields read where a layout table puts them, and hex text to number.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "field_readers.h"

using namespace tavro;

static FrameBuffer FrameWith(int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    return f;
}

// Little-endian, up to the buffer's last position.
TEST(FieldAt, FieldKinds) {
    const struct { std::vector<std::uint8_t> bytes; double u32, u16, s16; } cases[] = {
        {{0x34, 0x12, 0x00, 0x00}, 4660, 4660, 4660},           {{0x78, 0x56, 0x34, 0x12}, 305419896, 0x5678, 0x5678},
        {{0x00, 0x00, 0x00, 0x80}, 2147483648.0, 0, 0},          {{0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0, 65535, -1},
        {{0x00, 0x80, 0xFF, 0x7F}, 2147450880.0, 32768, -32768}, {{0x00, 0xFF, 0, 0}, 65280, 65280, -256},
    };
    for (const auto& c : cases) {
        const FrameBuffer f = FrameWith(509, c.bytes);
        EXPECT_EQ((FieldAt<FieldSpec{509, FieldKind::U32}>(f)), c.u32);
        EXPECT_EQ((FieldAt<FieldSpec{509, FieldKind::U16}>(f)), c.u16);
        EXPECT_EQ((FieldAt<FieldSpec{509, FieldKind::S16}>(f)), c.s16);
        EXPECT_EQ((FieldAt<FieldSpec{509, FieldKind::U8}>(f)), c.bytes[0]);
    }
    // Every bit pattern of a double unchanged: NaN payloads, -0.0, denormals.
    for (std::uint64_t bits : {0x3FF0000000000000ULL, 0xBFF0000000000000ULL, 0x7FF8000000000123ULL,
                               0x7FF0000000000001ULL, 0xFFF0000000000000ULL, 1ULL, 0x8000000000000000ULL}) {
        std::vector<std::uint8_t> bytes;
        for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
        EXPECT_EQ(std::bit_cast<std::uint64_t>((FieldAt<FieldSpec{505, FieldKind::F64}>(FrameWith(505, bytes)))), bits)
            << std::hex << bits;
    }
}

TEST(ParseNumber, HexTexts) {
    const struct { const char* text; std::int32_t value; } cases[] = {
        {"A2", 162}, {"a2", 162}, {"0xff", 255}, {"0XFF", 255}, {"&h10", 16}, {"&H10", 16}, {"0x", 0}, {"zz", 0},
        {"1G", 1}, {"", 0}, {"&", 0}, {" 1", 0}, {"7FFF", 32767}, {"FFFF", -1}, {"8000", -32768}, {"10000", 65536},
        {"80000000", -2147483647 - 1}, {"FFFFFFFF", -1}, {"100000000", 0}, {"00FF", 255}, {"fF", 255}, {"09", 9},
        {"9", 9}, {"g0", 0}, {"0g", 0}, {"/0", 0}, {":0", 0}, {"@A", 0}, {"`a", 0},  // neighbours of the digits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseNumber(c.text), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ParseHexPair(c.text), c.value) << '"' << c.text << '"';  // the fast path agrees
    }
}
