// KISS capture reader: framing, escapes, headers, time stamps, round trips. The streams
// are read whole, byte by byte and cut in two at every position: all give the same table.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "frame_encoder.h"
#include "kiss_reader.h"

namespace tavro {
namespace {

using Bytes = std::vector<std::uint8_t>;
const Bytes C0{0xC0};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes Hk(int packet, std::uint8_t callsign = 0x62) {  // unescaped, Packet cnt (channel 2) = packet
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissHousekeepingFrame(raw, callsign);
}
Bytes W(const Bytes& frame) { return passgen::KissWrap(frame); }
Bytes Stamp(const std::string& text) { return W(passgen::KissTimeStampFrame(text)); }

TelemetryStore Read(const Bytes& stream, const std::vector<std::size_t>& cuts = {}) {
    TelemetryStore store;
    KissReader reader(store);
    std::size_t from = 0;
    for (std::size_t cut : cuts) reader.Feed(std::span(stream).subspan(from, cut - from)), from = cut;
    reader.Feed(std::span(stream).subspan(from));
    reader.Finish();
    return store;
}

std::string Dump(const TelemetryStore& s) {
    std::ostringstream out;
    out << s.CurrentTimeText << '|' << s.FrameLength;
    for (const TelemetryRecord& r : s.table.Records()) {
        out << '\n' << r.TimeText << '|' << r.StampValue1 << '|' << r.StampValue2 << '|' << r.StampValue3;
        for (double v : r.Channels) out << ';' << v;
    }
    return out.str();
}

TelemetryStore ReadAllWays(const Bytes& stream) {
    TelemetryStore whole = Read(stream);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < stream.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Dump(Read(stream, {k})), Dump(whole)) << "cut at " << k;
    }
    EXPECT_EQ(Dump(Read(stream, everyByte)), Dump(whole)) << "byte by byte";
    return whole;
}

TEST(KissReader, Framing) {
    const Bytes A = Hk(1), B = Hk(2), C = Hk(3);
    const std::pair<Bytes, std::vector<double>> cases[] = {
        {Cat({C0, A, C0, B, C0, C, C0}), {1, 2, 3}},  // shared FENDs
        {Cat({{'x', 0xDB}, A, C0, B, C0}), {2}},      // junk before the first FEND
        {Cat({C0, A, C0, B}), {1, 2}},                // unterminated last frame
        {Cat({C0, C0, C0, A, C0, C0, B, C0, C0}), {1, 2}}, {A, {}},
        {Cat({W(Hk(0xDBC0)), passgen::KissEscape(Hk(0xC0DB)), C0}), {0xDBC0, 0xC0DB}},
    };
    for (const auto& [stream, expected] : cases) {
        const TelemetryStore s = ReadAllWays(stream);
        std::vector<double> packets;
        for (const TelemetryRecord& r : s.table.Records()) packets.push_back(r.Channels[2]);
        EXPECT_EQ(packets, expected);
    }
}

// After a frame full of 5A, a frame with byte position = value, cut to length: a
// record? A short one reads 0 behind its end, never bytes of the earlier frame.
TEST(KissReader, HeadersFrameTypesAndShortFrames) {
    constexpr std::uint8_t kOther = 1;  // 64 in a 62 header and 62 in a 64 header
    const std::tuple<int, int, std::size_t, bool> cases[] = {
        {1, 0, 111, true},     {20, 2, 111, false},   {20, 0, 111, false},  {1, 0x10, 111, false}, {7, kOther, 111, false},
        {14, kOther, 111, false}, {7, 0x63, 111, false}, {2, 0xA4, 111, false}, {16, 0x13, 111, false}, {17, 0xCF, 111, false},
        {18, 0xFF, 111, true}, {21, 0xFF, 111, true},  {1, 0, 30, true},      {1, 0, 20, true},      {1, 0, 19, false}};
    passgen::KissRaw full{};
    full.fill(0x5A5A);
    for (std::uint8_t callsign : {0x62, 0x64}) {
        for (const auto& [position, value, length, record] : cases) {
            SCOPED_TRACE(testing::Message() << "callsign " << int(callsign) << " at " << position << " length " << length);
            Bytes frame = Hk(7, callsign);
            frame[position - 1] = static_cast<std::uint8_t>(value == kOther ? callsign ^ 0x06 : value);
            frame.resize(length);
            const TelemetryStore s = ReadAllWays(Cat({W(passgen::KissHousekeepingFrame(full)), W(frame)}));
            ASSERT_EQ(s.table.RecordCount(), record ? 2 : 1);
            EXPECT_EQ(s.FrameLength, static_cast<int>(length));
            for (int c = 0; record && c < kKissChannelCount; ++c)
                EXPECT_EQ(s.table[1].Channels[c], KissChannelValue(c, c == 2 && length > 26 ? 7 : 0)) << "channel " << c;
        }
    }
}

// Time stamp frames, and escapes at a frame's end seen through their text.
TEST(KissReader, TimeStamps) {
    const Bytes hk = W(Hk(1)), x123 = Stamp("X;1;2;3");
    const std::pair<Bytes, std::string> cases[] = {
        {Cat({Stamp("2026-11-28 10:14:00.131 UTC;215.0;0.5;4358"), hk}), "2026-11-28 10:14:00.131 UTC|215|0.5|4358"},
        {Cat({x123, Stamp("Y"), hk}), "Y|1|2|3"}, {Cat({Stamp("Y"), hk}), "Y|0|0|0"}, {Cat({x123, Stamp("Z;5"), hk}), "Z|5|2|3"},
        {Cat({x123, C0, C0, hk}), "X|1|2|3"},  // an empty frame changes nothing
        {Cat({x123, W(passgen::KissBinaryTimeStampFrame(1795860840123)), hk}), "2026-11-28 10:14:00.123 UTC|1|2|3"},
        {Cat({Stamp("12345678"), hk}), "12345678|0|0|0"}, {Cat({Stamp("T \xE4\xFC;1;2;3"), hk}), "T \xE4\xFC|1|2|3"},
        {Cat({C0, {9, 'T', 0xDB}, hk}), "T\xDB|0|0|0"}, {Cat({C0, {9, 'T', 0xDB, 0xDC}, hk}), "T\xC0|0|0|0"},
        {Cat({C0, {9, 'T', 0xDB, 0xDD, 0xDC}, hk}), "T\xDB\xDC|0|0|0"}, {Cat({C0, {9, 'T', 0xDB, 'A'}, hk}), "T\xDB" "A|0|0|0"},
        {Cat({C0, {9, 'T', 0xDB, 0xDB, 0xDC}, hk}), "T\xDB\xC0|0|0|0"}, {Cat({C0, {9, 'T', 0xDC, 0xDD}, hk}), "T\xDC\xDD|0|0|0"},
    };
    for (const auto& [stream, expected] : cases) {
        const std::string dump = Dump(ReadAllWays(stream));
        EXPECT_EQ(dump.substr(dump.find('\n') + 1, expected.size() + 1), expected + ";");
    }
    EXPECT_EQ(ReadAllWays({0xC0, 9, 'T', 0xDB, 0xDD, 0xDB}).CurrentTimeText, "T\xDB\xDB");  // no closing FEND
}

// Raw fields -> encoder -> reader (either header); rows 2 and 3: C0, DB in every field byte.
TEST(KissReader, RoundTrip) {
    const double rows[][3] = {{37, 4099, -1000}, {255, 65535, -32768}, {0xC0, 0xC0DB, -0x2440}, {0xDB, 0xDBC0, -0x3F25}};
    for (int row = 0; row < 4; ++row) {
        passgen::KissRaw raw{};
        for (int c = 0; c < kKissChannelCount; ++c) {
            const int kind = static_cast<int>(kKissLayout[c].kind);  // U8, U16, S16
            raw[c] = rows[row][kind] + (row ? 0 : kind == 2 ? -c : c);
        }
        const TelemetryStore s = Read(W(passgen::KissHousekeepingFrame(raw, row % 2 ? 0x64 : 0x62)));
        for (int c = 0; c < kKissChannelCount; ++c)
            EXPECT_EQ(s.table.Records().at(0).Channels[c], KissChannelValue(c, raw[c])) << "row " << row << " channel " << c;
    }
}

}  // namespace
}  // namespace tavro
