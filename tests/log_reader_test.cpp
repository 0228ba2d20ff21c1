// Log reader: line ends, short lines, hex pairs, zero fill, round trips. The texts are
// read whole, byte by byte and cut in two at every position: all give the same table.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "frame_encoder.h"
#include "log_reader.h"

namespace tavro {
namespace {

TelemetryStore Read(const std::string& text, const std::vector<std::size_t>& cuts = {}) {
    TelemetryStore store;
    LogReader reader(store);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::size_t from = 0;
    for (std::size_t cut : cuts) reader.Feed(bytes.subspan(from, cut - from)), from = cut;
    reader.Feed(bytes.subspan(from));
    reader.Finish();
    return store;
}

// "current time text|time text of record 1 ch0 ch1 ...|time text of record 2 ..."
std::string Dump(const TelemetryStore& s, int channels = kChannelCount) {
    std::ostringstream out;
    out << s.CurrentTimeText;
    for (const TelemetryRecord& r : s.table.Records()) {
        out << '|' << r.TimeText;
        for (int c = 0; c < channels; ++c) out << ' ' << r.Channels[c];
    }
    return out.str();
}

TelemetryStore ReadAllWays(const std::string& text) {
    TelemetryStore whole = Read(text);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < text.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Dump(Read(text, {k})), Dump(whole)) << "cut at " << k;
    }
    EXPECT_EQ(Dump(Read(text, everyByte)), Dump(whole)) << "byte by byte";
    return whole;
}

TEST(LogReader, LineEnds) {
    const std::string a = "00:00:01 01 05", b = "00:00:02 01 06";
    const std::pair<std::string, std::string> cases[] = {
        {a + "\n" + b, "00:00:02.000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},
        {a + "\r\n" + b, "00:00:02.000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},
        {a + "\r" + b, "00:00:02.000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},
        {a + "\r\r\n" + b, "00:00:02.000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},
        {a + "\n\n\r\n\r" + b + "\r\n", ".000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},  // an empty last line
        {a + "\r\n00:00:09 02 05\r" + b + "\n", ".000 UTC|00:00:01.000 UTC 5|00:00:02.000 UTC 6"},  // frame type 2
        {"", ""},
        {"\n", ".000 UTC"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Dump(ReadAllWays(text), 1), expected);
}

// One line -> CurrentTimeText | a record's time text, OPS mode, Boot cnt.
TEST(LogReader, ShortLinesAndHexPairs) {
    const std::pair<std::string, std::string> cases[] = {
        {"12:34:56 01 04 34 12", "12:34:56.000 UTC|12:34:56.000 UTC 4 4660"},
        {"12:34:56 01 04 3", "12:34:56.000 UTC|12:34:56.000 UTC 4 3"},  // a half pair
        {"12:34:56 01 0a bc de", "12:34:56.000 UTC|12:34:56.000 UTC 10 57020"},
        {"12:34:56 1G 04", "12:34:56.000 UTC|12:34:56.000 UTC 4 0"},     // "1G" -> 01
        {"12:34:56 01 zz 4z", "12:34:56.000 UTC|12:34:56.000 UTC 0 4"},  // "zz" -> 00, "4z" -> 04
        {"12:34:56x01-04-34-12", "12:34:56.000 UTC|12:34:56.000 UTC 4 4660"},
        {"12:34:56 0x1 04", "12:34:56.000 UTC"},  // "0x" -> 00
        {"12:34:56 0", "12:34:56.000 UTC"},
        {"12:34", "12:34.000 UTC"},
        {"\xE4\xF6:00:00 01 07", "\xE4\xF6:00:00.000 UTC|\xE4\xF6:00:00.000 UTC 7 0"},  // Latin-1 kept as bytes
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Dump(ReadAllWays(line), 2), expected);
}

// A line of 14 bytes after a full line: the positions behind them read 0.
TEST(LogReader, ShortLineReadsZerosBehindItsBytes) {
    passgen::LogRaw full{}, first14{};
    full.fill(0x5A5A);
    for (int c = 0; c <= 6; ++c) first14[c] = c + 3;
    const std::string shortLine = passgen::LogHousekeepingLine("00:00:02", first14).substr(0, 8 + 3 * 14);
    const TelemetryStore s = ReadAllWays(passgen::LogHousekeepingLine("00:00:01", full) + "\n" + shortLine);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(s.table.Records().at(1).Channels[c], LogChannelValue(c, c <= 6 ? first14[c] : 0.0)) << "channel " << c;
}

// Raw fields -> encoder -> reader: every channel its scaled value. Row 0 differs per
// channel; rows 2 and 3 put C0 and DB into every field, infinity and NaN into the F64s.
TEST(LogReader, RoundTrip) {
    const double rows[][5] = {{37, 4099, -1000, 3000000000.0, -1.25},
                              {255, 65535, -32768, 4294967295.0, -0.0},
                              {0xC0, 0xC0DB, -0x2440, 0xDBC0DBC0, HUGE_VAL},
                              {0xDB, 0xDBC0, 32767, 2147483648.0, std::nan("")}};
    for (int row = 0; row < 4; ++row) {
        passgen::LogRaw raw{};
        for (int c = 0; c < kChannelCount; ++c) {
            const int kind = static_cast<int>(kLogLayout[c].kind);  // U8, U16, S16, U32, F64
            raw[c] = row ? rows[row][kind] : kind == 0 ? (37 * c) % 256 : kind < 3 ? std::fmod(rows[0][kind] * (c + 1), 32768) : rows[0][kind] + c;
        }
        const TelemetryStore s = Read(passgen::LogHousekeepingLine("12:34:56", raw) + "\n");
        for (int c = 0; c < kChannelCount; ++c) {
            const double expected = LogChannelValue(c, raw[c]), got = s.table.Records().at(0).Channels[c];
            EXPECT_TRUE(got == expected || (std::isnan(got) && std::isnan(expected))) << row << " channel " << c;
        }
    }
}

}  // namespace
}  // namespace tavro
