// Round trips: raw field values -> encoder -> KISS framing / log line ->
// reader -> engineering values, which must equal the scaled raw values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "kiss_reader.h"
#include "log_reader.h"

namespace tavro {
namespace {

using passgen::KissRaw;
using passgen::LogRaw;
using Bytes = std::vector<std::uint8_t>;

// A distinct raw value for every field, spread over the kind's range.
double SampleRaw(FieldKind kind, int channel) {
    switch (kind) {
        case FieldKind::U8: return (37 * channel + 11) % 256;
        case FieldKind::U16: return (4099 * channel + 777) % 65536;
        case FieldKind::S16: return -((1000 * channel + 3) % 32768);
        case FieldKind::U32: return 3000000000.0 + channel;  // above 2^31: still unsigned
        case FieldKind::F64: return -1.25 * channel + 0.5;
    }
    return 0;
}

KissRaw SampleKiss() {
    KissRaw raw{};
    for (int c = 0; c < kKissChannelCount; ++c) raw[c] = SampleRaw(kKissLayout[c].kind, c);
    return raw;
}

LogRaw SampleLog() {
    LogRaw raw{};
    for (int c = 0; c < kChannelCount; ++c) raw[c] = SampleRaw(kLogLayout[c].kind, c);
    return raw;
}

std::vector<TelemetryRecord> ReadKiss(const Bytes& bytes) {
    TelemetryStore store;
    KissReader reader(store);
    reader.Feed(bytes);
    reader.Finish();
    return store.table.Records();
}

std::vector<TelemetryRecord> ReadLog(const std::string& text) {
    TelemetryStore store;
    LogReader reader(store);
    reader.Feed({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    reader.Finish();
    return store.table.Records();
}

void ExpectKissChannels(const TelemetryRecord& record, const KissRaw& raw) {
    for (int c = 0; c < kKissChannelCount; ++c)
        EXPECT_EQ(record.Channels[c], KissChannelValue(c, raw[c])) << "channel " << c;
    EXPECT_EQ(record.Channels[46], 0.0);
}

void ExpectLogChannels(const TelemetryRecord& record, const LogRaw& raw) {
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(record.Channels[c], LogChannelValue(c, raw[c])) << "channel " << c;
}

TEST(FrameEncoder, KissRoundTripForBothHeaders) {
    const KissRaw raw = SampleKiss();
    for (std::uint8_t callsign : {0x62, 0x64}) {
        SCOPED_TRACE(callsign);
        const auto records = ReadKiss(passgen::KissWrap(passgen::KissHousekeepingFrame(raw, callsign)));
        ASSERT_EQ(records.size(), 1u);
        ExpectKissChannels(records[0], raw);
    }
}

TEST(FrameEncoder, KissHousekeepingFrameBytes) {
    KissRaw raw{};
    raw[2] = 0x1234;   // Packet cnt at 25-26
    raw[41] = -64;     // MagY sample at 102-103: C0 FF
    const Bytes frame = passgen::KissHousekeepingFrame(raw, 0x64);
    ASSERT_EQ(frame.size(), 111u);
    const Bytes header(frame.begin(), frame.begin() + 17);
    EXPECT_EQ(header, Bytes(kKissHeader64.begin(), kKissHeader64.end()));
    EXPECT_EQ(frame[19], 1);  // frame type at position 20
    EXPECT_EQ(frame[24], 0x34);
    EXPECT_EQ(frame[25], 0x12);
    EXPECT_EQ(frame[101], 0xC0);
    EXPECT_EQ(frame[102], 0xFF);
    const auto records = ReadKiss(passgen::KissWrap(frame));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Channels[2], 4660.0);
    EXPECT_EQ(records[0].Channels[41], -1.0);
}

TEST(FrameEncoder, KissEscapes) {
    struct Case {
        Bytes frame, wrapped;
    };
    const Case cases[] = {
        {{0x01, 0x02}, {0xC0, 0x01, 0x02, 0xC0}},
        {{0xC0}, {0xC0, 0xDB, 0xDC, 0xC0}},
        {{0xDB}, {0xC0, 0xDB, 0xDD, 0xC0}},
        {{0xDB, 0xDC}, {0xC0, 0xDB, 0xDD, 0xDC, 0xC0}},
        {{0xC0, 0xDB, 0xC0}, {0xC0, 0xDB, 0xDC, 0xDB, 0xDD, 0xDB, 0xDC, 0xC0}},
        {{}, {0xC0, 0xC0}},
    };
    for (const Case& c : cases) EXPECT_EQ(passgen::KissWrap(c.frame), c.wrapped);
}

// Every byte of every KISS field holds C0, then DB: the reader must undo the
// escape wherever it stands.
TEST(FrameEncoder, KissEscapeInEveryFieldPosition) {
    for (std::uint8_t special : {0xC0, 0xDB}) {
        for (int c = 0; c < kKissChannelCount; ++c) {
            const FieldSpec f = kKissLayout[c];
            for (int k = 0; k < FieldWidth(f.kind); ++k) {
                SCOPED_TRACE(testing::Message() << "byte " << int(special) << " channel " << c << " byte " << k);
                KissRaw raw = SampleKiss();
                Bytes frame = passgen::KissHousekeepingFrame(raw);
                frame[f.position - 1 + k] = special;
                // The raw value the frame now holds, read back little-endian.
                std::uint64_t v = 0;
                for (int b = FieldWidth(f.kind) - 1; b >= 0; --b) v = v << 8 | frame[f.position - 1 + b];
                raw[c] = f.kind == FieldKind::S16 ? static_cast<std::int16_t>(v) : static_cast<double>(v);
                const Bytes wrapped = passgen::KissWrap(frame);
                ASSERT_EQ(std::count(wrapped.begin(), wrapped.end(), 0xC0), 2);
                const auto records = ReadKiss(wrapped);
                ASSERT_EQ(records.size(), 1u);
                ExpectKissChannels(records[0], raw);
            }
        }
    }
}

TEST(FrameEncoder, LogRoundTrip) {
    const LogRaw raw = SampleLog();
    const auto records = ReadLog(passgen::LogHousekeepingLine("12:34:56", raw) + "\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].TimeText, "12:34:56.000 UTC");
    ExpectLogChannels(records[0], raw);
    EXPECT_EQ(records[0].Channels[3], 3000000003.0);  // Uptime above 2^31
    EXPECT_EQ(records[0].Channels[32], -32003.0);     // HK log, negative S16
}

TEST(FrameEncoder, LogLineLayout) {
    LogRaw raw{};
    raw[1] = 0x1234;  // Boot cnt at 20-21
    const std::string line = passgen::LogHousekeepingLine("00:00:01", raw);
    EXPECT_EQ(line.size(), 8u + 3u * 109u);  // positions 18..126, "hh:mm:ss" + " XX" per byte
    EXPECT_EQ(line.substr(0, 20), "00:00:01 01 00 34 12");
}

// Extreme values in every log field, including C0 and DB bytes and
// non-finite doubles.
TEST(FrameEncoder, LogRoundTripOfExtremes) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    struct Extreme {
        double u8, u16, s16, u32, f64;
    };
    const Extreme extremes[] = {
        {0, 0, 0, 0, 0},
        {255, 65535, -32768, 4294967295.0, -0.0},
        {0xC0, 0xC0DB, -0x2440, 0xDBC0DBC0, inf},
        {0xDB, 0xDBC0, 32767, 2147483648.0, -inf},
        {1, 1, -1, 1, 1e300},
    };
    for (const Extreme& e : extremes) {
        LogRaw raw{};
        for (int c = 0; c < kChannelCount; ++c) {
            switch (kLogLayout[c].kind) {
                case FieldKind::U8: raw[c] = e.u8; break;
                case FieldKind::U16: raw[c] = e.u16; break;
                case FieldKind::S16: raw[c] = e.s16; break;
                case FieldKind::U32: raw[c] = e.u32; break;
                case FieldKind::F64: raw[c] = e.f64; break;
            }
        }
        const auto records = ReadLog(passgen::LogHousekeepingLine("23:59:59", raw));
        ASSERT_EQ(records.size(), 1u);
        for (int c = 0; c < kChannelCount; ++c) {
            const double expected = LogChannelValue(c, raw[c]);
            EXPECT_EQ(std::isnan(records[0].Channels[c]), std::isnan(expected)) << "channel " << c;
            if (!std::isnan(expected)) {
                EXPECT_EQ(records[0].Channels[c], expected) << "channel " << c;
            }
        }
    }
    // NaN travels too: the 8 bytes are copied, not converted.
    LogRaw raw{};
    raw[21] = nan;
    const auto records = ReadLog(passgen::LogHousekeepingLine("00:00:00", raw));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(std::isnan(records[0].Channels[21]));
}

TEST(FrameEncoder, TimeStampFrames) {
    EXPECT_EQ(passgen::KissTimeStampFrame("ab"), (Bytes{0x09, 'a', 'b'}));
    EXPECT_EQ(passgen::KissBinaryTimeStampFrame(0x0102030405060708),
              (Bytes{0x09, 1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace tavro
