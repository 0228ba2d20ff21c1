// The per-minute summary every store keeps beside its beacons, so that a
// channel's history over years draws at once, before (or without) loading
// every beacon of it:
//
//   table history_minute
//     minute       floor(time_ms / 60000)             one row per minute with beacons
//     first_ms     the earliest beacon time in it
//     last_ms      the latest
//     beacons      beacons whose time lies in it
//     receptions   their receptions together
//     min_<c>      per channel c: the smallest finite value among them, NULL: none finite
//     max_<c>      the largest
//
// A minute keeps the beacons whose (earliest) time lies in it; when an
// earlier reception moves a beacon's time into another minute, the counts
// move with it and the minute it left is summed again.
//
//   rows {minute 29931014: 7.1 .. 7.5 V, 94 beacons}, {29931015: 7.0 .. 7.6 V, 90 beacons}
//   MinuteSeries(rows, span of 10 minutes, 1600 columns) -> two points, one per minute
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "archive.h"

namespace tavro {

inline constexpr std::int64_t kMinuteMs = 60000;

// Floor division: -1 ms is in minute -1.
constexpr std::int64_t MinuteOf(std::int64_t timeMs) {
    return timeMs >= 0 ? timeMs / kMinuteMs : -((-timeMs + kMinuteMs - 1) / kMinuteMs);
}

inline constexpr std::int64_t kHourMs = 3600000;
constexpr std::int64_t HourOf(std::int64_t timeMs) {
    return timeMs >= 0 ? timeMs / kHourMs : -((-timeMs + kHourMs - 1) / kHourMs);
}

// One minute of one channel. min > max (or NaN): no finite value.
struct MinuteRow {
    std::int64_t minute = 0, firstMs = 0, lastMs = 0;
    long long beacons = 0, receptions = 0;
    double min = 0, max = 0;
};

// One minute of every channel, as a store adds beacons to it.
struct MinuteSummary {
    std::int64_t firstMs = 0, lastMs = 0;
    long long beacons = 0, receptions = 0;
    std::array<double, kChannelCount> min{}, max{};  // min > max: no finite value
    static MinuteSummary Empty();
    // One beacon more (values bit for bit; NaN and +-Inf count in no min or max).
    void AddBeacon(std::int64_t timeMs, const std::array<double, kChannelCount>& values, long long beaconReceptions);
    // Another summary's beacons and receptions too (one with receptions only keeps its times out).
    void Merge(const MinuteSummary& other);
};

// "min_ops_mode, max_ops_mode, min_boot_cnt, ..., max_smdh_diff_cnt"
const std::string& MinuteValueColumns();
// "min_batt_voltage", "max_batt_voltage"
std::string MinColumn(int channel);
std::string MaxColumn(int channel);

// The series of minute rows (in minute order) over span in `columns`
// pixel columns: each column gets the minutes whose first beacon lies in it
// (so a minute's values may show up to a minute from where they were, a
// fraction of a column over any span wider than a day). Points as
// SeriesPoint says, one per column with minutes, NaN, NaN without a finite value.
void MinuteSeries(std::span<const MinuteRow> rows, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points);

}  // namespace tavro
