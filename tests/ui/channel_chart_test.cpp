// The chart of one channel: its value range, its axis labels, bars or a
// line, and zoom and pan driven by mouse events. (Clicks: record_browser_test.)
#include <cmath>
#include <limits>
#include <numeric>

#include <QTest>

#include "time_stamp.h"
#include "window_test_support.h"

using namespace uitest;
using Rows = std::vector<tavro::ChartRow>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

static Rows RowsOf(const std::vector<double>& values) {  // row k (from 1) received 30 (k - 1) seconds after 2026-12-06 10:14
    Rows rows;
    for (double v : values) rows.push_back({v, tavro::MillisecondsToTimeText(1796552040000 + 30000LL * rows.size())});
    return rows;
}
static Rows Ramp(int n) {  // 1, 2, ..., n
    std::vector<double> values(n);
    return std::iota(values.begin(), values.end(), 1.0), RowsOf(values);
}

struct Chart : testing::Test {
    void SetUp() override {
        chart.setAttribute(Qt::WA_DontShowOnScreen);
        chart.resize(650, 290);
        chart.show();
        QApplication::processEvents();
    }
    QWidget* Plot() { return chart.Plot(); }
    QPoint At(double row) {  // the pixel of a row, halfway up the plot
        return {qRound(chart.Plot()->xAxis->coordToPixel(row)), chart.Plot()->axisRect()->center().y()};
    }
    tavro::ui::ChannelChart chart;
};

// Each chart's range comes from its own finite values, whatever was charted before.
TEST_F(Chart, ValueRangeFromTheFiniteValuesOfThisChart) {
    const struct { const char* name; std::vector<double> values; bool bars; double lowFrom, lowTo, highFrom, highTo; int drawn; } cases[] = {
        {"gaps", {kNaN, 5, kInf, 7, -kInf, 6}, false, 4.5, 5, 7, 7.5, 6},
        {"bars from zero", {kNaN, 5, kInf, 7, -kInf, 6}, true, 0, 0, 7, 7.5, 3},
        {"negative bars", {-3, -5}, true, -5.5, -5, 0, 0, 2},
        {"huge", {1, 7.5e300, kNaN, -2}, false, -4e299, -2, 7.5e300, 8e300, 4},
        {"one value", {8.2, 8.2}, false, 7, 8.2, 8.2, 9.5, 2},
    };
    for (const auto& c : cases) {
        chart.PlotChannel(RowsOf({0, 310}), c.bars);  // another channel with another range before
        chart.PlotChannel(RowsOf(c.values), c.bars);
        const auto [low, high] = chart.ValueRange();
        EXPECT_TRUE(low >= c.lowFrom && low <= c.lowTo) << c.name << " " << low;
        EXPECT_TRUE(high >= c.highFrom && high <= c.highTo) << c.name << " " << high;
        EXPECT_EQ(chart.Notice(), "") << c.name;
        const auto* drawn = chart.Plot()->plottable(c.bars ? 0 : 1);
        EXPECT_EQ(c.bars ? static_cast<const QCPBars*>(drawn)->dataCount() : static_cast<const QCPGraph*>(drawn)->dataCount(), c.drawn)
            << c.name;
    }
    for (bool bars : {false, true}) {
        chart.PlotChannel(RowsOf({kNaN, kInf, -kInf}), bars);
        EXPECT_EQ(chart.Notice(), "no finite values");
        EXPECT_EQ(chart.RowCount(), 3);
    }
}

// Zoomed into a stretch of only NaN and infinite values: the value axis
// falls back to the channel's finite values, never an infinite range.
TEST_F(Chart, ZoomIntoValuesThatAreNotFinite) {
    std::vector<double> values;
    for (int k = 1; k <= 100; ++k) values.push_back(k <= 20 ? k : k % 3 == 0 ? kNaN : k % 3 == 1 ? kInf : -kInf);
    for (bool bars : {false, true}) {
        chart.PlotChannel(RowsOf(values), bars);
        Wheel(Plot(), At(5), 12);  // some 7 rows around row 5: values up to 9 or so
        QApplication::processEvents();
        EXPECT_LT(chart.ValueRange().second, 12);
        chart.Plot()->xAxis->setRange(60, 67);  // then over to none finite
        QApplication::processEvents();
        const auto [low, high] = chart.ValueRange();
        EXPECT_TRUE(std::isfinite(low) && std::isfinite(high)) << low << " " << high;
        EXPECT_TRUE(low >= 0 && low <= 1 && high >= 20 && high <= 21) << bars << " " << low << " " << high;
        EXPECT_EQ(chart.Notice(), "");
    }
}

TEST_F(Chart, LabelsNeitherRepeatNorOverlap) {
    for (const auto& [records, width] : std::vector<std::pair<int, int>>{{40, 300}, {300, 650}, {10000, 250}, {10000, 900}}) {
        chart.resize(width, 290);
        chart.PlotChannel(Ramp(records), true);
        QApplication::processEvents();  // the new width
        chart.Plot()->replot();
        QCPAxis* axis = chart.Plot()->xAxis;
        const auto labels = chart.AxisLabels();
        ASSERT_GE(labels.size(), 2u) << records;
        for (std::size_t i = 1; i < labels.size(); ++i) {
            EXPECT_NE(labels[i].second, labels[i - 1].second) << records << " " << width;
            EXPECT_GE(axis->coordToPixel(labels[i].first) - axis->coordToPixel(labels[i - 1].first),
                      QFontMetrics(axis->tickLabelFont()).height()) << records << " " << width;
        }
    }
}

TEST_F(Chart, WheelZoomsAroundThePointerDragPansDoubleClickShowsAll) {
    chart.PlotChannel(Ramp(1000), false);
    EXPECT_EQ(chart.RowsInView(), std::pair(0.5, 1000.5));
    const QPoint pointer = At(250);
    const double underPointer = chart.Plot()->xAxis->pixelToCoord(pointer.x());
    Wheel(Plot(), pointer, 3);
    QApplication::processEvents();
    const auto [first, last] = chart.RowsInView();
    EXPECT_NEAR(last - first, 512, 1);  // 0.8 ^ 3 of 1000
    EXPECT_NEAR(chart.Plot()->xAxis->pixelToCoord(pointer.x()), underPointer, 1e-6);
    const auto [low, high] = chart.ValueRange();  // the line's values in view: rows 123 to 634
    EXPECT_TRUE(low > 90 && low < 123 && high > 634 && high < 700) << low << " " << high;

    Drag(Plot(), pointer, pointer + QPoint(5000, 0));  // far right: pans to the start, no further
    EXPECT_NEAR(chart.RowsInView().first, 0.5, 1e-9);
    EXPECT_NEAR(chart.RowsInView().second - chart.RowsInView().first, 512, 1);

    Wheel(Plot(), pointer, 100);  // at most a few rows deep
    EXPECT_NEAR(chart.RowsInView().second - chart.RowsInView().first, 5, 1e-9);

    Mouse(Plot(), QEvent::MouseButtonDblClick, pointer);
    EXPECT_EQ(chart.RowsInView(), std::pair(0.5, 1000.5));
}

// The "B" check box stands over the chart's corner. After a wheel zoom, a double-click or a drag the
// chart is repainted; what the X server shows of the check box must still hold its box. At 125 % scale
// an opaque chart was flushed over it, leaving the "B" alone. The scale is set before the application
// starts, so the test runs again as a process of its own on an X server of its own (Xvfb).
TEST_F(WindowTest, BarsCheckBoxStaysAfterZoomAndReset) {
    if (qgetenv("QT_SCALE_FACTOR") != "1.25") {
        if (QStandardPaths::findExecutable("xvfb-run").isEmpty()) GTEST_SKIP() << "needs xvfb-run (package xvfb)";
        const auto run = tavro::test::RunProgram(
            {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", std::filesystem::read_symlink("/proc/self/exe").string(),
             "--gtest_filter=WindowTest.BarsCheckBoxStaysAfterZoomAndReset"},
            // The X libraries' own allocations left at exit are not this program's leaks.
            "QT_SCALE_FACTOR=1.25 QT_QPA_PLATFORM=xcb ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" ");
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_THAT(run.out, testing::HasSubstr("[  PASSED  ] 1 test."));
        return;
    }
    Load("pass1.kss", 60);
    window->show();  // on the X server: its pixels are what a screen would show
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QCheckBox* check = ui().barsCheck;
    const auto onScreen = [&] {
        for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();  // the chart's queued replot, then the paint
        const QImage screen = window->windowHandle()->screen()->grabWindow(window->winId()).toImage();
        const QRect place(check->mapTo(window.get(), QPoint(0, 0)) * window->devicePixelRatio(),
                          check->size() * window->devicePixelRatio());
        return screen.copy(place).convertToFormat(QImage::Format_RGB888);
    };
    const QImage before = onScreen();
    QWidget* plot = ui().chart->Plot();
    const QPoint middle = plot->rect().center();
    const auto steps = std::vector<std::pair<const char*, std::function<void()>>>{
        {"wheel", [&] { Hover(plot, middle), Wheel(plot, middle, 2); }},  // the pointer over the chart, as a hand moves it
        {"double-click", [&] { Hover(plot, middle), Click(plot, middle), Mouse(plot, QEvent::MouseButtonDblClick, middle), Release(plot, middle); }},
        {"drag", [&] { Drag(plot, middle, middle + QPoint(40, 0)); }},
    };
    for (const auto& [name, step] : steps) {
        step();
        EXPECT_EQ(onScreen(), before) << name;
    }
}
