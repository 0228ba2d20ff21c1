// Housekeeping fields -> engineering values, for both layouts. Every slot
// starts at 99: a channel the decoder must write can not pass unwritten.
// (Whole frames of either layout, hand-written in hex: worked_frames_test.)
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kiss_decoder.h"
#include "log_decoder.h"

using namespace tavro;

using Decoder = void (*)(const FrameBuffer&, TelemetryRecord&);

static TelemetryRecord Decode(Decoder decode, int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    f(kLogFrameTypePosition) = 1;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    TelemetryRecord r;
    r.Channels.fill(99);
    decode(f, r);
    return r;
}

// exact: the formula in its own order, bit for bit; nominal: the engineering value.
TEST(Decoders, FieldsToEngineeringValues) {
    const Decoder K = DecodeKissFrame, L = DecodeLogFrame;
    const struct { Decoder decode; int position; std::vector<std::uint8_t> bytes; int channel; double exact, nominal; } cases[] = {
        {K, 40, {0xFF, 0xFF}, 8, std::pow(65535.0, 2.0) * 0.000239, 1026465.857775},  // PPT mode
        {K, 44, {0x64, 0x00}, 10, 100 * 0.395, 39.5},                       // Batt voltage, V
        {K, 48, {0xF4, 0x01}, 12, (-0.2959) * 500 + 190.0, 42.05}, {K, 48, {0, 0}, 12, 190.0, 190.0},  // Batt temp, C
        {K, 50, {0x36, 0x01}, 13, 310 * 0.016129, 4.99999},                 // SP1 voltage
        {K, 58, {0x58, 0x02}, 17, (-0.2922) * 600 + 190.65, 15.33},         // X Ant status
        {K, 90, {0x00, 0xFF}, 33, -256, -256},                              // FullMIPS log, signed
        {K, 102, {0xC0, 0xFF}, 41, -1.0, -1.0}, {K, 102, {0x00, 0x80}, 41, -512.0, -512.0},  // MagY, nT
        {K, 110, {0xFF, 0x7F}, 45, 511.984375, 511.984375},                 // SMDH sample, m
        {K, 88, {0xFF, 0xFF}, 32, 65535, 65535},                            // HK log, unsigned
        {K, 22, {}, 46, 0, 0},                                              // channel 46: not in the frame
        {L, 38, {0xD0, 0x07}, 10, 2000 * 0.001, 2.0}, {L, 46, {0x03, 0x00}, 14, 1.5, 1.5},  // Batt voltage V, SP2 voltage
        {L, 40, {0x20, 0x4E}, 11, ((20000 * 2.5) / 204800) / (0.47 / 2), 1.0388962766},
        {L, 54, {0x00, 0x04}, 18, (3.3 / 1024) * 1024, 3.3},                         // X temp, C
        {L, 56, {0x00, 0x08}, 19, ((2048 * 2.5) / 4096 - 0.5) * 100, 75.0}, {L, 56, {0, 0}, 19, -50.0, -50.0},  // Temp 1, C
        {L, 75, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}, 23, -15.0, -15.0},                   // Mag Delta 3: -2.0 * 7.5
        {L, 59, {0, 0, 0, 0, 0, 0, 0xF8, 0x7F}, 21, NAN, NAN},                       // NaN stays NaN
        {L, 75, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0x7F}, 23, INFINITY, INFINITY},  // DBL_MAX * 7.5
        {L, 83, {0xE8, 0x03}, 24, 1000 * 0.395, 395.0}, {L, 87, {0xFF, 0x03}, 26, (1023 * 3.3) / 1023, 3.3},  // mA, V
        {L, 93, {0xFF, 0xFF}, 29, (65535.0 * 65535.0) * 0.000239, 1026465.857775},   // TX forw pow, mW
        {L, 95, {0xFF, 0xFF}, 30, (65535.0 * 330) / 1023 - 50, 21090.322580645},  // PA temp, C
        {L, 97, {0xE8, 0x03}, 31, ((1000 * 5) * 3.3) / 1023, 16.1290322581},         // Bus voltage, V
        {L, 24, {0, 0, 0, 0xFF}, 3, 4278190080.0, 4278190080.0}, {L, 109, {0, 0, 0, 0x80}, 37, 2147483648.0, 2147483648.0},
        {L, 99, {0xFF, 0xFF}, 32, -1, -1}, {L, 115, {0x00, 0x80}, 40, -32768, -32768},  // HK log, MagX sample: signed
        {L, 122, {0xFF, 0xFF}, 44, 65535, 65535},                                    // MIPS whole, unsigned
    };
    for (const auto& c : cases) {
        const double got = Decode(c.decode, c.position, c.bytes).Channels[c.channel];
        const char* layout = c.decode == K ? "KISS " : "log ";
        EXPECT_TRUE(got == c.exact || (std::isnan(got) && std::isnan(c.exact))) << layout << c.channel << ": " << got;
        if (std::isfinite(c.nominal)) { EXPECT_NEAR(got, c.nominal, 1e-9 * (1 + std::fabs(c.nominal))) << layout << c.channel; }
    }
}
