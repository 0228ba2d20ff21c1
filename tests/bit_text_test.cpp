// Bit-text helpers: the signed 16-bit field, bits <-> numbers, hex digits.
#include <gtest/gtest.h>

#include <string>

#include "bit_text.h"

using namespace tavro;

TEST(ReadS16Bits, AgreesWithTheBitTextRouteForAll65536Values) {
    FrameBuffer f;
    for (int v = 0; v <= 0xFFFF; ++v) {
        f(511) = static_cast<std::uint8_t>(v & 0xFF);
        f(512) = static_cast<std::uint8_t>(v >> 8);
        // The long way: complement the bits of v - 1 and negate their value.
        const int w = v - 1;
        std::string bits = ByteToBits(static_cast<std::uint8_t>(w >> 8)) + ByteToBits(static_cast<std::uint8_t>(w));
        for (char& c : bits) c = c == '0' ? '1' : '0';
        const std::int32_t route = v < 32768 ? v : -BitsToNumber(bits);
        ASSERT_EQ(ReadS16Bits(f, 511), route) << v;
        ASSERT_EQ(route, v < 32768 ? v : v - 65536) << v;
    }
}

TEST(BitText, NumbersAndDigits) {
    EXPECT_EQ(BitsToNumber("101"), 5);
    EXPECT_EQ(BitsToNumber(""), 0);
    EXPECT_EQ(BitsToNumber(std::string(40, '0') + "1"), 1);
    EXPECT_EQ(BitsToNumber("1" + std::string(31, '0')), -2147483647 - 1);
    EXPECT_EQ(BitsToNumber(std::string(32, '1')), -1);
    for (const std::string& s : {std::string("2"), std::string(" 1"), "1" + std::string(32, '0')})
        EXPECT_THROW(BitsToNumber(s), InvalidArgument) << s;
    const char* digits = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b)
        ASSERT_EQ(ByteToHex(static_cast<std::uint8_t>(b)), std::string({digits[b >> 4], digits[b & 15]}));
    const std::uint8_t bytes[] = {0x00, 0x03, 0xF0};
    EXPECT_EQ(FrameHexText(bytes), "00 03 F0 ");
}
