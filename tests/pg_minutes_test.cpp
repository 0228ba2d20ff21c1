// The PostgreSQL archive's per-minute summary (history_minute) on a real
// server: its rows after adds, by SQL; the quick series drawn from it while
// the channel loads; a version 1 archive upgraded to it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <thread>

#include "pg_archive.h"
#include "pg_server.h"

namespace tavro {
namespace {

using test::PgServer;

constexpr std::int64_t kMinute0 = 1796552220000;  // 2026-12-06 10:17:00 UTC, minute 29942537
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Packet cnt (channel 2) packet, Ops mode (channel 0) opsMode, Batt voltage
// (channel 10) volts.
ArchiveRecord Record(int packet, std::optional<std::int64_t> utcMs, double opsMode, double volts, const std::string& station = "DL1XYZ") {
    ArchiveRecord r;
    r.values[0] = opsMode;
    r.values[2] = packet;
    r.values[10] = volts;
    r.sourceBytes = "frame " + std::to_string(packet);
    r.reception = {"/data/pass.kss", SourceKind::KissFile, "", utcMs, station};
    return r;
}

std::unique_ptr<Archive> Open(const std::string& uri) {
    OpenedArchive a = PgArchive::Open(uri);
    EXPECT_TRUE(a.archive) << a.error;
    return std::move(a.archive);
}

bool Add(Archive& archive, const std::vector<ArchiveRecord>& records) {
    AddCounts counts;
    const bool ok = archive.Add(records, counts);
    EXPECT_TRUE(ok) << archive.Error();
    return ok;
}

// "minute|first|last|beacons|receptions|min ops|max ops|min volts|max volts" per row, ";" between;
// unit "hour": the same of history_hour.
std::string Minutes(PgServer& pg, const std::string& db, const std::string& unit = "minute") {
    return pg.Value(db, "SELECT string_agg(concat_ws('|', " + unit + ", first_ms, last_ms, beacons, receptions, coalesce(min_ops_mode::text, '-'),"
                        " coalesce(max_ops_mode::text, '-'), coalesce(min_batt_voltage::text, '-'),"
                        " coalesce(max_batt_voltage::text, '-')), ';' ORDER BY " + unit + ") FROM history_" + unit);
}
std::string Hours(PgServer& pg, const std::string& db) { return Minutes(pg, db, "hour"); }

// "first..last:min/max xbeacons rreceptions " of each point, times from kMinute0.
std::string Text(const std::vector<SeriesPoint>& points) {
    std::string out;
    for (const SeriesPoint& p : points)
        out += std::to_string(p.firstMs - kMinute0) + ".." + std::to_string(p.lastMs - kMinute0) + ":" + testing::PrintToString(p.min) +
               "/" + testing::PrintToString(p.max) + "x" + std::to_string(p.beacons) + "r" + std::to_string(p.receptions) + " ";
    return out;
}

std::string Counts(Archive& archive) {
    ArchiveInfo info;
    EXPECT_TRUE(archive.Info(info)) << archive.Error();
    return std::to_string(info.beacons) + " beacons, " + std::to_string(info.receptions) + " receptions, " +
           std::to_string(info.beaconsWithoutTime) + " without time, " + (info.firstMs ? std::to_string(*info.firstMs) : "-") +
           ".." + (info.lastMs ? std::to_string(*info.lastMs) : "-");
}

TEST(PgMinutes, RowsFollowAddsExactly) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    auto archive = Open(pg.Uri(db));
    ASSERT_TRUE(archive);
    ASSERT_TRUE(Add(*archive, {
        Record(1, kMinute0 + 1000, 3, 7.5),
        Record(2, kMinute0 + 5000, kNan, 7.25),  // NaN counts in no minimum
        Record(3, kMinute0 + 59999, 4, 7.75),
        Record(4, kMinute0 + 60000, kInf, -kInf),  // a minute of its own, nothing finite
        Record(5, -1, 1, 1),                       // before 1970: minute -1
        Record(6, std::nullopt, 9, 9),             // no time: in no minute
    }));
    EXPECT_EQ(Minutes(pg, db),
              "-1|-1|-1|1|1|1|1|1|1;"
              "29942537|1796552221000|1796552279999|3|3|3|4|7.25|7.75;"
              "29942538|1796552280000|1796552280000|1|1|-|-|-|-");
    EXPECT_EQ(Hours(pg, db), "-1|-1|-1|1|1|1|1|1|1;499042|1796552221000|1796552280000|4|4|3|4|7.25|7.75");
    EXPECT_EQ(Counts(*archive), "6 beacons, 6 receptions, 1 without time, -1..1796552280000");

    // Beacon 1 heard again at its time, beacon 3 heard earlier in the
    // minute before, beacon 6 heard with a time, beacon 4 twice more.
    ASSERT_TRUE(Add(*archive, {
        Record(1, kMinute0 + 1000, 3, 7.5, "OK2ABC"),
        Record(3, kMinute0 - 30000, 4, 7.75, "OK2ABC"),
        Record(6, kMinute0 + 2000, 9, 9, "OK2ABC"),
        Record(4, kMinute0 + 61000, kInf, -kInf, "OK2ABC"),
        Record(4, kMinute0 + 62000, kInf, -kInf, "OK2ABC"),
        Record(7, kMinute0 + 120000, kNan, kInf),  // new, summed here (the batch has known beacons)
    }));
    EXPECT_EQ(Minutes(pg, db),
              "-1|-1|-1|1|1|1|1|1|1;"
              "29942536|1796552190000|1796552190000|1|2|4|4|7.75|7.75;"
              "29942537|1796552221000|1796552225000|3|5|3|9|7.25|9;"
              "29942538|1796552280000|1796552280000|1|3|-|-|-|-;"
              "29942539|1796552340000|1796552340000|1|1|-|-|-|-");
    EXPECT_EQ(Hours(pg, db), "-1|-1|-1|1|1|1|1|1|1;499042|1796552190000|1796552340000|6|11|3|9|7.25|9");
    EXPECT_EQ(Counts(*archive), "7 beacons, 12 receptions, 0 without time, -1..1796552340000");

    // The only beacon of a minute moves out: the minute goes.
    ASSERT_TRUE(Add(*archive, {Record(4, kMinute0 + 30000, kInf, -kInf)}));
    EXPECT_EQ(Minutes(pg, db),
              "-1|-1|-1|1|1|1|1|1|1;"
              "29942536|1796552190000|1796552190000|1|2|4|4|7.75|7.75;"
              "29942537|1796552221000|1796552250000|4|9|3|9|7.25|9;"
              "29942539|1796552340000|1796552340000|1|1|-|-|-|-");
    EXPECT_EQ(Hours(pg, db), "-1|-1|-1|1|1|1|1|1|1;499042|1796552190000|1796552340000|6|12|3|9|7.25|9");
    EXPECT_EQ(Counts(*archive), "7 beacons, 13 receptions, 0 without time, -1..1796552340000");
}

// Two stations add to the same minutes at once, each batch in one
// transaction: no count is lost, no extreme missed.
TEST(PgMinutes, TwoWritersIntoOneMinute) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w)
        writers.emplace_back([&, w] {
            auto archive = Open(pg.Uri(db));
            if (!archive) return;
            // Writer w: packets 100w .. 100w+99 in batches of 5, every one
            // heard by both writers (the other's packet 100(1-w)+i too).
            for (int i = 0; i < 100; i += 5) {
                std::vector<ArchiveRecord> batch;
                for (int k = i; k < i + 5; ++k) {
                    for (const int packet : {100 * w + k, 100 * (1 - w) + k})
                        batch.push_back(Record(packet, kMinute0 + packet, 1, (7000 + packet) / 1000.0, "ST" + std::to_string(w)));
                }
                if (!Add(*archive, batch)) return;
            }
        });
    for (std::thread& t : writers) t.join();
    EXPECT_EQ(Minutes(pg, db), "29942537|1796552220000|1796552220199|200|400|1|1|7|7.199");
    EXPECT_EQ(pg.Value(db, "SELECT count(*), sum(receptions) FROM beacon"), "200|400");
}

// The first answer comes from the minutes while the history loads; then
// the exact series, the same as Series gives.
TEST(PgMinutes, QuickSeriesFromMinutesUntilTheHistoryIsLoaded) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    {
        auto writer = Open(pg.Uri(db));
        ASSERT_TRUE(writer);
        ASSERT_TRUE(Add(*writer, {Record(1, kMinute0 + 1000, 3, 7.5), Record(2, kMinute0 + 2000, 3, 7.25),
                                  Record(3, kMinute0 + 61000, 3, kNan), Record(4, kMinute0 + 125000, 3, 8),
                                  Record(4, kMinute0 + 125000, 3, 8, "OK2ABC")}));
    }
    auto archive = Open(pg.Uri(db));
    ASSERT_TRUE(archive);
    std::vector<SeriesPoint> points;
    bool exact = true;
    ASSERT_TRUE(archive->QuickSeries(10, {}, 1600, points, exact)) << archive->Error();
    EXPECT_FALSE(exact);
    EXPECT_EQ(Text(points), "1000..2000:7.25/7.5x2r2 61000..61000:nan/nanx1r1 125000..125000:8/8x1r2 ");
    // A span of the second minute only.
    ASSERT_TRUE(archive->QuickSeries(10, {kMinute0 + 60000, kMinute0 + 120000}, 1600, points, exact));
    if (!exact) {
        EXPECT_EQ(Text(points), "61000..61000:nan/nanx1r1 ");
    }
    for (int i = 0; i < 1000 && !exact; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(archive->QuickSeries(10, {}, 1600, points, exact)) << archive->Error();
    }
    ASSERT_TRUE(exact);
    const std::string quick = Text(points);
    EXPECT_EQ(quick, "1000..1000:7.5/7.5x1r1 2000..2000:7.25/7.25x1r1 61000..61000:nan/nanx1r1 125000..125000:8/8x1r2 ");
    ASSERT_TRUE(archive->Series(10, {}, 1600, points));
    EXPECT_EQ(Text(points), quick);

    // Another channel: from the minutes again, the loader started anew.
    ASSERT_TRUE(archive->QuickSeries(0, {}, 1600, points, exact));
    EXPECT_FALSE(exact);
    EXPECT_EQ(Text(points), "1000..2000:3/3x2r2 61000..61000:3/3x1r1 125000..125000:3/3x1r2 ");
    // And Series waits for it.
    ASSERT_TRUE(archive->Series(0, {}, 1600, points));
    EXPECT_EQ(Text(points), "1000..1000:3/3x1r1 2000..2000:3/3x1r1 61000..61000:3/3x1r1 125000..125000:3/3x1r2 ");
}

// Over a span whose columns are hours wide, the quick series comes from
// history_hour: a history of years is a few thousand rows.
TEST(PgMinutes, QuickSeriesOfAWideSpanFromHours) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    auto archive = Open(pg.Uri(db));
    ASSERT_TRUE(archive);
    constexpr std::int64_t kHour = 3600000;
    ASSERT_TRUE(Add(*archive, {Record(1, kMinute0, 3, 7.5), Record(2, kMinute0 + 1000, 3, 7.25), Record(3, kMinute0 + kHour, 3, 7.375),
                               Record(4, kMinute0 + 29 * kHour, 3, 8)}));
    std::vector<SeriesPoint> points;
    bool exact = true;
    // 10 columns of 3 hours: the first two hours in column 0, hour 29 in column 9.
    ASSERT_TRUE(archive->QuickSeries(10, {kMinute0, kMinute0 + 30 * kHour}, 10, points, exact)) << archive->Error();
    EXPECT_FALSE(exact);
    EXPECT_EQ(Text(points), "0..3600000:7.25/7.5x3r3 104400000..104400000:8/8x1r1 ");
}

// An archive of version 1 (the tables without history_minute) is upgraded
// in one transaction when opened: the summary made from its beacons.
TEST(PgMinutes, VersionOneIsUpgraded) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    {
        auto archive = Open(pg.Uri(db));
        ASSERT_TRUE(archive);
        ASSERT_TRUE(Add(*archive, {Record(1, kMinute0 + 1000, 3, 7.5), Record(2, kMinute0 + 3000, kNan, 7.25),
                                   Record(2, kMinute0 + 2000, kNan, 7.25, "OK2ABC"), Record(3, -60001, -kInf, 5),
                                   Record(4, std::nullopt, 1, 1)}));
    }
    ASSERT_TRUE(pg.Psql(db, "DROP TABLE history_minute, history_hour; UPDATE archive_schema SET version = 1"));

    // A table of that name that is not ours: the upgrade fails and leaves version 1 whole.
    ASSERT_TRUE(pg.Psql(db, "CREATE TABLE history_minute (antenna text)"));
    OpenedArchive refused = PgArchive::Open(pg.Uri(db));
    EXPECT_FALSE(refused.archive);
    EXPECT_THAT(refused.error, testing::HasSubstr("history_minute"));
    EXPECT_EQ(pg.Value(db, "SELECT version FROM archive_schema"), "1");
    ASSERT_TRUE(pg.Psql(db, "DROP TABLE history_minute"));

    auto archive = Open(pg.Uri(db));
    ASSERT_TRUE(archive);
    EXPECT_EQ(pg.Value(db, "SELECT version FROM archive_schema"), "2");
    EXPECT_EQ(Minutes(pg, db),
              "-2|-60001|-60001|1|1|-|-|5|5;"
              "29942537|1796552221000|1796552222000|2|3|3|3|7.25|7.5");
    EXPECT_EQ(Hours(pg, db), "-1|-60001|-60001|1|1|-|-|5|5;499042|1796552221000|1796552222000|2|3|3|3|7.25|7.5");
    EXPECT_EQ(Counts(*archive), "4 beacons, 5 receptions, 1 without time, -60001..1796552222000");
    // And it goes on from there.
    ASSERT_TRUE(Add(*archive, {Record(5, kMinute0 + 4000, 2, 8)}));
    EXPECT_EQ(Minutes(pg, db),
              "-2|-60001|-60001|1|1|-|-|5|5;"
              "29942537|1796552221000|1796552224000|3|4|2|3|7.25|8");
}

}  // namespace
}  // namespace tavro
