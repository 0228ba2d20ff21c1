#include "channel_chart.h"

#include <QFontMetrics>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "chart_parts.h"
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
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}  // namespace

ChannelChart::ChannelChart(QWidget* parent) : QWidget(parent), impl_(new Impl) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    impl_->plot = new QCustomPlot(this);
    layout->addWidget(impl_->plot);

    QCustomPlot* plot = impl_->plot;
    // QCustomPlot calls itself opaque. Repainted alone after a zoom, at a
    // fractional scale (125 %) it then covered the "B" check box that stands
    // over its corner, leaving only the letter: not opaque, the check box is
    // repainted with it.
    plot->setAttribute(Qt::WA_OpaquePaintEvent, false);
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

    impl_->rowTicker = QSharedPointer<QCPAxisTickerText>::create();
    impl_->rowTicker->setSubTickCount(0);
    plot->xAxis->setTicker(impl_->rowTicker);
    plot->xAxis->setTickLabelRotation(-90);
    plot->xAxis->grid()->setVisible(false);
    plot->xAxis->setRange(0.5, 1.5);
    impl_->valueTicker = QSharedPointer<ScaledTicker>::create();
    plot->yAxis->setTicker(impl_->valueTicker);
    // The record axis is as wide for every channel, so its labels thin alike.
    const int valueLabels = QFontMetrics(plot->yAxis->tickLabelFont()).horizontalAdvance(QStringLiteral("-88888.8"));
    plot->axisRect()->setMinimumMargins(QMargins(valueLabels + 12, 0, 0, 0));

    impl_->notice = new QCPItemText(plot);
    impl_->notice->position->setType(QCPItemPosition::ptAxisRectRatio);
    impl_->notice->position->setCoords(0.5, 0.5);
    impl_->notice->setText(QStringLiteral("no finite values"));
    impl_->notice->setVisible(false);
    BuildInteraction();

    // The label count depends on the plot's width, known only after a layout.
    connect(plot, &QCustomPlot::afterLayout, this, [this] {
        PlaceMarker();
        if (UpdateLabels()) impl_->plot->replot(QCustomPlot::rpQueuedReplot);
    });
    connect(plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& range) {
        if (impl_->adjusting) return;
        impl_->adjusting = true;
        impl_->plot->xAxis->setRange(Clamped(range, RowCount()));
        impl_->adjusting = false;
        ViewChanged();
    });
}

ChannelChart::~ChannelChart() { delete impl_; }

void ChannelChart::PlotChannel(const std::vector<ChartRow>& chartRows, bool bars) {
    Impl& d = *impl_;
    const int rows = static_cast<int>(chartRows.size());
    d.values.resize(static_cast<std::size_t>(rows));
    d.axis = TimeAxis();
    double largest = 0;
    for (int r = 0; r < rows; ++r) {
        const ChartRow& row = chartRows[static_cast<std::size_t>(r)];
        d.values[static_cast<std::size_t>(r)] = row.value;
        d.axis.Append(row.time);
        if (std::isfinite(row.value)) largest = std::max(largest, std::abs(row.value));
    }
    // QCustomPlot refuses ranges beyond 1e250: such channels are drawn scaled
    // by a power of ten and labelled with the values themselves.
    d.valueTicker->scale = ValueScale(largest);

    QVector<double> keys, values;
    keys.reserve(rows);
    values.reserve(rows);
    d.plotted.resize(rows);
    d.finiteRows = 0;
    for (int r = 0; r < rows; ++r) {
        const double v = d.values[static_cast<std::size_t>(r)];
        const bool finite = std::isfinite(v);
        d.plotted[r] = finite ? v / d.valueTicker->scale : kNaN;
        d.finiteRows += finite;
        // A NaN breaks the line; a bar is left out.
        if (finite || !bars) keys.append(r + 1), values.append(d.plotted[r]);
    }
    d.bars->setVisible(bars);
    d.line->setVisible(!bars);
    if (bars) {
        d.bars->setData(keys, values, true);
        d.line->data()->clear();
    } else {
        d.line->setData(keys, values, true);
        d.bars->data()->clear();
    }
    d.notice->setVisible(rows > 0 && d.finiteRows == 0);
    d.plot->yAxis->setTickLabels(d.finiteRows > 0);
    HideReadout();

    d.adjusting = true;
    d.plot->xAxis->setRange(0.5, std::max(rows, 1) + 0.5);
    d.adjusting = false;
    ViewChanged();
    d.plot->replot();
}

void ChannelChart::ViewChanged() {
    Impl& d = *impl_;
    const int shown = static_cast<int>(d.plot->xAxis->range().size());
    // Gaps narrower than a pixel would show as stripes: close bars touch.
    d.bars->setWidth(shown > kGappedBarRows ? 1.0 : 0.8);
    // Smooth edges cost ~15 ms at 10000 rows, where a pixel holds several rows anyway.
    d.line->setAntialiased(shown <= kSmoothLineRows);
    UpdateLabels();
    UpdateValueRange();
    PlaceMarker();
}

bool ChannelChart::UpdateLabels() {
    Impl& d = *impl_;
    const QCPRange view = d.plot->xAxis->range();
    // Rotated labels stand one text height apart at least.
    const int pitch = QFontMetrics(d.plot->xAxis->tickLabelFont()).height() + kLabelGapPixels;
    const int maxLabels = std::max(1, d.plot->axisRect()->width() / pitch);
    std::vector<AxisLabel> labels =
        d.axis.Labels(static_cast<int>(std::ceil(view.lower)), static_cast<int>(std::floor(view.upper)), maxLabels);
    if (labels == d.labels) return false;
    d.labels = std::move(labels);
    d.rowTicker->clear();
    for (const AxisLabel& label : d.labels) d.rowTicker->addTick(label.row, Latin1(label.text));
    return true;
}

// From the finite values in view (of the whole channel when there are none in
// view); bars keep their baseline at zero.
void ChannelChart::UpdateValueRange() {
    Impl& d = *impl_;
    if (d.finiteRows == 0) return d.plot->yAxis->setRange(0, 1);
    const QCPRange view = d.plot->xAxis->range();
    const int first = std::max(1, static_cast<int>(std::ceil(view.lower)));
    const int last = std::min(RowCount(), static_cast<int>(std::floor(view.upper)));
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (int pass = 0; pass < 2 && low > high; ++pass) {
        for (int r = pass == 0 ? first : 1; r <= (pass == 0 ? last : RowCount()); ++r) {
            const double v = d.plotted[r - 1];
            if (std::isnan(v)) continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    d.plot->yAxis->setRange(PaddedValueRange(low, high, d.bars->visible()));
}

void ChannelChart::SetMarker(int row) {
    impl_->markerRow = row;
    PlaceMarker();
}

// A widget of its own: moving it repaints two pixel columns, not the chart.
void ChannelChart::PlaceMarker() {
    Impl& d = *impl_;
    const QRect area = d.plot->axisRect()->rect();
    const int x = qRound(d.plot->xAxis->coordToPixel(d.markerRow));
    d.marker->setGeometry(x, area.top(), 1, area.height());
    d.marker->setVisible(d.markerRow >= 1 && d.markerRow <= RowCount() && area.contains(x, area.top()));
}

int ChannelChart::RowCount() const { return static_cast<int>(impl_->values.size()); }

double ChannelChart::RowValue(int row) const {
    if (row < 1 || row > RowCount()) return kNaN;
    return impl_->values[static_cast<std::size_t>(row - 1)];
}

bool ChannelChart::IsBars() const { return impl_->bars->visible(); }
QCustomPlot* ChannelChart::Plot() const { return impl_->plot; }

std::pair<double, double> ChannelChart::RowsInView() const {
    return {impl_->plot->xAxis->range().lower, impl_->plot->xAxis->range().upper};
}

std::pair<double, double> ChannelChart::ValueRange() const {
    const double scale = impl_->valueTicker->scale;
    return {impl_->plot->yAxis->range().lower * scale, impl_->plot->yAxis->range().upper * scale};
}

std::vector<std::pair<int, QString>> ChannelChart::AxisLabels() const {
    std::vector<std::pair<int, QString>> labels;
    for (const AxisLabel& label : impl_->labels) labels.emplace_back(label.row, Latin1(label.text));
    return labels;
}

QString ChannelChart::Notice() const { return impl_->notice->visible() ? impl_->notice->text() : QString(); }
int ChannelChart::MarkerRow() const { return impl_->markerRow; }
QString ChannelChart::Readout() const { return impl_->readout->visible() ? impl_->readout->text() : QString(); }

}  // namespace tavro::ui
