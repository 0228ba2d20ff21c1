// Log housekeeping frames (positions 18..126) -> all 47 channels in engineering units.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "log_decoder.h"

using namespace tavro;

// Every slot starts at 99: each channel must be written.
static TelemetryRecord Decode(int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    f(kLogFrameTypePosition) = 1;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    TelemetryRecord r;
    r.Channels.fill(99);
    DecodeLogFrame(f, r);
    return r;
}

TEST(DecodeLogFrame, FieldsToEngineeringValues) {
    // exact: the formula in its own order, bit for bit; nominal: the engineering value
    const struct { int position; std::vector<std::uint8_t> bytes; int channel; double exact, nominal; } cases[] = {
        {38, {0xD0, 0x07}, 10, 2000 * 0.001, 2.0}, {46, {0x03, 0x00}, 14, 1.5, 1.5},  // Batt voltage V, SP2 voltage
        {40, {0x20, 0x4E}, 11, ((20000 * 2.5) / 204800) / (0.47 / 2), 1.0388962766},
        {54, {0x00, 0x04}, 18, (3.3 / 1024) * 1024, 3.3},                         // X temp, C
        {56, {0x00, 0x08}, 19, ((2048 * 2.5) / 4096 - 0.5) * 100, 75.0}, {56, {0, 0}, 19, -50.0, -50.0},  // Temp 1, C
        {75, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}, 23, -15.0, -15.0},                   // Mag Delta 3: -2.0 * 7.5
        {59, {0, 0, 0, 0, 0, 0, 0xF8, 0x7F}, 21, NAN, NAN},                       // NaN stays NaN
        {75, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0x7F}, 23, INFINITY, INFINITY},  // DBL_MAX * 7.5
        {83, {0xE8, 0x03}, 24, 1000 * 0.395, 395.0}, {87, {0xFF, 0x03}, 26, (1023 * 3.3) / 1023, 3.3},  // mA, V
        {93, {0xFF, 0xFF}, 29, (65535.0 * 65535.0) * 0.000239, 1026465.857775},   // TX forw pow, mW
        {95, {0xFF, 0xFF}, 30, (65535.0 * 330) / 1023 - 50, 21090.322580645},  // PA temp, C
        {97, {0xE8, 0x03}, 31, ((1000 * 5) * 3.3) / 1023, 16.1290322581},         // Bus voltage, V
        {24, {0, 0, 0, 0xFF}, 3, 4278190080.0, 4278190080.0}, {109, {0, 0, 0, 0x80}, 37, 2147483648.0, 2147483648.0},
        {99, {0xFF, 0xFF}, 32, -1, -1}, {115, {0x00, 0x80}, 40, -32768, -32768},  // HK log, MagX sample: signed
        {122, {0xFF, 0xFF}, 44, 65535, 65535},                                    // MIPS whole, unsigned
    };
    for (const auto& c : cases) {
        const double got = Decode(c.position, c.bytes).Channels[c.channel];
        EXPECT_TRUE(got == c.exact || (std::isnan(got) && std::isnan(c.exact))) << c.channel << ": " << got;
        if (std::isfinite(c.nominal)) { EXPECT_NEAR(got, c.nominal, 1e-9 * (1 + std::fabs(c.nominal))) << c.channel; }
    }
}

// Bytes at a channel's positions reach that channel and no other.
TEST(DecodeLogFrame, EveryChannelReadsItsOwnPositions) {
    // The fields follow without gaps; the last one, at 125, is two bytes wide.
    const int at[kChannelCount + 1] = {19, 20, 22, 24, 28, 29, 30, 32, 36, 37, 38, 40, 42, 44, 46, 48, 50,
                                       52, 54, 56, 58, 59, 67, 75, 83, 85, 87, 89, 91, 93, 95, 97, 99, 101,
                                       103, 105, 107, 109, 113, 114, 115, 117, 119, 121, 122, 124, 125, 127};
    const TelemetryRecord zero = Decode(19, {});
    for (int i = 0; i < kChannelCount; ++i) {
        // x = 3, 259, 16777219, or the double 1.0 (3F F0 in the top bytes)
        const int width = at[i + 1] - at[i];
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width), 0);
        const double x = width == 8 ? 1.0 : width == 1 ? 3 : width == 2 ? 259 : 16777219;
        if (width == 8) bytes[6] = 0xF0, bytes[7] = 0x3F;
        else bytes.front() = 3, bytes.back() |= 1;
        const TelemetryRecord r = Decode(at[i], bytes);
        for (int j = 0; j < kChannelCount; ++j)
            EXPECT_EQ(r.Channels[j], j == i ? LogChannelValue(i, x) : zero.Channels[j]) << i << "/" << j;
    }
}
