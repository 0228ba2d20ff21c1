// The chart of one channel: rows, values, labels, spacing and style.
#include "channel_chart.h"

#include <qcustomplot.h>

#include "window_test_support.h"

namespace {

using tavro::RecordTable;

// Records with these time texts; channel 7 holds 10 * row.
RecordTable TableOf(const std::vector<std::string>& times) {
    RecordTable table;
    for (const std::string& time : times) {
        tavro::TelemetryRecord* record = table.Append();
        record->TimeText = time;
        record->Channels[7] = 10.0 * table.RecordCount();
    }
    return table;
}
RecordTable TableOfSize(int n) { return TableOf(std::vector<std::string>(std::size_t(n), "09:05:00.000 UTC")); }

class Chart : public testing::Test {
protected:
    void SetUp() override { chart.setAttribute(Qt::WA_DontShowOnScreen); chart.resize(650, 290); chart.show(); }
    tavro::ui::ChannelChart chart;
};

TEST_F(Chart, OneRowPerRecordWithItsValueAndLabel) {
    chart.PlotChannel(TableOf({"2026-12-06 09:05:00.000 UTC", "", "no time here", "12:34:56.000 UTC",
                               "station 7 2026-12-31 23:59:58.250 UTC extra", "ab UTC"}), 7, true);
    const char* labels[] = {"09:05", "2", "3", "12:34", "23:59", "6"};  // hh:mm, or the row number
    ASSERT_EQ(chart.RowCount(), 6);
    for (int row = 1; row <= 6; ++row) {
        EXPECT_EQ(chart.RowValue(row), 10.0 * row);
        EXPECT_EQ(chart.RowLabel(row), labels[row - 1]) << row;
    }
}

TEST_F(Chart, SpacingFollowsTheRecordCount) {
    const std::pair<int, int> cases[] = {{41, 1}, {60, 2}, {100, 2}, {140, 4}, {10000, 250}};  // records, spacing
    for (const auto& [records, spacing] : cases) {
        chart.PlotChannel(TableOfSize(records), 7, true);
        EXPECT_EQ(chart.RowCount(), records);
        EXPECT_EQ(chart.LabelSpacing(), spacing) << records;
        chart.PlotChannel(TableOfSize(30), 7, true);  // kept for 40 records or fewer
        EXPECT_EQ(chart.LabelSpacing(), spacing) << records;
    }
}

TEST_F(Chart, NeighbouringLabelsDoNotOverlap) {
    for (const auto& [records, width] : std::vector<std::pair<int, int>>{{40, 300}, {79, 400}, {10000, 250}}) {
        chart.resize(width, 290);
        chart.PlotChannel(TableOfSize(records), 7, true);
        QApplication::processEvents();  // the new width
        chart.Plot()->replot();
        QCPAxis* axis = chart.Plot()->xAxis;
        const QList<double> ticks = chart.TickPositions();
        for (qsizetype i = 1; i < ticks.size(); ++i)
            EXPECT_GE(axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]),
                      QFontMetrics(axis->tickLabelFont()).height()) << records << " " << width;
    }
}

TEST_F(Chart, BarsOrALine) {
    const RecordTable table = TableOfSize(50);
    auto* bars = qobject_cast<QCPBars*>(chart.Plot()->plottable(0));
    ASSERT_NE(bars, nullptr);
    for (bool asBars : {true, false, true}) {
        chart.PlotChannel(table, 7, asBars);
        EXPECT_EQ(std::pair(chart.IsBars(), bars->visible()), std::pair(asBars, asBars));
        EXPECT_EQ(chart.Plot()->graph(0)->visible(), !asBars);
        EXPECT_EQ((asBars ? bars->dataCount() : chart.Plot()->graph(0)->dataCount()), 50);
    }
    EXPECT_EQ(bars->pen().style(), Qt::NoPen);  // an outline makes 10000 bars slow
}

}  // namespace

TAVRO_UI_TEST_MAIN()
