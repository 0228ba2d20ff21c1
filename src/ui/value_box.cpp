#include "value_box.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace tavro::ui {
namespace {
constexpr int kTextMargin = 2;  // QLineEdit's own margin left and right of its text
}

ValueBox::ValueBox(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    connect(this, &QLineEdit::textChanged, this, [this] { CheckFit(); });
}

QRect ValueBox::TextArea() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return contents.marginsRemoved(textMargins()).adjusted(kTextMargin, 0, -kTextMargin, 0);
}

int ValueBox::WidthToShow(const QString& text) const {
    return fontMetrics().horizontalAdvance(text) + width() - TextArea().width();
}

void ValueBox::SetElision(Qt::TextElideMode mode, bool wholeTextTip) {
    elision_ = mode;
    wholeTextTip_ = wholeTextTip;
    CheckFit();
}

QString ValueBox::ShownText() const {
    return fits_ ? text() : fontMetrics().elidedText(text(), elision_, TextArea().width());
}

// Runs at every text change: the width is measured once per size, font and style.
void ValueBox::CheckFit() {
    if (room_ < 0) room_ = TextArea().width();
    const bool fits = fontMetrics().horizontalAdvance(text()) <= room_;
    if (wholeTextTip_) setToolTip(text());
    else if (!fits || !toolTip().isEmpty()) setToolTip(fits ? QString() : text());
    if (fits != fits_) update();
    fits_ = fits;
}

void ValueBox::paintEvent(QPaintEvent* event) {
    if (fits_) return QLineEdit::paintEvent(event);
    // The frame as QLineEdit draws it, then the text cut with "…".
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRect area = TextArea();
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), elision_, area.width()));
}

void ValueBox::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    room_ = -1;
    CheckFit();
}

void ValueBox::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        room_ = -1;
        CheckFit();
    }
}

}  // namespace tavro::ui
