// The controls of Form1 and their places. Places are kept in twips, as the
// window was designed, and divided by 15 (pixels at 96 dpi):
//   Option1(i) at the column's Left, Text1(i) at Left + 1920, Label2(i) at
//   Left + 2760; rows 240 apart from Top 120; columns at 120, 3480, 6840.
// A value box of 735 twips (49 px) cannot show "1d 02:03:04" in any readable
// font, so each Text1 grows to the left into the option button's unused width.
#include <QButtonGroup>
#include <QStyle>
#include <QStyleFactory>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "channel_chart.h"
#include "main_window.h"

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
    ClientArea = new QWidget(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFixedSize(kClientWidth, kClientHeight);
    ClientArea->setAutoFillBackground(true);
    QPalette background = ClientArea->palette();
    background.setColor(QPalette::Window, QColor(240, 240, 240));
    background.setColor(QPalette::Button, QColor(240, 240, 240));
    ClientArea->setPalette(background);
    ClientArea->setFont(CompactFont());
    setCentralWidget(ClientArea);

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
        Option1[i] = new QRadioButton(QStringLiteral("Option1"), ClientArea);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        const int valueLeft = box.left() + box.width() - ValueBoxWidth(i);
        const QRect option = Twips(left, top, 1815, 255);
        Option1[i]->setGeometry(option.left(), option.top(), valueLeft - option.left() - 1, option.height());
        group->addButton(Option1[i], i);
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });

        Text1[i] = new QLineEdit(ClientArea);
        Text1[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        Text1[i]->setReadOnly(true);
        Text1[i]->setGeometry(valueLeft, box.top(), ValueBoxWidth(i), 17);
        Text1[i]->setTextMargins(0, 0, 0, 0);
        if (boxStyle) Text1[i]->setStyle(boxStyle);

        Label2[i] = new QLabel(ClientArea);
        Label2[i]->setObjectName(QStringLiteral("Label2_%1").arg(i));
        Label2[i]->setGeometry(Twips(left + 2760, top, 375, 255));
    }

    Label5 = new QLabel(ClientArea);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(Twips(6840, 3960, 3015, 255));
    QFont bold = CompactFont();
    bold.setBold(true);
    bold.setStretch(QFont::Unstretched);
    Label5->setFont(bold);

    Frame1 = new QGroupBox(ClientArea);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(Twips(120, 4320, 10095, 4695));
    // The chart takes its axis fonts when it is made: before the bold title font.
    MSChart1 = new ChannelChart(Frame1);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setGeometry(Twips(120, 240, 9735, 4335));
    MSChart1->setFont(CompactFont());
    QFont title = bold;
    title.setPointSizeF(9.75);
    Frame1->setFont(title);
    Check1 = new QCheckBox(QStringLiteral("B"), Frame1);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(Twips(9600, 4320, 375, 255).adjusted(0, 0, 7, 0));  // room for "B" in this font
    Check1->setFont(CompactFont());
    Check1->raise();
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });

    Command1 = new QPushButton(QStringLiteral("S"), ClientArea);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(Twips(120, 9120, 495, 315));
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    Text4 = new QLineEdit(ClientArea);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->setReadOnly(true);
    Text4->setGeometry(Twips(720, 9120, 6975, 285));
    QPalette grey = Text4->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    Text4->setPalette(grey);

    Text2 = new QLineEdit(ClientArea);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setReadOnly(true);
    Text2->setGeometry(Twips(7920, 9120, 735, 285));

    HScroll1 = new QScrollBar(Qt::Horizontal, ClientArea);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(Twips(8880, 9120, 1335, 375));
    HScroll1->setRange(1, 1);
    HScroll1->setEnabled(false);
    connect(HScroll1, &QScrollBar::valueChanged, this, [this] { HScroll1_Change(); });

    // Neither is ever seen: List3 lies right of the client area, Picture2 is
    // the screenshot's capture surface.
    List3 = new QListWidget(ClientArea);
    List3->setObjectName(QStringLiteral("List3"));
    List3->setGeometry(Twips(11760, 360, 2655, 2010));
    List3->hide();
    Picture2 = new QLabel(ClientArea);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(Twips(11760, 2520, 1095, 615));
    Picture2->hide();
}

}  // namespace tavro::ui
