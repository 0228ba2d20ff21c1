// A read-only value box: a text that does not fit is shown cut with "…",
// and in full as the box's tooltip. text() is always the whole text. The
// status line cuts in the middle, so its start and its end stay readable:
//   "localhost:8001 disconnected; 413 frames, …/TAVRO/tavro_live_20261206_101403.kss"
#pragma once

#include <QLineEdit>

namespace tavro::ui {

class ValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueBox(QWidget* parent = nullptr);
    // The box width that shows text whole.
    int WidthToShow(const QString& text) const;
    // Where a text too long is cut; wholeTextTip: the tooltip is the whole text, fitting or not.
    void SetElision(Qt::TextElideMode mode, bool wholeTextTip);
    // What the box shows of its text.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect TextArea() const;
    void CheckFit();

    Qt::TextElideMode elision_ = Qt::ElideRight;
    bool wholeTextTip_ = false;
    bool fits_ = true;
    int room_ = -1;  // px for the text; -1: not measured yet
};

}  // namespace tavro::ui
