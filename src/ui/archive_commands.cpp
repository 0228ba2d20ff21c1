// The "Archive" menu: "Keep every record in the archive" (remembered in
// conf.ini as ARCHIVE=1 or 0) and "History…"; and the date a log's records
// take when they are archived, asked when a log is opened.
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include "conf_file.h"
#include "history_window.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {

void MainWindow::BuildArchiveMenu() {
    auto* menu = new QMenu(QStringLiteral("Archive"), menuBar());
    menu->setObjectName(QStringLiteral("archiveMenu"));
    menuBar()->insertMenu(ui_.infoAction, menu);
    ui_.archiveAction = menu->addAction(QStringLiteral("Keep every record in the archive"));
    ui_.archiveAction->setCheckable(true);
    ui_.archiveAction->setChecked(ConfValue(ReadConfText(folders_.confIni), "ARCHIVE").value_or("1") != "0");
    connect(ui_.archiveAction, &QAction::toggled, this, [this](bool on) { OnArchiveToggled(on); });
    ui_.historyAction = menu->addAction(QStringLiteral("History…"), this, [this] { OnHistory(); });
}

void MainWindow::OnArchiveToggled(bool on) {
    if (ui_.archiveAction->isChecked() != on) ui_.archiveAction->setChecked(on);
    const std::string error = SaveConfValues(folders_.confIni, {{"ARCHIVE", on ? "1" : "0"}});
    if (!error.empty()) ui_.statusLine->setText(PathText(folders_.confIni + " could not be written: " + error));
}

HistoryWindow* MainWindow::History() const { return history_; }

std::string MainWindow::ArchiveLocation() const { return NativePath(programFolder_) + "/tavro_archive.sqlite"; }

void MainWindow::OnHistory() {
    if (history_) {
        history_->show();
        history_->raise();
        history_->activateWindow();
        return;
    }
    OpenedArchive opened = OpenArchive(ArchiveLocation(), true);
    if (!opened.archive) {
        ShowMessage(QMessageBox::Warning, PathText(opened.error), QString::fromUtf8(kApplicationTitle));
        return;
    }
    history_ = new HistoryWindow(std::move(opened.archive), session_.DecimalSeparator(), this);
    history_->setAttribute(Qt::WA_DeleteOnClose);
    history_->show();
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
