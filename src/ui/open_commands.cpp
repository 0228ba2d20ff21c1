// "Open KISS file" and "Open Log file": the file dialog, List3, and reading
// the listed files into one table, slice by slice, with the window repainting
// between slices. While a read runs, every command that would run into it is
// disabled; closing the window stops the read.
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <memory>

#include "dialog_selection.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {
void MainWindow::MenuFileOpenKiss_Click() {
    OpenWithDialog(InputKind::Kiss, QStringLiteral("KISS Files (*.kss);;Text Files (*.txt);;All Files (*.*)"));
}

void MainWindow::MnuOpenLog_Click() {
    OpenWithDialog(InputKind::Log, QStringLiteral("Log Files (*.log);;Text Files (*.txt);;All Files (*.*)"));
}

void MainWindow::OpenFiles(const QStringList& paths) {
    if (reading_ || paths.isEmpty()) return;
    StartOpen();
    List3->clear();
    List3->addItems(paths);
    ReadList3(std::nullopt);
}

QFileDialog* MainWindow::CreateOpenDialog(const QString& nameFilters) {
    auto* dialog = new QFileDialog(this, QStringLiteral("Open"));
    dialog->setObjectName(QStringLiteral("CommonDialog1"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(nameFilters.split(QStringLiteral(";;")));
    // Next to the file read last, where the next pass usually lies.
    if (!store_.InputFilePath.empty()) dialog->setDirectory(QFileInfo(InputFilePath()).absolutePath());
    return dialog;
}

// A new table before the dialog: even a cancelled dialog starts from an
// empty table (and then reads the previous selection again).
void MainWindow::StartOpen() {
    SetChannelCaptions();
    for (QLineEdit* box : Text1) box->clear();
    store_.ResetForOpen();
}

void MainWindow::OpenWithDialog(InputKind kind, const QString& nameFilters) {
    if (reading_) return;
    StartOpen();
    const std::unique_ptr<QFileDialog> dialog(CreateOpenDialog(nameFilters));
    if (ExecDialog(*dialog) == QDialog::Accepted) {
        const QStringList files = dialog->selectedFiles();
        if (files.isEmpty()) return;
        if (!FitsDialogBuffer(files)) {
            ShowMessage(QMessageBox::NoIcon, QString::fromUtf8(kTooManyFilesText), QString::fromUtf8(kApplicationTitle));
            return;
        }
        List3->clear();
        List3->addItems(files);
    }
    // A cancelled dialog leaves List3 as it was: its files are read again.
    ReadList3(kind);
}

// The window's side of a read: the status line and a repaint before each
// file, the latest time stamp and a repaint after each slice, the browser
// and the chart after each file.
class MainWindow::ReadProgress : public ReadObserver {
public:
    ReadProgress(MainWindow& window, const TelemetryStore& store, const std::vector<SelectionEntry>& files)
        : window_(window), store_(store), files_(files) {}

    bool FileStarting(const std::string& path) override {
        kind_ = files_[next_++].kind;
        window_.Text4->setText(PathText(path));
        QCoreApplication::processEvents();
        return !window_.stopReading_;
    }
    bool SliceDone() override {
        if (kind_ == InputKind::Kiss) window_.Label5->setText(Latin1(store_.CurrentTimeText));
        QCoreApplication::processEvents();
        return !window_.stopReading_;
    }
    void FileDone(const std::string&, const std::string&) override { window_.FileRead(kind_); }

private:
    MainWindow& window_;
    const TelemetryStore& store_;
    const std::vector<SelectionEntry>& files_;
    std::size_t next_ = 0;
    InputKind kind_ = InputKind::Kiss;
};

// forcedKind: the open command's reader for every file; none: each file by
// its name (".log" or KISS).
void MainWindow::ReadList3(std::optional<InputKind> forcedKind) {
    reading_ = true;
    stopReading_ = false;
    SetCommandsEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);

    std::vector<SelectionEntry> files;
    for (int i = 0; i < List3->count(); ++i) {
        const std::string path = NativePath(List3->item(i)->text());
        files.push_back({path, forcedKind ? *forcedKind : KindForPath(path)});
    }
    ReadProgress observer(*this, store_, files);
    const SelectionResult result = ReadSelection(store_, files, observer, SliceBytes);

    QGuiApplication::restoreOverrideCursor();
    reading_ = false;
    if (result.stopped) return;  // the window was closed: nothing more to show
    SetCommandsEnabled(true);
    QStringList problems;
    for (const std::string& failure : result.failures) problems << PathText(failure);
    const long long notStored = store_.table.FramesNotStored();
    if (notStored > 0) problems << QStringLiteral("housekeeping frames not stored (table full): %1").arg(notStored);
    // Otherwise Text4 keeps the path of the last file.
    if (!problems.isEmpty()) Text4->setText(problems.join(QStringLiteral("; ")));
}

// The end of each file: counter, scroll range, the file kind's default
// channel in the chart, and the record at the scroll bar's position.
void MainWindow::FileRead(InputKind kind) {
    scrollBarInUse_ = true;
    const int count = store_.table.RecordCount();
    Text2->setText(QStringLiteral("#%1 / %2").arg(HScroll1->value()).arg(count));
    // With no records the range stays 1..1, so the counter reads "#1 / 0".
    HScroll1->setMaximum(count > 0 ? count : 1);
    Option1_Click(kind == InputKind::Kiss ? 5 : 16);
    HScroll1_Change();
}

}  // namespace tavro::ui
