#include "history_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "record_table.h"
#include "utc_time.h"
#include "value_text.h"

namespace tavro {

namespace {
constexpr std::int64_t kDayMs = 24LL * 60 * 60 * 1000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::int64_t SpanLength(HistorySpan span) {
    switch (span) {
        case HistorySpan::LastDay: return kDayMs;
        case HistorySpan::LastWeek: return 7 * kDayMs;
        case HistorySpan::LastMonth: return 30 * kDayMs;
        case HistorySpan::LastYear: return 365 * kDayMs;
        default: return 0;
    }
}

TimeRange AtLeastNarrowest(TimeRange range) {
    if (range.toMs - range.fromMs >= kNarrowestViewMs) return range;
    const std::int64_t middle = range.fromMs + (range.toMs - range.fromMs) / 2;
    return {middle - kNarrowestViewMs / 2, middle - kNarrowestViewMs / 2 + kNarrowestViewMs};
}
}  // namespace

std::int64_t LastPassStart(const std::vector<std::int64_t>& beaconTimes) {
    if (beaconTimes.empty()) return 0;
    std::size_t first = beaconTimes.size() - 1;
    while (first > 0 && beaconTimes[first] - beaconTimes[first - 1] <= kPassGapMs) --first;
    return beaconTimes[first];
}

std::optional<TimeRange> SpanRange(HistorySpan span, const ArchiveInfo& info, std::int64_t nowMs,
                                   std::int64_t passStartMs, TimeRange fromTo) {
    if (span == HistorySpan::FromTo) {
        if (fromTo.toMs <= fromTo.fromMs) return std::nullopt;
        return AtLeastNarrowest(fromTo);
    }
    if (!info.firstMs || !info.lastMs) return std::nullopt;
    const std::int64_t afterLast = *info.lastMs + 1;
    switch (span) {
        case HistorySpan::LastPass: return AtLeastNarrowest({std::min(passStartMs, *info.lastMs), afterLast});
        case HistorySpan::All: return AtLeastNarrowest({*info.firstMs, afterLast});
        default: return TimeRange{nowMs - SpanLength(span), std::max(nowMs, afterLast)};
    }
}

TimeRange ClampedRange(TimeRange view, TimeRange bounds) {
    const std::int64_t all = bounds.toMs - bounds.fromMs;
    const std::int64_t width = std::clamp(view.toMs - view.fromMs, std::min(kNarrowestViewMs, all), all);
    const std::int64_t from = std::clamp(view.fromMs + (view.toMs - view.fromMs - width) / 2, bounds.fromMs,
                                         bounds.toMs - width);
    return {from, from + width};
}

std::vector<std::pair<double, double>> HistoryLine(const std::vector<SeriesPoint>& points, TimeRange view, int columns) {
    std::vector<std::pair<double, double>> line;
    line.reserve(points.size() * 2 + 2);
    const double columnMs = static_cast<double>(view.toMs - view.fromMs) / std::max(columns, 1);
    const auto column = [&](std::int64_t ms) { return std::floor(static_cast<double>(ms - view.fromMs) / columnMs); };
    const SeriesPoint* before = nullptr;
    for (const SeriesPoint& p : points) {
        const double middle = (static_cast<double>(p.firstMs) + static_cast<double>(p.lastMs)) / 2 / 1000;
        if (!std::isfinite(p.min) || !std::isfinite(p.max)) {
            line.emplace_back(middle, kNaN);
            before = nullptr;
            continue;
        }
        if (before && p.firstMs - before->lastMs > kPassGapMs && column(p.firstMs) - column(before->lastMs) > 1)
            line.emplace_back((static_cast<double>(before->lastMs) + static_cast<double>(p.firstMs)) / 2 / 1000, kNaN);
        line.emplace_back(middle, p.min);
        if (p.max != p.min) line.emplace_back(middle, p.max);
        before = &p;
    }
    return line;
}

std::optional<std::pair<double, double>> FiniteValueRange(const std::vector<SeriesPoint>& points) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const SeriesPoint& p : points) {
        if (std::isfinite(p.min)) low = std::min(low, p.min);
        if (std::isfinite(p.max)) high = std::max(high, p.max);
    }
    if (low > high) return std::nullopt;
    return std::pair(low, high);
}

std::string ChannelTitle(int channel) {
    if (channel < 0 || channel >= kChannelCount) return {};
    const ChannelInfo& info = ChannelCatalogue[static_cast<std::size_t>(channel)];
    std::string title(info.name);
    if (!info.unit.empty()) title.append(" (").append(info.unit).append(")");
    return title;
}

std::string HistoryReadout(const Beacon& beacon, int channel, char decimalSeparator) {
    if (channel < 0 || channel >= kChannelCount) return {};
    std::string text = beacon.timeMs ? UtcText(*beacon.timeMs) + " UTC" : std::string("no time");
    text.append("\n").append(DisplayText(channel, beacon.values[static_cast<std::size_t>(channel)], decimalSeparator));
    const std::string_view unit = ChannelCatalogue[static_cast<std::size_t>(channel)].unit;
    if (!unit.empty()) text.append(" ").append(unit);
    text.append("\n").append(std::to_string(beacon.receptions)).append(beacon.receptions == 1 ? " reception" : " receptions");
    return text;
}

std::string SizeText(long long bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    double size = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (size >= 1024 && unit < 3) size /= 1024, ++unit;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", size, kUnits[unit]);
    return text;
}

std::string ArchiveFooterText(const ArchiveInfo& info) {
    std::string text = info.location + ": ";
    if (info.beacons == 0) {
        text += "no beacons yet";
    } else {
        text += std::to_string(info.beacons) + (info.beacons == 1 ? " beacon" : " beacons");
        if (info.beaconsWithoutTime > 0) text += " (" + std::to_string(info.beaconsWithoutTime) + " without time)";
        text += ", " + std::to_string(info.receptions) + (info.receptions == 1 ? " reception" : " receptions");
        if (info.firstMs && info.lastMs) text += ", " + UtcText(*info.firstMs) + " to " + UtcText(*info.lastMs) + " UTC";
    }
    if (info.fileBytes) text += ", " + SizeText(*info.fileBytes);
    return text;
}

std::string OpenedSpanText(int loaded, long long more, const std::string& error) {
    if (!error.empty()) return "nothing opened: " + error;
    if (loaded == 0 && more == 0) return "no beacons in view";
    if (more == 0) return std::to_string(loaded) + (loaded == 1 ? " beacon" : " beacons") + " opened in the main window";
    return "the first " + std::to_string(loaded) + " of " + std::to_string(loaded + more) +
           " beacons in view opened in the main window (a selection holds " + std::to_string(RecordTable::kCapacity) + ")";
}

}  // namespace tavro
