// The window's controls and their places. Places are kept in twips, as the
// window was designed, and divided by 15 (pixels at 96 dpi):
//   channel button at the column's Left, value box at Left + 1920, unit at
//   Left + 2760; rows 240 apart from Top 120; columns at 120, 3480, 6840.
// A value box of 735 twips (49 px) cannot show "1d 02:03:04" in any readable
// font, so each value box grows to the left into the button's unused width.
//
// Each control and its name in the original layout:
//   clientArea           Form1's client area
//   channelButtons[i]    Option1(i)      channel selector, one exclusive group
//   valueBoxes[i]        Text1(i)        value text of channel i
//   unitLabels[i]        Label2(i)       unit of channel i
//   timeLabel            Label5          time text of the record on display
//   chartFrame           Frame1          frame around the chart, its title the channel
//   chart                MSChart1        the channel over all records
//   barsCheck            Check1          "B": bars or a line
//   screenshotButton     Command1        "S"
//   statusLine           Text4           messages
//   recordCounter        Text2           "#3 / 120"
//   recordScroll         HScroll1        record selector
//   openKissAction       MenuFileOpenKiss   "Open KISS file"
//   openLogAction        MnuOpenLog         "Open Log file"
//   writeCsvAction       WriteCSVFile       "Write CSV File"
//   writeTlmAction       WriteTLMFile       "Write TLM File"
//   infoAction           MnuInfo            "Info"
// The layout's two invisible helpers have no widget here: the list box
// List3 is the engine's list of selected files, and the capture surface
// Picture2 is the grab of the client area (screenshot.cpp).
#include <QButtonGroup>
#include <QStyle>
#include <QStyleFactory>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "channel_chart.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {
namespace {

QRect Twips(int left, int top, int width, int height) { return QRect(left / 15, top / 15, width / 15, height / 15); }

// Row and column of channel i: column 1 shows 1, 0, 2, 3, ..., 16.
QPoint GridCell(int channel) {
    if (channel <= 16) {
        const int row = channel == 0 ? 1 : channel == 1 ? 0 : channel;
        return {0, row};
    }
    if (channel <= 33) return {1, channel - 17};
    return {2, channel - 34};
}

constexpr int kColumnLeft[3] = {120, 3480, 6840};
// px; "1d 02:03:04" and "-1234.56" in full. A log file's Sat Time counts
// from 1970 ("20785d 10:14:00"); its caption is short, so its box is longer.
constexpr int ValueBoxWidth(int channel) { return channel == 7 ? 104 : 72; }

QFont CompactFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

}  // namespace

void MainWindow::BuildControls() {
    Controls& c = ui_;
    c.clientArea = new QWidget(this);
    c.clientArea->setObjectName(QStringLiteral("clientArea"));
    c.clientArea->setFixedSize(kClientWidth, kClientHeight);
    c.clientArea->setAutoFillBackground(true);
    QPalette background = c.clientArea->palette();
    background.setColor(QPalette::Window, QColor(240, 240, 240));
    background.setColor(QPalette::Button, QColor(240, 240, 240));
    c.clientArea->setPalette(background);
    c.clientArea->setFont(CompactFont());
    setCentralWidget(c.clientArea);

    // The plain sunken frame of the Windows style paints in a fraction of the
    // time of the default style's, which is most of a scroll step.
    QStyle* boxStyle = QStyleFactory::create(QStringLiteral("Windows"));
    if (boxStyle) boxStyle->setParent(this);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < kChannelCount; ++i) {
        const QPoint cell = GridCell(i);
        const int left = kColumnLeft[cell.x()];
        const int top = 120 + 240 * cell.y();
        const QRect box = Twips(left + 1920, top, 735, 285);
        auto* button = c.channelButtons[i] = new QRadioButton(c.clientArea);
        button->setObjectName(QStringLiteral("channelButton%1").arg(i));
        const int valueLeft = box.left() + box.width() - ValueBoxWidth(i);
        const QRect option = Twips(left, top, 1815, 255);
        button->setGeometry(option.left(), option.top(), valueLeft - option.left() - 1, option.height());
        group->addButton(button, i);
        connect(button, &QRadioButton::clicked, this, [this, i] { OnChannelChosen(i); });

        auto* value = c.valueBoxes[i] = new QLineEdit(c.clientArea);
        value->setObjectName(QStringLiteral("valueBox%1").arg(i));
        value->setReadOnly(true);
        value->setGeometry(valueLeft, box.top(), ValueBoxWidth(i), 17);
        value->setTextMargins(0, 0, 0, 0);
        if (boxStyle) value->setStyle(boxStyle);

        c.unitLabels[i] = new QLabel(c.clientArea);
        c.unitLabels[i]->setObjectName(QStringLiteral("unitLabel%1").arg(i));
        c.unitLabels[i]->setGeometry(Twips(left + 2760, top, 375, 255));
    }

    c.timeLabel = new QLabel(c.clientArea);
    c.timeLabel->setObjectName(QStringLiteral("timeLabel"));
    c.timeLabel->setGeometry(Twips(6840, 3960, 3015, 255));
    QFont bold = CompactFont();
    bold.setBold(true);
    bold.setStretch(QFont::Unstretched);
    c.timeLabel->setFont(bold);

    c.chartFrame = new QGroupBox(c.clientArea);
    c.chartFrame->setObjectName(QStringLiteral("chartFrame"));
    c.chartFrame->setGeometry(Twips(120, 4320, 10095, 4695));
    // The chart takes its axis fonts when it is made: before the bold title font.
    c.chart = new ChannelChart(c.chartFrame);
    c.chart->setObjectName(QStringLiteral("chart"));
    c.chart->setGeometry(Twips(120, 240, 9735, 4335));
    c.chart->setFont(CompactFont());
    c.chart->ReadoutText = [this](int row) { return Latin1(session_.ChartReadout(row - 1, selectedChannel_)); };
    connect(c.chart, &ChannelChart::RecordClicked, this, [this](int row) {
        if (!reading_ && scrollBarInUse_) ui_.recordScroll->setValue(row);
    });
    QFont title = bold;
    title.setPointSizeF(9.75);
    c.chartFrame->setFont(title);
    c.barsCheck = new QCheckBox(QStringLiteral("B"), c.chartFrame);
    c.barsCheck->setObjectName(QStringLiteral("barsCheck"));
    c.barsCheck->setGeometry(Twips(9600, 4320, 375, 255).adjusted(0, 0, 7, 0));  // room for "B" in this font
    c.barsCheck->setFont(CompactFont());
    c.barsCheck->raise();
    connect(c.barsCheck, &QCheckBox::clicked, this, [this] { OnBarsToggled(); });

    c.screenshotButton = new QPushButton(QStringLiteral("S"), c.clientArea);
    c.screenshotButton->setObjectName(QStringLiteral("screenshotButton"));
    c.screenshotButton->setGeometry(Twips(120, 9120, 495, 315));
    connect(c.screenshotButton, &QPushButton::clicked, this, [this] { OnScreenshot(); });

    c.statusLine = new QLineEdit(c.clientArea);
    c.statusLine->setObjectName(QStringLiteral("statusLine"));
    c.statusLine->setReadOnly(true);
    c.statusLine->setGeometry(Twips(720, 9120, 6975, 285));
    QPalette grey = c.statusLine->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    c.statusLine->setPalette(grey);

    c.recordCounter = new QLineEdit(c.clientArea);
    c.recordCounter->setObjectName(QStringLiteral("recordCounter"));
    c.recordCounter->setReadOnly(true);
    c.recordCounter->setGeometry(Twips(7920, 9120, 735, 285));

    c.recordScroll = new QScrollBar(Qt::Horizontal, c.clientArea);
    c.recordScroll->setObjectName(QStringLiteral("recordScroll"));
    c.recordScroll->setGeometry(Twips(8880, 9120, 1335, 375));
    c.recordScroll->setRange(1, 1);
    c.recordScroll->setEnabled(false);
    connect(c.recordScroll, &QScrollBar::valueChanged, this, [this] { OnRecordScrolled(); });
}

}  // namespace tavro::ui
