// Little-endian field readers and hex text parsing, byte vectors -> numbers.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "field_readers.h"

namespace tavro {
namespace {

FrameBuffer FrameWith(int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    return f;
}

struct BytesCase {
    const char* what;
    std::vector<std::uint8_t> bytes;
    int lowerBound, start, end;
    bool isUnsigned;
    double value;
    bool startEndError;
};

TEST(ReadBytesAsNumber, Table) {
    const BytesCase cases[] = {
        {"01 02 03 04 unsigned", {1, 2, 3, 4}, 1, 1, 4, true, 67305985, false},
        {"FF FF unsigned", {0xFF, 0xFF}, 1, 1, 2, true, 65535, false},
        {"FF FF signed", {0xFF, 0xFF}, 1, 1, 2, false, -1, false},
        {"00 80 signed", {0x00, 0x80}, 1, 1, 2, false, -32768, false},
        {"FF 7F signed", {0xFF, 0x7F}, 1, 1, 2, false, 32767, false},
        {"one byte FF signed is unsigned", {0xFF}, 1, 1, 1, false, 255, false},
        {"sign from the byte at end only", {0x80, 0x01}, 1, 1, 2, false, 384, false},
        {"end 0 means the last index", {1, 2, 3, 4}, 1, 1, 0, true, 67305985, false},
        {"end -5 means the last index", {1, 2, 3, 4}, 1, 2, -5, true, 2 + 3 * 256 + 4 * 65536, false},
        {"array from index 0", {1, 2}, 0, 0, 1, true, 513, false},
        {"start 3 > end 2", {1, 2, 3, 4}, 1, 3, 2, true, -1, true},
        {"start -1", {1, 2, 3, 4}, 1, -1, 2, true, -1, true},
        {"start 0 below an array from 1", {1, 2, 3, 4}, 1, 0, 2, true, 0, false},
        {"end past the array", {1, 2, 3, 4}, 1, 1, 5, true, 0, false},
    };
    for (const auto& c : cases) {
        const BytesReading r = ReadBytesAsNumber(c.bytes, c.lowerBound, c.start, c.end, c.isUnsigned);
        EXPECT_EQ(r.value, c.value) << c.what;
        EXPECT_EQ(r.startEndError, c.startEndError) << c.what;
    }
}

// The byte counter is 16 bits wide: an end of 32767 or more gives 0 even
// when the array is long enough.
TEST(ReadBytesAsNumber, EndAt32767GivesZero) {
    std::vector<std::uint8_t> bytes(40000, 0);
    bytes[32760 - 1] = 5;  // index 32760 of an array from 1
    EXPECT_EQ(ReadBytesAsNumber(bytes, 1, 32760, 32766, true).value, 5);
    EXPECT_EQ(ReadBytesAsNumber(bytes, 1, 32760, 32767, true).value, 0);
    EXPECT_EQ(ReadBytesAsNumber(bytes, 1, 32760, 39000, true).value, 0);
    EXPECT_FALSE(ReadBytesAsNumber(bytes, 1, 32760, 32767, true).startEndError);
}

TEST(ReadU32, UnsignedOverTheWholeRange) {
    const struct {
        std::vector<std::uint8_t> bytes;
        std::uint32_t value;
    } cases[] = {
        {{0x00, 0x00, 0x00, 0x00}, 0},
        {{0x78, 0x56, 0x34, 0x12}, 305419896},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 2147483647},
        {{0x00, 0x00, 0x00, 0x80}, 2147483648u},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 4294967295u},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadU32(FrameWith(24, c.bytes), 24), c.value);
}

TEST(FieldReaders, PositionsOutsideTheBufferThrow) {
    const FrameBuffer f = FrameWith(511, {0x34, 0x12});
    EXPECT_EQ(ReadU16(f, 511), 0x1234);  // positions 511 and 512
    EXPECT_EQ(ReadS16(f, 511), 0x1234);
    EXPECT_THROW(ReadU16(f, 512), std::out_of_range);
    EXPECT_THROW(ReadS16(f, 512), std::out_of_range);
    EXPECT_THROW(ReadU16(f, 0), std::out_of_range);
    EXPECT_THROW(ReadU32(f, 510), std::out_of_range);
    EXPECT_NO_THROW(ReadU32(f, 509));
    EXPECT_THROW(ReadF64(f, 506), std::out_of_range);
    EXPECT_NO_THROW(ReadF64(f, 505));
}

TEST(ReadU16AndS16, Table) {
    const struct {
        std::uint8_t lo, hi;
        std::int32_t u16;
        std::int16_t s16;
    } cases[] = {
        {0x00, 0x00, 0, 0},          {0x34, 0x12, 4660, 4660}, {0xFF, 0x7F, 32767, 32767},
        {0x00, 0x80, 32768, -32768}, {0xFF, 0xFF, 65535, -1},  {0x00, 0xFF, 65280, -256},
    };
    for (const auto& c : cases) {
        const FrameBuffer f = FrameWith(99, {c.lo, c.hi});
        EXPECT_EQ(ReadU16(f, 99), c.u16);
        EXPECT_EQ(ReadS16(f, 99), c.s16);
    }
}

TEST(ReadF64, EveryBitPatternUnchanged) {
    const std::uint64_t patterns[] = {
        0x3FF0000000000000,  // 1.0
        0xBFF0000000000000,  // -1.0
        0x7FF8000000000123,  // quiet NaN with a payload
        0xFFF0000000000001,  // signalling NaN, sign set
        0x7FF0000000000000,  // +Inf
        0x0000000000000001,  // smallest denormal
        0x8000000000000000,  // -0.0
    };
    for (std::uint64_t bits : patterns) {
        std::vector<std::uint8_t> bytes;
        for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(ReadF64(FrameWith(59, bytes), 59)), bits) << std::hex << bits;
    }
    EXPECT_EQ(ReadF64(FrameWith(59, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}), 59), 1.0);
    EXPECT_EQ(ReadF64(FrameWith(59, {0, 0, 0, 0, 0, 0, 0xF0, 0xBF}), 59), -1.0);
}

TEST(ParseNumber, HexTexts) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"A2", 162},   {"a2", 162},         {"0xff", 255},     {"0XFF", 255},     {"&h10", 16},  {"&H10", 16},
        {"01", 1},     {"0x", 0},           {"zz", 0},         {"7FFF", 32767},   {"FFFF", -1},  {"8000", -32768},
        {"10000", 65536}, {"7FFFFFFF", 2147483647}, {"80000000", -2147483647 - 1}, {"FFFFFFFF", -1},
        {"1G", 1},     {"", 0},             {"&", 0},          {"0", 0},          {" 1", 0},     {"00FF", 255},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseNumber(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace tavro
