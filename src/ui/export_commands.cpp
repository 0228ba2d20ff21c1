// "Write CSV File" and "Write TLM File": the session names, writes and
// guards the file; the status line shows how it went.
//   /data/pass1.kss -> "/data/pass1.csv has been written"
//   failure         -> "/data/pass1.csv could not be written: Permission denied"
#include <QLineEdit>
#include <QScrollBar>

#include "main_window.h"
#include "report_dialog.h"
#include "text_conversion.h"

namespace tavro::ui {

void MainWindow::OnWriteCsv() {
    if (reading_) return;
    ui_.statusLine->setText(PathText(session_.ExportCsv().StatusText()));
}

// The report of the record on display.
void MainWindow::OnWriteTlm() {
    if (reading_) return;
    ui_.statusLine->setText(PathText(session_.ExportTlm(ui_.recordScroll->value() - 1).StatusText()));
}

// The framing report of the last selection, or of the connection so far;
// one window, brought to the front and filled anew.
void MainWindow::OnReport() {
    auto* dialog = findChild<ReportDialog*>(QStringLiteral("reportDialog"));
    if (!dialog) dialog = new ReportDialog(this);
    dialog->SetRows(ReportRows(session_.Summary().files));
    dialog->show();
    dialog->raise();
}

}  // namespace tavro::ui
