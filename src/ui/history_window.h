// "Archive → History…": one channel of the archive over a span of UTC time.
//
//   channel and span chosen  ->  the chart shows the span (history_chart.h)
//   "Open in the main window" ->  the beacons in view become the main
//                                 window's selection (the first 10000)
//   new beacons (a live connection adds them)  ->  rolling spans and the
//                                 footer follow
//
// The window reads the archive through its store and shows the texts of
// history_view.h; it runs no SQL and formats nothing itself. Its controls and
// their places: history_window_layout.cpp.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "archive.h"
#include "history_view.h"

class QComboBox;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavro::ui {

class HistoryChart;

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    struct Controls {
        QComboBox* channelChoice = nullptr;
        QComboBox* spanChoice = nullptr;
        QDateTimeEdit* fromEdit = nullptr;
        QDateTimeEdit* toEdit = nullptr;
        QPushButton* openInMainButton = nullptr;
        QGroupBox* chartFrame = nullptr;
        HistoryChart* chart = nullptr;
        QLineEdit* statusLine = nullptr;
        QLabel* footer = nullptr;
    };

    // archive: the window's own reading connection to the archive.
    HistoryWindow(std::unique_ptr<Archive> archive, char decimalSeparator, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // --- handlers; the controls call these
    void OnChannelChosen(int channel);
    void OnSpanChosen(HistorySpan span);
    void OnFromToEdited();
    void OnOpenInMainWindow();
    // The archive has new beacons: the footer, and a rolling span or a view
    // of its end, follow them.
    void OnBeaconsAdded();

    // Loads the beacons of a span into the main window; answers the status
    // text ("10000 of 12000 beacons ..."). Set by the main window.
    std::function<std::string(const TimeSpan& span)> OpenInMainWindow;
    // Milliseconds since 1970 UTC: "now" of the rolling spans.
    std::function<std::int64_t()> Clock;

    // The chart shows the archive's per-minute summary while the channel's
    // history loads; it is drawn again when the history is there.
    bool ShowsSummary() const { return refineTimer_.isActive(); }

    int Channel() const { return channel_; }
    HistorySpan Span() const { return span_; }
    Archive& Store() { return *archive_; }
    // For tests only: the widgets, to read what the window shows.
    const Controls& ControlsForTesting() const { return ui_; }

private:
    void BuildControls();
    void ShowSpan();       // the span's range anew, drawn whole
    std::optional<TimeRange> CurrentSpanRange(const ArchiveInfo& info);
    void ShowFooter(const ArchiveInfo& info);
    void SetStatus(const QString& text);
    QString ReadoutAt(std::int64_t timeMs, std::int64_t toleranceMs);

    Controls ui_;
    std::unique_ptr<Archive> archive_;
    char separator_ = '.';
    int channel_ = 10;  // Batt voltage: the satellite's health at a glance
    HistorySpan span_ = HistorySpan::All;
    QTimer refineTimer_;  // asks again for the exact series
};

}  // namespace tavro::ui
