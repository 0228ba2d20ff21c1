// The cases every archive store must pass, written once against the
// Archive interface. A store's test file instantiates them with a factory
// that gives the location of a new empty archive of that store:
//
//   INSTANTIATE_TEST_SUITE_P(Sqlite, ArchiveCases, testing::Values(ArchiveFactory{"sqlite", NewSqlite}),
//                            ArchiveFactoryName);
//
// newLocation returns "" and sets why when the store cannot run here; the
// cases then skip, saying why.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "archive.h"

namespace tavro::test {

struct ArchiveFactory {
    std::string name;
    std::function<std::string(std::string& why)> newLocation;
    // The archive at location loads a channel's history in the background whatever its size:
    // until then the quick series answers from the minutes.
    std::function<std::unique_ptr<Archive>(const std::string& location)> openLoadingInBackground;
    // One SQL answer: rows by "\n" (none after the last), columns by "|".
    std::function<std::string(const std::string& location, const std::string& sql)> sql;
};
inline std::string ArchiveFactoryName(const testing::TestParamInfo<ArchiveFactory>& info) { return info.param.name; }
inline void PrintTo(const ArchiveFactory& factory, std::ostream* os) { *os << factory.name; }

inline double FromBits(std::uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}
inline std::uint64_t Bits(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// A record whose channel 2 (Packet cnt) is packet and every other channel 0.
inline ArchiveRecord Rec(double packet, std::optional<std::int64_t> utcMs = std::nullopt, std::string source = "/data/pass.kss",
                         SourceKind kind = SourceKind::KissFile, std::string timeText = "") {
    ArchiveRecord r;
    r.values[2] = packet;
    r.sourceBytes = std::string("\x00\x86\xA2\x40", 4);
    r.reception = {std::move(source), kind, std::move(timeText), utcMs, ""};
    return r;
}

// The same with OPS mode (channel 0) ops, Batt voltage (channel 10) volts, heard by station.
inline ArchiveRecord Rec(double packet, std::optional<std::int64_t> utcMs, double ops, double volts, std::string station = "DL1XYZ") {
    ArchiveRecord r = Rec(packet, utcMs);
    r.values[0] = ops, r.values[10] = volts;
    r.reception.station = std::move(station);
    return r;
}

// "first..last:min/max xbeacons rreceptions " of each point.
inline std::string SeriesText(const std::vector<SeriesPoint>& points) {
    std::string out;
    for (const SeriesPoint& p : points)
        out += std::to_string(p.firstMs) + ".." + std::to_string(p.lastMs) + ":" + testing::PrintToString(p.min) + "/" +
               testing::PrintToString(p.max) + "x" + std::to_string(p.beacons) + "r" + std::to_string(p.receptions) + " ";
    return out;
}

class ArchiveCases : public testing::TestWithParam<ArchiveFactory> {
protected:
    void SetUp() override {
        std::string why;
        location = GetParam().newLocation(why);
        if (location.empty()) GTEST_SKIP() << why;
        OpenedArchive opened = OpenArchive(location);
        ASSERT_TRUE(opened.archive) << opened.error;
        archive = std::move(opened.archive);
    }
    // "new/added" of an Add.
    std::string Add(const std::vector<ArchiveRecord>& records, Archive* into = nullptr) {
        AddCounts counts;
        Archive& a = into ? *into : *archive;
        EXPECT_TRUE(a.Add(records, counts)) << a.Error();
        return std::to_string(counts.beaconsNew) + "/" + std::to_string(counts.receptionsAdded);
    }
    std::vector<Beacon> All(const TimeSpan& span = {}) {
        std::vector<Beacon> out;
        EXPECT_TRUE(archive->ForEachBeacon(span, [&](const Beacon& b) { return out.push_back(b), true; })) << archive->Error();
        return out;
    }
    // "packet@time xreceptions " of each beacon, in the archive's order.
    std::string Beacons(const TimeSpan& span = {}) {
        std::string out;
        for (const Beacon& b : All(span))
            out += testing::PrintToString(b.values[2]) + "@" + (b.timeMs ? std::to_string(*b.timeMs) : "-") + "x" +
                   std::to_string(b.receptions) + " ";
        return out;
    }
    // "beacons/receptions untimed first..last".
    std::string Info() {
        ArchiveInfo info;
        EXPECT_TRUE(archive->Info(info)) << archive->Error();
        EXPECT_EQ(info.schemaVersion, 2);
        return std::to_string(info.beacons) + "/" + std::to_string(info.receptions) + " " + std::to_string(info.beaconsWithoutTime) +
               " " + (info.firstMs ? std::to_string(*info.firstMs) : "-") + ".." + (info.lastMs ? std::to_string(*info.lastMs) : "-");
    }
    std::string Series(int channel, const TimeSpan& span, int columns) {
        std::vector<SeriesPoint> points;
        EXPECT_TRUE(archive->Series(channel, span, columns, points)) << archive->Error();
        return SeriesText(points);
    }
    std::string location;
    std::unique_ptr<Archive> archive;
};

TEST_P(ArchiveCases, ValuesComeBackBitForBit) {
    // Bit patterns a REAL column alone loses or mangles, and ordinary ones: NaN, NaN with a payload, a
    // negative NaN with a payload, a signalling NaN, +Inf, -Inf, -0.0, +0.0, the smallest subnormal, 0.1,
    // -2.5, 2^63, 123456789, the largest double.
    const std::vector<std::uint64_t> patterns = {0x7FF8000000000000, 0x7FF8000000000001, 0xFFF800000000BEEF, 0x7FF0000000000001,
                                                 0x7FF0000000000000, 0xFFF0000000000000, 0x8000000000000000, 0x0000000000000000,
                                                 0x0000000000000001, 0x3FB999999999999A, 0xC004000000000000, 0x43E0000000000000,
                                                 0x419D6F3454000000, 0x7FEFFFFFFFFFFFFF};
    std::vector<ArchiveRecord> records;
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        ArchiveRecord r = Rec(static_cast<double>(i));
        r.values[10] = FromBits(patterns[i]);       // every pattern in one channel...
        r.values[46] = FromBits(patterns[patterns.size() - 1 - i]);  // ...and the reverse in another
        records.push_back(r);
    }
    ArchiveRecord plain = Rec(100);  // every value a REAL column keeps
    plain.values[0] = 2;
    plain.values[13] = 8123.25;
    records.push_back(plain);
    EXPECT_EQ(Add(records), "15/15");
    const std::vector<Beacon> beacons = All();
    ASSERT_EQ(beacons.size(), 15u);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        EXPECT_EQ(Bits(beacons[i].values[10]), patterns[i]) << i;
        EXPECT_EQ(Bits(beacons[i].values[46]), patterns[patterns.size() - 1 - i]) << i;
        EXPECT_EQ(beacons[i].values[2], static_cast<double>(i));
    }
    EXPECT_EQ(beacons[14].values[0], 2.0);
    EXPECT_EQ(beacons[14].values[13], 8123.25);
    // The same bits again are the same beacons; -0.0 and +0.0 are not one beacon.
    EXPECT_EQ(Add(records), "0/15");
    ArchiveRecord positiveZero = records[6], otherNan = records[1];
    positiveZero.values[10] = 0.0;
    otherNan.values[10] = FromBits(0x7FF8000000000002);
    EXPECT_EQ(Add({positiveZero, otherNan}), "2/2");
}

TEST_P(ArchiveCases, ThreeStationsHearOneBeacon) {
    ArchiveRecord a = Rec(7, 1796552224000, "/data/pass1.kss", SourceKind::KissFile, "2026-12-06 10:17:04.000 UTC");
    ArchiveRecord b = Rec(7, 1796552223500, "localhost:8001", SourceKind::KissTcp, "2026-12-06 10:17:03.500 UTC");
    ArchiveRecord c = Rec(7, std::nullopt, std::string("SatNOGS DB \xFF\xFE station") + '\0' + " 1234", SourceKind::SatnogsDb, "");
    b.reception.station = "DL1XYZ";
    EXPECT_EQ(Add({a}), "1/1");
    EXPECT_EQ(Add({b, c}), "0/2");
    EXPECT_EQ(Beacons(), "7@1796552223500x3 ");  // the earliest reception's time
    EXPECT_EQ(Info(), "1/3 0 1796552223500..1796552223500");
    EXPECT_EQ(archive->NewestReception(SourceKind::KissTcp), 1796552223500);
    EXPECT_EQ(archive->NewestReception(SourceKind::KissFile), 1796552224000);
    EXPECT_EQ(archive->NewestReception(SourceKind::SatnogsDb), std::nullopt);
    EXPECT_EQ(archive->NewestReception(SourceKind::LogFile), std::nullopt);
    // One batch may hold a beacon more than once.
    EXPECT_EQ(Add({Rec(1, 3000), Rec(2), Rec(1, 1000), Rec(1, 2000)}), "2/4");
    EXPECT_EQ(Beacons(), "1@1000x3 7@1796552223500x3 2@-x1 ");
}

// A store may look beacons up and write rows in groups: a batch longer than
// a group, whose beacons come back across it and were partly stored before.
TEST_P(ArchiveCases, ALongBatchFindsItsBeaconsAcrossIt) {
    std::vector<ArchiveRecord> stored, batch;
    for (int p = 60; p < 65; ++p) stored.push_back(Rec(p, 900000));
    Add(stored);
    for (int i = 0; i < 200; ++i) batch.push_back(Rec(i % 70, 1000 * (i + 1)));  // packets 0..69, 0..69, 0..59
    EXPECT_EQ(Add(batch), "65/200");
    std::string expected;
    for (int p = 0; p < 70; ++p) expected += std::to_string(p) + "@" + std::to_string(1000 * (p + 1)) + (p < 65 ? "x3 " : "x2 ");
    EXPECT_EQ(Beacons(), expected);
    EXPECT_EQ(Info(), "70/205 0 1000..70000");
}

TEST_P(ArchiveCases, BeaconsGoByTimeThenFirstStoredUntimedLast) {
    Add({Rec(1, 5000), Rec(2), Rec(3, 1000), Rec(4, 5000), Rec(5)});
    Add({Rec(6, 1000), Rec(7), Rec(8, 9000)});
    EXPECT_EQ(Beacons(), "3@1000x1 6@1000x1 1@5000x1 4@5000x1 8@9000x1 2@-x1 5@-x1 7@-x1 ");
    // A later reception that is earlier moves its beacon.
    Add({Rec(8, 500)});
    EXPECT_EQ(Beacons(), "8@500x2 3@1000x1 6@1000x1 1@5000x1 4@5000x1 2@-x1 5@-x1 7@-x1 ");
    // From inclusive, to exclusive, beacons without time left out.
    EXPECT_EQ(Beacons({1000, 5000}), "3@1000x1 6@1000x1 ");
    EXPECT_EQ(Beacons({5000, std::nullopt}), "1@5000x1 4@5000x1 ");
    EXPECT_EQ(Beacons({std::nullopt, 1000}), "8@500x2 ");
    EXPECT_EQ(Beacons({6000, 7000}), "");
    // The callback stops the walk.
    int seen = 0;
    EXPECT_TRUE(archive->ForEachBeacon({}, [&](const Beacon&) { return ++seen < 3; }));
    EXPECT_EQ(seen, 3);
    EXPECT_EQ(Info(), "8/9 3 500..5000");
}

TEST_P(ArchiveCases, NearestBeaconIsTheNearerInTime) {
    EXPECT_EQ(archive->NearestBeacon(0), std::nullopt);
    Add({Rec(1, 1000), Rec(2, 2000), Rec(3, 2000), Rec(4)});
    const struct { std::int64_t at; double packet; } cases[] = {
        {0, 1}, {1499, 1}, {1500, 1},  // halfway: the earlier
        {1501, 2}, {99999, 2},         // equal times: the first stored
    };
    for (const auto& c : cases) EXPECT_EQ(archive->NearestBeacon(c.at)->values[2], c.packet) << c.at;
    EXPECT_EQ(archive->NearestBeacon(99999)->receptions, 1);
}

// 1000 beacons one second apart, value 3 each but one spike of 250 and one dip of -40.
TEST_P(ArchiveCases, SeriesKeepsASingleSpike) {
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 1000; ++i) {
        ArchiveRecord r = Rec(i, 1'000'000 + i * 1000LL);
        r.values[10] = i == 617 ? 250 : i == 618 ? -40 : 3;
        records.push_back(r);
    }
    records.push_back(records[617]);  // a second reception of the spike
    Add(records);
    // Ten columns of 99.9 s over 1000000 .. 1999001: a hundred beacons each.
    std::string expected;
    for (int c = 0; c < 10; ++c)
        expected += std::to_string(1'000'000 + c * 100'000) + ".." + std::to_string(1'099'000 + c * 100'000) +
                    (c == 6 ? ":-40/250x100r101 " : ":3/3x100r100 ");
    EXPECT_EQ(Series(10, {}, 10), expected);
    // A span with no more beacons than columns: one point each.
    EXPECT_EQ(Series(10, {1'616'000, 1'620'000}, 10),
              "1616000..1616000:3/3x1r1 1617000..1617000:250/250x1r2 1618000..1618000:-40/-40x1r1 1619000..1619000:3/3x1r1 ");
    // Another channel: Packet cnt in two halves.
    EXPECT_EQ(Series(2, {std::nullopt, 1'005'000}, 2), "1000000..1002000:0/2x3r3 1003000..1004000:3/4x2r2 ");
}

TEST_P(ArchiveCases, SeriesMinMaxCountOnlyFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    std::vector<ArchiveRecord> records;
    const double values[] = {nan, inf, 5, -inf, nan, nan, 7, 2};
    for (int i = 0; i < 8; ++i) {
        records.push_back(Rec(i, i * 1000LL));
        records.back().values[12] = values[i];
    }
    Add(records);
    // Columns of 2 s: {NaN, Inf}, {5, -Inf}, {NaN, NaN}, {7, 2}.
    EXPECT_EQ(Series(12, {0, 8000}, 4), "0..1000:nan/nanx2r2 2000..3000:5/5x2r2 4000..5000:nan/nanx2r2 6000..7000:2/7x2r2 ");
    // One point per beacon shows the value itself, whatever it is.
    EXPECT_EQ(Series(12, {1000, 4000}, 4), "1000..1000:inf/infx1r1 2000..2000:5/5x1r1 3000..3000:-inf/-infx1r1 ");
}

TEST_P(ArchiveCases, SeriesFollowsBeaconsStoredOutOfTimeOrder) {
    Add({Rec(1, 3000), Rec(2, 1000), Rec(3), Rec(4, 2000), Rec(5, 1000)});
    EXPECT_EQ(Series(2, {}, 10), "1000..1000:2/2x1r1 1000..1000:5/5x1r1 2000..2000:4/4x1r1 3000..3000:1/1x1r1 ");
    // Later, earlier, an earlier reception, no time, a time for the beacon without one.
    Add({Rec(6, 30000), Rec(0, 500), Rec(4, 700), Rec(9), Rec(3, 40000)});
    EXPECT_EQ(Series(2, {}, 100), "500..500:0/0x1r1 700..700:4/4x1r2 1000..1000:2/2x1r1 1000..1000:5/5x1r1 "
                                  "3000..3000:1/1x1r1 30000..30000:6/6x1r1 40000..40000:3/3x1r2 ");
    EXPECT_EQ(Info(), "8/10 1 500..40000");
}

// history_minute (history_hour alike) as other programs read it, after
// beacons arrive, are heard again and move to an earlier minute: "minute|
// first|last|beacons|receptions|min ops|max ops|min volts|max volts" in
// thousandths, "-": no finite value.
TEST_P(ArchiveCases, MinutesFollowEveryAdd) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const auto rows = [&](const std::string& unit) {
        std::string sql = "SELECT " + unit + " || '|' || first_ms || '|' || last_ms || '|' || beacons || '|' || receptions";
        for (const char* c : {"min_ops_mode", "max_ops_mode", "min_batt_voltage", "max_batt_voltage"})
            sql += std::string(" || '|' || coalesce(CAST(CAST(") + c + " * 1000 AS BIGINT) AS TEXT), '-')";
        return GetParam().sql(location, sql + " FROM history_" + unit + " ORDER BY " + unit);
    };
    constexpr std::int64_t m = 1796552220000;  // 2026-12-06 10:17:00 UTC, minute 29942537
    EXPECT_EQ(Add({Rec(1, m + 1000, 3, 7.5), Rec(2, m + 5000, nan, 7.25), Rec(3, m + 59999, 4, 7.75), Rec(4, m + 60000, inf, -inf),
                   Rec(5, -1, 1, 1) /* before 1970: minute -1 */, Rec(6, std::nullopt, 9, 9) /* in no minute */}),
              "6/6");
    EXPECT_EQ(rows("minute"), "-1|-1|-1|1|1|1000|1000|1000|1000\n"
                              "29942537|1796552221000|1796552279999|3|3|3000|4000|7250|7750\n"
                              "29942538|1796552280000|1796552280000|1|1|-|-|-|-");
    EXPECT_EQ(rows("hour"), "-1|-1|-1|1|1|1000|1000|1000|1000\n499042|1796552221000|1796552280000|4|4|3000|4000|7250|7750");
    // Beacon 1 heard again at its time, 3 earlier in the minute before, 6 with a time, 4 twice more,
    // and a new one summed in a batch of known beacons.
    EXPECT_EQ(Add({Rec(1, m + 1000, 3, 7.5, "OK2ABC"), Rec(3, m - 30000, 4, 7.75, "OK2ABC"), Rec(6, m + 2000, 9, 9, "OK2ABC"),
                   Rec(4, m + 61000, inf, -inf, "OK2ABC"), Rec(4, m + 62000, inf, -inf, "OK2ABC"), Rec(7, m + 120000, nan, inf)}),
              "1/6");
    EXPECT_EQ(rows("minute"), "-1|-1|-1|1|1|1000|1000|1000|1000\n"
                              "29942536|1796552190000|1796552190000|1|2|4000|4000|7750|7750\n"
                              "29942537|1796552221000|1796552225000|3|5|3000|9000|7250|9000\n"
                              "29942538|1796552280000|1796552280000|1|3|-|-|-|-\n"
                              "29942539|1796552340000|1796552340000|1|1|-|-|-|-");
    EXPECT_EQ(Info(), "7/12 0 -1..1796552340000");
    // The only beacon of a minute moves out: the minute goes.
    Add({Rec(4, m + 30000, inf, -inf)});
    EXPECT_EQ(rows("minute"), "-1|-1|-1|1|1|1000|1000|1000|1000\n"
                              "29942536|1796552190000|1796552190000|1|2|4000|4000|7750|7750\n"
                              "29942537|1796552221000|1796552250000|4|9|3000|9000|7250|9000\n"
                              "29942539|1796552340000|1796552340000|1|1|-|-|-|-");
    EXPECT_EQ(rows("hour"), "-1|-1|-1|1|1|1000|1000|1000|1000\n499042|1796552190000|1796552340000|6|12|3000|9000|7250|9000");
}

// The first answer comes from the minutes while the history loads; then
// the exact series, the same as Series gives. Another channel: from the
// minutes again, the loader started anew.
TEST_P(ArchiveCases, QuickSeriesFromTheMinutesUntilLoaded) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Add({Rec(1, 1000, 3, 7.5), Rec(2, 2000, 3, 7.25), Rec(3, 61000, 3, nan), Rec(4, 125000, 3, 8), Rec(4, 125000, 3, 8, "OK2ABC"), Rec(5)});
    const auto quick = [&](Archive& a, int channel, const TimeSpan& span, int columns, bool& exact) {
        std::vector<SeriesPoint> points;
        EXPECT_TRUE(a.QuickSeries(channel, span, columns, points, exact)) << a.Error();
        return SeriesText(points);
    };
    bool exact = true;
    // Fewer columns than minutes: minutes 0 and 1 in the first column.
    EXPECT_EQ(quick(*GetParam().openLoadingInBackground(location), 10, {0, 180000}, 2, exact),
              "1000..61000:7.25/7.5x3r3 125000..125000:8/8x1r2 ");
    EXPECT_FALSE(exact);
    auto a = GetParam().openLoadingInBackground(location);
    EXPECT_EQ(quick(*a, 10, {}, 1600, exact), "1000..2000:7.25/7.5x2r2 61000..61000:nan/nanx1r1 125000..125000:8/8x1r2 ");
    EXPECT_FALSE(exact);
    std::string text;
    for (int ask = 0; ask < 1000 && !exact; ++ask) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // as the window asks again
        text = quick(*a, 10, {}, 1600, exact);
    }
    ASSERT_TRUE(exact);
    EXPECT_EQ(text, "1000..1000:7.5/7.5x1r1 2000..2000:7.25/7.25x1r1 61000..61000:nan/nanx1r1 125000..125000:8/8x1r2 ");
    std::vector<SeriesPoint> points;
    ASSERT_TRUE(a->Series(10, {}, 1600, points));
    EXPECT_EQ(SeriesText(points), text);
    EXPECT_EQ(quick(*a, 0, {}, 1600, exact), "1000..2000:3/3x2r2 61000..61000:3/3x1r1 125000..125000:3/3x1r2 ");
    EXPECT_FALSE(exact);
    ASSERT_TRUE(a->Series(0, {}, 1600, points));  // it waits for the loader
    EXPECT_EQ(SeriesText(points), "1000..1000:3/3x1r1 2000..2000:3/3x1r1 61000..61000:3/3x1r1 125000..125000:3/3x1r2 ");
}

// Over a span whose columns are hours wide the quick series comes from
// history_hour: a history of years is a few thousand rows.
TEST_P(ArchiveCases, QuickSeriesOfAWideSpanFromTheHours) {
    constexpr std::int64_t h = 3600000;
    Add({Rec(1, 0, 3, 7.5), Rec(2, 1000, 3, 7.25), Rec(3, h, 3, 7.375), Rec(4, 29 * h, 3, 8), Rec(5, 365LL * 24 * h, 3, 9)});
    std::vector<SeriesPoint> points;
    bool exact = true;
    // 10 columns of 3 hours: the first two hours in column 0, hour 29 in column 9.
    ASSERT_TRUE(GetParam().openLoadingInBackground(location)->QuickSeries(10, {0, 30 * h}, 10, points, exact));
    EXPECT_EQ(SeriesText(points), "0..3600000:7.25/7.5x3r3 104400000..104400000:8/8x1r1 ");
    EXPECT_FALSE(exact);
    // Over a year in four columns.
    ASSERT_TRUE(GetParam().openLoadingInBackground(location)->QuickSeries(10, {0, 366LL * 24 * h}, 4, points, exact));
    EXPECT_EQ(SeriesText(points), "0..104400000:7.25/8x4r4 31536000000..31536000000:9/9x1r1 ");
    EXPECT_FALSE(exact);
}

// What another connection (another station, another program) adds is seen
// by a history already loaded.
TEST_P(ArchiveCases, HistoryFollowsAnotherWriter) {
    Add({Rec(1, 5000), Rec(2, 6000)});
    EXPECT_EQ(Series(2, {}, 100), "5000..5000:1/1x1r1 6000..6000:2/2x1r1 ");
    OpenedArchive other = OpenArchive(location);
    ASSERT_TRUE(other.archive) << other.error;
    EXPECT_EQ(Add({Rec(3, 7000), Rec(2, 4000, "OK2ABC")}, other.archive.get()), "1/2");  // a new beacon, beacon 2 heard earlier
    const std::string expected = "4000..4000:2/2x1r2 5000..5000:1/1x1r1 7000..7000:3/3x1r1 ";
    std::vector<SeriesPoint> points;
    bool exact = false;
    for (int i = 0; i < 500 && !(exact && SeriesText(points) == expected); ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(archive->QuickSeries(2, {}, 100, points, exact)) << archive->Error();
    }
    EXPECT_EQ(SeriesText(points), expected);
    EXPECT_EQ(Series(2, {}, 100), expected);
}

}  // namespace tavro::test
