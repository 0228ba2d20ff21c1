// The history window's handlers: channel, span, from/to, opening the view in
// the main window, following new beacons.
#include "history_window.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "history_chart.h"
#include "text_conversion.h"
#include "time_stamp.h"

namespace tavro::ui {

namespace {
// "Last pass" looks this far back from the last beacon for the pass's start.
constexpr std::int64_t kPassSearchMs = 2LL * 24 * 60 * 60 * 1000;

QDateTime UtcDateTime(std::int64_t ms) { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC); }
}  // namespace

HistoryWindow::HistoryWindow(std::unique_ptr<Archive> archive, char decimalSeparator, QWidget* parent)
    : QWidget(parent, Qt::Window), archive_(std::move(archive)), separator_(decimalSeparator) {
    Clock = [] { return NowMilliseconds(); };
    BuildControls();
    refineTimer_.setSingleShot(true);
    refineTimer_.setInterval(100);
    connect(&refineTimer_, &QTimer::timeout, this, [this] { ui_.chart->Redraw(); });
    ui_.chart->FetchSeries = [this](const TimeSpan& span, int columns, std::vector<SeriesPoint>& points) {
        bool exact = true;
        const bool ok = archive_->QuickSeries(channel_, span, columns, points, exact);
        if (ok && !exact) refineTimer_.start();
        else refineTimer_.stop();
        return ok;
    };
    ui_.chart->ReadoutText = [this](std::int64_t timeMs, std::int64_t toleranceMs) { return ReadoutAt(timeMs, toleranceMs); };
    OnChannelChosen(channel_);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::OnChannelChosen(int channel) {
    if (channel < 0 || channel >= kChannelCount) return;
    channel_ = channel;
    if (ui_.channelChoice->currentIndex() != channel) ui_.channelChoice->setCurrentIndex(channel);
    ui_.chartFrame->setTitle(Latin1(ChannelTitle(channel)));
    ShowSpan();
}

void HistoryWindow::OnSpanChosen(HistorySpan span) {
    span_ = span;
    const int index = static_cast<int>(span);
    if (ui_.spanChoice->currentIndex() != index) ui_.spanChoice->setCurrentIndex(index);
    const bool fromTo = span == HistorySpan::FromTo;
    // From/to starts from what is in view.
    if (fromTo && !ui_.fromEdit->isEnabled()) {
        const TimeRange view = ui_.chart->View();
        const QSignalBlocker blockFrom(ui_.fromEdit), blockTo(ui_.toEdit);
        ui_.fromEdit->setDateTime(UtcDateTime(view.fromMs));
        ui_.toEdit->setDateTime(UtcDateTime(view.toMs));
    }
    ui_.fromEdit->setEnabled(fromTo);
    ui_.toEdit->setEnabled(fromTo);
    ShowSpan();
}

void HistoryWindow::OnFromToEdited() {
    if (span_ == HistorySpan::FromTo) ShowSpan();
}

std::optional<TimeRange> HistoryWindow::CurrentSpanRange(const ArchiveInfo& info) {
    std::int64_t passStart = 0;
    if (span_ == HistorySpan::LastPass && info.lastMs) {
        std::vector<std::int64_t> times;
        archive_->ForEachBeacon({*info.lastMs - kPassSearchMs, std::nullopt}, [&](const Beacon& beacon) {
            if (beacon.timeMs) times.push_back(*beacon.timeMs);
            return true;
        });
        passStart = LastPassStart(times);
    }
    const TimeRange fromTo{ui_.fromEdit->dateTime().toMSecsSinceEpoch(), ui_.toEdit->dateTime().toMSecsSinceEpoch()};
    return SpanRange(span_, info, Clock(), passStart, fromTo);
}

void HistoryWindow::ShowSpan() {
    ArchiveInfo info;
    if (!archive_->Info(info)) {
        SetStatus(PathText(archive_->Error()));
        ui_.chart->Clear(QStringLiteral("the archive could not be read"));
        return;
    }
    ShowFooter(info);
    const std::optional<TimeRange> range = CurrentSpanRange(info);
    if (!range) {
        ui_.chart->Clear(span_ == HistorySpan::FromTo ? QStringLiteral("\"to\" must lie after \"from\"")
                                                      : QStringLiteral("no beacons with time in the archive"));
        ui_.openInMainButton->setEnabled(false);
        return;
    }
    ui_.openInMainButton->setEnabled(true);
    ui_.chart->ShowRange(*range);
    if (span_ != HistorySpan::FromTo) {  // the edits show the span, ready for From/to
        const QSignalBlocker blockFrom(ui_.fromEdit), blockTo(ui_.toEdit);
        ui_.fromEdit->setDateTime(UtcDateTime(range->fromMs));
        ui_.toEdit->setDateTime(UtcDateTime(range->toMs));
    }
    if (!ui_.chart->FetchError().isEmpty()) SetStatus(PathText(archive_->Error()));
}

void HistoryWindow::OnBeaconsAdded() {
    ArchiveInfo info;
    if (!archive_->Info(info)) return;
    ShowFooter(info);
    const std::optional<TimeRange> range = CurrentSpanRange(info);
    if (!range) return;
    // A view of the span's end moves with it; a view elsewhere stays where the user put it.
    ui_.openInMainButton->setEnabled(true);
    ui_.chart->ExtendBounds(*range);
}

void HistoryWindow::OnOpenInMainWindow() {
    if (!OpenInMainWindow) return;
    const TimeRange view = ui_.chart->View();
    SetStatus(PathText(OpenInMainWindow({view.fromMs, view.toMs})));
}

QString HistoryWindow::ReadoutAt(std::int64_t timeMs, std::int64_t toleranceMs) {
    const std::optional<Beacon> beacon = archive_->NearestBeacon(timeMs);
    if (!beacon || !beacon->timeMs || std::abs(*beacon->timeMs - timeMs) > toleranceMs) return {};
    const TimeRange view = ui_.chart->View();
    if (*beacon->timeMs < view.fromMs || *beacon->timeMs >= view.toMs) return {};
    return Latin1(HistoryReadout(*beacon, channel_, separator_));
}

void HistoryWindow::ShowFooter(const ArchiveInfo& info) { ui_.footer->setText(PathText(ArchiveFooterText(info))); }

void HistoryWindow::SetStatus(const QString& text) {
    ui_.statusLine->setText(text);
    ui_.statusLine->setCursorPosition(0);
    ui_.statusLine->setToolTip(text);
}

}  // namespace tavro::ui
