// The window's controls and their places. Places are kept in twips, as the
// window was designed, and divided by 15 (pixels at 96 dpi):
//   channel button at the column's Left, value box at Left + 1920, unit at
//   Left + 2760; rows 240 apart from Top 120; columns at 120, 3480, 6840.
// A value box of 735 twips (49 px) cannot show "-2601.30" or "1d 02:03:04" in
// any readable font, so every value box is 72 px wide, ending where the
// layout's box ends: it takes the button's unused width. A longer text is cut
// with "..." and shown whole as the box's tooltip. The record counter grows to
// the left the same way until "#10000 / 10000" fits.
//
// The window can grow beyond its 690 x 642 client area: the chart frame takes
// the extra width and height, and the bottom row (screenshot button, status
// line, counter, scroll bar) follows the bottom edge below it; the status line
// and the scroll bar take half the extra width each, so a long table can be
// stepped through by dragging, and the counter moves between them.
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
//   infoAction           MnuInfo            "&Info" (F1)
//   quitAction           (none)             "Quit" (Ctrl+Q)
// The layout's two invisible helpers have no widget here: the list box
// List3 is the engine's list of selected files, and the capture surface
// Picture2 is the grab of the client area (screenshot.cpp).
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

#include <vector>

#include "channel_chart.h"
#include "main_window.h"
#include "text_conversion.h"
#include "value_box.h"

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
constexpr int kValueBoxWidth = 72;  // px; "1d 02:03:04" and "-1234.56" in full
const QColor kBackground(240, 240, 240);

QFont CompactFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8);
    font.setStretch(QFont::SemiCondensed);
    return font;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// The client area places the controls that move or grow with its size.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    // The share of the extra width or height a control moves right or down by, and grows by.
    struct Anchor {
        QWidget* widget;
        QRect place;  // at 690 x 642
        double right, bottom, wider, taller;
    };
    std::vector<Anchor> anchors;

protected:
    void resizeEvent(QResizeEvent*) override {
        const int dw = width() - MainWindow::kClientWidth, dh = height() - MainWindow::kClientHeight;
        const auto share = [](double part, int extra) { return static_cast<int>(part * extra); };
        for (const Anchor& a : anchors)
            a.widget->setGeometry(a.place.translated(share(a.right, dw), share(a.bottom, dh))
                                      .adjusted(0, 0, share(a.wider, dw), share(a.taller, dh)));
    }
};

// The record browser's keys, wherever the focus is in the window: Left/Right
// one record, PgUp/PgDn ten, Home/End the first and last. Set here because a
// scroll bar's inverted controls turn Left and Right round, and because the
// value boxes and channel buttons would take the arrows for themselves.
class RecordKeys : public QObject {
public:
    explicit RecordKeys(QScrollBar* bar) : QObject(bar), bar_(bar) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const bool override = event->type() == QEvent::ShortcutOverride;
        if ((event->type() != QEvent::KeyPress && !override) || !bar_->isEnabled()) return false;
        if (static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier) return false;
        static const std::pair<int, QAbstractSlider::SliderAction> kActions[] = {
            {Qt::Key_Left, QAbstractSlider::SliderSingleStepSub}, {Qt::Key_Right, QAbstractSlider::SliderSingleStepAdd},
            {Qt::Key_PageUp, QAbstractSlider::SliderPageStepSub}, {Qt::Key_PageDown, QAbstractSlider::SliderPageStepAdd},
            {Qt::Key_Home, QAbstractSlider::SliderToMinimum},      {Qt::Key_End, QAbstractSlider::SliderToMaximum},
        };
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (const auto& [k, action] : kActions) {
            if (k != key) continue;
            if (override) return event->accept(), true;  // ours, not a shortcut's
            return bar_->triggerAction(action), true;
        }
        return false;
    }

private:
    QScrollBar* bar_;
};

}  // namespace

void MainWindow::BuildControls() {
    Controls& c = ui_;
    auto* area = new ClientArea(this);
    c.clientArea = area;
    c.clientArea->setObjectName(QStringLiteral("clientArea"));
    c.clientArea->setMinimumSize(kClientWidth, kClientHeight);
    c.clientArea->setAutoFillBackground(true);
    QPalette background = c.clientArea->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Button}) background.setColor(role, kBackground);
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
        const int valueLeft = box.left() + box.width() - kValueBoxWidth;
        const QRect option = Twips(left, top, 1815, 255);
        button->setGeometry(option.left(), option.top(), valueLeft - option.left() - 1, option.height());
        group->addButton(button, i);
        connect(button, &QRadioButton::clicked, this, [this, i] { OnChannelChosen(i); });

        auto* value = new ValueBox(c.clientArea);
        c.valueBoxes[i] = value;
        value->setObjectName(QStringLiteral("valueBox%1").arg(i));
        value->setGeometry(valueLeft, box.top(), kValueBoxWidth, box.height());
        value->setTextMargins(0, 0, 0, 0);
        SetColour(value, QPalette::Base, kBackground);  // white or light yellow once a channel is charted
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
    c.barsCheck->setGeometry(Twips(9600, 4320, 375, 255));
    c.barsCheck->setFont(CompactFont());
    c.barsCheck->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px }"));  // "B" within the 25 px
    c.barsCheck->raise();
    connect(c.barsCheck, &QCheckBox::clicked, this, [this] { OnBarsToggled(); });

    c.screenshotButton = new QPushButton(QStringLiteral("S"), c.clientArea);
    c.screenshotButton->setObjectName(QStringLiteral("screenshotButton"));
    c.screenshotButton->setGeometry(Twips(120, 9120, 495, 315));
    connect(c.screenshotButton, &QPushButton::clicked, this, [this] { OnScreenshot(); });

    auto* counter = new ValueBox(c.clientArea);
    c.recordCounter = counter;
    c.recordCounter->setObjectName(QStringLiteral("recordCounter"));
    QRect counterPlace = Twips(7920, 9120, 735, 285);
    counter->setGeometry(counterPlace);
    SetColour(counter, QPalette::Base, kBackground);
    counterPlace.setLeft(counterPlace.right() + 1 - std::max(counterPlace.width(), counter->WidthToShow(QStringLiteral("#10000 / 10000"))));
    counter->setGeometry(counterPlace);

    auto* status = new ValueBox(c.clientArea);
    c.statusLine = status;
    c.statusLine->setObjectName(QStringLiteral("statusLine"));
    status->SetElision(Qt::ElideMiddle, true);
    QRect statusPlace = Twips(720, 9120, 6975, 285);
    statusPlace.setRight(std::min(statusPlace.right(), counterPlace.left() - 16));
    c.statusLine->setGeometry(statusPlace);
    SetColour(c.statusLine, QPalette::Text, QColor(128, 128, 128));
    SetColour(c.statusLine, QPalette::Base, kBackground);

    c.recordScroll = new QScrollBar(Qt::Horizontal, c.clientArea);
    c.recordScroll->setObjectName(QStringLiteral("recordScroll"));
    c.recordScroll->setGeometry(Twips(8880, 9120, 1335, 375));
    c.recordScroll->setRange(1, 1);
    c.recordScroll->setPageStep(10);
    c.recordScroll->setFocusPolicy(Qt::StrongFocus);
    c.recordScroll->setEnabled(false);
    connect(c.recordScroll, &QScrollBar::valueChanged, this, [this] { OnRecordScrolled(); });

    auto* keys = new RecordKeys(c.recordScroll);
    for (QWidget* w : c.clientArea->findChildren<QWidget*>()) w->installEventFilter(keys);
    c.clientArea->installEventFilter(keys);
    installEventFilter(keys);

    // right, bottom, wider, taller. The status line and the scroll bar share
    // the extra width; the counter keeps its width between them.
    area->anchors = {
        {c.chartFrame, c.chartFrame->geometry(), 0, 0, 1, 1},
        {c.chart, c.chart->geometry(), 0, 0, 1, 1},
        {c.barsCheck, c.barsCheck->geometry(), 1, 1, 0, 0},
        {c.screenshotButton, c.screenshotButton->geometry(), 0, 1, 0, 0},
        {c.statusLine, c.statusLine->geometry(), 0, 1, 0.5, 0},
        {c.recordCounter, c.recordCounter->geometry(), 0.5, 1, 0, 0},
        {c.recordScroll, c.recordScroll->geometry(), 0.5, 1, 0.5, 0},
    };
}

}  // namespace tavro::ui
