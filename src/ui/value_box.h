// A read-only value box: a text that does not fit is shown cut with "…",
// and in full as the box's tooltip. text() is always the whole text.
#pragma once

#include <QLineEdit>

namespace tavro::ui {

class ValueBox : public QLineEdit {
    Q_OBJECT
public:
    explicit ValueBox(QWidget* parent = nullptr);
    // The box width that shows text whole.
    int WidthToShow(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect TextArea() const;
    void CheckFit();

    bool fits_ = true;
    int room_ = -1;  // px for the text; -1: not measured yet
};

}  // namespace tavro::ui
