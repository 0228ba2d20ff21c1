// The record browser: HScroll1 picks the record, Text2 counts, Text1(i)
// shows channel i by its display rule, Label5 the record's time text.
//   position 3 of 120 records -> Text2 "#3 / 120", record index 2 on display
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "main_window.h"
#include "value_text.h"
#include "text_conversion.h"

namespace tavro::ui {

void MainWindow::HScroll1_Change() {
    const int position = HScroll1->value();
    Text2->setText(QStringLiteral("#%1 / %2").arg(position).arg(store_.table.RecordCount()));
    ShowRecord(HScroll1->value());
}

void MainWindow::ShowRecord(int position) {
    const int r = position - 1;
    // No record at this position (an empty table): the boxes stay as the open
    // command left them, empty.
    if (r < 0 || r >= store_.table.RecordCount()) return;
    const TelemetryRecord& record = store_.table[r];
    for (int i = 0; i < kChannelCount; ++i) {
        // Every value has a text, so no box keeps the text of another record.
        const std::string text = DisplayText(i, record.Channels[static_cast<std::size_t>(i)], DecimalSeparator);
        // Only changed boxes: repainting all 47 frames is most of a scroll step.
        const QString shown = Latin1(text);
        if (Text1[i]->text() != shown) Text1[i]->setText(shown);
        Text1[i]->setCursorPosition(0);
    }
    Label5->setText(Latin1(record.TimeText));
}

}  // namespace tavro::ui
