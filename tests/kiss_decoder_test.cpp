// KISS housekeeping frames -> channels 0..45 in engineering units.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "kiss_decoder.h"

namespace tavro {
namespace {

TelemetryRecord Decode(const FrameBuffer& f) {
    TelemetryRecord r;
    DecodeKissFrame(f, r);
    return r;
}

TEST(DecodeKissFrame, AllZeroFieldsGiveZeroExceptTheOffsets) {
    const TelemetryRecord r = Decode(FrameBuffer{});
    for (int i = 0; i < kKissChannelCount; ++i) {
        double expected = 0;
        if (i == 12) expected = 190.0;               // Batt temp, C
        if (i == 15 || i == 17) expected = 190.65;   // SP3 voltage, X Ant status
        EXPECT_EQ(r.Channels[i], expected) << "channel " << i;
    }
}

struct FieldCase {
    const char* what;
    int position;
    std::vector<std::uint8_t> bytes;
    int channel;
    double exact;    // the formula in its own order, bit for bit
    double nominal;  // the engineering value
};

TEST(DecodeKissFrame, FieldsToEngineeringValues) {
    const FieldCase cases[] = {
        {"PPT mode 1000", 40, {0xE8, 0x03}, 8, std::pow(1000.0, 2.0) * 0.000239, 239.0},
        {"PPT mode 65535", 40, {0xFF, 0xFF}, 8, std::pow(65535.0, 2.0) * 0.000239, 1026465.857775},
        {"Ch status 1000", 42, {0xE8, 0x03}, 9, std::pow(1000.0, 2.0) * 0.000239, 239.0},
        {"Batt voltage 100 -> 39.5 V", 44, {0x64, 0x00}, 10, 100 * 0.395, 39.5},
        {"tot sys curr 100 -> 39.5 A", 46, {0x64, 0x00}, 11, 100 * 0.395, 39.5},
        {"Batt temp 500 -> 42.05 C", 48, {0xF4, 0x01}, 12, (-0.2959) * 500 + 190.0, 42.05},
        {"SP1 voltage 310 -> 4.99999 mV", 50, {0x36, 0x01}, 13, 310 * 0.016129, 4.99999},
        {"SP3 voltage 600 -> 15.33 mV", 54, {0x58, 0x02}, 15, (-0.2922) * 600 + 190.65, 15.33},
        {"X Ant status 600", 58, {0x58, 0x02}, 17, (-0.2922) * 600 + 190.65, 15.33},
        {"FullMIPS log 10 00 -> 16", 90, {0x10, 0x00}, 33, 16, 16},
        {"FullMIPS log 00 FF -> -256", 90, {0x00, 0xFF}, 33, -256, -256},
        {"DiffSMDH log FF FF -> -1", 96, {0xFF, 0xFF}, 36, -1, -1},
        {"MagY C0 FF -> -1.0 nT", 102, {0xC0, 0xFF}, 41, -1.0, -1.0},
        {"MagY 80 02 -> 10.0 nT", 102, {0x80, 0x02}, 41, 10.0, 10.0},
        {"MagY 00 80 -> -512.0 nT", 102, {0x00, 0x80}, 41, -512.0, -512.0},
        {"SMDH sample FF 7F -> 511.984375 m", 110, {0xFF, 0x7F}, 45, 511.984375, 511.984375},
        {"Boot cnt 34 12 -> 4660", 23, {0x34, 0x12}, 1, 4660, 4660},
        {"Uptime is one byte: FF", 27, {0xFF}, 3, 255, 255},
        {"HK log is unsigned: FF FF", 88, {0xFF, 0xFF}, 32, 65535, 65535},
    };
    for (const auto& c : cases) {
        FrameBuffer f;
        for (std::size_t k = 0; k < c.bytes.size(); ++k) f(c.position + static_cast<int>(k)) = c.bytes[k];
        const TelemetryRecord r = Decode(f);
        EXPECT_EQ(r.Channels[c.channel], c.exact) << c.what;
        EXPECT_NEAR(r.Channels[c.channel], c.nominal, 1e-9 * (1 + std::fabs(c.nominal))) << c.what;
    }
}

// Where each channel sits in the frame and how wide it is; a byte written at
// those positions must reach that channel and no other.
TEST(DecodeKissFrame, EveryChannelReadsItsOwnPositions) {
    const struct {
        int position, width;
    } layout[kKissChannelCount] = {
        {22, 1}, {23, 2}, {25, 2}, {27, 1}, {28, 1},  {29, 2},  {36, 2},  {38, 2},  {40, 2},  {42, 2},
        {44, 2}, {46, 2}, {48, 2}, {50, 2}, {52, 2},  {54, 2},  {56, 2},  {58, 2},  {60, 2},  {62, 2},
        {64, 2}, {66, 2}, {68, 2}, {70, 2}, {72, 2},  {74, 2},  {76, 2},  {78, 2},  {80, 2},  {82, 2},
        {84, 2}, {86, 2}, {88, 2}, {90, 2}, {92, 2},  {94, 2},  {96, 2},  {98, 1},  {99, 1},  {100, 1},
        {101, 1}, {102, 2}, {104, 2}, {106, 2}, {108, 2}, {110, 2},
    };
    const TelemetryRecord zero = Decode(FrameBuffer{});
    for (int i = 0; i < kKissChannelCount; ++i) {
        FrameBuffer f;
        f(layout[i].position) = 0x03;
        if (layout[i].width == 2) f(layout[i].position + 1) = 0x01;
        const double x = layout[i].width == 2 ? 259 : 3;
        const TelemetryRecord r = Decode(f);
        for (int j = 0; j < kKissChannelCount; ++j) {
            const double expected = j == i ? KissChannelValue(i, x) : zero.Channels[j];
            EXPECT_EQ(r.Channels[j], expected) << "field of channel " << i << ", channel " << j;
        }
    }
    // Positions 31..35 lie inside the layout but belong to no channel.
    FrameBuffer gap;
    for (int p = 31; p <= 35; ++p) gap(p) = 0xFF;
    EXPECT_EQ(Decode(gap).Channels, zero.Channels);
}

TEST(DecodeKissFrame, ChannelFortySixIsNotTouched) {
    TelemetryRecord r;
    r.Channels[46] = 7;
    FrameBuffer f;
    for (int p = 1; p <= FrameBuffer::kSize; ++p) f(p) = 0xFF;
    DecodeKissFrame(f, r);
    EXPECT_EQ(r.Channels[46], 7);
}

}  // namespace
}  // namespace tavro
