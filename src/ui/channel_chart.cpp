#include "channel_chart.h"

#include <QFontMetrics>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>

#include "chart_rows.h"
#include "text_conversion.h"

namespace tavro::ui {

namespace {
const QColor kSeriesColour(0, 70, 160);
// The line is drawn thick and the bars without an outline: an outline on
// 10000 bars costs a replot of ~200 ms instead of ~6 ms.
constexpr double kLineWidthPixels = 3;
constexpr int kGappedBarRows = 100;  // more rows than this leave no room for gaps
constexpr int kLabelGapPixels = 3;
constexpr int kSmoothLineRows = 2000;
}  // namespace

struct ChannelChart::Impl {
    QCustomPlot* plot = nullptr;
    QCPBars* bars = nullptr;
    QCPGraph* line = nullptr;
    QSharedPointer<QCPAxisTickerText> ticker;
    QVector<QString> labels;  // one per row
    int spacing = 0;          // rows between ticks and labels; 0: automatic
    int drawnStep = 0;        // 0: no ticks drawn yet
};

ChannelChart::ChannelChart(QWidget* parent) : QWidget(parent), impl_(new Impl) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    impl_->plot = new QCustomPlot(this);
    layout->addWidget(impl_->plot);

    QCustomPlot* plot = impl_->plot;
    plot->setBackground(palette().window());
    plot->axisRect()->setBackground(Qt::white);

    impl_->bars = new QCPBars(plot->xAxis, plot->yAxis);
    impl_->bars->setPen(Qt::NoPen);
    impl_->bars->setBrush(kSeriesColour);
    impl_->bars->setAntialiased(false);
    impl_->bars->setAntialiasedFill(false);
    impl_->bars->setWidth(0.8);
    impl_->bars->setVisible(false);

    impl_->line = plot->addGraph(plot->xAxis, plot->yAxis);
    impl_->line->setPen(QPen(kSeriesColour, kLineWidthPixels, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    // A thick polyline of 10000 points drawn in one piece takes over a
    // second; drawn segment by segment (square caps close the corners) ~20 ms.
    plot->setPlottingHint(QCP::phFastPolylines, true);

    impl_->ticker = QSharedPointer<QCPAxisTickerText>::create();
    impl_->ticker->setSubTickCount(0);
    plot->xAxis->setTicker(impl_->ticker);
    plot->xAxis->setTickLabelRotation(-90);
    plot->xAxis->grid()->setVisible(false);
    plot->xAxis->setRange(0.5, 1.5);

    // The label step depends on the plot's width, known only after a layout.
    connect(plot, &QCustomPlot::afterLayout, this, [this] {
        const int before = impl_->drawnStep;
        UpdateTicks();
        if (impl_->drawnStep != before) impl_->plot->replot(QCustomPlot::rpQueuedReplot);
    });
}

ChannelChart::~ChannelChart() { delete impl_; }

void ChannelChart::PlotChannel(const std::vector<ChartRow>& chartRows, bool bars) {
    const int rows = static_cast<int>(chartRows.size());
    QVector<double> keys(rows);
    QVector<double> values(rows);
    impl_->labels.resize(rows);
    for (int r = 0; r < rows; ++r) {
        keys[r] = r + 1;
        values[r] = chartRows[static_cast<std::size_t>(r)].value;
        impl_->labels[r] = Latin1(chartRows[static_cast<std::size_t>(r)].label);
    }

    impl_->bars->setVisible(bars);
    impl_->line->setVisible(!bars);
    if (bars) {
        // Gaps narrower than a pixel would show as stripes: close bars touch.
        impl_->bars->setWidth(rows > kGappedBarRows ? 1.0 : 0.8);
        impl_->bars->setData(keys, values, true);
        impl_->line->data()->clear();
    } else {
        // Smooth edges cost ~15 ms at 10000 rows, where a pixel holds several rows anyway.
        impl_->line->setAntialiased(rows <= kSmoothLineRows);
        impl_->line->setData(keys, values, true);
        impl_->bars->data()->clear();
    }

    impl_->spacing = tavro::LabelSpacing(rows, impl_->spacing);

    QCustomPlot* plot = impl_->plot;
    plot->xAxis->setRange(0.5, std::max(rows, 1) + 0.5);
    if (rows > 0) {
        bool found = false;
        QCPRange range = bars ? impl_->bars->getValueRange(found) : impl_->line->getValueRange(found);
        if (found) {
            if (bars) range.expand(0.0);
            const double pad = range.size() > 0 ? range.size() * 0.05 : std::max(std::abs(range.upper) * 0.05, 1.0);
            plot->yAxis->setRange(range.lower < 0 || !bars ? range.lower - pad : range.lower, range.upper + pad);
        }
    }
    impl_->drawnStep = 0;
    UpdateTicks();
    plot->replot();
}

void ChannelChart::UpdateTicks() {
    const int rows = static_cast<int>(impl_->labels.size());
    const int base = impl_->spacing > 0 ? impl_->spacing : 1;
    // Rotated labels stand one text height apart at least.
    const double needed = QFontMetrics(impl_->plot->xAxis->tickLabelFont()).height() + kLabelGapPixels;
    const double width = std::max(impl_->plot->axisRect()->width(), 1);
    const double pixelsPerRow = width / std::max(rows, 1);
    const int multiple = std::max(1, static_cast<int>(std::ceil(needed / (base * pixelsPerRow))));
    const int step = base * multiple;
    if (step == impl_->drawnStep) return;
    impl_->drawnStep = step;

    QVector<double> positions;
    QVector<QString> texts;
    for (int k = 1; k <= rows; k += step) {
        positions.append(k);
        texts.append(impl_->labels[k - 1]);
    }
    impl_->ticker->clear();
    impl_->ticker->addTicks(positions, texts);
}

int ChannelChart::RowCount() const { return static_cast<int>(impl_->labels.size()); }

double ChannelChart::RowValue(int row) const {
    if (row < 1 || row > RowCount()) return 0;
    return IsBars() ? impl_->bars->data()->at(row - 1)->value : impl_->line->data()->at(row - 1)->value;
}

QString ChannelChart::RowLabel(int row) const {
    if (row < 1 || row > RowCount()) return {};
    return impl_->labels[row - 1];
}

bool ChannelChart::IsBars() const { return impl_->bars->visible(); }
int ChannelChart::LabelSpacing() const { return impl_->spacing; }
QCustomPlot* ChannelChart::Plot() const { return impl_->plot; }
int ChannelChart::DrawnLabelStep() const { return impl_->drawnStep; }
QList<double> ChannelChart::TickPositions() const { return impl_->ticker->ticks().keys(); }

}  // namespace tavro::ui
