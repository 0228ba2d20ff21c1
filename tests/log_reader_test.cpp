// Log reader: line ends, short lines, hex pairs, zero fill. The texts are read whole,
// byte by byte and cut in two at every position: all give the same table.
#include "test_support.h"

using namespace tavro;

static std::string ReadAllWays(const std::string& text) {  // "now|time1 ch0 ch1|time2 ch0 ch1 .."
    const auto s = test::ReadAllWays(InputKind::Log, test::AsBytes(text));
    std::ostringstream out;
    out << s->CurrentTimeText();
    for (const TelemetryRecord& r : s->Records().Records()) out << '|' << r.TimeText << ' ' << r.Channels[0] << ' ' << r.Channels[1];
    return out.str();
}

// A text -> CurrentTimeText | each record's time text, OPS mode, Boot cnt.
TEST(LogReader, LineEndsShortLinesAndHexPairs) {
    const std::string a = "00:00:01 01 05", b = "00:00:02 01 06", t2 = "00:00:02.000 UTC", ab = "|00:00:01.000 UTC 5 0|" + t2 + " 6 0";
    const std::string t = "12:34:56.000 UTC", r = t + "|" + t + " ";
    const std::pair<std::string, std::string> cases[] = {
        {a + "\n" + b, t2 + ab}, {a + "\r\n" + b, t2 + ab}, {a + "\r" + b, t2 + ab}, {a + "\r\r\n" + b, t2 + ab},
        {a + "\n\n\r\n\r" + b + "\r\n", ".000 UTC" + ab},  // an empty last line
        {a + "\r\n00:00:09 02 05\r" + b + "\n", ".000 UTC" + ab},  // frame type 2
        {"", ""}, {"\n", ".000 UTC"},
        {"12:34:56 01 04 34 12", r + "4 4660"}, {"12:34:56x01-04-34-12", r + "4 4660"}, {"12:34:56 01 04 3", r + "4 3"},
        {"12:34:56 01 0a bc de", r + "10 57020"}, {"12:34:56 1G 04", r + "4 0"},  // "1G" -> 01
        {"12:34:56 01 zz 4z", r + "0 4"},  // "zz" -> 00, "4z" -> 04
        {"12:34:56 0x1 04", t}, {"12:34:56 0", t}, {"12:34", "12:34.000 UTC"},
        {"\xE4\xF6:00:00 01 07", "\xE4\xF6:00:00.000 UTC|\xE4\xF6:00:00.000 UTC 7 0"},  // Latin-1 kept as bytes
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ReadAllWays(text), expected);
}

// A line cut after 14 bytes reads 0 behind them, never the bytes of the line before.
TEST(LogReader, ShortLineReadsZeroBehindItsEnd) {
    passgen::LogRaw raw{};
    raw.fill(3);
    const std::string line = passgen::LogHousekeepingLine("12:34:56", raw);
    const auto s = test::ReadAllWays(InputKind::Log, test::AsBytes(line + "\n" + line.substr(0, 8 + 3 * 14)));
    ASSERT_EQ(s->RecordCount(), 2);
    // Channels 0..6 lie in the 13 bytes after the type: OPS mode, Boot cnt, Packet cnt, Uptime, Cmd rx, Cmd valid, validity.
    const auto& cut = s->Records()[1].Channels;
    EXPECT_EQ(std::vector<double>(cut.begin(), cut.begin() + 8), (std::vector<double>{3, 3, 3, 3, 3, 3, 3, 0}));
    EXPECT_EQ(cut[19], -50.0);  // Temp 1 of x = 0
    EXPECT_EQ(cut[46], 0.0);
}
