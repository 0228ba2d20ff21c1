#include "report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include "text_conversion.h"

namespace tavro::ui {

ReportDialog::ReportDialog(QWidget* parent) : QDialog(parent), table_(new QTableWidget(this)) {
    setObjectName(QStringLiteral("reportDialog"));
    setWindowTitle(QStringLiteral("Report"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QStringLiteral("Copy"), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(TabSeparatedText()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* shortcut = new QShortcut(QKeySequence::Copy, this);
    connect(shortcut, &QShortcut::activated, this, [this] { QApplication::clipboard()->setText(TabSeparatedText()); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
}

void ReportDialog::SetRows(const std::vector<std::vector<std::string>>& rows) {
    table_->clear();
    if (rows.empty()) return;
    table_->setColumnCount(static_cast<int>(rows.front().size()));
    table_->setRowCount(static_cast<int>(rows.size()) - 1);
    QStringList header;
    for (const std::string& cell : rows.front()) header << PathText(cell);
    table_->setHorizontalHeaderLabels(header);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(PathText(rows[r][c]));
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(static_cast<int>(r - 1), static_cast<int>(c), item);
        }
    table_->resizeColumnsToContents();
    FitToTable();
}

// Every column in view without scrolling, and up to 20 rows.
void ReportDialog::FitToTable() {
    const int frame = 2 * table_->frameWidth();
    int width = frame, height = frame + table_->horizontalHeader()->sizeHint().height();
    for (int c = 0; c < table_->columnCount(); ++c) width += table_->columnWidth(c);
    for (int r = 0; r < std::min(table_->rowCount(), 20); ++r) height += table_->rowHeight(r);
    if (table_->rowCount() > 20) width += table_->verticalScrollBar()->sizeHint().width();
    table_->setMinimumSize(width, height);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout()->activate();
    resize(layout()->sizeHint());
    table_->setMinimumSize(0, 0);  // the user may still make it smaller
}

QString ReportDialog::TabSeparatedText() const {
    QStringList lines, cells;
    for (int c = 0; c < table_->columnCount(); ++c) cells << table_->horizontalHeaderItem(c)->text();
    lines << cells.join('\t');
    for (int r = 0; r < table_->rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < table_->columnCount(); ++c) cells << table_->item(r, c)->text();
        lines << cells.join('\t');
    }
    return lines.join('\n') + '\n';
}

}  // namespace tavro::ui
