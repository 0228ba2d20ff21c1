// Log housekeeping frames (positions 18..126) -> all 47 channels in engineering units.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "log_decoder.h"

namespace tavro {
namespace {

FrameBuffer LogFrame(int position, const std::vector<std::uint8_t>& bytes) {
    FrameBuffer f;
    f(kLogFrameTypePosition) = 1;
    for (std::size_t k = 0; k < bytes.size(); ++k) f(position + static_cast<int>(k)) = bytes[k];
    return f;
}

std::vector<std::uint8_t> DoubleBytes(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    std::vector<std::uint8_t> bytes;
    for (int k = 0; k < 8; ++k) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * k)));
    return bytes;
}

TelemetryRecord Decode(const FrameBuffer& f) {
    TelemetryRecord r;
    DecodeLogFrame(f, r);
    return r;
}

TEST(DecodeLogFrame, AllZeroFrame) {
    const TelemetryRecord r = Decode(LogFrame(19, {}));
    for (int i = 0; i < kChannelCount; ++i) {
        const double expected = (i == 19 || i == 30) ? -50.0 : 0.0;  // Temp 1 and PA temp, C
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

TEST(DecodeLogFrame, FieldsToEngineeringValues) {
    const FieldCase cases[] = {
        {"Boot cnt 34 12", 20, {0x34, 0x12}, 1, 4660, 4660},
        {"Uptime 78 56 34 12 s", 24, {0x78, 0x56, 0x34, 0x12}, 3, 305419896, 305419896},
        {"Uptime top byte 80 s", 24, {0x00, 0x00, 0x00, 0x80}, 3, 2147483648.0, 2147483648.0},
        {"Sat Time 00 00 01 00 s", 32, {0x00, 0x00, 0x01, 0x00}, 7, 65536, 65536},
        {"Sat Time FF FF FF FF s", 32, {0xFF, 0xFF, 0xFF, 0xFF}, 7, 4294967295.0, 4294967295.0},
        {"Magn log top byte 80", 109, {0x00, 0x00, 0x00, 0x80}, 37, 2147483648.0, 2147483648.0},
        {"Batt voltage 2000 -> 2.0 V", 38, {0xD0, 0x07}, 10, 2000 * 0.001, 2.0},
        {"tot sys curr 20000 -> 1.0389 A", 40, {0x20, 0x4E}, 11, ((20000 * 2.5) / 204800) / (0.47 / 2), 1.0388962766},
        {"SP2 voltage 3 -> 1.5 mV", 46, {0x03, 0x00}, 14, 1.5, 1.5},
        {"X temp 1024 -> 3.3 C", 54, {0x00, 0x04}, 18, (3.3 / 1024) * 1024, 3.3},
        {"Temp 1 2048 -> 75.0 C", 56, {0x00, 0x08}, 19, ((2048 * 2.5) / 4096 - 0.5) * 100, 75.0},
        {"Mag Delta 1 1.0 -> 7.5 nT", 59, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, 21, 7.5, 7.5},
        {"Mag Delta 3 -2.0 -> -15 nT", 75, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}, 23, -15.0, -15.0},
        {"TX curr 1000 -> 395 mA", 83, {0xE8, 0x03}, 24, 1000 * 0.395, 395.0},
        {"RX doppler 1023 -> 3.3 V", 87, {0xFF, 0x03}, 26, (1023 * 3.3) / 1023, 3.3},
        {"TX refl pow 100 -> 2.39 mW", 91, {0x64, 0x00}, 28, (100.0 * 100.0) * 0.000239, 2.39},
        {"TX forw pow 65535 mW", 93, {0xFF, 0xFF}, 29, (65535.0 * 65535.0) * 0.000239, 1026465.857775},
        {"PA temp 1023 -> 280.0 C", 95, {0xFF, 0x03}, 30, (1023 * 330) / 1023.0 - 50, 280.0},
        {"PA temp 65535 C", 95, {0xFF, 0xFF}, 30, (65535.0 * 330) / 1023 - 50, 21090.322580645},
        {"Bus voltage 1000 -> 16.129 V", 97, {0xE8, 0x03}, 31, ((1000 * 5) * 3.3) / 1023, 16.1290322581},
        {"HK log FF FF", 99, {0xFF, 0xFF}, 32, -1, -1},
        {"DiffSMDH log 00 80", 107, {0x00, 0x80}, 36, -32768, -32768},
        {"MagX sample 00 80 nT", 115, {0x00, 0x80}, 40, -32768, -32768},
        {"MagZ sample FF 7F nT", 119, {0xFF, 0x7F}, 42, 32767, 32767},
        {"MIPS whole is unsigned", 122, {0xFF, 0xFF}, 44, 65535, 65535},
        {"SMDH diff cnt 07 00", 125, {0x07, 0x00}, 46, 7, 7},
    };
    for (const auto& c : cases) {
        const TelemetryRecord r = Decode(LogFrame(c.position, c.bytes));
        EXPECT_EQ(r.Channels[c.channel], c.exact) << c.what;
        EXPECT_NEAR(r.Channels[c.channel], c.nominal, 1e-9 * (1 + std::fabs(c.nominal))) << c.what;
    }
}

// Mag Delta doubles that are not finite, or whose product leaves the double
// range, are stored as they come.
TEST(DecodeLogFrame, NonFiniteMagDeltaIsStored) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double field;
        double stored;  // NaN stands for "any NaN"
    } cases[] = {{std::numeric_limits<double>::quiet_NaN(), NAN},
                 {std::bit_cast<double>(std::uint64_t{0xFFF0000000000001}), NAN},
                 {inf, inf},
                 {-inf, -inf},
                 {DBL_MAX, inf},
                 {-DBL_MAX, -inf},
                 {DBL_MAX / 7.5, (DBL_MAX / 7.5) * 7.5}};
    for (const auto& c : cases) {
        for (int channel : {21, 22, 23}) {
            const int position = 59 + 8 * (channel - 21);
            TelemetryRecord r;
            r.Channels[channel] = 99;
            DecodeLogFrame(LogFrame(position, DoubleBytes(c.field)), r);
            if (std::isnan(c.stored)) EXPECT_TRUE(std::isnan(r.Channels[channel])) << c.field;
            else EXPECT_EQ(r.Channels[channel], c.stored) << c.field;
        }
    }
}

// Every channel is written, whatever the slot held before.
TEST(DecodeLogFrame, NoChannelKeepsAnEarlierValue) {
    const FrameBuffer f = LogFrame(24, {0xFF, 0xFF, 0xFF, 0xFF});
    TelemetryRecord r;
    r.Channels.fill(99);
    DecodeLogFrame(f, r);
    EXPECT_EQ(r.Channels, Decode(f).Channels);
    EXPECT_EQ(r.Channels[3], 4294967295.0);
}

// Where each channel sits in the frame and how wide it is; bytes written at
// those positions must reach that channel and no other.
TEST(DecodeLogFrame, EveryChannelReadsItsOwnPositions) {
    const struct {
        int position, width;
    } layout[kChannelCount] = {
        {19, 1},  {20, 2},  {22, 2},  {24, 4},  {28, 1},  {29, 1},  {30, 2},  {32, 4},  {36, 1},  {37, 1},
        {38, 2},  {40, 2},  {42, 2},  {44, 2},  {46, 2},  {48, 2},  {50, 2},  {52, 2},  {54, 2},  {56, 2},
        {58, 1},  {59, 8},  {67, 8},  {75, 8},  {83, 2},  {85, 2},  {87, 2},  {89, 2},  {91, 2},  {93, 2},
        {95, 2},  {97, 2},  {99, 2},  {101, 2}, {103, 2}, {105, 2}, {107, 2}, {109, 4}, {113, 1}, {114, 1},
        {115, 2}, {117, 2}, {119, 2}, {121, 1}, {122, 2}, {124, 1}, {125, 2},
    };
    const TelemetryRecord zero = Decode(LogFrame(19, {}));
    for (int i = 0; i < kChannelCount; ++i) {
        std::vector<std::uint8_t> bytes;
        double x = 0;
        switch (layout[i].width) {
            case 1: bytes = {0x03}, x = 3; break;
            case 2: bytes = {0x03, 0x01}, x = 259; break;
            case 4: bytes = {0x03, 0x00, 0x00, 0x01}, x = 16777219; break;
            case 8: bytes = DoubleBytes(1.0), x = 1.0; break;
        }
        const TelemetryRecord r = Decode(LogFrame(layout[i].position, bytes));
        for (int j = 0; j < kChannelCount; ++j) {
            const double expected = j == i ? LogChannelValue(i, x) : zero.Channels[j];
            EXPECT_EQ(r.Channels[j], expected) << "field of channel " << i << ", channel " << j;
        }
    }
}

}  // namespace
}  // namespace tavro
