#include "time_axis.h"

#include <algorithm>
#include <array>

namespace tavro {
namespace {

constexpr std::int64_t kDay = 1440;  // minutes
constexpr std::array<std::int64_t, 20> kSpans = {
    1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720, kDay, 2 * kDay, 7 * kDay, 14 * kDay, 28 * kDay,
    56 * kDay, 112 * kDay, 364 * kDay, 3640 * kDay};

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + doe - 719468;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

std::string PrintableText(std::string_view latin1) {
    std::string text(latin1);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || (byte >= 0x7F && byte <= 0x9F)) c = '?';
    }
    return text;
}

void TimeAxis::Append(std::string_view text) {
    Row row;
    // "hh:mm:ss.fff " stands before the first "UTC"; "YYYY-MM-DD " before that when dated.
    const std::size_t utc = text.find("UTC");
    int hh = 0, mm = 0;
    if (utc != std::string_view::npos && utc >= 13 && Digits(text, utc - 13, 2, hh) && text[utc - 11] == ':' &&
        Digits(text, utc - 10, 2, mm) && hh < 24 && mm < 60) {
        row.timed = true;
        text.copy(row.clock, 5, utc - 13);
        const int minuteOfDay = hh * 60 + mm;
        int year = 0, month = 0, day = 0;
        if (utc >= 24 && Digits(text, utc - 24, 4, year) && text[utc - 20] == '-' && Digits(text, utc - 19, 2, month) &&
            text[utc - 17] == '-' && Digits(text, utc - 16, 2, day) && month >= 1 && month <= 12 && day >= 1 &&
            day <= 31) {
            row.dated = true;
            text.copy(row.date, 5, utc - 19);
            row.minute = DaysFromCivil(year, month, day) * kDay + minuteOfDay;
        } else {
            if (lastLogMinute_ >= 0 && minuteOfDay < lastLogMinute_) ++logDay_;
            lastLogMinute_ = minuteOfDay;
            row.minute = logDay_ * kDay + minuteOfDay;
        }
    }
    rows_.push_back(row);
}

std::string TimeAxis::DayText(const Row& row) const {
    if (row.dated) return std::string(row.date, 5);
    return "day " + std::to_string(row.minute / kDay + 1);
}

// Labels a span would give before thinning: the changes of span between timed rows.
int TimeAxis::BucketCount(int first, int last, std::int64_t span) const {
    int count = 0;
    std::int64_t previous = 0;
    for (int r = first; r <= last; ++r) {
        const Row& row = rows_[static_cast<std::size_t>(r - 1)];
        if (!row.timed) continue;
        const std::int64_t bucket = FloorDiv(row.minute, span);
        if (count == 0 || bucket != previous) ++count;
        previous = bucket;
    }
    return count;
}

std::vector<AxisLabel> TimeAxis::Labels(int first, int last, int maxLabels) const {
    first = std::max(first, 1);
    last = std::min(last, RowCount());
    if (first > last || maxLabels < 1) return {};
    const double minGap = static_cast<double>(last - first + 1) / maxLabels;
    std::vector<AxisLabel> labels;
    // A label too close to the one before, or equal to it, is left out; only
    // the last record's number takes the place of the one before.
    const auto add = [&](int row, std::string text, bool replaces) {
        if (!labels.empty() && (row - labels.back().row < minGap || text == labels.back().text)) {
            if (replaces && labels.size() > 1) labels.back() = {row, std::move(text)};
            return;
        }
        labels.push_back({row, std::move(text)});
    };

    const bool anyTimed = std::any_of(rows_.begin() + (first - 1), rows_.begin() + last, [](const Row& r) { return r.timed; });
    if (!anyTimed) return NumberLabels(first, last, maxLabels, minGap);
    std::int64_t span = kSpans.back();
    for (std::int64_t s : kSpans) {
        if (BucketCount(first, last, s) <= maxLabels) {
            span = s;
            break;
        }
    }

    bool seen = false;
    std::int64_t previous = 0;
    const Row* lastLabelled = nullptr;  // the timed row of the last label
    for (int r = first; r <= last; ++r) {
        const Row& row = rows_[static_cast<std::size_t>(r - 1)];
        if (!row.timed) {
            if (r == first || r == last) add(r, std::to_string(r), r == last);
            continue;
        }
        const std::int64_t bucket = FloorDiv(row.minute, span);
        if (seen && bucket == previous) continue;
        seen = true;
        previous = bucket;
        std::string text(row.clock, 5);
        if (span >= kDay) text = DayText(row);
        else if (lastLabelled && FloorDiv(lastLabelled->minute, kDay) != FloorDiv(row.minute, kDay))
            text = DayText(row) + " " + text;
        const std::size_t before = labels.size();
        add(r, std::move(text), false);
        if (labels.size() != before) lastLabelled = &row;
    }
    return labels;
}

// Round record numbers: every 1, 2, 5, 10, 20, 50, ... rows, and the first and last.
std::vector<AxisLabel> TimeAxis::NumberLabels(int first, int last, int maxLabels, double minGap) const {
    int step = 1;
    for (int k = 0; (last - first + 1 + step - 1) / step > maxLabels; ++k) step = (k % 3 == 1 ? step * 5 / 2 : step * 2);
    std::vector<AxisLabel> labels;
    for (int r = first; r <= last; ++r) {
        if (r != first && r != last && r % step != 0) continue;
        if (!labels.empty() && r - labels.back().row < minGap) {
            if (r == last && labels.size() > 1) labels.back() = {r, std::to_string(r)};
            continue;
        }
        labels.push_back({r, std::to_string(r)});
    }
    return labels;
}

}  // namespace tavro
