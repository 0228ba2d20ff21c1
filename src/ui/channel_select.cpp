// Choosing the charted channel: the frame's title, the highlighted value box
// and the chart of that channel over every record.
//   OnChannelChosen(10) -> chart frame "Batt voltage (V)", value box 10 light yellow
//   OnChannelChosen(0)  -> chart frame "OPS mode" (no unit, no parentheses)
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "channel_chart.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {
namespace {

void SetBoxColour(QLineEdit* box, const QColor& colour) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, colour);
    box->setPalette(palette);
}

}  // namespace

void MainWindow::OnChannelChosen(int channel) {
    if (channel < 0 || channel >= kChannelCount) return;
    selectedChannel_ = channel;
    const ChannelInfo& info = ChannelCatalogue[static_cast<std::size_t>(channel)];
    ui_.chartFrame->setTitle(info.unit.empty() ? Latin1(info.name)
                                               : Latin1(info.name) + QStringLiteral(" (") + Latin1(info.unit) + ')');
    // The others keep the window's background, so they turn transparent in
    // the screenshot's PNG like the rest of it.
    for (int i = 0; i < kChannelCount; ++i)
        SetBoxColour(ui_.valueBoxes[i], i == channel ? QColor(255, 255, 192) : QColor(240, 240, 240));
    // The group is exclusive: turning this one on turns the others off.
    ui_.channelButtons[channel]->setChecked(true);
    OnBarsToggled();
}

// Bars while "B" is checked, a line otherwise; read at every plot.
void MainWindow::OnBarsToggled() {
    ui_.chart->PlotChannel(session_.ChartRows(selectedChannel_), ui_.barsCheck->isChecked());
}

}  // namespace tavro::ui
