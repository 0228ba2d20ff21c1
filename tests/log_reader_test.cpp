// Log reader: line ends, short lines, hex pairs, zero fill, round trips.
// Every text of the tables is read whole, byte by byte and cut in two at
// every position; all readings must give the same table.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "frame_encoder.h"
#include "log_reader.h"

namespace tavro {
namespace {

struct Reading {
    std::vector<TelemetryRecord> records;
    std::string timeText;  // CurrentTimeText at the end
    long long notStored = 0;
    std::string Dump() const {
        std::ostringstream out;
        out << timeText << '|' << notStored << '\n';
        for (const TelemetryRecord& r : records) {
            out << r.TimeText << ';' << r.StampValue1;
            for (double v : r.Channels) out << ';' << v;
            out << '\n';
        }
        return out.str();
    }
};

Reading Read(const std::string& text, const std::vector<std::size_t>& cuts = {}) {
    TelemetryStore store;
    LogReader reader(store);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::size_t from = 0;
    for (std::size_t cut : cuts) reader.Feed(bytes.subspan(from, cut - from)), from = cut;
    reader.Feed(bytes.subspan(from));
    reader.Finish();
    return {store.table.Records(), store.CurrentTimeText, store.table.FramesNotStored()};
}

Reading ReadAllWays(const std::string& text) {
    const Reading whole = Read(text);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < text.size(); ++k) {
        everyByte.push_back(k);
        EXPECT_EQ(Read(text, {k}).Dump(), whole.Dump()) << "cut at " << k;
    }
    EXPECT_EQ(Read(text, everyByte).Dump(), whole.Dump()) << "byte by byte";
    return whole;
}

TEST(LogReader, LineEnds) {
    const std::string a = "00:00:01 01 05", b = "00:00:02 01 05", c = "00:00:03 01 05";
    const struct {
        std::string text;
        std::vector<std::string> times;  // of the records, "00:00:0x" -> "0x"
        std::string lastTime;            // CurrentTimeText after the file
    } cases[] = {
        {a + "\n" + b + "\n" + c, {"1", "2", "3"}, "00:00:03.000 UTC"},
        {a + "\r\n" + b + "\r\n" + c, {"1", "2", "3"}, "00:00:03.000 UTC"},
        {a + "\r" + b + "\r" + c, {"1", "2", "3"}, "00:00:03.000 UTC"},
        {a + "\r\n" + b + "\r" + c + "\n", {"1", "2", "3"}, ".000 UTC"},  // an empty last line
        {a + "\n\n\r\n\r" + b + "\r\n", {"1", "2"}, ".000 UTC"},
        {a + "\r\r\n" + b, {"1", "2"}, "00:00:02.000 UTC"},
        {a + "\n00:00:09 02 05\n" + c, {"1", "3"}, "00:00:03.000 UTC"},  // other frame type
        {"", {}, ""},
        {"\n", {}, ".000 UTC"},
    };
    for (const auto& k : cases) {
        const Reading r = ReadAllWays(k.text);
        std::vector<std::string> times;
        for (const TelemetryRecord& rec : r.records) times.push_back(rec.TimeText.substr(7, 1));
        EXPECT_EQ(times, k.times) << "case " << &k - cases;
        EXPECT_EQ(r.timeText, k.lastTime) << "case " << &k - cases;
    }
}

// One line -> CurrentTimeText, and whether it makes a record with which first channels.
TEST(LogReader, ShortLinesAndHexPairs) {
    const struct {
        std::string line, time;
        bool record;
        double ops, boot;  // channels 0 and 1
    } cases[] = {
        {"12:34:56 01 04 34 12", "12:34:56", true, 4, 0x1234},
        {"12:34:56 01 04 3", "12:34:56", true, 4, 3},  // a half pair
        {"12:34:56 01 0a bc de", "12:34:56", true, 10, 0xDEBC},
        {"12:34:56 1G 04", "12:34:56", true, 4, 0},     // "1G" -> 01
        {"12:34:56 01 zz 4z", "12:34:56", true, 0, 4},  // "zz" -> 00, "4z" -> 04
        {"12:34:56x01-04-34-12", "12:34:56", true, 4, 0x1234},
        {"12:34:56 0", "12:34:56", false, 0, 0},
        {"12:34:56", "12:34:56", false, 0, 0},
        {"12:34", "12:34", false, 0, 0},
        {"12:34:56 0x1 04", "12:34:56", false, 0, 0},
        {"\xE4\xF6:00:00 01 07", "\xE4\xF6:00:00", true, 7, 0},  // Latin-1 kept as bytes
    };
    for (const auto& c : cases) {
        const Reading r = ReadAllWays(c.line);
        EXPECT_EQ(r.timeText, c.time + ".000 UTC");
        ASSERT_EQ(r.records.size(), c.record ? 1u : 0u) << c.line;
        if (!c.record) continue;
        EXPECT_EQ(r.records[0].TimeText, c.time + ".000 UTC");
        EXPECT_EQ(r.records[0].Channels[0], c.ops) << c.line;
        EXPECT_EQ(r.records[0].Channels[1], c.boot) << c.line;
    }
}

// A line of 14 bytes after a full line: the positions behind them read 0.
TEST(LogReader, ShortLineReadsZerosBehindItsBytes) {
    passgen::LogRaw full{}, first14{};
    full.fill(0x5A5A);
    for (int c = 0; c <= 6; ++c) first14[c] = c + 3;
    const std::string shortLine = passgen::LogHousekeepingLine("00:00:02", first14).substr(0, 8 + 3 * 14);
    const Reading r = ReadAllWays(passgen::LogHousekeepingLine("00:00:01", full) + "\n" + shortLine);
    ASSERT_EQ(r.records.size(), 2u);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(r.records[1].Channels[c], LogChannelValue(c, c <= 6 ? first14[c] : 0.0)) << "channel " << c;
    EXPECT_EQ(r.records[1].Channels[19], -50.0);  // Temp 1 of a zero field
}

// Raw fields -> encoder -> log line -> reader: every channel its scaled
// value. Row 0 differs per channel; rows 2 and 3 put C0 and DB bytes into
// every field and non-finite doubles into the F64 fields.
TEST(LogReader, RoundTrip) {
    const double rows[][5] = {{37, 4099, -1000, 3000000000.0, -1.25},
                              {255, 65535, -32768, 4294967295.0, -0.0},
                              {0xC0, 0xC0DB, -0x2440, 0xDBC0DBC0, HUGE_VAL},
                              {0xDB, 0xDBC0, 32767, 2147483648.0, std::nan("")}};
    for (int row = 0; row < 4; ++row) {
        passgen::LogRaw raw{};
        for (int c = 0; c < kChannelCount; ++c) {
            const int kind = static_cast<int>(kLogLayout[c].kind);
            raw[c] = rows[row][kind];
            if (row == 0) raw[c] = kind == 0 ? (37 * c) % 256 : kind < 3 ? std::fmod(raw[c] * (c + 1), 32768) : raw[c] + c;
        }
        const Reading r = Read(passgen::LogHousekeepingLine("12:34:56", raw) + "\n");
        ASSERT_EQ(r.records.size(), 1u);
        for (int c = 0; c < kChannelCount; ++c) {
            const double expected = LogChannelValue(c, raw[c]), got = r.records[0].Channels[c];
            EXPECT_TRUE(got == expected || (std::isnan(got) && std::isnan(expected))) << row << " channel " << c;
        }
    }
}

TEST(LogReader, CapacityKeepsTheFirstRecords) {
    std::string text;
    for (int i = 0; i < RecordTable::kCapacity + 2; ++i) text += "00:00:00 01 00 00 00 " + std::to_string(i % 10) + "\n";
    const Reading r = Read(text, {text.size() / 2});
    ASSERT_EQ(r.records.size(), 10000u);
    EXPECT_EQ(r.notStored, 2);
    EXPECT_EQ(r.records[9999].Channels[2], 9.0);
}

}  // namespace
}  // namespace tavro
