#include "history_minutes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "archive_columns.h"

namespace tavro {
namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

MinuteSummary MinuteSummary::Empty() {
    MinuteSummary s;
    s.min.fill(kInf);
    s.max.fill(-kInf);
    return s;
}

void MinuteSummary::AddBeacon(std::int64_t timeMs, const std::array<double, kChannelCount>& values, long long beaconReceptions) {
    if (beacons == 0 || timeMs < firstMs) firstMs = timeMs;
    if (beacons == 0 || timeMs > lastMs) lastMs = timeMs;
    ++beacons;
    receptions += beaconReceptions;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        if (!std::isfinite(v)) continue;
        if (v < min[i]) min[i] = v;
        if (v > max[i]) max[i] = v;
    }
}

void MinuteSummary::Merge(const MinuteSummary& other) {
    if (other.beacons > 0) {
        if (beacons == 0 || other.firstMs < firstMs) firstMs = other.firstMs;
        if (beacons == 0 || other.lastMs > lastMs) lastMs = other.lastMs;
    }
    beacons += other.beacons;
    receptions += other.receptions;
    for (std::size_t i = 0; i < min.size(); ++i) {
        min[i] = std::min(min[i], other.min[i]);
        max[i] = std::max(max[i], other.max[i]);
    }
}

const std::string& MinuteValueColumns() {
    static const std::string columns = [] {
        std::string s;
        for (int c = 0; c < kChannelCount; ++c) s += (c ? ", " : "") + MinColumn(c) + ", " + MaxColumn(c);
        return s;
    }();
    return columns;
}

std::string MinColumn(int channel) { return "min_" + ChannelColumns()[static_cast<std::size_t>(channel)]; }
std::string MaxColumn(int channel) { return "max_" + ChannelColumns()[static_cast<std::size_t>(channel)]; }

void MinuteSeries(std::span<const MinuteRow> rows, const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) {
    points.clear();
    if (columns <= 0) return;
    std::size_t lo = 0, hi = rows.size();
    while (lo < hi && span.fromMs && rows[lo].lastMs < *span.fromMs) ++lo;
    while (hi > lo && span.toMs && rows[hi - 1].firstMs >= *span.toMs) --hi;
    if (lo >= hi) return;
    const std::int64_t from = span.fromMs.value_or(rows[lo].firstMs);
    const std::int64_t to = span.toMs.value_or(rows[hi - 1].lastMs + 1);
    const __int128 width = std::max<__int128>(1, static_cast<__int128>(to) - from);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    long long column = -1;
    for (std::size_t i = lo; i < hi; ++i) {
        const MinuteRow& r = rows[i];
        const __int128 at = std::clamp<__int128>(static_cast<__int128>(r.firstMs) - from, 0, width - 1);
        const long long c = static_cast<long long>(at * columns / width);
        const bool finite = r.min <= r.max;
        if (c != column || points.empty()) {
            column = c;
            points.push_back({r.firstMs, r.lastMs, finite ? r.min : kInf, finite ? r.max : -kInf, r.beacons, r.receptions});
        } else {
            SeriesPoint& p = points.back();
            p.firstMs = std::min(p.firstMs, r.firstMs);
            p.lastMs = std::max(p.lastMs, r.lastMs);
            if (finite) p.min = std::min(p.min, r.min), p.max = std::max(p.max, r.max);
            p.beacons += r.beacons;
            p.receptions += r.receptions;
        }
    }
    for (SeriesPoint& p : points)
        if (p.min > p.max) p.min = p.max = nan;
}

}  // namespace tavro
