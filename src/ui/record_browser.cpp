// The record browser: the scroll bar picks the record, the counter counts,
// each value box shows its channel's text and the time label the record's
// time text, all as the session gives them; the chart marks the record.
//   position 3 of 120 records -> counter "#3 / 120", record index 2 on display
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "channel_chart.h"
#include "main_window.h"
#include "text_conversion.h"
#include "time_axis.h"

namespace tavro::ui {

void MainWindow::OnRecordScrolled() {
    const int position = ui_.recordScroll->value();
    ui_.recordCounter->setText(QStringLiteral("#%1 / %2").arg(position).arg(session_.RecordCount()));
    ShowRecord(position);
}

void MainWindow::ShowRecord(int position) {
    const int index = position - 1;
    // No record at this position (an empty table): the boxes stay as the open
    // command left them, empty, and no time of an earlier file stays.
    if (index < 0 || index >= session_.RecordCount()) {
        ui_.timeLabel->clear();
        ui_.chart->SetMarker(0);
        return;
    }
    const auto texts = session_.DisplayTexts(index);
    for (int i = 0; i < kChannelCount; ++i) {
        // Only changed boxes: repainting all 47 frames is most of a scroll step.
        const QString shown = Latin1(texts[static_cast<std::size_t>(i)]);
        QLineEdit* box = ui_.valueBoxes[i];
        if (box->text() != shown) box->setText(shown);
        box->setCursorPosition(0);
    }
    ui_.timeLabel->setText(Latin1(PrintableText(session_.TimeText(index))));
    ui_.chart->SetMarker(position);
}

}  // namespace tavro::ui
