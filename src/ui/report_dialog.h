// "File → Report…": the framing report of the last selection (or of the
// live connection), one row per file and a total, in a read-only table.
// Ctrl+C or "Copy" put the whole table on the clipboard as tab-separated
// text, ready for a spreadsheet or an e-mail. The dialog opens as wide as
// its columns, so every count is in view; Escape closes it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QTableWidget;

namespace tavro::ui {

class ReportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReportDialog(QWidget* parent = nullptr);

    // rows: the header row first, the total last.
    void SetRows(const std::vector<std::vector<std::string>>& rows);
    QString TabSeparatedText() const;

private:
    void FitToTable();
    QTableWidget* table_;
};

}  // namespace tavro::ui
