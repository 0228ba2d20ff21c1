// "Open KISS file", "Open Log file" and files given on the command line or
// dropped: the file dialog, then the selection read into a new table, slice
// by slice, with the window repainting between slices. While a read runs,
// every command that would run into it is disabled; closing the window
// stops the read.
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <memory>

#include "dialog_selection.h"
#include "main_window.h"
#include "text_conversion.h"
#include "time_axis.h"

namespace tavro::ui {

void MainWindow::OnOpenKiss() {
    OpenWithDialog(InputKind::Kiss, QStringLiteral("KISS Files (*.kss);;Text Files (*.txt);;All Files (*.*)"));
}

void MainWindow::OnOpenLog() {
    OpenWithDialog(InputKind::Log, QStringLiteral("Log Files (*.log);;Text Files (*.txt);;All Files (*.*)"));
}

void MainWindow::OnOpenSatnogs() {
    OpenWithDialog(InputKind::Satnogs, QStringLiteral("SatNOGS frames (*.csv *.json);;All Files (*.*)"));
}

void MainWindow::OpenFiles(const QStringList& paths) {
    if (reading_ || client_ || paths.isEmpty()) return;
    std::vector<SelectionEntry> files;
    for (const QString& path : paths) files.push_back({NativePath(path), KindForPath(NativePath(path))});
    ReadSelection(files);
}

// A cancelled dialog changes nothing: the table, the display and the
// selection stay; a new table starts only once files are chosen.
void MainWindow::OpenWithDialog(InputKind kind, const QString& nameFilters) {
    if (reading_ || client_) return;
    QFileDialog dialog(this, QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(nameFilters.split(QStringLiteral(";;")));
    // Next to the file read last, where the next pass usually lies.
    if (!session_.InputFilePath().empty())
        dialog.setDirectory(QFileInfo(PathText(session_.InputFilePath())).absolutePath());
    if (ExecDialog(dialog) != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return;
    if (!FitsDialogBuffer(chosen)) {
        ShowMessage(QMessageBox::NoIcon, QString::fromUtf8(kTooManyFilesText), QString::fromUtf8(kApplicationTitle));
        return;
    }
    std::vector<SelectionEntry> files;
    for (const QString& path : chosen) files.push_back({NativePath(path), kind});
    ReadSelection(files);
}

// The window's side of a read: the status line and a repaint before each
// file, the latest time stamp and a repaint after each slice, the browser
// and the chart after each file.
class MainWindow::ReadProgress : public ReadObserver {
public:
    ReadProgress(MainWindow& window, const std::vector<SelectionEntry>& files) : window_(window), files_(files) {}

    bool FileStarting(const std::string& path) override {
        kind_ = files_[next_].kind;
        window_.AskLogDates({files_[next_++]});  // each log's own date, when it is archived
        window_.ui_.statusLine->setText(PathText(path));
        QCoreApplication::processEvents();
        return !window_.stopReading_;
    }
    bool SliceDone() override {
        if (kind_ != InputKind::Log) window_.ui_.timeLabel->setText(Latin1(PrintableText(window_.session_.CurrentTimeText())));
        QCoreApplication::processEvents();
        return !window_.stopReading_;
    }
    void FileDone(const std::string&) override { window_.FileRead(); }

private:
    MainWindow& window_;
    const std::vector<SelectionEntry>& files_;
    std::size_t next_ = 0;
    InputKind kind_ = InputKind::Kiss;
};

void MainWindow::ReadSelection(const std::vector<SelectionEntry>& files) {
    selection_ = files;
    SetChannelCaptions();
    for (QLineEdit* box : ui_.valueBoxes) box->clear();
    {  // A new selection shows its first record.
        const QSignalBlocker quiet(ui_.recordScroll);
        ui_.recordScroll->setRange(1, 1);
    }
    reading_ = true;
    stopReading_ = false;
    SetCommandsEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);

    ReadProgress observer(*this, files);
    const bool complete = tavro::ReadSelection(session_, files, observer, SliceBytes);

    QGuiApplication::restoreOverrideCursor();
    reading_ = false;
    if (!complete) return;  // the window was closed: nothing more to show
    SetCommandsEnabled(true);
    // Otherwise the status line keeps the path of the last file.
    const std::string notes = session_.Summary().Notes();
    if (!notes.empty()) ui_.statusLine->setText(PathText(notes));
}

// The end of each file: counter, scroll range, the default channel in the
// chart, and the record at the scroll bar's position.
void MainWindow::FileRead() {
    scrollBarInUse_ = true;
    const int count = session_.RecordCount();
    // With no records the range stays 1..1, so the counter reads "#1 / 0".
    ui_.recordScroll->setMaximum(count > 0 ? count : 1);
    OnChannelChosen(session_.DefaultChartChannel());
    OnRecordScrolled();
}

}  // namespace tavro::ui
