// KISS capture reader: framing, escapes, headers, time stamps, round trips.
// Every stream of the tables is read whole, byte by byte and cut in two at
// every position; all readings must give the same table.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "frame_encoder.h"
#include "kiss_reader.h"
#include "log_reader.h"

namespace tavro {
namespace {

using Bytes = std::vector<std::uint8_t>;
const Bytes C0{0xC0};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
// Unescaped housekeeping frame whose Packet cnt (channel 2) is packet.
Bytes Hk(int packet, std::uint8_t callsign = 0x62) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissHousekeepingFrame(raw, callsign);
}
Bytes W(const Bytes& frame) { return passgen::KissWrap(frame); }
Bytes Stamp(const std::string& text) { return W(passgen::KissTimeStampFrame(text)); }

struct Reading {
    std::vector<TelemetryRecord> records;
    std::string timeText;  // CurrentTimeText at the end
    int frameLength = 0;
    std::string Dump() const {
        std::ostringstream out;
        out << timeText << '|' << frameLength << '\n';
        for (const TelemetryRecord& r : records) {
            out << r.TimeText << ';' << r.StampValue1 << ';' << r.StampValue2 << ';' << r.StampValue3;
            for (double v : r.Channels) out << ';' << v;
            out << '\n';
        }
        return out.str();
    }
};

Reading Read(const Bytes& stream, const std::vector<std::size_t>& cuts = {}) {
    TelemetryStore store;
    KissReader reader(store);
    std::size_t from = 0;
    for (std::size_t cut : cuts) reader.Feed(std::span(stream).subspan(from, cut - from)), from = cut;
    reader.Feed(std::span(stream).subspan(from));
    reader.Finish();
    return {store.table.Records(), store.CurrentTimeText, store.FrameLength};
}

Reading ReadAllWays(const Bytes& stream) {
    const Reading whole = Read(stream);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < stream.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Read(stream, {k}).Dump(), whole.Dump()) << "cut at " << k;
    }
    EXPECT_EQ(Read(stream, everyByte).Dump(), whole.Dump()) << "byte by byte";
    return whole;
}

TEST(KissReader, Framing) {
    const Bytes A = Hk(1), B = Hk(2), C = Hk(3);
    const struct {
        Bytes stream;
        std::vector<double> packets;
    } cases[] = {
        {Cat({C0, A, C0, B, C0, C, C0}), {1, 2, 3}},  // shared FENDs
        {Cat({{'x', 0xDB}, A, C0, B, C0}), {2}},      // junk before the first FEND
        {Cat({C0, A, C0, B}), {1, 2}},                // unterminated last frame
        {Cat({C0, C0, C0, A, C0, C0, B, C0, C0}), {1, 2}},
        {A, {}},
        {W(Hk(0xC0DB)), {0xC0DB}},
        {Cat({W(Hk(0xDBC0)), passgen::KissEscape(Hk(0xC0C0)), C0}), {0xDBC0, 0xC0C0}},
    };
    for (const auto& c : cases) {
        std::vector<double> packets;
        for (const TelemetryRecord& r : ReadAllWays(c.stream).records) packets.push_back(r.Channels[2]);
        EXPECT_EQ(packets, c.packets) << "case " << &c - cases;
    }
}

// Escapes at a frame's end, seen through a time stamp text, with a closing
// FEND and at the end of the file: bytes as written -> text.
TEST(KissReader, EscapesAtFrameEnds) {
    const std::pair<Bytes, std::string> cases[] = {
        {{'T', 0xDB}, "T\xDB"},           {{'T', 0xDB, 0xDC}, "T\xC0"},       {{'T', 0xDB, 0xDD}, "T\xDB"},
        {{'T', 0xDB, 0xDD, 0xDC}, "T\xDB\xDC"}, {{'T', 0xDB, 0x41}, "T\xDB" "A"}, {{'T', 0xDB, 0xDB, 0xDC}, "T\xDB\xC0"},
        {{0xDB, 0xDC, 'T', 0xDB, 0xDC, 0xDC}, "\xC0T\xC0\xDC"},               {{'T', 0xDC, 0xDD}, "T\xDC\xDD"},
    };
    for (const auto& [written, text] : cases) {
        EXPECT_EQ(ReadAllWays(Cat({C0, {0x09}, written, C0})).timeText, text);
        EXPECT_EQ(ReadAllWays(Cat({C0, {0x09}, written})).timeText, text);
    }
}

// After a full frame: which frames are housekeeping records.
TEST(KissReader, HeadersAndFrameTypes) {
    constexpr std::uint8_t kOther = 1;  // 64 in a 62 header and 62 in a 64 header
    const struct {
        int position;  // 1-based, 0: none
        std::uint8_t value;
        std::size_t length, records;
    } cases[] = {
        {0, 0, 111, 1},  {20, 2, 111, 0},    {20, 0, 111, 0},  {1, 0x10, 111, 0}, {7, kOther, 111, 0},
        {14, kOther, 111, 0}, {7, 0x63, 111, 0}, {2, 0xA4, 111, 0}, {16, 0x13, 111, 0}, {17, 0xCF, 111, 0},
        {18, 0xFF, 111, 1}, {21, 0xFF, 111, 1}, {0, 0, 20, 1},    {0, 0, 19, 0},     {0, 0, 17, 0},
    };
    for (std::uint8_t callsign : {0x62, 0x64}) {
        for (const auto& c : cases) {
            Bytes frame = Hk(7, callsign);
            if (c.position) frame[c.position - 1] = c.value == kOther ? callsign ^ 0x06 : c.value;
            frame.resize(c.length);
            EXPECT_EQ(ReadAllWays(Cat({W(Hk(5)), W(frame)})).records.size(), 1 + c.records)
                << "callsign " << int(callsign) << " position " << c.position << " length " << c.length;
        }
    }
}

// A short frame reads 0 behind its end, never bytes of an earlier frame.
TEST(KissReader, ShortFrameReadsZerosBehindItsEnd) {
    passgen::KissRaw full{};
    full.fill(0x5A5A);
    Bytes shortFrame = Hk(0x1234);
    shortFrame[28] = 0x77;  // Cmd valid, positions 29-30
    shortFrame.resize(30);
    const Reading r = ReadAllWays(Cat({W(passgen::KissHousekeepingFrame(full)), W(shortFrame)}));
    ASSERT_EQ(r.records.size(), 2u);
    FrameBuffer padded;
    for (std::size_t k = 0; k < shortFrame.size(); ++k) padded(static_cast<int>(k + 1)) = shortFrame[k];
    TelemetryRecord expected;
    DecodeKissFrame(padded, expected);
    EXPECT_EQ(r.records[1].Channels, expected.Channels);
    EXPECT_EQ(r.records[1].Channels[5], 0x77);
    EXPECT_EQ(r.records[1].Channels[12], 190.0);  // Batt temp of a zero field
    EXPECT_EQ(r.frameLength, 30);
}

TEST(KissReader, TimeStamps) {
    const Bytes hk = W(Hk(1)), x123 = Stamp("X;1;2;3");
    const struct {
        Bytes stream;
        std::string text;
        double s1, s2, s3;
    } cases[] = {
        {Cat({Stamp("2026-11-28 10:14:00.131 UTC;215.0;0.5;435835000"), hk}), "2026-11-28 10:14:00.131 UTC", 215, 0.5,
         435835000},
        {Cat({x123, Stamp("Y"), hk}), "Y", 1, 2, 3},  // no ';' keeps the numbers
        {Cat({Stamp("Y"), hk}), "Y", 0, 0, 0},
        {Cat({x123, Stamp("Z;5"), hk}), "Z", 5, 2, 3},
        {Cat({x123, C0, C0, hk}), "X", 1, 2, 3},  // an empty frame changes nothing
        {Cat({x123, W(passgen::KissBinaryTimeStampFrame(1795860840123)), hk}), "2026-11-28 10:14:00.123 UTC", 1, 2, 3},
        {Cat({Stamp("12345678"), hk}), "12345678", 0, 0, 0},  // 8 printable bytes are text
        {Cat({Stamp("Zeit \xE4\xFC UTC;1;2;3"), hk}), "Zeit \xE4\xFC UTC", 1, 2, 3},
    };
    for (const auto& c : cases) {
        const Reading r = ReadAllWays(c.stream);
        ASSERT_EQ(r.records.size(), 1u) << c.text;
        EXPECT_EQ(r.records[0].TimeText, c.text);
        EXPECT_EQ(r.records[0].StampValue1, c.s1) << c.text;
        EXPECT_EQ(r.records[0].StampValue2, c.s2) << c.text;
        EXPECT_EQ(r.records[0].StampValue3, c.s3) << c.text;
    }
}

// Raw fields -> encoder -> KISS file -> reader: every channel its scaled
// value, for both headers. Row 0 differs per channel; rows 2 and 3 put C0
// and DB into every byte of every field.
TEST(KissReader, RoundTrip) {
    const double rows[][3] = {{37, 4099, -1000}, {255, 65535, -32768}, {0xC0, 0xC0DB, -0x2440}, {0xDB, 0xDBC0, -0x3F25}};
    for (int row = 0; row < 4; ++row) {
        passgen::KissRaw raw{};
        for (int c = 0; c < kKissChannelCount; ++c) {
            const FieldKind kind = kKissLayout[c].kind;
            raw[c] = rows[row][kind == FieldKind::U8 ? 0 : kind == FieldKind::U16 ? 1 : 2];
            if (row == 0) raw[c] = std::fmod(raw[c] * (c + 1), kind == FieldKind::U8 ? 256 : 32768);
        }
        for (std::uint8_t callsign : {0x62, 0x64}) {
            const Reading r = Read(W(passgen::KissHousekeepingFrame(raw, callsign)));
            ASSERT_EQ(r.records.size(), 1u);
            for (int c = 0; c < kKissChannelCount; ++c)
                EXPECT_EQ(r.records[0].Channels[c], KissChannelValue(c, raw[c])) << "row " << row << " channel " << c;
            EXPECT_EQ(r.records[0].Channels[46], 0.0);
        }
    }
    passgen::KissRaw raw{};
    raw[10] = 100;
    raw[41] = -64;
    const Reading r = Read(W(passgen::KissHousekeepingFrame(raw)));
    EXPECT_EQ(r.records.at(0).Channels[10], 39.5);  // Batt voltage
    EXPECT_EQ(r.records[0].Channels[41], -1.0);     // MagY, C0 FF at 102-103
}

// Every record starts clean, whatever the slot held in an earlier load:
// a log record has stamps 0, a KISS record channel 46 = 0. The time text
// carries over.
TEST(KissReader, RecordsStartClean) {
    TelemetryStore store;
    KissReader kiss(store);
    kiss.Feed(Cat({Stamp("X;1;2;3"), W(Hk(1))}));
    store.ResetForOpen();
    passgen::LogRaw raw{};
    raw[46] = 7;
    const std::string line = passgen::LogHousekeepingLine("00:00:01", raw);
    LogReader log(store);
    log.Feed({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
    log.Finish();
    EXPECT_EQ(store.table[0].StampValue1, 0.0);
    EXPECT_EQ(store.table[0].Channels[46], 7.0);
    store.ResetForOpen();
    KissReader kiss2(store);
    kiss2.Feed(W(Hk(2)));
    ASSERT_EQ(store.table.RecordCount(), 1);
    EXPECT_EQ(store.table[0].Channels[46], 0.0);
    EXPECT_EQ(store.table[0].StampValue1, 0.0);
    EXPECT_EQ(store.table[0].TimeText, "00:00:01.000 UTC");
}

}  // namespace
}  // namespace tavro
