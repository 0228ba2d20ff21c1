// The cases every archive store must pass, written once against the
// Archive interface. A store's test file instantiates them with a factory
// that makes an empty archive of that store:
//
//   INSTANTIATE_TEST_SUITE_P(Sqlite, ArchiveCases, testing::Values(ArchiveFactory{"sqlite", MakeEmptySqlite}),
//                            ArchiveFactoryName);
//
// MakeEmpty returns null and sets why when the store cannot run here; the
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
    std::function<std::unique_ptr<Archive>(std::string& why)> makeEmpty;
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

class ArchiveCases : public testing::TestWithParam<ArchiveFactory> {
protected:
    void SetUp() override {
        std::string why;
        archive = GetParam().makeEmpty(why);
        if (!archive) GTEST_SKIP() << why;
    }
    AddCounts Add(const std::vector<ArchiveRecord>& records) {
        AddCounts counts;
        EXPECT_TRUE(archive->Add(records, counts)) << archive->Error();
        return counts;
    }
    std::vector<Beacon> All(const TimeSpan& span = {}) {
        std::vector<Beacon> out;
        EXPECT_TRUE(archive->ForEachBeacon(span, [&](const Beacon& b) { return out.push_back(b), true; })) << archive->Error();
        return out;
    }
    // Packet cnt of each beacon, in the archive's order.
    std::vector<double> Packets(const TimeSpan& span = {}) {
        std::vector<double> p;
        for (const Beacon& b : All(span)) p.push_back(b.values[2]);
        return p;
    }
    std::unique_ptr<Archive> archive;
};

TEST_P(ArchiveCases, ValuesComeBackBitForBit) {
    // Bit patterns a REAL column alone loses or mangles, and ordinary ones.
    const std::vector<std::uint64_t> patterns = {
        0x7FF8000000000000,  // NaN
        0x7FF8000000000001,  // NaN with a payload
        0xFFF800000000BEEF,  // negative NaN with a payload
        0x7FF0000000000001,  // signalling NaN
        0x7FF0000000000000,  // +Inf
        0xFFF0000000000000,  // -Inf
        0x8000000000000000,  // -0.0
        0x0000000000000000,  // +0.0
        0x0000000000000001,  // the smallest subnormal
        0x3FB999999999999A,  // 0.1
        0xC004000000000000,  // -2.5
        0x43E0000000000000,  // 2^63
        0x419D6F3454000000,  // 123456789
        0x7FEFFFFFFFFFFFFF,  // the largest double
    };
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
    EXPECT_EQ(Add(records).beaconsNew, 15);
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
    AddCounts again = Add(records);
    EXPECT_EQ(again.beaconsNew, 0);
    EXPECT_EQ(again.receptionsAdded, 15);
    ArchiveRecord positiveZero = records[6];
    positiveZero.values[10] = 0.0;
    ArchiveRecord otherNan = records[1];
    otherNan.values[10] = FromBits(0x7FF8000000000002);
    EXPECT_EQ(Add({positiveZero, otherNan}).beaconsNew, 2);
}

TEST_P(ArchiveCases, ThreeStationsHearOneBeacon) {
    ArchiveRecord a = Rec(7, 1796552224000, "/data/pass1.kss", SourceKind::KissFile, "2026-12-06 10:17:04.000 UTC");
    ArchiveRecord b = Rec(7, 1796552223500, "localhost:8001", SourceKind::KissTcp, "2026-12-06 10:17:03.500 UTC");
    ArchiveRecord c = Rec(7, std::nullopt, "SatNOGS DB station 1234 (DL1XYZ)", SourceKind::SatnogsDb, "");
    b.reception.station = "DL1XYZ";
    AddCounts first = Add({a});
    AddCounts rest = Add({b, c});
    EXPECT_EQ(first.beaconsNew, 1);
    EXPECT_EQ(first.receptionsAdded, 1);
    EXPECT_EQ(rest.beaconsNew, 0);
    EXPECT_EQ(rest.receptionsAdded, 2);
    const std::vector<Beacon> beacons = All();
    ASSERT_EQ(beacons.size(), 1u);
    EXPECT_EQ(beacons[0].receptions, 3);
    EXPECT_EQ(beacons[0].timeMs, 1796552223500);  // the earliest reception's time
    ArchiveInfo info;
    ASSERT_TRUE(archive->Info(info)) << archive->Error();
    EXPECT_EQ(info.schemaVersion, 2);
    EXPECT_EQ(info.beacons, 1);
    EXPECT_EQ(info.receptions, 3);
    EXPECT_EQ(info.beaconsWithoutTime, 0);
    EXPECT_EQ(info.firstMs, 1796552223500);
    EXPECT_EQ(info.lastMs, 1796552223500);
    EXPECT_EQ(archive->NewestReception(SourceKind::KissTcp), 1796552223500);
    EXPECT_EQ(archive->NewestReception(SourceKind::KissFile), 1796552224000);
    EXPECT_EQ(archive->NewestReception(SourceKind::SatnogsDb), std::nullopt);
    EXPECT_EQ(archive->NewestReception(SourceKind::LogFile), std::nullopt);
}

TEST_P(ArchiveCases, OneBatchMayHoldABeaconTwice) {
    AddCounts counts = Add({Rec(1, 3000), Rec(2), Rec(1, 1000), Rec(1, 2000)});
    EXPECT_EQ(counts.beaconsNew, 2);
    EXPECT_EQ(counts.receptionsAdded, 4);
    const std::vector<Beacon> beacons = All();
    ASSERT_EQ(beacons.size(), 2u);
    EXPECT_EQ(beacons[0].values[2], 1.0);
    EXPECT_EQ(beacons[0].timeMs, 1000);
    EXPECT_EQ(beacons[0].receptions, 3);
    EXPECT_EQ(beacons[1].timeMs, std::nullopt);
}

// A store may look beacons up and write rows in groups: a batch longer than
// a group, whose beacons come back across it and were partly stored before.
TEST_P(ArchiveCases, ALongBatchFindsItsBeaconsAcrossIt) {
    std::vector<ArchiveRecord> stored;
    for (int p = 60; p < 65; ++p) stored.push_back(Rec(p, 900000));
    Add(stored);
    std::vector<ArchiveRecord> batch;
    for (int i = 0; i < 200; ++i) batch.push_back(Rec(i % 70, 1000 * (i + 1)));  // packets 0..69, 0..69, 0..59
    AddCounts counts = Add(batch);
    EXPECT_EQ(counts.beaconsNew, 65);
    EXPECT_EQ(counts.receptionsAdded, 200);
    const std::vector<Beacon> beacons = All();
    ASSERT_EQ(beacons.size(), 70u);
    for (int p = 0; p < 70; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(beacons[static_cast<std::size_t>(p)].values[2], p);
        EXPECT_EQ(beacons[static_cast<std::size_t>(p)].timeMs, 1000 * (p + 1));
        EXPECT_EQ(beacons[static_cast<std::size_t>(p)].receptions, p < 65 ? 3 : 2);
    }
    ArchiveInfo info;
    ASSERT_TRUE(archive->Info(info));
    EXPECT_EQ(info.beacons, 70);
    EXPECT_EQ(info.receptions, 205);
    EXPECT_EQ(info.lastMs, 70000);
}

TEST_P(ArchiveCases, BeaconsGoByTimeThenFirstStoredUntimedLast) {
    Add({Rec(1, 5000), Rec(2), Rec(3, 1000), Rec(4, 5000), Rec(5)});
    Add({Rec(6, 1000), Rec(7), Rec(8, 9000)});
    EXPECT_EQ(Packets(), (std::vector<double>{3, 6, 1, 4, 8, 2, 5, 7}));
    // A later reception that is earlier moves its beacon.
    Add({Rec(8, 500)});
    EXPECT_EQ(Packets(), (std::vector<double>{8, 3, 6, 1, 4, 2, 5, 7}));
    // From inclusive, to exclusive, beacons without time left out.
    EXPECT_EQ(Packets({1000, 5000}), (std::vector<double>{3, 6}));
    EXPECT_EQ(Packets({5000, std::nullopt}), (std::vector<double>{1, 4}));
    EXPECT_EQ(Packets({std::nullopt, 1000}), (std::vector<double>{8}));
    EXPECT_EQ(Packets({6000, 7000}), (std::vector<double>{}));
    // The callback stops the walk.
    int seen = 0;
    EXPECT_TRUE(archive->ForEachBeacon({}, [&](const Beacon&) { return ++seen < 3; }));
    EXPECT_EQ(seen, 3);
    ArchiveInfo info;
    ASSERT_TRUE(archive->Info(info));
    EXPECT_EQ(info.beacons, 8);
    EXPECT_EQ(info.receptions, 9);
    EXPECT_EQ(info.beaconsWithoutTime, 3);
    EXPECT_EQ(info.firstMs, 500);
    EXPECT_EQ(info.lastMs, 5000);
}

TEST_P(ArchiveCases, NearestBeaconIsTheNearerInTime) {
    EXPECT_EQ(archive->NearestBeacon(0), std::nullopt);
    Add({Rec(1, 1000), Rec(2, 2000), Rec(3, 2000), Rec(4)});
    EXPECT_EQ(archive->NearestBeacon(0)->values[2], 1.0);
    EXPECT_EQ(archive->NearestBeacon(1499)->values[2], 1.0);
    EXPECT_EQ(archive->NearestBeacon(1500)->values[2], 1.0);  // halfway: the earlier
    EXPECT_EQ(archive->NearestBeacon(1501)->values[2], 2.0);  // equal times: the first stored
    EXPECT_EQ(archive->NearestBeacon(99999)->values[2], 2.0);
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
    std::vector<SeriesPoint> points;
    ASSERT_TRUE(archive->Series(10, {}, 10, points)) << archive->Error();
    // Ten columns of 99.9 s each over 1000000 .. 1999001.
    ASSERT_EQ(points.size(), 10u);
    long long beacons = 0, receptions = 0;
    for (std::size_t c = 0; c < points.size(); ++c) {
        beacons += points[c].beacons;
        receptions += points[c].receptions;
        EXPECT_EQ(points[c].min, c == 6 ? -40.0 : 3.0) << c;
        EXPECT_EQ(points[c].max, c == 6 ? 250.0 : 3.0) << c;
    }
    EXPECT_EQ(beacons, 1000);
    EXPECT_EQ(receptions, 1001);
    EXPECT_EQ(points[0].firstMs, 1'000'000);
    EXPECT_EQ(points[0].lastMs, 1'099'000);
    EXPECT_EQ(points[9].lastMs, 1'999'000);
    // A span with no more beacons than columns: one point each.
    ASSERT_TRUE(archive->Series(10, {1'616'000, 1'620'000}, 10, points));
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[1].firstMs, 1'617'000);
    EXPECT_EQ(points[1].min, 250.0);
    EXPECT_EQ(points[1].receptions, 2);
    EXPECT_EQ(points[2].max, -40.0);
    EXPECT_EQ(points[3].beacons, 1);
    // Another channel: all zero.
    ASSERT_TRUE(archive->Series(2, {std::nullopt, 1'005'000}, 2, points));
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1].max, 4.0);  // packets 3 and 4 in the second half
}

TEST_P(ArchiveCases, SeriesMinMaxCountOnlyFiniteValues) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    std::vector<ArchiveRecord> records;
    const double values[] = {nan, inf, 5, -inf, nan, nan, 7, 2};
    for (int i = 0; i < 8; ++i) {
        ArchiveRecord r = Rec(i, i * 1000LL);
        r.values[12] = values[i];
        records.push_back(r);
    }
    Add(records);
    std::vector<SeriesPoint> points;
    ASSERT_TRUE(archive->Series(12, {0, 8000}, 4, points));
    ASSERT_EQ(points.size(), 4u);
    // Columns of 2 s: {NaN, Inf}, {5, -Inf}, {NaN, NaN}, {7, 2}.
    EXPECT_TRUE(std::isnan(points[0].min) && std::isnan(points[0].max));
    EXPECT_EQ(points[1].min, 5.0);
    EXPECT_EQ(points[1].max, 5.0);
    EXPECT_TRUE(std::isnan(points[2].min) && std::isnan(points[2].max));
    EXPECT_EQ(points[3].min, 2.0);
    EXPECT_EQ(points[3].max, 7.0);
    EXPECT_EQ(points[3].beacons, 2);
    // One point per beacon shows the value itself, whatever it is.
    ASSERT_TRUE(archive->Series(12, {1000, 4000}, 4, points));
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].max, inf);
    EXPECT_EQ(points[2].min, -inf);
}

TEST_P(ArchiveCases, SeriesOfBeaconsStoredOutOfTimeOrder) {
    Add({Rec(1, 3000), Rec(2, 1000), Rec(3), Rec(4, 2000), Rec(5, 1000)});
    std::vector<SeriesPoint> points;
    ASSERT_TRUE(archive->Series(2, {}, 10, points));
    ASSERT_EQ(points.size(), 4u);
    const double packets[] = {2, 5, 4, 1};
    const std::int64_t times[] = {1000, 1000, 2000, 3000};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(points[i].min, packets[i]) << i;
        EXPECT_EQ(points[i].firstMs, times[i]) << i;
    }
}

TEST_P(ArchiveCases, SeriesFollowsWhatIsAdded) {
    Add({Rec(1, 10000), Rec(2, 20000)});
    std::vector<SeriesPoint> points;
    ASSERT_TRUE(archive->Series(2, {}, 100, points));
    ASSERT_EQ(points.size(), 2u);
    Add({Rec(3, 30000), Rec(0, 5000), Rec(2, 1000), Rec(9)});  // later, earlier, an earlier reception, no time
    ASSERT_TRUE(archive->Series(2, {}, 100, points));
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].firstMs, 1000);
    EXPECT_EQ(points[0].max, 2.0);
    EXPECT_EQ(points[0].receptions, 2);
    EXPECT_EQ(points[1].max, 0.0);
    EXPECT_EQ(points[2].max, 1.0);
    EXPECT_EQ(points[3].firstMs, 30000);
}

// Until the channel is loaded the quick series comes from the minutes (a
// column each here); then it is exact and the same as Series.
TEST_P(ArchiveCases, QuickSeriesEndsAsSeries) {
    Add({Rec(1, 1000), Rec(2, 61000), Rec(5, 125000), Rec(3, 125001), Rec(4)});
    const auto text = [](const std::vector<SeriesPoint>& points) {
        std::string out;
        for (const SeriesPoint& p : points)
            out += std::to_string(p.firstMs) + ".." + std::to_string(p.lastMs) + ":" + testing::PrintToString(p.min) + "/" +
                   testing::PrintToString(p.max) + "x" + std::to_string(p.beacons) + " ";
        return out;
    };
    std::vector<SeriesPoint> points;
    bool exact = false;
    for (int ask = 0; ask < 1000 && !exact; ++ask) {
        if (ask > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));  // as the window asks again
        ASSERT_TRUE(archive->QuickSeries(2, {}, 100, points, exact)) << archive->Error();
        if (!exact) {
            ASSERT_EQ(text(points), "1000..1000:1/1x1 61000..61000:2/2x1 125000..125001:3/5x2 ");
        }
    }
    ASSERT_TRUE(exact);
    const std::string quick = text(points);
    EXPECT_EQ(quick, "1000..1000:1/1x1 61000..61000:2/2x1 125000..125000:5/5x1 125001..125001:3/3x1 ");
    ASSERT_TRUE(archive->Series(2, {}, 100, points));
    EXPECT_EQ(text(points), quick);
}

}  // namespace tavro::test
