// What the history window shows of the archive: the time range of a span
// choice, the line of a channel's series, the hover read-out and the
// footer. The window draws these; it computes no time, text or gap itself.
//
//   SpanRange(HistorySpan::LastDay, info, now = 1796552224000, ...)  -> {1796465824000, 1796552224000}
//   HistoryLine({{t1, t1, 5, 5, 1, 1}, {t2, t2, 7, 7, 1, 1}}, ...)  -> (t1 s, 5), (t2 s, 7), or a gap
//                                                                     between them when they are two passes
//   HistoryReadout(beacon, 10, '.')  -> "2026-12-06 10:17:04.000 UTC\n7.52 V\n3 receptions"
//   ArchiveFooterText(info)          -> "/home/me/tavro_archive.sqlite: 1200 beacons, 3400 receptions,
//                                        2026-12-01 08:00:00.000 to 2026-12-06 10:17:04.000 UTC, 1.2 MiB"
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive.h"

namespace tavro {

enum class HistorySpan { LastPass, LastDay, LastWeek, LastMonth, LastYear, All, FromTo };
inline constexpr std::array<const char*, 7> kHistorySpanNames = {"Last pass",  "Last day", "Last week", "Last month",
                                                                  "Last year", "All",      "From/to"};

// Beacons further apart than this belong to different passes: a pass of a
// low orbit lasts up to about 15 minutes, the next comes an orbit later.
inline constexpr std::int64_t kPassGapMs = 10 * 60 * 1000;
// The narrowest view: one second.
inline constexpr std::int64_t kNarrowestViewMs = 1000;

// A time range in milliseconds since 1970 UTC, from inclusive to exclusive.
struct TimeRange {
    std::int64_t fromMs = 0, toMs = 0;
    bool operator==(const TimeRange&) const = default;
};

// Where "Last pass" begins: the time of its first beacon, found by going
// back from the archive's last beacon until two beacons lie more than
// kPassGapMs apart. beaconTimes: the archive's beacon times in order, or a
// tail of them.
std::int64_t LastPassStart(const std::vector<std::int64_t>& beaconTimes);

// The range a span choice shows, or none when the archive has no beacon
// with time (and the span is not From/to).
//   LastPass   the last pass (passStartMs from LastPassStart) to just after its last beacon
//   LastDay .. LastYear   365-day year, 30-day month: that long back from now,
//              to now or just after the last beacon, whichever is later
//   All        the first beacon to just after the last
//   FromTo     from, to as given (to after from)
// A range narrower than kNarrowestViewMs is widened around its middle.
std::optional<TimeRange> SpanRange(HistorySpan span, const ArchiveInfo& info, std::int64_t nowMs,
                                   std::int64_t passStartMs, TimeRange fromTo);

// A range of the view: within bounds, at least kNarrowestViewMs (or all of
// bounds) wide, its width kept when it is moved back inside.
TimeRange ClampedRange(TimeRange view, TimeRange bounds);

// The vertices of a channel's line over a view of `columns` pixel columns:
// (seconds since 1970, value). A point of one beacon is one vertex; a point
// of several gives its minimum and its maximum at its middle time, so the
// line reaches both. A vertex with a NaN value breaks the line: between two
// points more than kPassGapMs and more than one column apart (two passes),
// and in place of a point without finite value.
std::vector<std::pair<double, double>> HistoryLine(const std::vector<SeriesPoint>& points, TimeRange view, int columns);

// The smallest and largest finite value of the points; none when none is finite.
std::optional<std::pair<double, double>> FiniteValueRange(const std::vector<SeriesPoint>& points);

// Time, the value as the channel's box shows it with its unit, receptions:
//   "2026-12-06 10:17:04.000 UTC\n7.52 V\n3 receptions"   ("1 reception")
std::string HistoryReadout(const Beacon& beacon, int channel, char decimalSeparator);

// The chart's title: "Batt voltage (V)", "OPS mode" for a channel without unit.
std::string ChannelTitle(int channel);

// "512 bytes", "12.3 KiB", "1.2 MiB", "3.4 GiB"
std::string SizeText(long long bytes);

// The archive in one line: path, beacons, receptions, first and last time, size.
//   "/a/tavro_archive.sqlite: 3 beacons (1 without time), 5 receptions,
//    2026-12-06 10:17:04.000 to 2026-12-06 10:21:34.000 UTC, 36.0 KiB"
//   "/a/tavro_archive.sqlite: no beacons yet, 4.0 KiB"
std::string ArchiveFooterText(const ArchiveInfo& info);

// The status after "Open in the main window": loaded beacons went into the
// table, more did not fit (a selection holds at most 10000 records).
//   (120, 0)     -> "120 beacons opened in the main window"
//   (10000, 2500) -> "the first 10000 of 12500 beacons in view opened in the main window (a selection holds 10000)"
//   error        -> "nothing opened: " + error
std::string OpenedSpanText(int loaded, long long more, const std::string& error);

}  // namespace tavro
