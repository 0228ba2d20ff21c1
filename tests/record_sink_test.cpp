// The readers tell a record sink (the archive's feed) of every housekeeping
// record with its source bytes: the KISS frame from its command byte on,
// escapes undone; the log line; a SatNOGS entry's frame behind command byte
// 00 with the station it names. Also the records the full table drops and
// the duplicates it merges.
#include "kiss_reader.h"
#include "log_reader.h"
#include "record_sink.h"
#include "satnogs_reader.h"
#include "test_support.h"

namespace tavro {
namespace {

using test::Hex;

struct Told {
    std::string time, source, station;
    double packet;
    bool log;
};

class Collect : public RecordSink {
public:
    void Decoded(const DecodedFrame& f) override {
        told.push_back({std::string(f.record.TimeText.View()), test::Str(test::Bytes(f.source.begin(), f.source.end())),
                        std::string(f.stationId) + "|" + std::string(f.observer), f.record.Channels[2], f.logLine});
    }
    std::vector<Told> told;
};

// The table after one file of kind read by a reader that tells sink.
struct Read {
    CaptureState state;
    RecordTable table;
    FramingReport report;
    int RecordCount() const { return table.RecordCount(); }
};
template <class Reader>
void Feed(Read& r, std::string_view bytes) {
    Reader reader(r.state, r.table, r.report);
    reader.Feed(test::AsBytes(bytes));
    reader.Finish();
}
std::unique_ptr<Read> ReadTelling(InputKind kind, std::string_view bytes, Collect& sink, bool merge = false) {
    auto r = std::make_unique<Read>();
    r->table.SetMergeDuplicates(merge);
    r->state.sink = &sink;
    if (kind == InputKind::Kiss) Feed<KissReader>(*r, bytes);
    else if (kind == InputKind::Log) Feed<LogReader>(*r, bytes);
    else Feed<SatnogsReader>(*r, bytes);
    return r;
}

TEST(RecordSink, KissFrameFromItsCommandByteEscapesUndone) {
    // Packet cnt 0xC0 (escaped DB DC in the stream), then a frame of 20 bytes only.
    test::Bytes frame = test::HkFrame(0xC0);
    const std::string stream = test::Str(Hex("C0 09 31 32 3A 30 30 3A 30 31 C0")) + test::Str(test::Hk(0xC0)) +
                               test::Str(Hex("C0 00 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 DB DD 00 01 C0"));
    Collect sink;
    const auto s = ReadTelling(InputKind::Kiss, stream, sink);
    ASSERT_EQ(sink.told.size(), 2u);
    EXPECT_EQ(sink.told[0].time, "12:00:01");
    EXPECT_EQ(sink.told[0].packet, 192);
    EXPECT_EQ(sink.told[0].source, test::Str(frame));
    EXPECT_EQ(sink.told[0].source.substr(0, 17), test::Str(Hex("00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0")));
    EXPECT_EQ(sink.told[1].source, test::Str(Hex("00 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 DB 00 01")));
    EXPECT_FALSE(sink.told[1].log);
    EXPECT_EQ(sink.told[1].station, "|");
    EXPECT_EQ(s->RecordCount(), 2);
}

TEST(RecordSink, LogLineAsItWas) {
    const std::string line1 = "23:59:58 01 " + std::string(80, '0').replace(0, 2, "0A");
    const std::string text = line1 + "\r\n00:00:03 02 05\n00:00:04 01 FF";
    Collect sink;
    ReadTelling(InputKind::Log, text, sink);
    ASSERT_EQ(sink.told.size(), 2u);
    EXPECT_EQ(sink.told[0].source, line1);
    EXPECT_EQ(sink.told[0].time, "23:59:58.000 UTC");
    EXPECT_TRUE(sink.told[0].log);
    EXPECT_EQ(sink.told[1].source, "00:00:04 01 FF");
    EXPECT_EQ(sink.told[1].time, "00:00:04.000 UTC");
}

TEST(RecordSink, SatnogsStationNamedByTheEntry) {
    const std::string hex = test::SatnogsHex(9);
    const std::string json = "[{\"timestamp\": \"2026-12-06T10:00:02Z\", \"frame\": \"" + hex +
                             "\", \"station_id\": 1234, \"observer\": \"DL1XYZ-JN58\"},"
                             "{\"timestamp\": \"2026-12-06T10:00:01Z\", \"frame\": \"" + hex + "\", \"station_id\": \"77\"},"
                             "{\"timestamp\": \"2026-12-06T10:00:03Z\", \"frame\": \"" + hex + "\"}]";
    Collect sink;
    ReadTelling(InputKind::Satnogs, json, sink);
    ASSERT_EQ(sink.told.size(), 3u);
    EXPECT_EQ(sink.told[0].station, "77|");  // time order
    EXPECT_EQ(sink.told[1].station, "1234|DL1XYZ-JN58");
    EXPECT_EQ(sink.told[2].station, "|");
    EXPECT_EQ(sink.told[1].time, "2026-12-06 10:00:02.000 UTC");
    EXPECT_EQ(sink.told[1].source, test::Str(test::HkFrame(9)));
}

// Every frame reaches the sink: those the full table has no room for, and duplicates merged away.
TEST(RecordSink, BeyondTheTableAndDuplicates) {
    std::string stream;
    for (int k = 0; k < RecordTable::kCapacity + 3; ++k) stream += test::Str(test::Hk(k));
    for (const bool merge : {false, true}) {
        Collect sink;
        const auto s = ReadTelling(InputKind::Kiss, stream + test::Str(test::Hk(5)) + test::Str(test::Hk(5)), sink, merge);
        EXPECT_EQ(s->RecordCount(), RecordTable::kCapacity);
        ASSERT_EQ(sink.told.size(), RecordTable::kCapacity + 5u);
        EXPECT_EQ(sink.told[RecordTable::kCapacity + 2].packet, 10002);
        EXPECT_EQ(sink.told[RecordTable::kCapacity + 4].packet, 5);
    }
}

}  // namespace
}  // namespace tavro
