// Every SQL query of the Grafana dashboard, with Grafana's time macros
// replaced by literal times as Grafana writes them, run against an archive
// on the test server: each panel gets the rows it should.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <map>
#include <regex>
#include <set>

#include "pg_archive.h"
#include "pg_server.h"
#include "test_support.h"

namespace tavro {
namespace {


// A beacon at utcMs with every charted channel set from base.
ArchiveRecord Beacon(double base, std::int64_t utcMs, const std::string& station) {
    ArchiveRecord r;
    r.values[1] = base;                                      // Boot cnt
    r.values[10] = 7 + base / 10, r.values[11] = base / 4;   // Batt voltage, tot sys curr
    r.values[13] = 1000 * base, r.values[14] = 1000 * base + 1, r.values[15] = 1000 * base + 2;  // SP1..3 voltage
    r.values[12] = base, r.values[18] = -base, r.values[19] = 2 * base, r.values[30] = base + 0.5;  // temperatures
    r.reception = {"/data/pass.kss", SourceKind::KissFile, "", utcMs, station};
    return r;
}

// $__timeFilter(col), $__timeFrom(), $__timeTo() as Grafana expands them.
std::string Expand(std::string sql, const std::string& from, const std::string& to) {
    sql = std::regex_replace(sql, std::regex(R"(\$__timeFilter\(([^)]*)\))"), "$1 BETWEEN '" + from + "' AND '" + to + "'");
    sql = std::regex_replace(sql, std::regex(R"(\$__timeFrom\(\))"), "'" + from + "'");
    return std::regex_replace(sql, std::regex(R"(\$__timeTo\(\))"), "'" + to + "'");
}

TEST(PgGrafana, EveryPanelQueryGivesItsRows) {
    NEED_SERVER(pg);
    const std::string db = pg.NewDatabase();
    auto archive = PgArchive::Open(pg.Uri(db)).archive;
    ASSERT_TRUE(archive);
    ArchiveRecord nanVoltage = Beacon(3, 1796637600000, "OK2ABC");  // 2026-12-07 10:00:00
    nanVoltage.values[10] = std::nan("");
    AddCounts counts;
    ASSERT_TRUE(archive->Add(std::vector{Beacon(1, 1796551200000, "DL1XYZ"),    // 2026-12-06 10:00:00
                                         Beacon(1, 1796551201500, "OK2ABC"),    // the same beacon, heard again
                                         Beacon(2, 1796551500250, "DL1XYZ"),    // 2026-12-06 10:05:00.250
                                         nanVoltage, Beacon(9, 1793570400000, "DL1XYZ")},  // 2026-11-01 22:00: outside
                             counts));
    ASSERT_EQ(counts.beaconsNew, 4);
    ASSERT_TRUE(pg.Psql(db, "ALTER DATABASE " + db + " SET timezone = 'Europe/Prague'"));  // Grafana's server may be anywhere

    const std::map<std::string, std::string> expected{
        {"Battery voltage",
         "2026-12-06 11:00:00+01|7.1\n2026-12-06 11:05:00.25+01|7.2\n2026-12-07 11:00:00+01|"},
        {"Total system current", "2026-12-06 11:00:00+01|0.25\n2026-12-06 11:05:00.25+01|0.5\n2026-12-07 11:00:00+01|0.75"},
        {"Solar panel voltages",
         "2026-12-06 11:00:00+01|1000|1001|1002\n2026-12-06 11:05:00.25+01|2000|2001|2002\n2026-12-07 11:00:00+01|3000|3001|3002"},
        {"Temperatures",
         "2026-12-06 11:00:00+01|1|-1|2|1.5\n2026-12-06 11:05:00.25+01|2|-2|4|2.5\n2026-12-07 11:00:00+01|3|-3|6|3.5"},
        {"Boot counter", "2026-12-06 11:00:00+01|1\n2026-12-06 11:05:00.25+01|2\n2026-12-07 11:00:00+01|3"},
        {"Receptions per day", "2026-12-06 01:00:00+01|3\n2026-12-07 01:00:00+01|1"},
    };
    const nlohmann::json dashboard =
        nlohmann::json::parse(test::FileText(TAVRO_SOURCE_DIR "/packaging/grafana/tavro-dashboard.json"));
    std::set<std::string> seen;
    for (const nlohmann::json& panel : dashboard.at("panels")) {
        const std::string title = panel.at("title");
        ASSERT_TRUE(expected.count(title)) << "a panel without expected rows: " << title;
        seen.insert(title);
        for (const nlohmann::json& target : panel.at("targets")) {
            const std::string sql = Expand(target.at("rawSql"), "2026-12-01T00:00:00Z", "2026-12-08T00:00:00Z");
            // Times shown in the session's zone (+01): the days are still UTC days.
            std::string rows;
            ASSERT_TRUE(pg.Psql(db, sql, &rows)) << title << ": " << rows;
            while (!rows.empty() && rows.back() == '\n') rows.pop_back();
            EXPECT_EQ(rows, expected.at(title)) << title;
        }
    }
    EXPECT_EQ(seen.size(), expected.size());
}

}  // namespace
}  // namespace tavro
