// KISS capture reader: framing, escapes, headers, time stamps, capacity.
// Every stream of the tables is read in one piece, byte by byte and cut in
// two at every position; all readings must give the same table.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

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
Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Unescaped housekeeping frame whose Packet cnt (channel 2) is packet.
Bytes Hk(int packet, std::uint8_t callsign = 0x62) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissHousekeepingFrame(raw, callsign);
}
Bytes Stamp(const std::string& text) { return passgen::KissTimeStampFrame(text); }
Bytes Wrap(const Bytes& frame) { return passgen::KissWrap(frame); }
Bytes KissEscapeThenFend(const Bytes& frame) { return Cat({passgen::KissEscape(frame), C0}); }

struct Reading {
    std::vector<TelemetryRecord> records;
    std::string timeText;  // CurrentTimeText at the end
    int frameLength = 0;
    long long notStored = 0;
};

Reading ReadSlices(const Bytes& stream, const std::vector<std::size_t>& cuts) {
    TelemetryStore store;
    KissReader reader(store);
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        reader.Feed(std::span(stream).subspan(from, cut - from));
        from = cut;
    }
    reader.Feed(std::span(stream).subspan(from));
    reader.Finish();
    return {store.table.Records(), store.CurrentTimeText, store.FrameLength, store.table.FramesNotStored()};
}

std::string Dump(const Reading& r) {
    std::ostringstream out;
    out << r.timeText << '|' << r.frameLength << '|' << r.notStored << '\n';
    for (const TelemetryRecord& rec : r.records) {
        out << rec.TimeText << ';' << rec.StampValue1 << ';' << rec.StampValue2 << ';' << rec.StampValue3;
        for (double v : rec.Channels) out << ';' << v;
        out << '\n';
    }
    return out.str();
}

// Reads stream whole, byte by byte and split at every position.
Reading ReadAllWays(const Bytes& stream) {
    const Reading whole = ReadSlices(stream, {});
    const std::string expected = Dump(whole);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < stream.size(); ++k) everyByte.push_back(k);
    EXPECT_EQ(Dump(ReadSlices(stream, everyByte)), expected) << "byte by byte";
    for (std::size_t k = 1; k < stream.size(); ++k) EXPECT_EQ(Dump(ReadSlices(stream, {k})), expected) << "cut at " << k;
    return whole;
}

std::vector<double> Packets(const Reading& r) {
    std::vector<double> out;
    for (const TelemetryRecord& rec : r.records) out.push_back(rec.Channels[2]);
    return out;
}

TEST(KissReader, Framing) {
    const Bytes A = Hk(1), B = Hk(2), C = Hk(3);
    struct Case {
        const char* name;
        Bytes stream;
        std::vector<double> packets;
    };
    const Case cases[] = {
        {"one FEND pair per frame", Cat({C0, A, C0, C0, B, C0}), {1, 2}},
        {"shared FENDs", Cat({C0, A, C0, B, C0, C, C0}), {1, 2, 3}},
        {"junk before the first FEND", Cat({Text("xy"), A, C0, B, C0}), {2}},
        {"unterminated last frame", Cat({C0, A, C0, B}), {1, 2}},
        {"unterminated only frame", Cat({C0, A}), {1}},
        {"empty frames change nothing", Cat({C0, C0, C0, A, C0, C0, C0, B, C0, C0}), {1, 2}},
        {"no FEND at all", A, {}},
        {"empty file", {}, {}},
        {"only FENDs", Cat({C0, C0, C0}), {}},
        {"escaped values", Wrap(Hk(0xC0DB)), {0xC0DB}},
        {"escaped values, shared FEND", Cat({Wrap(Hk(0xDBC0)), KissEscapeThenFend(Hk(0xC0C0))}), {0xDBC0, 0xC0C0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Packets(ReadAllWays(c.stream)), c.packets);
    }
}

// Escapes seen through a time stamp text: payload as written in the file ->
// the text's bytes, with a closing FEND and at the end of the file.
TEST(KissReader, EscapesAtFrameEnds) {
    struct Case {
        Bytes written;
        std::string text;
    };
    const Case cases[] = {
        {{'T', 0xDB}, "T\xDB"},
        {{'T', 0xDB, 0xDC}, "T\xC0"},
        {{'T', 0xDB, 0xDD}, "T\xDB"},
        {{'T', 0xDB, 0xDD, 0xDC}, "T\xDB\xDC"},
        {{'T', 0xDB, 0xDD, 0xDD}, "T\xDB\xDD"},
        {{'T', 0xDB, 0x41}, "T\xDB" "A"},
        {{'T', 0xDB, 0xDB, 0xDC}, "T\xDB\xC0"},
        {{0xDB, 0xDC, 'T', 0xDB, 0xDC, 0xDC}, "\xC0T\xC0\xDC"},
        {{'T', 0xDC, 0xDD}, "T\xDC\xDD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Bytes frame = Cat({{0x09}, c.written});
        EXPECT_EQ(ReadAllWays(Cat({C0, frame, C0})).timeText, c.text);
        EXPECT_EQ(ReadAllWays(Cat({C0, frame})).timeText, c.text);  // no closing FEND
    }
}

TEST(KissReader, HeadersAndFrameTypes) {
    constexpr std::uint8_t kOtherCallsign = 0xFF;  // 64 in a 62 header and 62 in a 64 header
    struct Case {
        const char* name;
        int position;  // 1-based, 0: none
        std::uint8_t value;
        std::size_t length;
        std::size_t records;
    };
    const Case cases[] = {
        {"housekeeping", 0, 0, 111, 1},
        {"frame type 2", 20, 2, 111, 0},
        {"frame type 0", 20, 0, 111, 0},
        {"KISS command 10 (port 1)", 1, 0x10, 111, 0},
        {"destinations 62 and 64 mixed", 7, kOtherCallsign, 111, 0},
        {"sources 62 and 64 mixed", 14, kOtherCallsign, 111, 0},
        {"callsign byte 63", 7, 0x63, 111, 0},
        {"other destination callsign", 2, 0xA4, 111, 0},
        {"control 13", 16, 0x13, 111, 0},
        {"PID CF", 17, 0xCF, 111, 0},
        {"bytes 18, 19 not examined", 18, 0xFF, 111, 1},
        {"byte 21 not examined", 21, 0xFF, 111, 1},
        {"20 bytes: type is the last byte", 0, 0, 20, 1},
        {"19 bytes: position 20 reads 0", 0, 0, 19, 0},
        {"header only", 0, 0, 17, 0},
        {"16 bytes", 0, 0, 16, 0},
    };
    for (std::uint8_t callsign : {0x62, 0x64}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", callsign byte " << int(callsign));
            Bytes frame = Hk(7, callsign);
            if (c.position) frame[c.position - 1] = c.value == kOtherCallsign ? (callsign ^ 0x62 ^ 0x64) : c.value;
            frame.resize(c.length);
            // A full housekeeping frame first: a short frame must not see its bytes.
            const Reading r = ReadAllWays(Cat({Wrap(Hk(5)), Wrap(frame)}));
            EXPECT_EQ(r.records.size(), 1 + c.records);
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
    const Reading r = ReadAllWays(Cat({Wrap(passgen::KissHousekeepingFrame(full)), Wrap(shortFrame)}));
    ASSERT_EQ(r.records.size(), 2u);
    Bytes padded = shortFrame;
    padded.resize(111, 0);
    FrameBuffer expectedFrame;
    for (std::size_t k = 0; k < padded.size(); ++k) expectedFrame(static_cast<int>(k + 1)) = padded[k];
    TelemetryRecord expected;
    DecodeKissFrame(expectedFrame, expected);
    EXPECT_EQ(r.records[1].Channels, expected.Channels);
    EXPECT_EQ(r.records[1].Channels[2], 0x1234);
    EXPECT_EQ(r.records[1].Channels[5], 0x77);
    EXPECT_EQ(r.records[1].Channels[12], 190.0);  // Batt temp of a zero field
    EXPECT_EQ(r.records[1].Channels[41], 0.0);
    EXPECT_EQ(r.frameLength, 30);
}

struct StampCase {
    const char* name;
    Bytes stream;
    std::string timeText;
    double s1, s2, s3;
};

TEST(KissReader, TimeStamps) {
    const Bytes hk = Wrap(Hk(1));
    const Bytes x123 = Wrap(Stamp("X;1;2;3"));
    const StampCase cases[] = {
        {"text and numbers", Cat({Wrap(Stamp("2026-11-28 10:14:00.131 UTC;215.0;0.5;435835000")), hk}),
         "2026-11-28 10:14:00.131 UTC", 215.0, 0.5, 435835000},
        {"no ';' keeps the numbers", Cat({x123, Wrap(Stamp("Y")), hk}), "Y", 1, 2, 3},
        {"no ';' at the start of a file", Cat({Wrap(Stamp("Y")), hk}), "Y", 0, 0, 0},
        {"one number", Cat({x123, Wrap(Stamp("Z;5")), hk}), "Z", 5, 2, 3},
        {"leading numbers", Cat({x123, Wrap(Stamp("Z; 7.5e1abc;-2;;9")), hk}), "Z", 75, -2, 0},
        {"numbers without digits before or after the point", Cat({Wrap(Stamp("Z;.5;1.;-.25e1x")), hk}), "Z", 0.5, 1, -2.5},
        {"signs and exponents", Cat({Wrap(Stamp("Z;+3;1e;2E+2")), hk}), "Z", 3, 1, 200},
        {"fields beyond the fourth ignored", Cat({Wrap(Stamp("Z;1;2;3;4;5")), hk}), "Z", 1, 2, 3},
        {"empty text", Cat({x123, Wrap(Stamp("")), hk}), "", 1, 2, 3},
        {"empty frame keeps the time", Cat({x123, C0, C0, hk}), "X", 1, 2, 3},
        {"binary milliseconds", Cat({x123, Wrap(passgen::KissBinaryTimeStampFrame(1795860840123)), hk}),
         "2026-11-28 10:14:00.123 UTC", 1, 2, 3},
        {"binary: 127 ms", Cat({Wrap(Cat({{0x09}, {0, 0, 0, 0, 0, 0, 0, 0x7F}})), hk}), "1970-01-01 00:00:00.127 UTC", 0, 0,
         0},
        {"8 bytes 20..7E are text", Cat({Wrap(Stamp(" ~~~~~~~")), hk}), " ~~~~~~~", 0, 0, 0},
        {"8 printable bytes are text", Cat({Wrap(Stamp("12345678")), hk}), "12345678", 0, 0, 0},
        {"9 bytes are text", Cat({Wrap(Cat({{0x09}, {0, 0, 0, 0, 0, 0, 0, 0, 1}})), hk}), std::string(8, '\0') + "\x01", 0, 0, 0},
        {"Latin-1 text", Cat({Wrap(Stamp("Zeit \xE4\xFC UTC;1;2;3")), hk}), "Zeit \xE4\xFC UTC", 1, 2, 3},
    };
    for (const StampCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Reading r = ReadAllWays(c.stream);
        ASSERT_EQ(r.records.size(), 1u);
        EXPECT_EQ(r.records[0].TimeText, c.timeText);
        EXPECT_EQ(r.records[0].StampValue1, c.s1);
        EXPECT_EQ(r.records[0].StampValue2, c.s2);
        EXPECT_EQ(r.records[0].StampValue3, c.s3);
    }
    // 7F is not printable: 7E 7E 7E 7E 7E 7E 7E 7F are milliseconds (...799).
    const Reading r = ReadAllWays(Cat({Wrap(Cat({{0x09}, Text("~~~~~~~"), {0x7F}})), hk}));
    ASSERT_EQ(r.records.size(), 1u);
    const std::string& t = r.records[0].TimeText;
    EXPECT_TRUE(t.size() > 8 && t.substr(t.size() - 8) == ".799 UTC") << t;
}

// Streams of frames, junk and stray KISS bytes (C0 DB DC DD are frequent),
// fed in random slices: the table is the same as with one Feed().
TEST(KissReader, RandomStreamsReadTheSameInAnySlices) {
    std::uint64_t state = 12345;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    };
    const std::uint8_t kiss[] = {0xC0, 0xDB, 0xDC, 0xDD, 0x09, 0x00, 0x01, 0x3B};
    for (int round = 0; round < 300; ++round) {
        Bytes stream;
        const int pieces = 1 + next() % 12;
        for (int k = 0; k < pieces; ++k) {
            Bytes piece;
            switch (next() % 5) {
                case 0: piece = Wrap(Hk(static_cast<int>(next() % 65536), next() % 2 ? 0x62 : 0x64)); break;
                case 1: piece = Wrap(Stamp("T" + std::to_string(next() % 100) + ";" + std::to_string(next() % 9))); break;
                case 2: piece = passgen::KissEscape(Hk(0xC0DB)); break;  // no FENDs around it
                default:
                    for (int n = next() % 20; n > 0; --n) piece.push_back(next() % 2 ? kiss[next() % 8] : next() % 256);
            }
            stream.insert(stream.end(), piece.begin(), piece.end());
        }
        const std::string expected = Dump(ReadSlices(stream, {}));
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; !stream.empty();) {
            at += 1 + next() % 9;
            if (at >= stream.size()) break;
            cuts.push_back(at);
        }
        ASSERT_EQ(Dump(ReadSlices(stream, cuts)), expected) << "round " << round;
    }
}

TEST(KissReader, CapacityKeepsTheFirstRecords) {
    Bytes stream;
    for (int i = 0; i < RecordTable::kCapacity + 3; ++i) {
        const Bytes frame = Wrap(Hk(i % 65536));
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    const Reading r = ReadSlices(stream, {stream.size() / 3});
    ASSERT_EQ(r.records.size(), 10000u);
    EXPECT_EQ(r.notStored, 3);
    EXPECT_EQ(r.records[9999].Channels[2], 9999.0);
    EXPECT_EQ(r.records[0].Channels[2], 0.0);
}

// A record starts clean: channel 46 and the stamps are 0 whatever the slot
// held in an earlier load.
TEST(KissReader, RecordsStartClean) {
    TelemetryStore store;
    {
        passgen::LogRaw raw{};
        raw[46] = 7;
        LogReader log(store);
        const std::string line = passgen::LogHousekeepingLine("00:00:01", raw);
        log.Feed({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
        log.Finish();
        ASSERT_EQ(store.table[0].Channels[46], 7.0);
    }
    store.ResetForOpen();
    KissReader kiss(store);
    kiss.Feed(Wrap(Hk(1)));
    kiss.Finish();
    ASSERT_EQ(store.table.RecordCount(), 1);
    EXPECT_EQ(store.table[0].Channels[46], 0.0);
    EXPECT_EQ(store.table[0].TimeText, "00:00:01.000 UTC");  // the time text carries over
    EXPECT_EQ(store.table[0].StampValue1, 0.0);
}

TEST(KissReader, LongFrames) {
    Bytes longHk = Hk(9);
    longHk.resize(600, 0xC0);
    const std::string text513 = std::string(600, 'a');
    Bytes huge = Hk(10);
    huge.resize(40000, 0x11);
    struct Case {
        const char* name;
        Bytes stream;
        std::size_t records;
        std::string timeText;
        int frameLength;
        double packet;
    };
    const Case cases[] = {
        {"housekeeping frame of 600 bytes", Wrap(longHk), 1, "", 600, 9},
        {"time stamp of 600 bytes: 511 characters", Wrap(Stamp(text513)), 0, std::string(511, 'a'), 601, 0},
        {"time stamp of 32767 bytes", Wrap(Stamp(std::string(32766, 'b'))), 0, std::string(511, 'b'), 32767, 0},
        {"time stamp of 32768 bytes: empty text", Wrap(Stamp(std::string(32767, 'b'))), 0, "", 0, 0},
        {"housekeeping frame of 40000 bytes", Wrap(huge), 1, "", 0, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Reading r = ReadSlices(c.stream, {c.stream.size() / 2});
        ASSERT_EQ(r.records.size(), c.records);
        EXPECT_EQ(r.timeText, c.timeText);
        EXPECT_EQ(r.frameLength, c.frameLength);
        if (c.records) {
            EXPECT_EQ(r.records[0].Channels[2], c.packet);
        }
    }
}

}  // namespace
}  // namespace tavro
