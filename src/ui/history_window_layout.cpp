// The history window's controls and their places (pixels at 96 dpi; the
// window opens at 900 x 560 and may grow, the chart taking the extra room).
//
//   control            kind            place                       role
//   channelChoice      combo box       top row, after "Channel"    the channel charted, "Batt voltage (V)"
//   spanChoice         combo box       top row, after "Span"       "Last pass" ... "All", "From/to"
//   fromEdit, toEdit   date-time edits top row, after "From", "to" UTC bounds of "From/to"; enabled only for it
//   openInMainButton   push button     top row, right              "Open in the main window": the beacons in view
//   chartFrame         group box       middle, all the width       its title the channel and unit
//   chart              HistoryChart    inside chartFrame           the channel over UTC time
//   statusLine         line, grey      below the chart             messages: what was opened, why reading failed
//   footer             label           bottom                      the archive: path, counts, first and last time, size
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "history_chart.h"
#include "history_window.h"
#include "text_conversion.h"

namespace tavro::ui {

namespace {
constexpr int kWidth = 900, kHeight = 560;

QDateTimeEdit* UtcEdit(const QString& name, QWidget* parent) {
    auto* edit = new QDateTimeEdit(parent);
    edit->setObjectName(name);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    edit->setCalendarPopup(true);
    edit->setEnabled(false);
    return edit;
}
}  // namespace

void HistoryWindow::BuildControls() {
    Controls& c = ui_;
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("History"));
    resize(kWidth, kHeight);

    c.channelChoice = new QComboBox(this);
    c.channelChoice->setObjectName(QStringLiteral("channelChoice"));
    for (int i = 0; i < kChannelCount; ++i) c.channelChoice->addItem(Latin1(ChannelTitle(i)));
    c.channelChoice->setMaxVisibleItems(24);
    c.channelChoice->setCurrentIndex(channel_);
    c.spanChoice = new QComboBox(this);
    c.spanChoice->setObjectName(QStringLiteral("spanChoice"));
    for (const char* name : kHistorySpanNames) c.spanChoice->addItem(QString::fromLatin1(name));
    c.spanChoice->setCurrentIndex(static_cast<int>(span_));
    c.fromEdit = UtcEdit(QStringLiteral("fromEdit"), this);
    c.toEdit = UtcEdit(QStringLiteral("toEdit"), this);
    c.openInMainButton = new QPushButton(QStringLiteral("Open in the main window"), this);
    c.openInMainButton->setObjectName(QStringLiteral("openInMainButton"));
    c.openInMainButton->setToolTip(QStringLiteral("The beacons in view as the main window's selection (the first 10000)"));

    c.chartFrame = new QGroupBox(this);
    c.chartFrame->setObjectName(QStringLiteral("chartFrame"));
    QFont title = c.chartFrame->font();
    title.setBold(true);
    c.chartFrame->setFont(title);
    c.chart = new HistoryChart(c.chartFrame);
    c.chart->setObjectName(QStringLiteral("chart"));
    c.chart->setFont(font());
    auto* frameLayout = new QVBoxLayout(c.chartFrame);
    frameLayout->setContentsMargins(4, 4, 4, 4);
    frameLayout->addWidget(c.chart);

    c.statusLine = new QLineEdit(this);
    c.statusLine->setObjectName(QStringLiteral("statusLine"));
    c.statusLine->setReadOnly(true);
    QPalette grey = c.statusLine->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    c.statusLine->setPalette(grey);
    c.footer = new QLabel(this);
    c.footer->setObjectName(QStringLiteral("footer"));
    c.footer->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Channel"), this));
    top->addWidget(c.channelChoice);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("Span"), this));
    top->addWidget(c.spanChoice);
    top->addSpacing(12);
    top->addWidget(new QLabel(QStringLiteral("From"), this));
    top->addWidget(c.fromEdit);
    top->addWidget(new QLabel(QStringLiteral("to"), this));
    top->addWidget(c.toEdit);
    top->addStretch(1);
    top->addWidget(c.openInMainButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(c.chartFrame, 1);
    column->addWidget(c.statusLine);
    column->addWidget(c.footer);

    connect(c.channelChoice, qOverload<int>(&QComboBox::activated), this, [this](int i) { OnChannelChosen(i); });
    connect(c.spanChoice, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { OnSpanChosen(static_cast<HistorySpan>(i)); });
    connect(c.fromEdit, &QDateTimeEdit::editingFinished, this, [this] { OnFromToEdited(); });
    connect(c.toEdit, &QDateTimeEdit::editingFinished, this, [this] { OnFromToEdited(); });
    connect(c.openInMainButton, &QPushButton::clicked, this, [this] { OnOpenInMainWindow(); });
}

}  // namespace tavro::ui
