// KISS capture reader: framing, escapes, headers, time stamps. The streams
// are read whole, byte by byte and cut in two at every position: all give the same table.
#include <tuple>

#include "test_support.h"

using namespace tavro;
using namespace tavro::test;

const Bytes C0{0xC0};

static Bytes W(const Bytes& frame) { return passgen::KissWrap(frame); }
static Bytes Stamp(const std::string& text) { return W(passgen::KissTimeStampFrame(text)); }
static std::unique_ptr<Session> ReadAllWays(const Bytes& stream) { return test::ReadAllWays(InputKind::Kiss, stream); }

TEST(KissReader, Framing) {
    const Bytes A = HkFrame(1), B = HkFrame(2), C = HkFrame(3);
    const std::pair<Bytes, std::vector<double>> cases[] = {
        {Cat({C0, A, C0, B, C0, C, C0}), {1, 2, 3}},  // shared FENDs
        {Cat({{'x', 0xDB}, A, C0, B, C0}), {2}},      // junk before the first FEND
        {Cat({C0, A, C0, B}), {1, 2}},                // unterminated last frame
        {Cat({C0, C0, C0, A, C0, C0, B, C0, C0}), {1, 2}}, {A, {}},
        {Cat({W(HkFrame(0xDBC0)), passgen::KissEscape(HkFrame(0xC0DB)), C0}), {0xDBC0, 0xC0DB}},
    };
    for (const auto& [stream, expected] : cases) EXPECT_EQ(Packets(*ReadAllWays(stream)), expected);
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
    // All fields 0 but Packet cnt 7 (when the frame reaches it): 190 and 190.65 are the offsets of 12, 15, 17.
    std::vector<double> zero(kChannelCount, 0.0);
    zero[12] = 190, zero[15] = zero[17] = 190.65;
    for (std::uint8_t callsign : {0x62, 0x64}) {
        for (const auto& [position, value, length, record] : cases) {
            SCOPED_TRACE(testing::Message() << "callsign " << int(callsign) << " at " << position << " length " << length);
            Bytes frame = HkFrame(7, callsign);
            frame[position - 1] = static_cast<std::uint8_t>(value == kOther ? callsign ^ 0x06 : value);
            frame.resize(length);
            const auto s = ReadAllWays(Cat({W(passgen::KissHousekeepingFrame(full)), W(frame)}));
            ASSERT_EQ(s->RecordCount(), record ? 2 : 1);
            if (!record) continue;
            std::vector<double> expected = zero;
            expected[2] = length > 26 ? 7 : 0;
            const auto& got = s->Records()[1].Channels;
            EXPECT_EQ(std::vector<double>(got.begin(), got.end()), expected);
        }
    }
}

// Time stamp frames, and escapes at a frame's end seen through their text.
TEST(KissReader, TimeStamps) {
    const Bytes hk = Hk(1), x123 = Stamp("X;1;2;3");
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
        const auto s = ReadAllWays(stream);
        const TelemetryRecord& r = s->Records()[0];
        EXPECT_EQ((std::ostringstream() << r.TimeText << '|' << r.StampValue1 << '|' << r.StampValue2 << '|'
                                        << r.StampValue3).str(), expected);
    }
    EXPECT_EQ(ReadAllWays({0xC0, 9, 'T', 0xDB, 0xDD, 0xDB})->CurrentTimeText(), "T\xDB\xDB");  // no closing FEND
}

// Multi-port KISS: the chosen TNC port's data frames (command byte port x 16)
// are housekeeping candidates, the other ports' and other commands are not;
// time stamp frames (09) count on any port.
TEST(KissReader, TncPorts) {
    const struct { int port; std::uint8_t command; bool record; } cases[] = {
        {0, 0x00, true},  {0, 0x20, false}, {2, 0x20, true},  {2, 0x00, false}, {2, 0x21, false},
        {2, 0x02, false}, {1, 0x10, true},  {15, 0xF0, true}, {15, 0x00, false}, {0, 0x01, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "port " << c.port << " command " << int(c.command));
        Bytes frame = HkFrame(5);
        frame[0] = c.command;
        const Bytes stream = Cat({Stamp("2026-12-06 10:14:03.000 UTC;4;5;6"), W(frame)});
        Session s;
        s.SetKissPort(c.port);
        s.BeginSelection(), s.BeginFile("p.kss", InputKind::Kiss);
        for (std::uint8_t b : stream) s.Feed(std::span(&b, 1));  // byte by byte, as a slow line gives them
        s.EndFile(), s.EndSelection();
        EXPECT_EQ(Packets(s), c.record ? std::vector<double>{5} : std::vector<double>{});
        EXPECT_EQ(s.CurrentTimeText(), "2026-12-06 10:14:03.000 UTC");
    }
    // Hand-written: port 3's header, frame type 1 at byte 20, Packet cnt 0x0102 at 25-26.
    Bytes port3 = Hex("C0 30 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 01 00 00 00 00 02 01");
    port3.resize(112, 0x00);
    port3.push_back(0xC0);
    Session s;
    s.SetKissPort(3);
    s.BeginSelection(), s.BeginFile("p.kss", InputKind::Kiss), s.Feed(port3), s.EndFile(), s.EndSelection();
    EXPECT_EQ(Packets(s), std::vector<double>{258});
}
