// The chart to analyse with: the wheel zooms the record axis around the
// pointer, dragging pans, a double-click shows every record again; the marker
// of the record on display; a click that asks for a record; the hover read-out.
// The read-out sits on QCustomPlot's buffered overlay layer, so showing it
// redraws neither bars nor line.
#include <QMouseEvent>
#include <algorithm>

#include "chart_parts.h"

namespace tavro::ui {
namespace {

constexpr double kFewestRows = 5;  // in view at the deepest zoom
constexpr double kWheelStep = 0.8;  // the view's width after one wheel step forward
constexpr int kClickSlack = 3;      // pixels a click may move and stay a click
const QColor kMarkerColour(200, 30, 30);
const QString kOverlay = QStringLiteral("overlay");

}  // namespace

QCPRange Clamped(const QCPRange& range, int rows) {
    const double all = std::max(rows, 1);
    const double width = std::clamp(range.size(), std::min(kFewestRows, all), all);
    const double lower = std::clamp(range.center() - width / 2, 0.5, 0.5 + all - width);
    return QCPRange(lower, lower + width);
}

void ChannelChart::BuildInteraction() {
    Impl& d = *impl_;
    d.plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    d.plot->axisRect()->setRangeDrag(Qt::Horizontal);
    d.plot->axisRect()->setRangeZoom(Qt::Horizontal);
    d.plot->axisRect()->setRangeZoomFactor(kWheelStep, 1);
    d.plot->setMouseTracking(true);
    d.plot->installEventFilter(this);

    d.marker = new QWidget(d.plot);
    d.marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    d.marker->setAutoFillBackground(true);
    QPalette red = d.marker->palette();
    red.setColor(QPalette::Window, kMarkerColour);
    d.marker->setPalette(red);
    d.marker->hide();

    d.readout = new QCPItemText(d.plot);
    d.readout->setLayer(kOverlay);
    d.readout->position->setType(QCPItemPosition::ptAbsolute);
    d.readout->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    d.readout->setTextAlignment(Qt::AlignLeft);
    d.readout->setPadding(QMargins(4, 2, 4, 2));
    d.readout->setBrush(QColor(255, 255, 225));
    d.readout->setPen(QPen(QColor(120, 120, 120)));
    d.readout->setFont(d.plot->xAxis->tickLabelFont());
    d.readout->setVisible(false);
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
    // Beside the pointer, turned to the other side near the plot's edges.
    const QSize size = QFontMetrics(d.readout->font()).boundingRect(QRect(), 0, d.readout->text()).size() + QSize(10, 6);
    QPoint place = pointer + QPoint(12, 12);
    if (place.x() + size.width() > area.right()) place.setX(pointer.x() - 12 - size.width());
    if (place.y() + size.height() > area.bottom()) place.setY(pointer.y() - 12 - size.height());
    d.readout->position->setCoords(std::max(place.x(), area.left()), std::max(place.y(), area.top()));
    d.readout->setVisible(true);
    d.plot->layer(kOverlay)->replot();
}

void ChannelChart::HideReadout() {
    Impl& d = *impl_;
    d.readoutRow = 0;
    if (!d.readout->visible()) return;
    d.readout->setVisible(false);
    d.plot->layer(kOverlay)->replot();
}

}  // namespace tavro::ui
