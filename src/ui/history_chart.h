// The history chart: one channel of the archive over a real UTC time axis
// (QCustomPlot, keys in seconds since 1970). It asks for the series of the
// view at one point per pixel column, so each column shows the minimum and
// maximum of its beacons and a spike is never lost; a gap stays between passes.
//
// As the main chart: the wheel zooms the time axis around the pointer,
// dragging pans, a double-click shows the whole span again; hovering shows a
// read-out of the beacon nearest the pointer.
#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "archive.h"
#include "history_view.h"

class QCustomPlot;

namespace tavro::ui {

class HistoryChart : public QWidget {
    Q_OBJECT
public:
    explicit HistoryChart(QWidget* parent = nullptr);
    ~HistoryChart() override;

    // The points of a span at `columns` columns; false: the archive could not be read.
    std::function<bool(const TimeSpan& span, int columns, std::vector<SeriesPoint>& points)> FetchSeries;
    // The read-out of the beacon nearest timeMs when it lies within
    // toleranceMs of it; empty: none near.
    std::function<QString(std::int64_t timeMs, std::int64_t toleranceMs)> ReadoutText;

    // Shows all of bounds and draws it; the view stays within bounds.
    void ShowRange(TimeRange bounds);
    // Fetches the view again (new beacons, another channel).
    void Redraw();
    // Moves the view (clamped into the bounds) and draws it.
    void SetView(TimeRange view);
    // Bounds grow (new beacons): a view that showed the end follows it.
    void ExtendBounds(TimeRange bounds);
    // No span: the chart is empty and says why.
    void Clear(const QString& notice);

    TimeRange View() const;
    TimeRange Bounds() const;
    int Columns() const;  // pixel columns of the plot area

    // What is drawn, for tests and benchmarks.
    QCustomPlot* Plot() const;
    const std::vector<SeriesPoint>& Points() const;
    std::vector<std::pair<double, double>> Line() const;  // (seconds, value) vertices, NaN: gap
    std::pair<double, double> ValueRange() const;
    QString Notice() const;   // "no beacons in this span", "no finite values", or empty
    QString Readout() const;  // empty while none is shown
    QString FetchError() const;

signals:
    // The view moved or was drawn anew.
    void ViewChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fetch();
    void ApplyAxisRange();
    void UpdateTimeLabels();
    void ShowReadout(QPoint pointer);
    void HideReadout();

    struct Impl;
    Impl* impl_;
};

}  // namespace tavro::ui
