// The chart of one channel: rows, values, labels, spacing and style.
#include "channel_chart.h"

#include <qcustomplot.h>

#include "window_test_support.h"

namespace {

using Rows = std::vector<tavro::ChartRow>;

// Rows with these labels; row k (from 1) holds 10 * k.
Rows RowsOf(const std::vector<std::string>& labels) {
    Rows rows;
    for (const std::string& label : labels) rows.push_back({10.0 * static_cast<double>(rows.size() + 1), label});
    return rows;
}
Rows RowsOfSize(int n) { return RowsOf(std::vector<std::string>(std::size_t(n), "09:05")); }

class Chart : public testing::Test {
protected:
    void SetUp() override { chart.setAttribute(Qt::WA_DontShowOnScreen); chart.resize(650, 290); chart.show(); }
    tavro::ui::ChannelChart chart;
};

TEST_F(Chart, OneRowPerRecordWithItsValueAndLabel) {
    const char* labels[] = {"09:05", "2", "3", "12:34", "23:59", "6"};
    chart.PlotChannel(RowsOf({labels, labels + 6}), true);
    ASSERT_EQ(chart.RowCount(), 6);
    for (int row = 1; row <= 6; ++row) {
        EXPECT_EQ(chart.RowValue(row), 10.0 * row);
        EXPECT_EQ(chart.RowLabel(row), labels[row - 1]) << row;
    }
}

TEST_F(Chart, SpacingFollowsTheRecordCount) {
    const std::pair<int, int> cases[] = {{41, 1}, {60, 2}, {100, 2}, {140, 4}, {10000, 250}};  // records, spacing
    for (const auto& [records, spacing] : cases) {
        chart.PlotChannel(RowsOfSize(records), true);
        EXPECT_EQ(chart.RowCount(), records);
        EXPECT_EQ(chart.LabelSpacing(), spacing) << records;
        chart.PlotChannel(RowsOfSize(30), true);  // kept for 40 records or fewer
        EXPECT_EQ(chart.LabelSpacing(), spacing) << records;
    }
}

TEST_F(Chart, NeighbouringLabelsDoNotOverlap) {
    for (const auto& [records, width] : std::vector<std::pair<int, int>>{{40, 300}, {79, 400}, {10000, 250}}) {
        chart.resize(width, 290);
        chart.PlotChannel(RowsOfSize(records), true);
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
    const Rows rows = RowsOfSize(50);
    auto* bars = qobject_cast<QCPBars*>(chart.Plot()->plottable(0));
    ASSERT_NE(bars, nullptr);
    for (bool asBars : {true, false, true}) {
        chart.PlotChannel(rows, asBars);
        EXPECT_EQ(std::pair(chart.IsBars(), bars->visible()), std::pair(asBars, asBars));
        EXPECT_EQ(chart.Plot()->graph(0)->visible(), !asBars);
        EXPECT_EQ((asBars ? bars->dataCount() : chart.Plot()->graph(0)->dataCount()), 50);
    }
    EXPECT_EQ(bars->pen().style(), Qt::NoPen);  // an outline makes 10000 bars slow
}

}  // namespace

TAVRO_UI_TEST_MAIN()
