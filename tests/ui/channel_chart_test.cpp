// The chart of one channel: rows, values, labels, spacing and style.
#include "channel_chart.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <string>
#include <vector>

namespace {

using tavro::RecordTable;
using tavro::ui::ChannelChart;

struct Row {
    std::string timeText;
    double value;  // of the charted channel
};

RecordTable TableOf(const std::vector<Row>& rows, int channel) {
    RecordTable table;
    for (const Row& row : rows) {
        tavro::TelemetryRecord* record = table.Append();
        record->TimeText = row.timeText;
        record->Channels[static_cast<std::size_t>(channel)] = row.value;
        record->Channels[0] = -1;  // another channel, never charted here
    }
    return table;
}

// n records one minute apart from 00:00.
RecordTable TableOfSize(int n) {
    std::vector<Row> rows;
    for (int i = 0; i < n; ++i) {
        char time[40];
        std::snprintf(time, sizeof time, "2026-12-06 %02d:%02d:00.000 UTC", (i / 60) % 24, i % 60);
        rows.push_back({time, static_cast<double>(i % 7)});
    }
    return TableOf(rows, 5);
}

class ChartFixture : public testing::Test {
protected:
    void SetUp() override {
        chart.setAttribute(Qt::WA_DontShowOnScreen);
        chart.resize(650, 290);
        chart.show();
    }
    ChannelChart chart;
};

TEST_F(ChartFixture, OneRowPerRecordWithTheChannelsValueAndLabel) {
    const RecordTable table = TableOf({{"2026-12-06 09:05:00.000 UTC", 1234567},
                                       {"", 2.5},
                                       {"no time here", -3},
                                       {"12:34:56.000 UTC", 0},
                                       {"station 7 2026-12-31 23:59:58.250 UTC extra", 42},
                                       {"ab UTC", 7},
                                       {"", 8}},
                                      7);
    chart.PlotChannel(table, 7, true);

    struct Expected {
        double value;
        const char* label;
    };
    const Expected expected[] = {{1234567, "09:05"}, {2.5, "2"},      {-3, "3"}, {0, "12:34"},
                                 {42, "23:59"},      {7, "6"},        {8, "7"}};
    ASSERT_EQ(chart.RowCount(), 7);
    for (int row = 1; row <= 7; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(chart.RowValue(row), expected[row - 1].value);
        EXPECT_EQ(chart.RowLabel(row), expected[row - 1].label);
    }
}

TEST_F(ChartFixture, LabelsStandAtTheTicksOnly) {
    chart.PlotChannel(TableOfSize(100), 5, false);
    const auto ticks = chart.Plot()->xAxis->ticker().dynamicCast<QCPAxisTickerText>()->ticks();
    ASSERT_FALSE(ticks.isEmpty());
    EXPECT_EQ(ticks.firstKey(), 1);
    for (auto it = ticks.cbegin(); it != ticks.cend(); ++it)
        EXPECT_EQ(it.value(), chart.RowLabel(static_cast<int>(it.key())));
}

struct SpacingCase {
    int records;
    int spacing;
};

class SpacingTest : public ChartFixture, public testing::WithParamInterface<SpacingCase> {};

TEST_P(SpacingTest, FollowsTheRecordCountRoundedHalfToEven) {
    chart.PlotChannel(TableOfSize(GetParam().records), 5, true);
    EXPECT_EQ(chart.RowCount(), GetParam().records);
    EXPECT_EQ(chart.LabelSpacing(), GetParam().spacing);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpacingTest,
                         testing::Values(SpacingCase{0, 0}, SpacingCase{40, 0}, SpacingCase{41, 1}, SpacingCase{60, 2},
                                         SpacingCase{100, 2}, SpacingCase{140, 4}, SpacingCase{10000, 250}),
                         [](const auto& info) { return "Records" + std::to_string(info.param.records); });

TEST_F(ChartFixture, SpacingIsKeptForALaterPlotOfFortyOrFewer) {
    chart.resize(900, 290);
    chart.PlotChannel(TableOfSize(100), 5, true);
    chart.PlotChannel(TableOfSize(30), 5, true);
    EXPECT_EQ(chart.LabelSpacing(), 2);
    EXPECT_EQ(chart.RowCount(), 30);
    const QList<double> expected{1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29};
    EXPECT_EQ(chart.TickPositions(), expected);

    chart.PlotChannel(TableOfSize(10000), 5, true);
    chart.PlotChannel(TableOfSize(12), 5, true);
    EXPECT_EQ(chart.LabelSpacing(), 250);
    EXPECT_EQ(chart.TickPositions(), QList<double>{1});
}

TEST_F(ChartFixture, BarsOrALine) {
    const RecordTable table = TableOfSize(50);
    chart.PlotChannel(table, 5, true);
    EXPECT_TRUE(chart.IsBars());
    ASSERT_EQ(chart.Plot()->plottableCount(), 2);
    auto* bars = qobject_cast<QCPBars*>(chart.Plot()->plottable(0));
    auto* line = chart.Plot()->graph(0);
    ASSERT_NE(bars, nullptr);
    EXPECT_TRUE(bars->visible());
    EXPECT_FALSE(line->visible());
    EXPECT_EQ(bars->dataCount(), 50);
    EXPECT_EQ(bars->pen().style(), Qt::NoPen);  // an outline makes 10000 bars slow

    chart.PlotChannel(table, 5, false);
    EXPECT_FALSE(chart.IsBars());
    EXPECT_FALSE(bars->visible());
    EXPECT_TRUE(line->visible());
    EXPECT_EQ(line->dataCount(), 50);
    EXPECT_GE(line->pen().widthF(), 2.0);  // a thick line
    EXPECT_EQ(chart.RowValue(3), 2);
}

TEST_F(ChartFixture, NoRecordsDrawsNoRows) {
    chart.PlotChannel(RecordTable{}, 0, true);
    EXPECT_EQ(chart.RowCount(), 0);
    EXPECT_TRUE(chart.IsBars());
    EXPECT_TRUE(chart.TickPositions().isEmpty());
    chart.PlotChannel(RecordTable{}, 0, false);
    EXPECT_FALSE(chart.IsBars());
    EXPECT_EQ(chart.LabelSpacing(), 0);
}

TEST_F(ChartFixture, HasNoTitleOrLegend) {
    chart.PlotChannel(TableOfSize(10), 5, true);
    EXPECT_EQ(chart.Plot()->plotLayout()->elementCount(), 1);  // the axis rect only
    EXPECT_FALSE(chart.Plot()->legend->visible());
}

struct OverlapCase {
    int records;
    int width;
};

class OverlapTest : public ChartFixture, public testing::WithParamInterface<OverlapCase> {};

TEST_P(OverlapTest, NeighbouringLabelsStandAtLeastOneTextHeightApart) {
    chart.resize(GetParam().width, 290);
    chart.PlotChannel(TableOfSize(GetParam().records), 5, true);
    QApplication::processEvents();
    chart.Plot()->replot();
    QCPAxis* axis = chart.Plot()->xAxis;
    const int textHeight = QFontMetrics(axis->tickLabelFont()).height();
    const QList<double> ticks = chart.TickPositions();
    ASSERT_FALSE(ticks.isEmpty());
    for (qsizetype i = 1; i < ticks.size(); ++i)
        EXPECT_GE(axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]), textHeight) << ticks[i];
    // The step is always a multiple of the record-count spacing.
    if (chart.LabelSpacing() > 0) {
        EXPECT_EQ(chart.DrawnLabelStep() % chart.LabelSpacing(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, OverlapTest,
                         testing::Values(OverlapCase{20, 650}, OverlapCase{40, 300}, OverlapCase{59, 650},
                                         OverlapCase{79, 400}, OverlapCase{10000, 650}, OverlapCase{10000, 250}),
                         [](const auto& info) {
                             return std::to_string(info.param.records) + "RecordsIn" + std::to_string(info.param.width) + "Pixels";
                         });

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
