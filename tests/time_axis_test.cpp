// Labels of the chart's record axis, and printable time texts. (That neighbouring labels
// differ and keep their distance, over many widths: the chart's LabelsNeitherRepeatNorOverlap.)
#include <gtest/gtest.h>

#include "time_axis.h"
#include "time_stamp.h"

using namespace tavro;

using Labels = std::vector<AxisLabel>;

// count records from 2026-12-<day> hh:mm, stepSeconds apart; dated: "2026-12-DD hh:mm:ss.000 UTC", else log times.
static TimeAxis Pass(int count, int day, int hh, int mm, int stepSeconds, bool dated) {
    TimeAxis axis;
    const std::int64_t start = 1795996800000 + ((day * 24LL + hh) * 60 + mm) * 60000;  // 2026-11-30 00:00 UTC + ...
    for (int k = 0; k < count; ++k) axis.Append(MillisecondsToTimeText(start + k * 1000LL * stepSeconds).substr(dated ? 0 : 11));
    return axis;
}

static TimeAxis Texts(std::initializer_list<const char*> texts) {
    TimeAxis axis;
    for (const char* text : texts) axis.Append(text);
    return axis;
}

TEST(TimeAxis, LabelsOnDistinctMinutesHoursOrDays) {
    const struct { const char* name; TimeAxis axis; int first, last, maxLabels; Labels labels; } cases[] = {
        {"5 minutes", Pass(30, 6, 10, 14, 10, true), 1, 30, 10,
         {{1, "10:14"}, {7, "10:15"}, {13, "10:16"}, {19, "10:17"}, {25, "10:18"}}},
        {"5 minutes, 3 labels", Pass(30, 6, 10, 14, 10, true), 1, 30, 3, {{1, "10:14"}, {13, "10:16"}, {25, "10:18"}}},
        {"zoomed in", Pass(30, 6, 10, 14, 10, true), 9, 20, 10, {{9, "10:15"}, {13, "10:16"}, {19, "10:17"}}},
        {"3 hours", Pass(180, 6, 9, 0, 60, false), 1, 180, 8,
         {{1, "09:00"}, {31, "09:30"}, {61, "10:00"}, {91, "10:30"}, {121, "11:00"}, {151, "11:30"}}},
        {"3 days, log", Pass(144, 1, 10, 14, 1800, false), 1, 144, 6,
         {{1, "day 1"}, {29, "day 2"}, {77, "day 3"}, {125, "day 4"}}},
        {"3 days, dated", Pass(144, 6, 10, 14, 1800, true), 1, 144, 6,
         {{1, "12-06"}, {29, "12-07"}, {77, "12-08"}, {125, "12-09"}}},
        {"midnight, dated", Pass(4, 6, 23, 58, 60, true), 1, 4, 10,
         {{1, "23:58"}, {2, "23:59"}, {3, "12-07 00:00"}, {4, "00:01"}}},
        {"midnight, log", Pass(4, 1, 23, 58, 60, false), 1, 4, 10,
         {{1, "23:58"}, {2, "23:59"}, {3, "day 2 00:00"}, {4, "00:01"}}},
        {"no time first and last", Texts({"", "", "10:14:00.000 UTC", "10:15:59.999 UTC", "garbage", "\x01\x02"}), 1, 6,
         10, {{1, "1"}, {3, "10:14"}, {4, "10:15"}, {6, "6"}}},
        {"not in order", Texts({"10:14:00.000 UTC", "2026-12-06 10:15:00.000 UTC", "2026-12-06 10:15:30.000 UTC", "10:14:00.000 UTC"}),
         1, 4, 10, {{1, "10:14"}, {2, "12-06 10:15"}, {4, "day 1 10:14"}}},
        {"no times at all", Texts({"", "", "", "", "", "", "", "", "", "", "", ""}), 1, 12, 3, {{1, "1"}, {5, "5"}, {12, "12"}}},
        {"beyond the records", Pass(3, 6, 10, 14, 60, true), -5, 99, 10, {{1, "10:14"}, {2, "10:15"}, {3, "10:16"}}},
        {"empty", TimeAxis(), 1, 10, 10, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.axis.Labels(c.first, c.last, c.maxLabels), c.labels) << c.name;
}

TEST(TimeAxis, PrintableText) {
    const struct { const char* text; const char* printable; } cases[] = {
        {"2026-12-06 10:14:00.131 UTC", "2026-12-06 10:14:00.131 UTC"},
        {"\x01\x1F \x7F\x80\x9F\xA0\xFC~", "?? ???\xA0\xFC~"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PrintableText(c.text), c.printable);
    EXPECT_EQ(PrintableText(std::string_view("a\0b", 3)), "a?b");
}
