// The same imports into a SQLite file and into the PostgreSQL archive give
// the same archive: every beacon in the same order with the same time,
// receptions, layout and 47 values bit for bit, the same counts and the
// same history series.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "archive.h"
#include "pg_server.h"
#include "test_support.h"

namespace tavro::test {
namespace {

// Three overlapping passes from three stations: random values with NaN,
// -0.0 and infinities among them, times running backwards now and then,
// some without time, some beacons repeated inside one pass.
std::vector<std::vector<ArchiveRecord>> Passes() {
    std::mt19937_64 random(2026);
    std::vector<ArchiveRecord> beacons(900);
    const double specials[] = {std::numeric_limits<double>::quiet_NaN(), -0.0, std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(), 0.0};
    for (std::size_t i = 0; i < beacons.size(); ++i) {
        ArchiveRecord& r = beacons[i];
        for (double& v : r.values) v = random() % 7 == 0 ? specials[random() % 5] : static_cast<double>(random() % 100000) / 64;
        r.values[2] = static_cast<double>(i);
        r.layout = i % 5 == 0 ? RecordLayout::Log : RecordLayout::Kiss;
        r.sourceBytes = "frame " + std::to_string(i);
    }
    std::vector<std::vector<ArchiveRecord>> passes;
    for (int station = 0; station < 3; ++station) {
        std::vector<ArchiveRecord> pass;
        for (std::size_t i = 300u * station; i < 300u * station + 500 && i < beacons.size(); ++i) {
            ArchiveRecord r = beacons[i];
            const std::int64_t t = 1796552224000 + 1000 * static_cast<std::int64_t>(i % 400) + 7 * station;
            r.reception = {"/data/st" + std::to_string(station) + ".kss", SourceKind::KissFile, "text",
                           i % 11 == 3 ? std::nullopt : std::optional(t), "ST" + std::to_string(station)};
            pass.push_back(r);
            if (i % 13 == 0) pass.push_back(r);  // heard twice in one pass
        }
        passes.push_back(pass);
    }
    return passes;
}

std::string Dump(Archive& archive) {
    std::string out;
    archive.ForEachBeacon({}, [&](const Beacon& b) {
        char line[64];
        std::snprintf(line, sizeof line, "%s x%lld %d:", b.timeMs ? std::to_string(*b.timeMs).c_str() : "-", b.receptions,
                      static_cast<int>(b.layout));
        out += line;
        for (double v : b.values) {
            std::uint64_t bits;
            std::memcpy(&bits, &v, 8);
            std::snprintf(line, sizeof line, " %016llx", static_cast<unsigned long long>(bits));
            out += line;
        }
        return out += "\n", true;
    });
    ArchiveInfo info;
    archive.Info(info);
    out += std::to_string(info.beacons) + " " + std::to_string(info.receptions) + " " + std::to_string(info.beaconsWithoutTime) +
           " " + std::to_string(info.firstMs.value_or(-1)) + " " + std::to_string(info.lastMs.value_or(-1)) + "\n";
    for (int columns : {50, 5000}) {
        std::vector<SeriesPoint> points;
        archive.Series(10, {1796552224000 + 20000, std::nullopt}, columns, points);
        for (const SeriesPoint& p : points)
            out += std::to_string(p.firstMs) + "-" + std::to_string(p.lastMs) + " " + std::to_string(p.min) + ".." +
                   std::to_string(p.max) + " " + std::to_string(p.beacons) + "/" + std::to_string(p.receptions) + "\n";
    }
    return out;
}

TEST(PgSameAsSqlite, SameImportsSameArchive) {
    NEED_SERVER(pg);
    TempDir dir("pg-same");
    OpenedArchive file = OpenArchive(dir.Path("archive.sqlite"));
    OpenedArchive server = OpenArchive(pg.Uri(pg.NewDatabase()));
    ASSERT_TRUE(file.archive) << file.error;
    ASSERT_TRUE(server.archive) << server.error;
    for (const auto& pass : Passes()) {
        AddCounts a, b;
        ASSERT_TRUE(file.archive->Add(pass, a)) << file.archive->Error();
        ASSERT_TRUE(server.archive->Add(pass, b)) << server.archive->Error();
        EXPECT_EQ(a.beaconsNew, b.beaconsNew);
        EXPECT_EQ(a.receptionsAdded, b.receptionsAdded);
    }
    const std::string expected = Dump(*file.archive);
    EXPECT_GT(std::count(expected.begin(), expected.end(), '\n'), 900);
    EXPECT_EQ(Dump(*server.archive), expected);
}

}  // namespace
}  // namespace tavro::test
