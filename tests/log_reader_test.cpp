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

std::string Dump(const TelemetryStore& s, int channels = kChannelCount) {  // "now|time1 ch0 ch1 ..|time2 .."
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
    const std::string a = "00:00:01 01 05", b = "00:00:02 01 06", t = "00:00:02.000 UTC", ab = "|00:00:01.000 UTC 5|" + t + " 6";
    const std::pair<std::string, std::string> cases[] = {
        {a + "\n" + b, t + ab}, {a + "\r\n" + b, t + ab}, {a + "\r" + b, t + ab}, {a + "\r\r\n" + b, t + ab},
        {a + "\n\n\r\n\r" + b + "\r\n", ".000 UTC" + ab},  // an empty last line
        {a + "\r\n00:00:09 02 05\r" + b + "\n", ".000 UTC" + ab},  // frame type 2
        {"", ""}, {"\n", ".000 UTC"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Dump(ReadAllWays(text), 1), expected);
}

// One line -> CurrentTimeText | a record's time text, OPS mode, Boot cnt.
TEST(LogReader, ShortLinesAndHexPairs) {
    const std::string t = "12:34:56.000 UTC", r = t + "|" + t + " ";
    const std::pair<std::string, std::string> cases[] = {
        {"12:34:56 01 04 34 12", r + "4 4660"}, {"12:34:56x01-04-34-12", r + "4 4660"}, {"12:34:56 01 04 3", r + "4 3"},
        {"12:34:56 01 0a bc de", r + "10 57020"}, {"12:34:56 1G 04", r + "4 0"},  // "1G" -> 01
        {"12:34:56 01 zz 4z", r + "0 4"},  // "zz" -> 00, "4z" -> 04
        {"12:34:56 0x1 04", t}, {"12:34:56 0", t}, {"12:34", "12:34.000 UTC"},
        {"\xE4\xF6:00:00 01 07", "\xE4\xF6:00:00.000 UTC|\xE4\xF6:00:00.000 UTC 7 0"},  // Latin-1 kept as bytes
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Dump(ReadAllWays(line), 2), expected);
}

// Raw fields -> encoder -> reader, then the line cut after 14 bytes: 0 behind them. Rows 2
// and 3 put C0 and DB into every field, infinity and NaN into the F64s.
TEST(LogReader, RoundTripAndZeroFill) {
    const double rows[][5] = {{37, 4099, -1000, 3000000000.0, -1.25}, {255, 65535, -32768, 4294967295.0, -0.0},
                              {0xC0, 0xC0DB, -0x2440, 0xDBC0DBC0, HUGE_VAL}, {0xDB, 0xDBC0, 32767, 2147483648.0, std::nan("")}};
    for (int row = 0; row < 4; ++row) {
        passgen::LogRaw raw{};
        for (int c = 0; c < kChannelCount; ++c) {
            const int kind = static_cast<int>(kLogLayout[c].kind);  // U8, U16, S16, U32, F64
            raw[c] = rows[row][kind] + (row ? 0 : kind == 2 ? -c : c);
        }
        const std::string line = passgen::LogHousekeepingLine("12:34:56", raw);
        const TelemetryStore s = Read(line + "\n" + line.substr(0, 8 + 3 * 14));  // channels 0..6
        for (int i = 0; i < 2 * kChannelCount; ++i) {
            const int c = i / 2, cut = i % 2;  // cut: the record of the short line
            const double want = LogChannelValue(c, cut && c > 6 ? 0.0 : raw[c]), got = s.table.Records().at(cut).Channels[c];
            EXPECT_TRUE(got == want || (std::isnan(got) && std::isnan(want))) << row << " channel " << c << " cut " << cut;
        }
    }
}

}  // namespace
}  // namespace tavro
