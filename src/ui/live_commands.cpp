// "Connect to KISS server…" and "Disconnect": live reception. The client
// reads on its own thread and wakes the window, which feeds what arrived
// to the session and shows it: new records as they come (the browser
// follows the newest when the last record is on display), the chart at
// most every 250 ms, and the connection's state and counts in the status line.
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include "kiss_tcp_client.h"
#include "live_source.h"
#include "main_window.h"
#include "output_path.h"
#include "time_stamp.h"
#include "text_conversion.h"

namespace tavro::ui {

namespace {
constexpr int kChartPauseMs = 250;
}  // namespace

// Host and port, prefilled from conf.ini or the last connection of this run.
void MainWindow::OnConnect() {
    if (reading_ || client_) return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("connectDialog"));
    dialog.setWindowTitle(QStringLiteral("Connect to KISS server"));
    auto* host = new QLineEdit(Latin1(settings_.kissHost), &dialog);
    host->setObjectName(QStringLiteral("host"));
    auto* port = new QSpinBox(&dialog);
    port->setObjectName(QStringLiteral("port"));
    port->setRange(1, 65535);
    port->setValue(settings_.kissPort);
    auto* hint = new QLabel(QStringLiteral("Direwolf: 8001; soundmodem, gr-satellites: 8100"), &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Host"), host);
    form->addRow(QStringLiteral("Port"), port);
    form->addRow(hint);
    form->addRow(buttons);
    if (ExecDialog(dialog) != QDialog::Accepted || host->text().trimmed().isEmpty()) return;
    ConnectTo(host->text().trimmed(), port->value());
}

// A new table, like an open command, recorded as it arrives. The loaded
// selection stays until the connection is made (BeginLiveTable).
void MainWindow::ConnectTo(const QString& host, int port) {
    if (reading_ || client_) return;
    settings_.kissHost = NativePath(host);
    settings_.kissPort = port;
    if (!BeginLive((host.contains(':') ? '[' + host + ']' : host) + ':' + QString::number(port), false)) return;
    KissTcpClient::Options options;
    static_cast<LiveSource::Options&>(options) = LiveOptions();
    options.host = NativePath(host);
    options.port = static_cast<std::uint16_t>(port);
    StartSource(std::make_unique<KissTcpClient>(options));
}

// The live table, its recording, the chart and status timers; shared by
// every source. False: refused (a message said why).
bool MainWindow::BeginLive(const QString& name, bool serial) {
    const std::int64_t now = LiveClock ? LiveClock() : NowMilliseconds();
    const std::string recording = LiveCapturePath(settings_.capturePath, now);
    // Refused as tavro-cli refuses it: no two files the session writes are
    // one, and the recording is not the serial device read.
    std::vector<LiveOutput> outputs{{"the recording", recording}};
    if (serial) outputs.push_back({"the serial device", NativePath(name)});
    if (const std::string clash = Session::LiveOutputsClash(outputs); !clash.empty()) {
        ShowMessage(QMessageBox::Warning, PathText(clash), QString::fromUtf8(kApplicationTitle));
        return false;
    }
    server_ = name;
    liveSerial_ = serial;
    liveOpened_ = false;
    liveRecording_ = recording;  // begun once the connection is made
    liveTable_ = false;
    liveNote_.clear();
    recording_.clear(), recordingError_.clear();

    if (!chartTimer_) {
        chartTimer_ = new QTimer(this);
        chartTimer_->setSingleShot(true);
        connect(chartTimer_, &QTimer::timeout, this, [this] { OnBarsToggled(); });
        countdown_ = new QTimer(this);
        countdown_->setInterval(1000);
        connect(countdown_, &QTimer::timeout, this, [this] { ShowLiveStatus(); });
    }
    liveState_ = QStringLiteral("connecting");
    return true;
}

// Reconnecting until the user disconnects; the source wakes the window.
LiveSource::Options MainWindow::LiveOptions() {
    LiveSource::Options options;
    options.reconnect = true;
    options.pause = ReconnectPause;
    options.wake = [this] { QMetaObject::invokeMethod(this, [this] { TakeLiveMessages(); }, Qt::QueuedConnection); };
    return options;
}

void MainWindow::StartSource(std::unique_ptr<LiveSource> source) {
    client_ = std::move(source);
    SetCommandsEnabled(true);
    ShowLiveStatus();
}

// Also when the window closes: what arrived is read, the recording ends
// with the last complete frame.
void MainWindow::OnDisconnect() {
    if (!client_) return;
    client_->StopAndWait();
    TakeLiveMessages();
    client_.reset();
    countdown_->stop();
    chartTimer_->stop();
    if (liveTable_) {
        session_.EndStream();
        OnBarsToggled();
    }
    // Never connected: the loaded selection stays, and nothing was received.
    const FramingReport counts = liveTable_ ? session_.Summary().files.back() : FramingReport{};
    QString text = PathText(LiveStatusText(NativePath(server_), "disconnected", counts, recording_, recordingError_));
    if (const QString shared = SharingStatus(); !shared.isEmpty()) text += QStringLiteral("; ") + shared;
    ui_.statusLine->setText(text);
    SetCommandsEnabled(true);
}

// The first connection made: the live table replaces the loaded selection.
void MainWindow::BeginLiveTable() {
    liveTable_ = true;
    selection_.clear();
    // The user's Documents/TAVRO/ is made when the first bytes arrive.
    const bool userFolder = folders_.userFolders && settings_.capturePath == folders_.captureFolder;
    session_.BeginStream({NativePath(server_), liveRecording_, false, userFolder, LiveClock});

    for (QLineEdit* box : ui_.valueBoxes) box->clear();
    ui_.timeLabel->clear();
    scrollBarInUse_ = false;
    ui_.recordScroll->setRange(1, 1);
    ui_.recordScroll->setEnabled(false);
    OnRecordScrolled();
    OnChannelChosen(session_.DefaultChartChannel());
}

void MainWindow::TakeLiveMessages() {
    if (!client_) return;
    int before = session_.RecordCount();
    QString openError;
    for (LiveSource::Message& m : client_->Take()) {
        switch (m.event) {
            case LiveSource::Event::Connecting:
                countdown_->stop();
                liveState_ = QStringLiteral("connecting");
                break;
            case LiveSource::Event::Connected:
                liveOpened_ = true;
                liveState_ = QStringLiteral("connected");
                if (!liveTable_) BeginLiveTable(), before = 0;
                break;
            case LiveSource::Event::Bytes: session_.Feed(m.bytes); break;
            case LiveSource::Event::Dropped:
                if (liveTable_) session_.StreamDropped();
                liveState_ = PathText(m.detail);  // "Connection refused", "closed by the server", "device lost", ...
                // A device that cannot be opened at the start: missing, or no permission.
                if (liveSerial_ && !liveOpened_) openError = PathText(m.detail);
                break;
            case LiveSource::Event::Waiting:
                retryAt_ = std::chrono::steady_clock::now() + m.delay;
                countdown_->start();
                break;
            case LiveSource::Event::Ended: break;
        }
    }
    if (liveTable_) {
        recording_ = session_.RecordingPath();
        recordingError_ = session_.RecordingError();
    }
    if (session_.RecordCount() != before) ShowLiveRecords();
    ShowLiveStatus();
    if (!openError.isEmpty()) {
        OnDisconnect();
        ShowMessage(QMessageBox::Warning, QStringLiteral("Cannot open %1: %2").arg(server_, openError),
                    Latin1(kApplicationTitle));
    }
}

void MainWindow::ShowLiveRecords() {
    const int count = session_.RecordCount();
    // On the last record the browser follows the newest; scrolled back, it stays.
    const bool onLast = !scrollBarInUse_ || ui_.recordScroll->value() == ui_.recordScroll->maximum();
    scrollBarInUse_ = count > 0;
    ui_.recordScroll->setEnabled(scrollBarInUse_ && !reading_);
    ui_.recordScroll->setMaximum(std::max(count, 1));
    if (onLast && ui_.recordScroll->value() != count) ui_.recordScroll->setValue(count);  // shows it
    else OnRecordScrolled();  // the counter grows
    if (!chartTimer_->isActive()) chartTimer_->start(kChartPauseMs);
}

void MainWindow::ShowLiveStatus() {
    if (!client_) return;
    QString state = liveState_;
    if (countdown_->isActive()) {  // "reconnecting in 4 s (Connection refused)", counting down
        const auto left = std::chrono::ceil<std::chrono::seconds>(retryAt_ - std::chrono::steady_clock::now());
        const long long seconds = std::max<long long>(left.count(), 0);
        // A serial TNC: "device lost, trying again in 4 s", and why when it is not just gone.
        if (liveSerial_)
            state = QStringLiteral("device lost, trying again in %1 s").arg(seconds) +
                    (liveState_ == QLatin1String("device lost") ? QString() : QStringLiteral(" (%1)").arg(liveState_));
        else
            state = QStringLiteral("reconnecting in %1 s (%2)").arg(seconds).arg(liveState_);
    }
    QString text = PathText(LiveStatusText(NativePath(server_), NativePath(state),
                                           liveTable_ ? session_.StreamReport() : FramingReport{}, recording_,
                                           recordingError_));
    if (!liveNote_.isEmpty()) text += QStringLiteral("; ") + liveNote_;
    if (const QString shared = SharingStatus(); !shared.isEmpty()) text += QStringLiteral("; ") + shared;
    ui_.statusLine->setText(text);
}

}  // namespace tavro::ui
