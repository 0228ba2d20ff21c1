// "Write CSV File" and "Write TLM File": named after the input file, written
// by the core's writers, reported in the status line.
//   /data/pass1.kss -> "/data/pass1.csv has been written"
//   failure         -> "/data/pass1.csv could not be written: Permission denied"
#include <QFile>
#include <QLineEdit>
#include <QListWidget>

#include "atomic_file.h"
#include "csv_writer.h"
#include "main_window.h"
#include "output_path.h"
#include "tlm_writer.h"
#include "text_conversion.h"

namespace tavro::ui {
namespace {

void ReportWrite(QLineEdit* status, const std::string& path, const WriteResult& result) {
    const QString name = PathText(path);
    if (result.ok)
        status->setText(name + QStringLiteral(" has been written"));
    else
        status->setText(name + QStringLiteral(" could not be written: ") + QString::fromLocal8Bit(result.error));
}

}  // namespace

// The files of the last selection: an export never replaces one of them.
std::vector<std::string> MainWindow::SelectedFiles() const {
    std::vector<std::string> files;
    for (int i = 0; i < List3->count(); ++i) files.push_back(NativePath(List3->item(i)->text()));
    files.push_back(store_.InputFilePath);
    return files;
}

void MainWindow::WriteCSVFile_Click() {
    if (reading_) return;
    if (store_.InputFilePath.empty()) {
        Text4->setText(QStringLiteral("no input file"));
        return;
    }
    const std::string path = OutputPath(store_.InputFilePath, ".csv");
    ReportWrite(Text4, path, WriteFileAtomically(path, CsvText(store_.table, DecimalSeparator), SelectedFiles()));
}

void MainWindow::WriteTLMFile_Click() {
    if (reading_) return;
    if (store_.InputFilePath.empty()) {
        Text4->setText(QStringLiteral("no input file"));
        return;
    }
    // The report holds what the value boxes show, i.e. the record on display.
    std::array<std::string, kChannelCount> texts;
    for (int i = 0; i < kChannelCount; ++i) texts[static_cast<std::size_t>(i)] = Text1[i]->text().toLatin1().toStdString();
    const std::string path = OutputPath(store_.InputFilePath, ".tlm");
    ReportWrite(Text4, path, WriteFileAtomically(path, TlmText(texts), SelectedFiles()));
}

}  // namespace tavro::ui
