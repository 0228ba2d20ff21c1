// The chart to analyse with: the wheel zooms the record axis around the
// pointer, dragging pans, a double-click shows every record again; the marker
// of the record on display; a click that asks for a record; the hover read-out.
// The read-out sits on QCustomPlot's buffered overlay layer, so showing it
// redraws neither bars nor line.
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "chart_parts.h"

namespace tavro::ui {
namespace {

constexpr double kFewestRows = 5;  // in view at the deepest zoom
constexpr double kWheelStep = 0.8;  // the view's width after one wheel step forward
const QColor kMarkerColour(200, 30, 30);
const QString kOverlay = QStringLiteral("overlay");

}  // namespace

QCPRange Clamped(const QCPRange& range, int rows) {
    const double all = std::max(rows, 1);
    const double width = std::clamp(range.size(), std::min(kFewestRows, all), all);
    const double lower = std::clamp(range.center() - width / 2, 0.5, 0.5 + all - width);
    return QCPRange(lower, lower + width);
}

void SetUpZoomAndPan(QCustomPlot* plot, QObject* eventFilter) {
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setRangeDrag(Qt::Horizontal);
    plot->axisRect()->setRangeZoom(Qt::Horizontal);
    plot->axisRect()->setRangeZoomFactor(kWheelStep, 1);
    plot->setMouseTracking(true);
    plot->installEventFilter(eventFilter);
}

QCPItemText* MakeReadout(QCustomPlot* plot) {
    auto* readout = new QCPItemText(plot);
    readout->setLayer(kOverlay);
    readout->position->setType(QCPItemPosition::ptAbsolute);
    readout->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    readout->setTextAlignment(Qt::AlignLeft);
    readout->setPadding(QMargins(4, 2, 4, 2));
    readout->setBrush(QColor(255, 255, 225));
    readout->setPen(QPen(QColor(120, 120, 120)));
    readout->setFont(plot->xAxis->tickLabelFont());
    readout->setVisible(false);
    return readout;
}

void PlaceReadout(QCPItemText* readout, QPoint pointer) {
    QCustomPlot* plot = readout->parentPlot();
    const QRect area = plot->axisRect()->rect();
    const QSize size = QFontMetrics(readout->font()).boundingRect(QRect(), 0, readout->text()).size() + QSize(10, 6);
    QPoint place = pointer + QPoint(12, 12);
    if (place.x() + size.width() > area.right()) place.setX(pointer.x() - 12 - size.width());
    if (place.y() + size.height() > area.bottom()) place.setY(pointer.y() - 12 - size.height());
    readout->position->setCoords(std::max(place.x(), area.left()), std::max(place.y(), area.top()));
    readout->setVisible(true);
    plot->layer(kOverlay)->replot();
}

bool HideReadoutItem(QCPItemText* readout) {
    if (!readout->visible()) return false;
    readout->setVisible(false);
    readout->parentPlot()->layer(kOverlay)->replot();
    return true;
}

double ValueScale(double largestMagnitude) {
    return largestMagnitude >= 1e200 ? std::pow(10.0, std::floor(std::log10(largestMagnitude))) : 1.0;
}

QCPRange PaddedValueRange(double low, double high, bool fromZero) {
    if (fromZero) low = std::min(low, 0.0), high = std::max(high, 0.0);
    const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.05, 1.0);
    return QCPRange(fromZero && low == 0 ? 0 : low - pad, fromZero && high == 0 ? 0 : high + pad);
}

void ChannelChart::BuildInteraction() {
    Impl& d = *impl_;
    SetUpZoomAndPan(d.plot, this);

    d.marker = new QWidget(d.plot);
    d.marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    d.marker->setAutoFillBackground(true);
    QPalette red = d.marker->palette();
    red.setColor(QPalette::Window, kMarkerColour);
    d.marker->setPalette(red);
    d.marker->hide();

    d.readout = MakeReadout(d.plot);
}

bool ChannelChart::eventFilter(QObject* watched, QEvent* event) {
    Impl& d = *impl_;
    if (watched != d.plot) return QWidget::eventFilter(watched, event);
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    const QPoint at = mouse ? mouse->position().toPoint() : QPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        d.pressedAt = at;
        HideReadout();
        break;
    case QEvent::MouseButtonRelease:
        // A press and release in one place is a click; anything more was a drag.
        if (mouse->button() == Qt::LeftButton && (at - d.pressedAt).manhattanLength() <= kClickSlack &&
            d.plot->axisRect()->rect().contains(at)) {
            const int row = qRound(d.plot->xAxis->pixelToCoord(at.x()));
            if (row >= 1 && row <= RowCount()) emit RecordClicked(row);
        }
        break;
    case QEvent::MouseButtonDblClick:
        d.plot->xAxis->setRange(0.5, std::max(RowCount(), 1) + 0.5);
        d.plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    case QEvent::MouseMove:
        if (mouse->buttons() == Qt::NoButton) ShowReadout(at);
        break;
    case QEvent::Wheel:
    case QEvent::Leave:
        HideReadout();
        break;
    default:
        break;
    }
    return false;
}

void ChannelChart::ShowReadout(QPoint pointer) {
    Impl& d = *impl_;
    const QRect area = d.plot->axisRect()->rect();
    const int row = area.contains(pointer) ? qRound(d.plot->xAxis->pixelToCoord(pointer.x())) : 0;
    if (row < 1 || row > RowCount() || !ReadoutText) return HideReadout();
    if (row != d.readoutRow) d.readout->setText(ReadoutText(row));
    d.readoutRow = row;
    PlaceReadout(d.readout, pointer);
}

void ChannelChart::HideReadout() {
    impl_->readoutRow = 0;
    HideReadoutItem(impl_->readout);
}

}  // namespace tavro::ui
