// The chart of one channel over every record (QCustomPlot): one row per
// record, bars or a line. Its value range comes afresh from the finite
// values in view: NaN and infinite values leave a gap in the line and no bar.
//
// To analyse with (chart_interaction.cpp): the wheel zooms the record axis
// around the pointer, dragging pans, a double-click shows every record again;
// a thin marker stands on the record on display; a click on a row asks for
// that record; hovering shows a read-out of the row under the pointer.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

#include "session.h"

class QCustomPlot;

namespace tavro::ui {

class ChannelChart : public QWidget {
    Q_OBJECT
public:
    explicit ChannelChart(QWidget* parent = nullptr);
    ~ChannelChart() override;

    // Draws one row per record, bars when bars is true, every row in view.
    void PlotChannel(const std::vector<ChartRow>& rows, bool bars);
    // The record on display (row counted from 1); 0: none.
    void SetMarker(int row);
    // The read-out of a row (counted from 1); set by the window.
    std::function<QString(int row)> ReadoutText;

    // What is drawn, for tests and benchmarks.
    int RowCount() const;
    double RowValue(int row) const;  // row counted from 1, as recorded
    bool IsBars() const;
    QCustomPlot* Plot() const;
    std::pair<double, double> RowsInView() const;    // the record axis' range
    std::pair<double, double> ValueRange() const;    // the value axis' range
    std::vector<std::pair<int, QString>> AxisLabels() const;
    QString Notice() const;    // "no finite values", or empty
    int MarkerRow() const;
    QString Readout() const;   // empty while none is shown

signals:
    // A click on a row (counted from 1).
    void RecordClicked(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildInteraction();
    void ViewChanged();
    bool UpdateLabels();  // true when they changed
    void UpdateValueRange();
    void PlaceMarker();
    void ShowReadout(QPoint pointer);
    void HideReadout();

    struct Impl;
    Impl* impl_;
};

}  // namespace tavro::ui
