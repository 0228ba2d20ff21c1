// "Station settings…" and "Share received frames with SatNOGS": the
// station's keys of conf.ini edited with their checks, and sharing of the
// frames received live (queued in the archive, posted by a worker thread;
// its counts follow the live status in the status line).
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

#include "conf_file.h"
#include "main_window.h"
#include "sharing.h"
#include "station_settings.h"
#include "tavro_build_info.h"
#include "text_conversion.h"

namespace tavro::ui {

// In the File menu, between the live commands and Quit.
void MainWindow::BuildStationMenu() {
    QMenu* file = qobject_cast<QMenu*>(ui_.quitAction->parent());
    ui_.stationSettingsAction = new QAction(QStringLiteral("Station settings…"), file);
    connect(ui_.stationSettingsAction, &QAction::triggered, this, [this] { OnStationSettings(); });
    ui_.shareAction = new QAction(QStringLiteral("Share received frames with SatNOGS"), file);
    file->insertActions(ui_.quitAction, {ui_.stationSettingsAction, ui_.shareAction});
    file->insertSeparator(ui_.quitAction);
    ui_.shareAction->setCheckable(true);
    ui_.shareAction->setChecked(StationSettingsOf(ReadConfText(folders_.confIni)).share);
    connect(ui_.shareAction, &QAction::toggled, this, [this](bool on) { OnShareToggled(on); });
    if (ui_.shareAction->isChecked()) StartSharing();  // frames left queued by the last run go out now
}

void MainWindow::OnStationSettings() {
    StationSettings station = StationSettingsOf(ReadConfText(folders_.confIni));
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("stationDialog"));
    dialog.setWindowTitle(QStringLiteral("Station settings"));
    auto* form = new QFormLayout(&dialog);
    const auto field = [&](const char* name, const QString& label, const std::string& value) {
        auto* edit = new QLineEdit(Latin1(value), &dialog);
        edit->setObjectName(QLatin1String(name));
        form->addRow(label, edit);
        return edit;
    };
    QLineEdit* callsign = field("callsign", QStringLiteral("Callsign"), station.callsign);
    QLineEdit* latitude = field("latitude", QStringLiteral("Latitude (°, north +)"), station.latitude);
    QLineEdit* longitude = field("longitude", QStringLiteral("Longitude (°, east +)"), station.longitude);
    QLineEdit* norad = field("noradId", QStringLiteral("Satellite's NORAD ID"), station.noradId);
    QLineEdit* sids = field("sidsUrl", QStringLiteral("SiDS address"), station.sidsUrl);
    QLineEdit* db = field("dbUrl", QStringLiteral("SatNOGS DB address"), station.dbUrl);
    QLineEdit* token = field("token", QStringLiteral("SatNOGS DB token"), station.token);
    token->setEchoMode(QLineEdit::Password);  // never shown
    auto* reason = new QLabel(&dialog);
    reason->setObjectName(QStringLiteral("reason"));
    reason->setStyleSheet(QStringLiteral("color: #a00000"));
    form->addRow(reason);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    const auto edited = [&] {
        StationSettings s = station;
        s.callsign = NativePath(callsign->text().trimmed());
        s.latitude = NativePath(latitude->text().trimmed());
        s.longitude = NativePath(longitude->text().trimmed());
        s.noradId = NativePath(norad->text().trimmed());
        s.sidsUrl = NativePath(sids->text().trimmed());
        s.dbUrl = NativePath(db->text().trimmed());
        s.token = NativePath(token->text().trimmed());
        return s;
    };
    // OK closes only when every check passes; otherwise the reason stays in view.
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const std::string why = CheckStation(edited());
        reason->setText(Latin1(why));
        if (why.empty()) dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    const StationSettings saved = edited();
    ConfValues values = StationConfValues(saved);
    std::erase_if(values, [](const auto& kv) { return kv.first == "SHARE"; });  // the menu's toggle keeps it
    if (const std::string error = SaveConfValues(folders_.confIni, values); !error.empty()) {
        ui_.statusLine->setText(PathText(folders_.confIni + " could not be written: " + error));
        return;
    }
    ui_.statusLine->setText(QStringLiteral("station settings saved"));
    if (sharing_) StartSharing();  // with the new settings
}

void MainWindow::OnShareToggled(bool on) {
    const std::string error = SaveConfValues(folders_.confIni, {{"SHARE", on ? "1" : "0"}});
    if (on) StartSharing();
    else sharing_.reset();
    ui_.statusLine->setText(!error.empty() ? PathText(folders_.confIni + " could not be written: " + error)
                            : on           ? SharingStatus()
                                           : QStringLiteral("sharing is off"));
    if (client_) ShowLiveStatus();
}

void MainWindow::StartSharing() {
    sharing_.reset();
    SharingOptions options;
    options.station = StationSettingsOf(ReadConfText(folders_.confIni));
    options.archiveLocation = tavro::LoadSettings(folders_).archivePath;  // conf.ini may have changed
    options.defaultSqliteArchive = folders_.archiveFile;
    options.version = "tavro-decoder " TAVRO_VERSION;
    options.clockMs = LiveClock;
    if (ShareFirstDelay) options.firstDelay = *ShareFirstDelay, options.maxDelay = *ShareFirstDelay * 4;
    // Wakes the window from the worker's thread; dropped when the window is gone.
    options.changed = [this] {
        QMetaObject::invokeMethod(this, [this] {
            if (client_) ShowLiveStatus();
            else if (sharing_) ui_.statusLine->setText(SharingStatus());
        }, Qt::QueuedConnection);
    };
    sharing_ = std::make_unique<Sharing>(std::move(options));
    session_.SetFrameHook({}, false);
    sharing_->Attach(session_);  // live streams only: files opened in the window are not shared
}

QString MainWindow::SharingStatus() const { return sharing_ ? QString::fromStdString(sharing_->StatusText()) : QString(); }

}  // namespace tavro::ui
