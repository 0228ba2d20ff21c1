// The labels of the chart's record axis, chosen from the records' time texts,
// and time texts made safe to show.
//
//   PrintableText("10:14\x01\x85") -> "10:14??"
//
//   TimeAxis axis;                    one Append per record, in record order
//   axis.Append("2026-12-06 10:14:00.131 UTC"); ...
//   axis.Labels(1, 300, 40)  -> {1, "10:14"}, {31, "10:15"}, ...
//
// Labels sit on the first record of each new minute, or of each new span of
// 2, 5, 10, 15, 30 minutes, 1, 2, 3, 6, 12 hours, 1, 2, 7, 14 ... days: the
// shortest span that gives at most maxLabels labels. Day labels read "12-06"
// (dated texts) or "day 2" (log times, which have no date: a time earlier
// than the one before starts the next day). The first label of a new day
// under a clock span carries the day too: "12-07 00:00". No two neighbouring
// labels are equal and none is closer than (last - first + 1) / maxLabels rows
// to the one before. The first and last records of the range are labelled by
// their number when they have no usable time; with no usable time at all,
// labels are round record numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// Latin-1 text with its control characters (below 0x20, 0x7F to 0x9F) as "?".
std::string PrintableText(std::string_view latin1);

struct AxisLabel {
    int row = 0;  // counted from 1
    std::string text;

    bool operator==(const AxisLabel&) const = default;
};

class TimeAxis {
public:
    // The next record's time text: "YYYY-MM-DD hh:mm:ss.fff UTC", "hh:mm:ss.fff UTC",
    // or anything else (no usable time).
    void Append(std::string_view timeText);
    int RowCount() const { return static_cast<int>(rows_.size()); }

    // Labels of rows first to last (counted from 1, clamped to the records).
    std::vector<AxisLabel> Labels(int first, int last, int maxLabels) const;

private:
    struct Row {
        std::int64_t minute = 0;  // since 1970 (dated) or since the log's first day
        bool timed = false;
        bool dated = false;
        char clock[5] = {};  // "hh:mm"
        char date[5] = {};   // "MM-DD"
    };
    std::string DayText(const Row& row) const;
    int BucketCount(int first, int last, std::int64_t span) const;
    std::vector<AxisLabel> NumberLabels(int first, int last, int maxLabels, double minGap) const;

    std::vector<Row> rows_;
    std::int64_t logDay_ = 0;        // days a log's times have wrapped past midnight
    int lastLogMinute_ = -1;         // minute of day of the log's time before
};

}  // namespace tavro
