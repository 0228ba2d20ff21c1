// Log reader: line ends, short lines, hex pairs, zero fill, slices.
// Every text of the tables is read in one piece, byte by byte and cut in two
// at every position; all readings must give the same table.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "frame_encoder.h"
#include "kiss_reader.h"
#include "log_reader.h"

namespace tavro {
namespace {

struct Reading {
    std::vector<TelemetryRecord> records;
    std::string timeText;  // CurrentTimeText at the end
    long long notStored = 0;
};

Reading ReadSlices(TelemetryStore& store, const std::string& text, const std::vector<std::size_t>& cuts) {
    LogReader reader(store);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        reader.Feed(bytes.subspan(from, cut - from));
        from = cut;
    }
    reader.Feed(bytes.subspan(from));
    reader.Finish();
    return {store.table.Records(), store.CurrentTimeText, store.table.FramesNotStored()};
}

Reading ReadSlices(const std::string& text, const std::vector<std::size_t>& cuts) {
    TelemetryStore store;
    return ReadSlices(store, text, cuts);
}

std::string Dump(const Reading& r) {
    std::ostringstream out;
    out << r.timeText << '|' << r.notStored << '\n';
    for (const TelemetryRecord& rec : r.records) {
        out << rec.TimeText << ';' << rec.StampValue1 << ';' << rec.StampValue2 << ';' << rec.StampValue3;
        for (double v : rec.Channels) out << ';' << v;
        out << '\n';
    }
    return out.str();
}

Reading ReadAllWays(const std::string& text) {
    const Reading whole = ReadSlices(text, {});
    const std::string expected = Dump(whole);
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < text.size(); ++k) everyByte.push_back(k);
    EXPECT_EQ(Dump(ReadSlices(text, everyByte)), expected) << "byte by byte";
    for (std::size_t k = 1; k < text.size(); ++k) EXPECT_EQ(Dump(ReadSlices(text, {k})), expected) << "cut at " << k;
    return whole;
}

std::vector<std::string> Times(const Reading& r) {
    std::vector<std::string> out;
    for (const TelemetryRecord& rec : r.records) out.push_back(rec.TimeText);
    return out;
}

// Short housekeeping lines: "hh:mm:ss 01 05" gives a record with OPS mode 5.
std::string Hk(const std::string& time) { return time + " 01 05"; }

TEST(LogReader, LineEnds) {
    const std::string a = Hk("00:00:01"), b = Hk("00:00:02"), c = Hk("00:00:03");
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> times;
        std::string lastTime;  // CurrentTimeText after the file
    };
    const std::vector<std::string> all{"00:00:01.000 UTC", "00:00:02.000 UTC", "00:00:03.000 UTC"};
    const Case cases[] = {
        {"LF", a + "\n" + b + "\n" + c, all, "00:00:03.000 UTC"},
        {"CR LF", a + "\r\n" + b + "\r\n" + c, all, "00:00:03.000 UTC"},
        {"lone CR", a + "\r" + b + "\r" + c, all, "00:00:03.000 UTC"},
        {"mixed", a + "\r\n" + b + "\r" + c + "\n", all, ".000 UTC"},
        {"final LF: an empty last line", a + "\n" + b + "\n" + c + "\n", all, ".000 UTC"},
        {"final CR LF", a + "\r\n" + b + "\r\n" + c + "\r\n", all, ".000 UTC"},
        {"empty lines between", a + "\n\n\r\n\r" + b + "\n" + c, all, "00:00:03.000 UTC"},
        {"CR CR LF is two line ends", a + "\r\r\n" + b, {all[0], all[1]}, "00:00:02.000 UTC"},
        {"other frame type", a + "\n00:00:09 02 05\n" + c, {all[0], all[2]}, "00:00:03.000 UTC"},
        {"empty file", "", {}, ""},
        {"one LF", "\n", {}, ".000 UTC"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const Reading r = ReadAllWays(k.text);
        EXPECT_EQ(Times(r), k.times);
        EXPECT_EQ(r.timeText, k.lastTime);
    }
}

// One line -> does it make a record, and what are its first channels.
TEST(LogReader, ShortLinesAndHexPairs) {
    struct Case {
        std::string line;
        bool record;
        double ops, boot;  // channels 0 and 1
        std::string time;  // CurrentTimeText
    };
    const Case cases[] = {
        {"12:34:56 01 04 34 12", true, 4, 0x1234, "12:34:56.000 UTC"},
        {"12:34:56 01 04 34", true, 4, 0x34, "12:34:56.000 UTC"},
        {"12:34:56 01 04 3", true, 4, 3, "12:34:56.000 UTC"},  // a half pair reads as far as it goes
        {"12:34:56 01 0a bc de", true, 10, 0xDEBC, "12:34:56.000 UTC"},
        {"12:34:56 01 0A BC DE", true, 10, 0xDEBC, "12:34:56.000 UTC"},
        {"12:34:56 1G 04", true, 4, 0, "12:34:56.000 UTC"},     // "1G" -> 01
        {"12:34:56 01 zz 4z", true, 0, 4, "12:34:56.000 UTC"},  // "zz" -> 00, "4z" -> 04
        {"12:34:56x01-04-34-12", true, 4, 0x1234, "12:34:56.000 UTC"},  // separators not examined
        {"12:34:56 1", true, 0, 0, "12:34:56.000 UTC"},         // hex "1" -> 01
        {"12:34:56 0", false, 0, 0, "12:34:56.000 UTC"},
        {"12:34:56 ", false, 0, 0, "12:34:56.000 UTC"},          // no hex part
        {"12:34:56", false, 0, 0, "12:34:56.000 UTC"},
        {"12:34", false, 0, 0, "12:34.000 UTC"},
        {"", false, 0, 0, ""},  // an empty file has no lines
        {"12:34:56 02 04", false, 0, 0, "12:34:56.000 UTC"},
        {"12:34:56 0x1 04", false, 0, 0, "12:34:56.000 UTC"},  // "0x" -> 0
        {"\xE4\xF6:00:00 01 07", true, 7, 0, "\xE4\xF6:00:00.000 UTC"},  // Latin-1 kept as bytes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Reading r = ReadAllWays(c.line);
        EXPECT_EQ(r.timeText, c.time);
        ASSERT_EQ(r.records.size(), c.record ? 1u : 0u);
        if (!c.record) continue;
        EXPECT_EQ(r.records[0].TimeText, c.time);
        EXPECT_EQ(r.records[0].Channels[0], c.ops);
        EXPECT_EQ(r.records[0].Channels[1], c.boot);
    }
}

// A line of 14 bytes after a full line: positions behind the 14 bytes read 0.
TEST(LogReader, ShortLineReadsZerosBehindItsBytes) {
    passgen::LogRaw full{};
    full.fill(0x5A5A);
    for (int c = 21; c <= 23; ++c) full[c] = 3.5;
    passgen::LogRaw first14{};
    first14[0] = 4;
    first14[1] = 0x0201;
    first14[2] = 0x0403;
    first14[3] = 0x08070605;
    first14[4] = 9;
    first14[5] = 10;
    first14[6] = 0x0C0B;
    const std::string fullLine = passgen::LogHousekeepingLine("00:00:01", full);
    const std::string shortLine = passgen::LogHousekeepingLine("00:00:02", first14).substr(0, 8 + 3 * 14);
    ASSERT_EQ(shortLine.size(), 50u);  // a hex part of 41 characters
    const Reading r = ReadAllWays(fullLine + "\n" + shortLine);
    ASSERT_EQ(r.records.size(), 2u);
    for (int c = 0; c < kChannelCount; ++c)
        EXPECT_EQ(r.records[1].Channels[c], LogChannelValue(c, c <= 6 ? first14[c] : 0.0)) << "channel " << c;
    EXPECT_EQ(r.records[1].Channels[19], -50.0);  // Temp 1 of a zero field
    EXPECT_EQ(r.records[1].Channels[30], -50.0);  // PA temp likewise
}

// A log record's stamps are 0 and its channel 46 is written, whatever the
// slot held before.
TEST(LogReader, RecordsStartClean) {
    TelemetryStore store;
    {
        KissReader kiss(store);
        kiss.Feed(passgen::KissWrap(passgen::KissTimeStampFrame("X;1;2;3")));
        kiss.Feed(passgen::KissWrap(passgen::KissHousekeepingFrame({})));
        kiss.Finish();
        ASSERT_EQ(store.table[0].StampValue1, 1.0);
    }
    store.ResetForOpen();
    const Reading r = ReadSlices(store, "00:00:05 01", {});
    ASSERT_EQ(r.records.size(), 1u);
    EXPECT_EQ(r.records[0].StampValue1, 0.0);
    EXPECT_EQ(r.records[0].StampValue2, 0.0);
    EXPECT_EQ(r.records[0].StampValue3, 0.0);
    EXPECT_EQ(r.records[0].TimeText, "00:00:05.000 UTC");
}

TEST(LogReader, VeryLongLines) {
    passgen::LogRaw raw{};
    raw[2] = 0xBEEF;
    raw[46] = 0xC0DB;
    std::string line = passgen::LogHousekeepingLine("01:02:03", raw);
    // Bytes up to frame position 512 and far beyond it.
    for (int k = 0; k < 30000; ++k) line += k % 2 ? " FF" : " 12";
    const std::string text = line + "\r\n" + Hk("01:02:04") + "\n";
    const Reading r = ReadSlices(text, {text.size() / 3, text.size() / 3 + 1, text.size() - 2});
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].TimeText, "01:02:03.000 UTC");
    EXPECT_EQ(r.records[0].Channels[2], 0xBEEF);
    EXPECT_EQ(r.records[0].Channels[46], 0xC0DB);
    EXPECT_EQ(r.records[1].TimeText, "01:02:04.000 UTC");
    EXPECT_EQ(r.records[1].Channels[0], 5.0);
    EXPECT_EQ(r.records[1].Channels[46], 0.0);  // the long line's bytes are gone
    // Byte by byte gives the same.
    std::vector<std::size_t> everyByte;
    for (std::size_t k = 1; k < text.size(); ++k) everyByte.push_back(k);
    EXPECT_EQ(Dump(ReadSlices(text, everyByte)), Dump(r));
}

// Lines, stray CRs and LFs and odd characters fed in random slices: the
// table is the same as with one Feed().
TEST(LogReader, RandomTextsReadTheSameInAnySlices) {
    std::uint64_t state = 777;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    };
    const char odd[] = "\r\n 01Gz:aF";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int pieces = 1 + next() % 10;
        for (int k = 0; k < pieces; ++k) {
            switch (next() % 4) {
                case 0: {
                    passgen::LogRaw raw{};
                    raw[2] = next() % 65536;
                    text += passgen::LogHousekeepingLine("00:00:0" + std::to_string(next() % 10), raw);
                    break;
                }
                case 1: text += Hk("11:22:33"); break;
                default:
                    for (int n = next() % 16; n > 0; --n) text += odd[next() % (sizeof odd - 1)];
            }
            text += next() % 3 ? "\n" : (next() % 2 ? "\r\n" : "\r");
        }
        const std::string expected = Dump(ReadSlices(text, {}));
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0;;) {
            at += 1 + next() % 9;
            if (at >= text.size()) break;
            cuts.push_back(at);
        }
        ASSERT_EQ(Dump(ReadSlices(text, cuts)), expected) << "round " << round;
    }
}

TEST(LogReader, CapacityKeepsTheFirstRecords) {
    std::string text;
    for (int i = 0; i < RecordTable::kCapacity + 2; ++i) {
        passgen::LogRaw raw{};
        raw[2] = i % 65536;
        text += passgen::LogHousekeepingLine("00:00:00", raw) + "\n";
    }
    const Reading r = ReadSlices(text, {text.size() / 2});
    ASSERT_EQ(r.records.size(), 10000u);
    EXPECT_EQ(r.notStored, 2);
    EXPECT_EQ(r.records[9999].Channels[2], 9999.0);
}

}  // namespace
}  // namespace tavro
