#include "history_chart.h"

#include <QMouseEvent>
#include <QTimeZone>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "chart_parts.h"

namespace tavro::ui {

namespace {
const QColor kSeriesColour(0, 70, 160);
constexpr double kLineWidthPixels = 1.5;
// Fewer vertices than this per pixel column get dots and smooth edges; a
// denser line is a column of min/max strokes, drawn plain (a third of the time).
constexpr double kDottedVerticesPerColumn = 0.25;
constexpr int kReadoutReachPixels = 8;  // a beacon this close to the pointer is read out
constexpr std::int64_t kMinuteMs = 60 * 1000, kDayMs = 24 * 60 * kMinuteMs;

double Seconds(std::int64_t ms) { return static_cast<double>(ms) / 1000; }
std::int64_t Milliseconds(double seconds) { return std::llround(seconds * 1000); }
}  // namespace

struct HistoryChart::Impl {
    QCustomPlot* plot = nullptr;
    QCPGraph* line = nullptr;
    QSharedPointer<QCPAxisTickerDateTime> timeTicker;
    QSharedPointer<ScaledTicker> valueTicker;
    QCPItemText* notice = nullptr;
    QCPItemText* readout = nullptr;
    TimeRange bounds, view;
    bool hasBounds = false;
    std::vector<SeriesPoint> points;
    std::vector<std::pair<double, double>> vertices;
    QString fetchError;
    int fetchedColumns = 0;
    int readoutColumn = -1;
    bool adjusting = false;  // the axis range is being set here
};

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent), impl_(new Impl) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Impl& d = *impl_;
    d.plot = new QCustomPlot(this);
    layout->addWidget(d.plot);
    d.plot->setBackground(palette().window());
    d.plot->axisRect()->setBackground(Qt::white);

    d.line = d.plot->addGraph(d.plot->xAxis, d.plot->yAxis);
    d.line->setPen(QPen(kSeriesColour, kLineWidthPixels));
    d.plot->setPlottingHint(QCP::phFastPolylines, true);

    d.timeTicker = QSharedPointer<QCPAxisTickerDateTime>::create();
    d.timeTicker->setTimeZone(QTimeZone::utc());
    d.plot->xAxis->setTicker(d.timeTicker);
    d.plot->xAxis->setLabel(QStringLiteral("UTC"));
    d.valueTicker = QSharedPointer<ScaledTicker>::create();
    d.plot->yAxis->setTicker(d.valueTicker);

    d.notice = new QCPItemText(d.plot);
    d.notice->position->setType(QCPItemPosition::ptAxisRectRatio);
    d.notice->position->setCoords(0.5, 0.5);
    d.notice->setVisible(false);
    SetUpZoomAndPan(d.plot, this);
    d.readout = MakeReadout(d.plot);

    connect(d.plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this](const QCPRange& range) {
        Impl& d = *impl_;
        if (d.adjusting || !d.hasBounds) return;
        // A wheel step or a drag: the view in whole milliseconds, kept within the span.
        d.view = ClampedRange({Milliseconds(range.lower), Milliseconds(range.upper)}, d.bounds);
        ApplyAxisRange();
        Fetch();
    });
    // The column count is known only after a layout; a new width fetches anew.
    connect(d.plot, &QCustomPlot::afterLayout, this, [this] {
        if (impl_->hasBounds && Columns() != impl_->fetchedColumns) {
            Fetch();
            impl_->plot->replot(QCustomPlot::rpQueuedReplot);
        }
    });
}

HistoryChart::~HistoryChart() { delete impl_; }

void HistoryChart::ShowRange(TimeRange bounds) {
    impl_->bounds = bounds;
    impl_->hasBounds = true;
    SetView(bounds);
}

void HistoryChart::SetView(TimeRange view) {
    if (!impl_->hasBounds) return;
    impl_->view = ClampedRange(view, impl_->bounds);
    ApplyAxisRange();
    Fetch();
    impl_->plot->replot();
}

void HistoryChart::ExtendBounds(TimeRange bounds) {
    Impl& d = *impl_;
    if (!d.hasBounds) return ShowRange(bounds);
    const bool showedEnd = d.view.toMs >= d.bounds.toMs;
    const bool showedAll = d.view == d.bounds;
    d.bounds = bounds;
    TimeRange view = d.view;
    if (showedAll) view = bounds;
    else if (showedEnd) view = {bounds.toMs - (view.toMs - view.fromMs), bounds.toMs};
    SetView(view);
}

void HistoryChart::Redraw() {
    if (!impl_->hasBounds) return;
    Fetch();
    impl_->plot->replot();
}

void HistoryChart::Clear(const QString& notice) {
    Impl& d = *impl_;
    d.hasBounds = false;
    d.points.clear();
    d.vertices.clear();
    d.line->data()->clear();
    d.notice->setText(notice);
    d.notice->setVisible(!notice.isEmpty());
    HideReadout();
    d.plot->replot();
}

void HistoryChart::ApplyAxisRange() {
    Impl& d = *impl_;
    d.adjusting = true;
    d.plot->xAxis->setRange(Seconds(d.view.fromMs), Seconds(d.view.toMs));
    d.adjusting = false;
    UpdateTimeLabels();
}

// Dates over days, clock times over hours, seconds over minutes.
void HistoryChart::UpdateTimeLabels() {
    Impl& d = *impl_;
    const std::int64_t width = d.view.toMs - d.view.fromMs;
    d.timeTicker->setDateTimeFormat(width > 3 * kDayMs     ? QStringLiteral("yyyy-MM-dd")
                                    : width > 10 * kMinuteMs ? QStringLiteral("hh:mm\nyyyy-MM-dd")
                                                             : QStringLiteral("hh:mm:ss\nyyyy-MM-dd"));
}

void HistoryChart::Fetch() {
    Impl& d = *impl_;
    const int columns = Columns();
    d.fetchedColumns = columns;
    d.points.clear();
    d.fetchError.clear();
    if (FetchSeries && !FetchSeries({d.view.fromMs, d.view.toMs}, columns, d.points)) {
        d.fetchError = QStringLiteral("the archive could not be read");
        d.points.clear();
    }
    d.vertices = HistoryLine(d.points, d.view, columns);
    double largest = 0;
    for (const SeriesPoint& p : d.points)
        for (double v : {p.min, p.max})
            if (std::isfinite(v)) largest = std::max(largest, std::abs(v));
    d.valueTicker->scale = ValueScale(largest);
    QVector<double> keys, values;
    keys.reserve(static_cast<qsizetype>(d.vertices.size()));
    values.reserve(static_cast<qsizetype>(d.vertices.size()));
    for (const auto& [key, value] : d.vertices) keys.append(key), values.append(value / d.valueTicker->scale);
    d.line->setData(keys, values, true);
    const bool sparse = static_cast<double>(d.vertices.size()) <= kDottedVerticesPerColumn * columns;
    d.line->setScatterStyle(sparse ? QCPScatterStyle(QCPScatterStyle::ssDisc, kSeriesColour, 3) : QCPScatterStyle());
    d.line->setAntialiased(sparse);
    d.line->setPen(QPen(kSeriesColour, sparse ? kLineWidthPixels : 1));

    const auto range = FiniteValueRange(d.points);
    d.notice->setText(d.points.empty() ? QStringLiteral("no beacons in this span") : QStringLiteral("no finite values"));
    d.notice->setVisible(!range);
    d.plot->yAxis->setTickLabels(range.has_value());
    d.plot->yAxis->setRange(range ? PaddedValueRange(range->first / d.valueTicker->scale, range->second / d.valueTicker->scale, false)
                                  : QCPRange(0, 1));
    HideReadout();
    emit ViewChanged();
}

bool HistoryChart::eventFilter(QObject* watched, QEvent* event) {
    Impl& d = *impl_;
    if (watched != d.plot) return QWidget::eventFilter(watched, event);
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: HideReadout(); break;
        case QEvent::MouseButtonDblClick:
            if (d.hasBounds) SetView(d.bounds);
            break;
        case QEvent::MouseMove:
            if (mouse->buttons() == Qt::NoButton) ShowReadout(mouse->position().toPoint());
            break;
        case QEvent::Wheel:
        case QEvent::Leave: HideReadout(); break;
        default: break;
    }
    return false;
}

void HistoryChart::ShowReadout(QPoint pointer) {
    Impl& d = *impl_;
    const QRect area = d.plot->axisRect()->rect();
    if (!d.hasBounds || d.points.empty() || !area.contains(pointer) || !ReadoutText) return HideReadout();
    const int column = pointer.x() - area.left();
    if (column != d.readoutColumn) {
        const double msPerPixel = static_cast<double>(d.view.toMs - d.view.fromMs) / std::max(area.width(), 1);
        const QString text = ReadoutText(Milliseconds(d.plot->xAxis->pixelToCoord(pointer.x())),
                                         std::llround(msPerPixel * kReadoutReachPixels));
        if (text.isEmpty()) return HideReadout();
        d.readout->setText(text);
        d.readoutColumn = column;
    }
    PlaceReadout(d.readout, pointer);
}

void HistoryChart::HideReadout() {
    impl_->readoutColumn = -1;
    HideReadoutItem(impl_->readout);
}

TimeRange HistoryChart::View() const { return impl_->view; }
TimeRange HistoryChart::Bounds() const { return impl_->bounds; }
int HistoryChart::Columns() const { return std::max(impl_->plot->axisRect()->width(), 1); }
QCustomPlot* HistoryChart::Plot() const { return impl_->plot; }
const std::vector<SeriesPoint>& HistoryChart::Points() const { return impl_->points; }
std::vector<std::pair<double, double>> HistoryChart::Line() const { return impl_->vertices; }
QString HistoryChart::FetchError() const { return impl_->fetchError; }

std::pair<double, double> HistoryChart::ValueRange() const {
    const double scale = impl_->valueTicker->scale;
    return {impl_->plot->yAxis->range().lower * scale, impl_->plot->yAxis->range().upper * scale};
}

QString HistoryChart::Notice() const { return impl_->notice->visible() ? impl_->notice->text() : QString(); }
QString HistoryChart::Readout() const { return impl_->readout->visible() ? impl_->readout->text() : QString(); }

}  // namespace tavro::ui
