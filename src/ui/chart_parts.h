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

}  // namespace tavro::ui
