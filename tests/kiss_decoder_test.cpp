// KISS housekeeping frames -> channels 0..45 in engineering units.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kiss_decoder.h"

using namespace tavro;

// Every slot starts at 99: each of channels 0..45 must be written, 46 never.
static TelemetryRecord Decode(int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    TelemetryRecord r;
    r.Channels.fill(99);
    DecodeKissFrame(f, r);
    return r;
}

TEST(DecodeKissFrame, FieldsToEngineeringValues) {
    // exact: the formula in its own order, bit for bit; nominal: the engineering value
    const struct { int position; std::vector<std::uint8_t> bytes; int channel; double exact, nominal; } cases[] = {
        {40, {0xFF, 0xFF}, 8, std::pow(65535.0, 2.0) * 0.000239, 1026465.857775},  // PPT mode
        {44, {0x64, 0x00}, 10, 100 * 0.395, 39.5},                       // Batt voltage, V
        {48, {0xF4, 0x01}, 12, (-0.2959) * 500 + 190.0, 42.05}, {48, {0, 0}, 12, 190.0, 190.0},  // Batt temp, C
        {50, {0x36, 0x01}, 13, 310 * 0.016129, 4.99999},                 // SP1 voltage
        {58, {0x58, 0x02}, 17, (-0.2922) * 600 + 190.65, 15.33},         // X Ant status
        {90, {0x00, 0xFF}, 33, -256, -256},                              // FullMIPS log, signed
        {102, {0xC0, 0xFF}, 41, -1.0, -1.0}, {102, {0x00, 0x80}, 41, -512.0, -512.0},  // MagY, nT
        {110, {0xFF, 0x7F}, 45, 511.984375, 511.984375},                 // SMDH sample, m
        {88, {0xFF, 0xFF}, 32, 65535, 65535},                            // HK log, unsigned
    };
    for (const auto& c : cases) {
        const TelemetryRecord r = Decode(c.position, c.bytes);
        EXPECT_EQ(r.Channels[c.channel], c.exact) << "channel " << c.channel;
        EXPECT_NEAR(r.Channels[c.channel], c.nominal, 1e-9 * (1 + std::fabs(c.nominal))) << "channel " << c.channel;
    }
}

// Bytes at a channel's positions reach that channel and no other.
TEST(DecodeKissFrame, EveryChannelReadsItsOwnPositions) {
    const int position[kKissChannelCount] = {22, 23, 25, 27, 28, 29, 36,  38,  40,  42,  44,  46,  48,  50, 52, 54,
                                             56, 58, 60, 62, 64, 66, 68,  70,  72,  74,  76,  78,  80,  82, 84, 86,
                                             88, 90, 92, 94, 96, 98, 99,  100, 101, 102, 104, 106, 108, 110};
    const TelemetryRecord zero = Decode(1, {});
    for (int i = 0; i < kKissChannelCount; ++i) {
        const bool wide = i != 0 && i != 3 && i != 4 && (i < 37 || i > 40);
        const TelemetryRecord r = Decode(position[i], {3, std::uint8_t(wide)});  // 03 01 or 03 00
        for (int j = 0; j < kChannelCount; ++j)
            EXPECT_EQ(r.Channels[j], j == i ? KissChannelValue(i, wide ? 259 : 3) : zero.Channels[j]) << i << "/" << j;
    }
    EXPECT_EQ(zero.Channels[46], 99);
    EXPECT_EQ(Decode(31, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).Channels, zero.Channels);  // 31..35 are not read
}
