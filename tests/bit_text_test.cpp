// Bit-text helpers of the KISS decoder: the signed 16-bit field, bits <-> numbers, hex digits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "bit_text.h"

namespace tavro {
namespace {

// The long way round for a negative field: complement the bits of v - 1 and
// negate their value.
std::int32_t S16ThroughBitText(int v) {
    if (v < 32768) return v;
    const int w = v - 1;
    std::string bits = ByteToBits(static_cast<std::uint8_t>(w >> 8)) + ByteToBits(static_cast<std::uint8_t>(w & 0xFF));
    for (char& c : bits) c = c == '0' ? '1' : '0';
    return -BitsToNumber(bits);
}

TEST(ReadS16Bits, AgreesWithTheBitTextRouteForAll65536Values) {
    FrameBuffer f;
    for (int v = 0; v <= 0xFFFF; ++v) {
        f(90) = static_cast<std::uint8_t>(v & 0xFF);
        f(91) = static_cast<std::uint8_t>(v >> 8);
        ASSERT_EQ(ReadS16Bits(f, 90), S16ThroughBitText(v)) << "v = " << v;
        ASSERT_EQ(ReadS16Bits(f, 90), v - (v >= 32768 ? 65536 : 0)) << "v = " << v;
    }
}

TEST(ReadS16Bits, Examples) {
    const struct {
        std::uint8_t lo, hi;
        std::int32_t value;
    } cases[] = {{0x34, 0x12, 4660}, {0xFF, 0xFF, -1},  {0x00, 0x80, -32768},
                 {0x01, 0x80, -32767}, {0x00, 0xFF, -256}, {0xFF, 0x7F, 32767}};
    FrameBuffer f;
    for (const auto& c : cases) {
        f(511) = c.lo;
        f(512) = c.hi;
        EXPECT_EQ(ReadS16Bits(f, 511), c.value);
    }
}

TEST(ByteToBits, MostSignificantFirst) {
    const struct {
        std::uint8_t b;
        const char* bits;
    } cases[] = {{0xA5, "10100101"}, {0x00, "00000000"}, {0xFF, "11111111"}, {0x01, "00000001"}, {0x80, "10000000"}};
    for (const auto& c : cases) EXPECT_EQ(ByteToBits(c.b), c.bits);
}

TEST(BitsToNumber, Table) {
    const std::string one31 = "1" + std::string(31, '0');
    const struct {
        std::string bits;
        std::int32_t value;
    } cases[] = {
        {"101", 5},
        {"", 0},
        {"0", 0},
        {"00000101", 5},
        {std::string(40, '0') + "1", 1},  // leading zeros past bit 31 never consult the table
        {one31, -2147483647 - 1},         // bit 31 set
        {std::string(32, '1'), -1},
        {std::string(31, '1'), 2147483647},
    };
    for (const auto& c : cases) EXPECT_EQ(BitsToNumber(c.bits), c.value) << '"' << c.bits << '"';

    const std::string bad[] = {"2", "1012", "21", " 1", "1" + std::string(32, '0'), std::string(33, '1')};
    for (const auto& s : bad) EXPECT_THROW(BitsToNumber(s), InvalidArgument) << '"' << s << '"';
}

TEST(PowerOfTwo, Table) {
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(1), 2);
    EXPECT_EQ(PowerOfTwo(16), 65536);
    EXPECT_EQ(PowerOfTwo(30), 1073741824);
    EXPECT_EQ(PowerOfTwo(31), -2147483647 - 1);
    for (int n : {32, -1, 100, -2147483647 - 1}) EXPECT_THROW(PowerOfTwo(n), InvalidArgument) << n;
}

TEST(ByteToHex, TwoUpperCaseDigitsForEveryByte) {
    EXPECT_EQ(ByteToHex(9), "09");
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(192), "C0");
    for (int b = 0; b < 256; ++b) {
        char expected[3];
        std::snprintf(expected, sizeof expected, "%02X", b);
        ASSERT_EQ(ByteToHex(static_cast<std::uint8_t>(b)), expected);
    }
}

TEST(FrameHexText, EachByteAndABlank) {
    const std::uint8_t bytes[] = {0x00, 0x03, 0xF0};
    EXPECT_EQ(FrameHexText(bytes), "00 03 F0 ");
    const std::uint8_t seventeen[17] = {};
    EXPECT_EQ(FrameHexText(seventeen).size(), 51u);
    EXPECT_EQ(FrameHexText({}), "");
}

}  // namespace
}  // namespace tavro
