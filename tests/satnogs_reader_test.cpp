// SatNOGS exports: the two forms, the time and frame rules, time order, bad
// entries, a file that is not JSON, and the sample pass heard by three stations.
#include <map>

#include "file_reading.h"
#include "satnogs_reader.h"
#include "test_support.h"

using namespace tavro;

// A housekeeping frame (header 62) with Packet cnt = packet, as SatNOGS gives it.
static std::string Frame(int packet, bool lower = false) { return test::SatnogsHex(packet, lower); }

// "packet@time ..." of every record (its stamp values 0), and the file's bad entries, other and cut frames.
// allWays: whole, cut in two at every position and byte by byte; else whole only.
static std::string Read(const std::string& text, bool allWays = true) {
    const auto s = allWays ? test::ReadAllWays(InputKind::Satnogs, test::AsBytes(text))
                           : test::Read(InputKind::Satnogs, test::AsBytes(text));
    std::string seen;
    for (const TelemetryRecord& r : s->Records().Records()) {
        seen += std::to_string(static_cast<int>(r.Channels[2])) + "@" + std::string(r.TimeText.substr(11, 12)) + " ";
        EXPECT_EQ(r.StampValue1 + r.StampValue2 + r.StampValue3, 0);
    }
    const FramingReport report = s->Summary().files.at(0);
    return seen + "bad " + std::to_string(report.badEntries) + " other " + std::to_string(report.other) + " cut " +
           std::to_string(report.cutFrames);
}

TEST(SatnogsReader, CsvAndJsonInTimeOrder) {
    const std::string a = Frame(1), b = Frame(2), c = Frame(3);
    const std::string header = Frame(7).substr(0, 2 * 16), longer = Frame(7) + std::string(2 * 600, 'A');
    const std::pair<std::string, std::string> cases[] = {
        // CSV, newest first, CR LF, blank lines, a third field
        {"2026-12-06 10:00:03|" + c + "\r\n\r\n2026-12-06 10:00:02|" + b + "|station 7\r\n 2026-12-06 10:00:01 |  " + a + "  \r\n",
         "1@10:00:01.000 2@10:00:02.000 3@10:00:03.000 bad 0 other 0 cut 0"},
        // CR alone; fractions compare as decimals; Z and T; equal times keep the file's order
        {"2026-12-06T10:00:01.5Z|" + b + "\r2026-12-06 10:00:01.123456|" + a + "\r2026-12-06 10:00:01.5|" + c,
         "1@10:00:01.123 2@10:00:01.500 3@10:00:01.500 bad 0 other 0 cut 0"},
        // JSON with other members, lower-case hex
        {" \n[{\"id\": 7, \"timestamp\": \"2026-12-06T10:00:02Z\", \"frame\": \"" + Frame(2, true) +
             "\", \"station\": 12}, {\"frame\": \"" + a + "\", \"timestamp\": \"2026-12-06T10:00:01.25Z\"}]",
         "1@10:00:01.250 2@10:00:02.000 bad 0 other 0 cut 0"},
        // bad times, odd and foreign hex, no "|", elements that are no such object: skipped and counted
        {"2026-12-06|" + a + "\n2026-12-06 10:00|" + a + "\n2026/12/06 10:00:01|" + a + "\n2026-12-06 10:00:01.|" + a +
             "\n2026-12-06 10:00:01 UTC|" + a + "\n2026-12-06 10:00:01|" + a + "0\n2026-12-06 10:00:01|" + a.substr(2) +
             "zz\n2026-12-06 10:00:01|\n" + a + "\n2026-12-06 10:00:09|" + b + "\n",
         "2@10:00:09.000 bad 9 other 0 cut 0"},
        {"[1, \"x\", {\"timestamp\": 5, \"frame\": \"" + a + "\"}, {\"timestamp\": \"2026-12-06 10:00:04\"}, {\"timestamp\": "
         "\"2026-12-06 10:00:04\", \"frame\": \"" + c + "\"}]",
         "3@10:00:04.000 bad 4 other 0 cut 0"},
        // A frame goes in from position 2 behind a command byte 0: 16 header bytes have no frame type at 20;
        // a frame beyond the buffer is cut, still a record.
        {"2026-12-06 10:00:01|" + header + "\n2026-12-06 10:00:02|" + longer + "\n2026-12-06 10:00:03|0102\n",
         "7@10:00:02.000 bad 0 other 2 cut 1"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(Read(text), expected) << text;
}

// 40 entries: 25 of one second written three ways, the others with fractions
// of 1, 3 and 7 digits. From CSV and from JSON: time order, equal times in
// the file's order (packet k is the file's k-th entry).
TEST(SatnogsReader, FortyEntriesInTimeOrder) {
    const std::map<int, std::string> fractions = {
        {1, "10:00:02.5"},   {3, "10:00:00.123"},  {6, "10:00:01.1234567"}, {9, "10:00:00.5"},    {12, "10:00:01.123"},
        {15, "10:00:02.1234567"}, {18, "10:00:01.5"}, {21, "10:00:00.1234567"}, {24, "10:00:02.123"}, {27, "10:00:01.5"},
        {30, "10:00:00.5"},  {33, "10:00:01.1234567"}, {36, "10:00:00.123"}, {39, "10:00:02.5"},  {40, "10:00:01.123"}};
    const char* const oneSecond[] = {"10:00:01", "10:00:01.0", "10:00:01.000Z"};
    std::string csv, json = "[";
    for (int k = 1, same = 0; k <= 40; ++k) {
        const auto other = fractions.find(k);
        const std::string time = other != fractions.end() ? other->second : oneSecond[same++ % 3];
        csv += "2026-12-06 " + time + "|" + Frame(k) + "\n";
        json += std::string(k > 1 ? ",\n" : "") + "{\"timestamp\": \"2026-12-06T" + time + "\", \"frame\": \"" + Frame(k) + "\"}";
    }
    json += "]";
    const std::string expected =
        "3@10:00:00.123 36@10:00:00.123 21@10:00:00.123 9@10:00:00.500 30@10:00:00.500 2@10:00:01.000 "
        "4@10:00:01.000 5@10:00:01.000 7@10:00:01.000 8@10:00:01.000 10@10:00:01.000 11@10:00:01.000 "
        "13@10:00:01.000 14@10:00:01.000 16@10:00:01.000 17@10:00:01.000 19@10:00:01.000 20@10:00:01.000 "
        "22@10:00:01.000 23@10:00:01.000 25@10:00:01.000 26@10:00:01.000 28@10:00:01.000 29@10:00:01.000 "
        "31@10:00:01.000 32@10:00:01.000 34@10:00:01.000 35@10:00:01.000 37@10:00:01.000 38@10:00:01.000 "
        "12@10:00:01.123 40@10:00:01.123 6@10:00:01.123 33@10:00:01.123 18@10:00:01.500 27@10:00:01.500 "
        "24@10:00:02.123 15@10:00:02.123 1@10:00:02.500 39@10:00:02.500 bad 0 other 0 cut 0";
    EXPECT_EQ(Read(csv, false), expected);
    EXPECT_EQ(Read(json, false), expected);
}

TEST(SatnogsTimeText, Forms) {
    const struct { const char* time; const char* text; } cases[] = {
        {"2026-12-06 10:14:03", "2026-12-06 10:14:03.000 UTC"}, {"2026-12-06T10:14:03Z", "2026-12-06 10:14:03.000 UTC"},
        {" 2026-12-06T10:14:03.5Z\t", "2026-12-06 10:14:03.500 UTC"}, {"2026-12-06 10:14:03.123456", "2026-12-06 10:14:03.123 UTC"},
        {"2026-12-06 10:14:03Z ", "2026-12-06 10:14:03.000 UTC"}, {"2026-12-06 10:14:03.Z", nullptr},
        {"2026-12-06 10:14:3", nullptr}, {"2026-12-06  10:14:03", nullptr}, {"2026-12-06 10:14:03+00:00", nullptr}, {"", nullptr},
    };
    for (const auto& c : cases) {
        std::string text, key;
        EXPECT_EQ(SatnogsTimeText(c.time, text, key), c.text != nullptr) << c.time;
        if (c.text) { EXPECT_EQ(text, c.text) << c.time; }
    }
}

// A file that starts with "[" but is no JSON fails like an unreadable file; the others are read.
TEST(SatnogsReader, NoJsonBetweenTwoGoodFiles) {
    const test::TempDir dir("satnogs");
    const std::string a = dir.Write("a.csv", "2026-12-06 10:00:01|" + Frame(1) + "\n");
    const std::string bad = dir.Write("b.json", "[{\"timestamp\": \"2026-12-06 10:00:02\", \"frame\": \"" + Frame(2) + "\"}");  // no "]"
    const std::string c = dir.Write("c.json", "[{\"timestamp\": \"2026-12-06 10:00:03\", \"frame\": \"" + Frame(3) + "\"}]");
    Session session;
    ReadObserver quiet;
    ReadSelection(session, {{a, InputKind::Satnogs}, {bad, InputKind::Satnogs}, {c, InputKind::Satnogs}}, quiet);
    EXPECT_EQ(session.Summary().failures, std::vector<std::string>{"cannot read " + bad + ": not valid JSON"});
    EXPECT_EQ(session.RecordCount(), 2);
}

// The sample pass as three stations heard it, merged: the capture's 300 records, value for value.
TEST(SatnogsReader, SamplePassHeardByThreeStations) {
    ReadObserver quiet;
    Session capture, merged;
    merged.SetMergeDuplicates(true);
    ReadSelection(capture, {{TAVRO_SOURCE_DIR "/examples/pass.kss", InputKind::Kiss}}, quiet);
    ReadSelection(merged, {{TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv", InputKind::Satnogs}}, quiet);
    ASSERT_EQ(capture.RecordCount(), 300);
    ASSERT_EQ(merged.RecordCount(), 300);
    for (int k = 0; k < 300; ++k) EXPECT_EQ(merged.Records()[k].Channels, capture.Records()[k].Channels) << k;
    // Every housekeeping entry but the first of each frame was a duplicate.
    EXPECT_EQ(merged.Summary().duplicates, merged.Summary().files.at(0).housekeeping - 300);
}
