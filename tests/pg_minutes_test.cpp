// The PostgreSQL archive's per-minute summary (history_minute) on a real
// server beyond tests/archive_cases.h: two writers into one minute, a
// version 1 archive upgraded to it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

std::string Counts(Archive& archive) {
    ArchiveInfo info;
    EXPECT_TRUE(archive.Info(info)) << archive.Error();
    return std::to_string(info.beacons) + " beacons, " + std::to_string(info.receptions) + " receptions, " +
           std::to_string(info.beaconsWithoutTime) + " without time, " + (info.firstMs ? std::to_string(*info.firstMs) : "-") +
           ".." + (info.lastMs ? std::to_string(*info.lastMs) : "-");
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
