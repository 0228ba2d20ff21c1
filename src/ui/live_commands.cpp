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

// A new table, like an open command, recorded as it arrives.
void MainWindow::ConnectTo(const QString& host, int port) {
    if (reading_ || client_) return;
    settings_.kissHost = NativePath(host);
    settings_.kissPort = port;
    server_ = (host.contains(':') ? '[' + host + ']' : host) + ':' + QString::number(port);
    const std::int64_t now = LiveClock ? LiveClock() : NowMilliseconds();
    // The user's Documents/TAVRO/ is made when the first bytes arrive.
    const bool userFolder = folders_.userFolders && settings_.capturePath == folders_.captureFolder;
    const std::string recording = LiveCapturePath(settings_.capturePath, now);
    // Refused as tavro-cli refuses it: no two files the session writes are one.
    if (const std::string clash = Session::LiveOutputsClash({{"the recording", recording}}); !clash.empty()) {
        ShowMessage(QMessageBox::Warning, PathText(clash), QString::fromUtf8(kApplicationTitle));
        return;
    }
    session_.BeginStream({NativePath(server_), recording, false, userFolder, LiveClock});

    for (QLineEdit* box : ui_.valueBoxes) box->clear();
    ui_.timeLabel->clear();
    scrollBarInUse_ = false;
    ui_.recordScroll->setRange(1, 1);
    OnRecordScrolled();
    OnChannelChosen(session_.DefaultChartChannel());

    if (!chartTimer_) {
        chartTimer_ = new QTimer(this);
        chartTimer_->setSingleShot(true);
        connect(chartTimer_, &QTimer::timeout, this, [this] { OnBarsToggled(); });
        countdown_ = new QTimer(this);
        countdown_->setInterval(1000);
        connect(countdown_, &QTimer::timeout, this, [this] { ShowLiveStatus(); });
    }
    KissTcpClient::Options options;
    options.host = NativePath(host);
    options.port = static_cast<std::uint16_t>(port);
    options.reconnect = true;  // until the user disconnects
    options.pause = ReconnectPause;
    options.wake = [this] { QMetaObject::invokeMethod(this, [this] { TakeLiveMessages(); }, Qt::QueuedConnection); };
    liveState_ = QStringLiteral("connecting");
    client_ = std::make_unique<KissTcpClient>(options);
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
    session_.EndStream();
    OnBarsToggled();
    ui_.statusLine->setText(PathText(LiveStatusText(NativePath(server_), "disconnected", session_.Summary().files.back(),
                                                    recording_, recordingError_)));
    SetCommandsEnabled(true);
}

void MainWindow::TakeLiveMessages() {
    if (!client_) return;
    const int before = session_.RecordCount();
    for (KissTcpClient::Message& m : client_->Take()) {
        switch (m.event) {
            case KissTcpClient::Event::Connecting:
                countdown_->stop();
                liveState_ = QStringLiteral("connecting");
                break;
            case KissTcpClient::Event::Connected: liveState_ = QStringLiteral("connected"); break;
            case KissTcpClient::Event::Bytes: session_.Feed(m.bytes); break;
            case KissTcpClient::Event::Dropped:
                session_.StreamDropped();
                liveState_ = PathText(m.detail);  // "Connection refused", "closed by the server", ...
                break;
            case KissTcpClient::Event::Waiting:
                retryAt_ = std::chrono::steady_clock::now() + m.delay;
                countdown_->start();
                break;
            case KissTcpClient::Event::Ended: break;
        }
    }
    recording_ = session_.RecordingPath();
    recordingError_ = session_.RecordingError();
    if (session_.RecordCount() != before) ShowLiveRecords();
    ShowLiveStatus();
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
        state = QStringLiteral("reconnecting in %1 s (%2)").arg(std::max<long long>(left.count(), 0)).arg(liveState_);
    }
    const QString text = PathText(LiveStatusText(NativePath(server_), NativePath(state), session_.StreamReport(),
                                                 recording_, recordingError_));
    ui_.statusLine->setText(text);
    ui_.statusLine->setCursorPosition(0);  // the server and its state first; all of it in the tooltip
    ui_.statusLine->setToolTip(text);
}

}  // namespace tavro::ui
