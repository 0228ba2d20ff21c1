// The chart of one channel over every record (QCustomPlot): one row per
// record, bars or a line, hh:mm row labels; the spacing of ticks and labels
// follows the record count and is kept for later plots of 40 rows or fewer.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

#include "session.h"

class QCustomPlot;

namespace tavro::ui {

class ChannelChart : public QWidget {
    Q_OBJECT
public:
    explicit ChannelChart(QWidget* parent = nullptr);
    ~ChannelChart() override;

    // Draws one row per record; bars when bars is true.
    void PlotChannel(const std::vector<ChartRow>& rows, bool bars);

    // What is drawn, for tests.
    int RowCount() const;
    double RowValue(int row) const;      // row counted from 1
    QString RowLabel(int row) const;     // row counted from 1
    bool IsBars() const;
    int LabelSpacing() const;            // 0: automatic
    QCustomPlot* Plot() const;
    // Rows from one labelled tick to the next as drawn: LabelSpacing() or a
    // multiple of it when the labels would otherwise overlap at this width.
    int DrawnLabelStep() const;
    QList<double> TickPositions() const;  // rows that carry a tick and a label

private:
    void UpdateTicks();

    struct Impl;
    Impl* impl_;
};

}  // namespace tavro::ui
