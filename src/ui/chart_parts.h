// The chart's parts, shared by channel_chart.cpp and chart_interaction.cpp.
#pragma once

#include <QPoint>
#include <QVector>
#include <qcustomplot.h>

#include <vector>

#include "channel_chart.h"
#include "time_axis.h"

namespace tavro::ui {

// Value labels of a channel drawn divided by scale show the values themselves.
class ScaledTicker : public QCPAxisTicker {
public:
    double scale = 1;

protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override {
        return QCPAxisTicker::getTickLabel(tick * scale, locale, formatChar, precision);
    }
};

struct ChannelChart::Impl {
    QCustomPlot* plot = nullptr;
    QCPBars* bars = nullptr;
    QCPGraph* line = nullptr;
    QSharedPointer<QCPAxisTickerText> rowTicker;
    QSharedPointer<ScaledTicker> valueTicker;
    QCPItemText* notice = nullptr;          // "no finite values"
    QWidget* marker = nullptr;              // the record on display: a line one pixel wide
    QCPItemText* readout = nullptr;         // on the overlay layer
    std::vector<double> values;             // as recorded
    QVector<double> plotted;                // divided by the scale; NaN where not finite
    int finiteRows = 0;
    TimeAxis axis;
    std::vector<AxisLabel> labels;
    int markerRow = 0;
    int readoutRow = 0;
    QPoint pressedAt;
    bool adjusting = false;  // the record range is being set or clamped
};

// The record range in view: within rows 0.5 to rows + 0.5, a few rows wide at least.
QCPRange Clamped(const QCPRange& range, int rows);

// --- shared by the channel chart and the history chart
// The wheel zooms the horizontal axis around the pointer, dragging pans it;
// mouse moves reach the filter for the read-out.
void SetUpZoomAndPan(QCustomPlot* plot, QObject* eventFilter);
// The read-out box on the overlay layer, hidden.
QCPItemText* MakeReadout(QCustomPlot* plot);
// Shows the read-out beside the pointer, turned to the other side near the plot's edges.
void PlaceReadout(QCPItemText* readout, QPoint pointer);
// Hides it; true when it was shown.
bool HideReadoutItem(QCPItemText* readout);
// A press and release this close together is a click, not a drag.
constexpr int kClickSlack = 3;
// QCustomPlot refuses ranges beyond 1e250: values this large are drawn
// divided by a power of ten (ScaledTicker labels them with the values).
double ValueScale(double largestMagnitude);
// The value axis over low to high with 5 % room on each side (1 either
// side of a single value); from zero, a bound at zero stays there.
QCPRange PaddedValueRange(double low, double high, bool fromZero);

}  // namespace tavro::ui
