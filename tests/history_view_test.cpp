// What the history window shows, as literal ranges, vertices and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "history_view.h"

using namespace tavro;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
constexpr std::int64_t kT0 = 1796552224000;  // 2026-12-06 10:17:04.000 UTC
}  // namespace

TEST(HistoryView, LastPassBeginsAfterTheLastGapOfMoreThanTenMinutes) {
    const struct { std::vector<std::int64_t> times; std::int64_t start; } cases[] = {
        {{}, 0},
        {{5000}, 5000},
        {{0, 60000, 120000, 780001, 840000}, 780001},  // 11 minutes apart: the last two are a pass
        {{0, 600000}, 0},                              // ten minutes exactly: still one pass
        {{0, 600001}, 600001},
    };
    for (const auto& c : cases) EXPECT_EQ(LastPassStart(c.times), c.start) << c.times.size();
}

TEST(HistoryView, SpanRanges) {
    ArchiveInfo info;
    info.firstMs = kT0;
    info.lastMs = kT0 + 3600000;       // 11:17:04.000
    const std::int64_t now = 1796600000000;  // 2026-12-06 23:33:20 UTC
    const TimeRange fromTo{1796000000000, 1796100000000};
    const struct { HistorySpan span; std::optional<TimeRange> range; } cases[] = {
        {HistorySpan::LastPass, TimeRange{1796555000000, 1796555824001}},
        {HistorySpan::LastDay, TimeRange{1796513600000, 1796600000000}},
        {HistorySpan::LastWeek, TimeRange{1795995200000, 1796600000000}},
        {HistorySpan::LastMonth, TimeRange{1794008000000, 1796600000000}},
        {HistorySpan::LastYear, TimeRange{1765064000000, 1796600000000}},
        {HistorySpan::All, TimeRange{1796552224000, 1796555824001}},
        {HistorySpan::FromTo, TimeRange{1796000000000, 1796100000000}},
    };
    for (const auto& c : cases) EXPECT_EQ(SpanRange(c.span, info, now, 1796555000000, fromTo), c.range) << static_cast<int>(c.span);

    // A clock behind the last beacon: the rolling span reaches just past it.
    EXPECT_EQ(SpanRange(HistorySpan::LastDay, info, kT0, 0, fromTo), (TimeRange{kT0 - 86400000, 1796555824001}));
    // One beacon: a second around it.
    info.lastMs = kT0;
    EXPECT_EQ(SpanRange(HistorySpan::All, info, now, 0, fromTo), (TimeRange{kT0 - 500, kT0 + 500}));
    EXPECT_EQ(SpanRange(HistorySpan::FromTo, info, now, 0, {5000, 5000}), std::nullopt);
    EXPECT_EQ(SpanRange(HistorySpan::FromTo, info, now, 0, {5000, 4000}), std::nullopt);
    // No beacon with time: nothing to show but From/to.
    const ArchiveInfo empty;
    EXPECT_EQ(SpanRange(HistorySpan::All, empty, now, 0, fromTo), std::nullopt);
    EXPECT_EQ(SpanRange(HistorySpan::LastDay, empty, now, 0, fromTo), std::nullopt);
    EXPECT_EQ(SpanRange(HistorySpan::FromTo, empty, now, 0, fromTo), fromTo);
}

TEST(HistoryView, ViewsStayWithinTheSpanAndASecondWideAtLeast) {
    const TimeRange bounds{0, 100000};
    const struct { TimeRange view, clamped; } cases[] = {
        {{-5000, 5000}, {0, 10000}},          // moved back in, width kept
        {{95000, 105000}, {90000, 100000}},
        {{-10, 200000}, {0, 100000}},         // never wider than the span
        {{50000, 50100}, {49550, 50550}},     // one second around its middle
        {{20000, 30000}, {20000, 30000}},
    };
    for (const auto& c : cases) EXPECT_EQ(ClampedRange(c.view, bounds), c.clamped) << c.view.fromMs;
    EXPECT_EQ(ClampedRange({0, 10}, {0, 300}), (TimeRange{0, 300}));  // a span narrower than a second
}

TEST(HistoryView, LineReachesEveryColumnsMinimumAndMaximumAndBreaksBetweenPasses) {
    // 100 columns of 10 s over 1000 s.
    const std::vector<SeriesPoint> points = {
        {1000, 1000, 5, 5, 1, 1},         // one beacon
        {20000, 29000, 1, 9, 4, 6},       // a column of four: its spike 9 and its dip 1
        {31000, 31000, 4, 4, 1, 1},       // the next column: the line goes on
        {700000, 700000, 6, 6, 1, 2},     // 669 s later, 67 columns on: another pass
        {710000, 710000, kNaN, kNaN, 1, 1},  // no finite value
        {720000, 720000, 7, 7, 1, 1},
        {730000, 730000, kInf, kInf, 1, 1},
    };
    const std::vector<std::pair<double, double>> expected = {
        {1, 5}, {24.5, 1}, {24.5, 9}, {31, 4}, {365.5, kNaN}, {700, 6}, {710, kNaN}, {720, 7}, {730, kNaN},
    };
    const auto line = HistoryLine(points, {0, 1000000}, 100);
    ASSERT_EQ(line.size(), expected.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        EXPECT_EQ(line[i].first, expected[i].first) << i;
        if (std::isnan(expected[i].second)) EXPECT_TRUE(std::isnan(line[i].second)) << i;
        else EXPECT_EQ(line[i].second, expected[i].second) << i;
    }
    // Columns of ten days: two beacons five hours apart in neighbouring columns stay joined.
    const std::int64_t day = 86400000;
    const auto wide = HistoryLine({{10 * day - 3600000, 10 * day - 3600000, 1, 1, 1, 1}, {10 * day + 14400000, 10 * day + 14400000, 2, 2, 1, 1}},
                                  {0, 100 * day}, 10);
    EXPECT_EQ(wide.size(), 2u);

    EXPECT_EQ(FiniteValueRange(points), std::pair(1.0, 9.0));
    EXPECT_EQ(FiniteValueRange({{0, 0, kNaN, kNaN, 1, 1}, {1, 1, -kInf, kInf, 1, 1}}), std::nullopt);
}

TEST(HistoryView, ReadoutAsTheValueBoxShowsIt) {
    Beacon beacon;
    beacon.timeMs = kT0;
    beacon.receptions = 3;
    beacon.values[0] = 4;        // OPS mode "norm"
    beacon.values[7] = 93784;    // Sat Time
    beacon.values[10] = 7.515;   // Batt voltage
    beacon.values[11] = kNaN;
    const struct { int channel; char separator; long long receptions; const char* text; } cases[] = {
        {10, '.', 3, "2026-12-06 10:17:04.000 UTC\n7.52 V\n3 receptions"},
        {10, ',', 3, "2026-12-06 10:17:04.000 UTC\n7,52 V\n3 receptions"},
        {0, '.', 1, "2026-12-06 10:17:04.000 UTC\nnorm\n1 reception"},
        {7, '.', 2, "2026-12-06 10:17:04.000 UTC\n1d 02:03:04 s\n2 receptions"},
        {11, '.', 2, "2026-12-06 10:17:04.000 UTC\nNaN A\n2 receptions"},
    };
    for (const auto& c : cases) {
        beacon.receptions = c.receptions;
        EXPECT_EQ(HistoryReadout(beacon, c.channel, c.separator), c.text) << c.channel;
    }
    EXPECT_EQ(ChannelTitle(10), "Batt voltage (V)");
    EXPECT_EQ(ChannelTitle(0), "OPS mode");
}

TEST(HistoryView, FooterAndStatusTexts) {
    ArchiveInfo info;
    info.location = "/a/tavro_archive.sqlite";
    info.fileBytes = 4096;
    EXPECT_EQ(ArchiveFooterText(info), "/a/tavro_archive.sqlite: no beacons yet, 4.0 KiB");
    info.beacons = 3, info.beaconsWithoutTime = 1, info.receptions = 5, info.fileBytes = 36864;
    info.firstMs = kT0, info.lastMs = kT0 + 270000;
    EXPECT_EQ(ArchiveFooterText(info), "/a/tavro_archive.sqlite: 3 beacons (1 without time), 5 receptions, "
                                       "2026-12-06 10:17:04.000 to 2026-12-06 10:21:34.000 UTC, 36.0 KiB");
    info.beacons = 1, info.beaconsWithoutTime = 0, info.receptions = 1, info.fileBytes.reset();
    info.lastMs = kT0;
    EXPECT_EQ(ArchiveFooterText(info),
              "/a/tavro_archive.sqlite: 1 beacon, 1 reception, 2026-12-06 10:17:04.000 to 2026-12-06 10:17:04.000 UTC");

    const struct { long long bytes; const char* text; } sizes[] = {
        {0, "0 bytes"}, {1023, "1023 bytes"}, {1024, "1.0 KiB"}, {1536, "1.5 KiB"},
        {5242880, "5.0 MiB"}, {3221225472, "3.0 GiB"},
    };
    for (const auto& s : sizes) EXPECT_EQ(SizeText(s.bytes), s.text);

    // Many beacons, and more than a selection holds: tests/ui/history_window_test.cpp.
    EXPECT_EQ(OpenedSpanText(1, 0, ""), "1 beacon opened in the main window");
    EXPECT_EQ(OpenedSpanText(0, 0, ""), "no beacons in view");
    EXPECT_EQ(OpenedSpanText(0, 0, "the archive is locked"), "nothing opened: the archive is locked");
}
