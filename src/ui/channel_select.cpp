// Choosing the charted channel: the frame's title, the highlighted value box
// and the chart of that channel over every record.
//   Option1_Click(10) -> Frame1 "Batt voltage (V)", Text1(10) light yellow
//   Option1_Click(0)  -> Frame1 "OPS mode" (no unit, no parentheses)
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "channel_chart.h"
#include "main_window.h"

namespace tavro::ui {
namespace {

void SetBoxColour(QLineEdit* box, const QColor& colour) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour);
    box->setPalette(palette);
}

}  // namespace

void MainWindow::Option1_Click(int index) {
    if (index < 0 || index >= kChannelCount) return;
    selectedChannel_ = index;
    const QString unit = Label2[index]->text();
    Frame1->setTitle(unit.isEmpty() ? Option1[index]->text()
                                    : Option1[index]->text() + QStringLiteral(" (") + unit + QStringLiteral(")"));
    for (int i = 0; i < kChannelCount; ++i)
        if (i != index) SetBoxColour(Text1[i], Qt::white);
    SetBoxColour(Text1[index], QColor(255, 255, 192));
    // The group is exclusive: turning this one on turns the others off.
    Option1[index]->setChecked(true);
    PlotChannel(index);
}

void MainWindow::Check1_Click() { PlotChannel(selectedChannel_); }

void MainWindow::PlotChannel(int channel) {
    // Bars while "B" is checked, a line otherwise; read at every plot.
    MSChart1->PlotChannel(store_.table, channel, Check1->isChecked());
}

}  // namespace tavro::ui
