// The "Archive" menu: "Keep every record in the archive" (remembered in
// conf.ini as ARCHIVE=1 or 0) and "History…"; the date a log's records take
// when they are archived, asked when a log is opened; the history window's
// "Open in the main window", and its following of new beacons (the session
// writes on a thread of its own: its counter of new beacons is polled).
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "archive_query.h"

#include "conf_file.h"
#include "history_window.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {

namespace {
constexpr int kArchivePollMs = 1000;
}  // namespace

void MainWindow::BuildArchiveMenu() {
    auto* menu = new QMenu(QStringLiteral("&Archive"), menuBar());
    menu->setObjectName(QStringLiteral("archiveMenu"));
    menuBar()->insertMenu(ui_.infoAction, menu);
    ui_.archiveAction = menu->addAction(QStringLiteral("Keep every record in the archive"));
    ui_.archiveAction->setCheckable(true);
    ui_.archiveAction->setChecked(settings_.archive);
    connect(ui_.archiveAction, &QAction::toggled, this, [this](bool on) { OnArchiveToggled(on); });
    ui_.historyAction = menu->addAction(QStringLiteral("History…"), this, [this] { OnHistory(); });
    if (settings_.archive) StartArchive();
}

// The default place in the user's folders is made on first use; a place the
// user named is not.
void MainWindow::StartArchive() {
    const bool userPlace = folders_.userFolders && settings_.archivePath == folders_.archiveFile;
    const std::string error = session_.StartArchiving(settings_.archivePath, userPlace);
    if (!error.empty()) ui_.statusLine->setText(PathText(error));
}

void MainWindow::OnArchiveToggled(bool on) {
    if (ui_.archiveAction->isChecked() != on) ui_.archiveAction->setChecked(on);
    if (on && !session_.Archiving()) StartArchive();
    if (!on) session_.StopArchiving();
    settings_.archive = on;
    const std::string error = SaveConfValues(folders_.confIni, {{"ARCHIVE", on ? "1" : "0"}});
    if (!error.empty()) ui_.statusLine->setText(PathText(folders_.confIni + " could not be written: " + error));
}

HistoryWindow* MainWindow::History() const { return history_; }

std::string MainWindow::ArchiveLocation() const {
    return session_.Archiving() ? session_.ArchiveLocation() : settings_.archivePath;
}

void MainWindow::OnHistory() {
    if (history_) {
        history_->show();
        history_->raise();
        history_->activateWindow();
        return;
    }
    // Counted before the window reads: a write that lands meanwhile is followed.
    const std::uint64_t seen = session_.ArchiveNewBeacons();
    OpenedArchive opened = OpenArchive(ArchiveLocation(), true);
    if (!opened.archive) {
        ShowMessage(QMessageBox::Warning, PathText(opened.error), QString::fromUtf8(kApplicationTitle));
        return;
    }
    history_ = new HistoryWindow(std::move(opened.archive), session_.DecimalSeparator(), this);
    history_->setAttribute(Qt::WA_DeleteOnClose);
    history_->OpenInMainWindow = [this](const TimeSpan& span) { return OpenArchiveSpan(span); };
    if (!archivePoll_) {
        archivePoll_ = new QTimer(this);
        archivePoll_->setInterval(kArchivePollMs);
        connect(archivePoll_, &QTimer::timeout, this, [this] {
            if (!history_) return archivePoll_->stop();
            if (session_.ArchiveNewBeacons() == beaconsSeen_) return;
            beaconsSeen_ = session_.ArchiveNewBeacons();
            history_->OnBeaconsAdded();
        });
    }
    beaconsSeen_ = seen;
    archivePoll_->start();
    history_->show();
}

// A new selection, as a file read gives one: the browser on its first
// record, the chart on the default channel.
std::string MainWindow::OpenArchiveSpan(const TimeSpan& span) {
    if (reading_) return {};
    const ArchiveSelection loaded = session_.LoadArchiveSpan(span, ArchiveLocation());
    const std::string text = OpenedSpanText(loaded.loaded, loaded.more, loaded.error);
    if (loaded.error.empty()) {
        SetChannelCaptions();
        for (QLineEdit* box : ui_.valueBoxes) box->clear();
        ui_.recordScroll->setValue(1);
        FileRead();
        SetCommandsEnabled(true);
    }
    ui_.statusLine->setText(PathText(text));
    return text;
}

void MainWindow::AskLogDates(const std::vector<SelectionEntry>& files) {
    if (!session_.Archiving()) return;
    for (const SelectionEntry& file : files) {
        if (file.kind != InputKind::Log) continue;
        const std::optional<QDate> date = AskLogDate(PathText(file.path));
        session_.SetLogDate(date ? QueryTimeOf(date->toString(Qt::ISODate).toStdString()) : std::nullopt);
    }
}

std::optional<QDate> MainWindow::AskLogDate(const QString& path) {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("logDateDialog"));
    dialog.setWindowTitle(QStringLiteral("Date of the log"));
    auto* text = new QLabel(QStringLiteral("The log's lines carry times without a date. On which day (UTC) does\n%1\n"
                                           "begin? Without a date its records are archived without time.")
                                .arg(QFileInfo(path).fileName()),
                            &dialog);
    auto* date = new QDateEdit(QFileInfo(path).lastModified().toUTC().date(), &dialog);
    date->setObjectName(QStringLiteral("logDate"));
    date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date->setCalendarPopup(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QPushButton* without = buttons->addButton(QStringLiteral("Without date"), QDialogButtonBox::RejectRole);
    without->setObjectName(QStringLiteral("withoutDate"));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(text);
    form->addRow(QStringLiteral("Date"), date);
    form->addRow(buttons);
    if (ExecDialog(dialog) != QDialog::Accepted) return std::nullopt;
    return date->date();
}

}  // namespace tavro::ui
