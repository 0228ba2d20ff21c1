// Info: a small white window with the program's name, callsign, version and
// a picture. It only displays; the main window opens one at a time.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace tavro::ui {

class InfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit InfoWindow(QWidget* parent = nullptr);

    void Form_Load();

    QLabel* Label1 = nullptr;  // program name
    QLabel* Label3 = nullptr;  // notice of authorship
    QLabel* Label8 = nullptr;  // callsign
    QFrame* Frame1 = nullptr;
    QLabel* Label2 = nullptr;  // version line, inside Frame1
    QLabel* Label6 = nullptr;  // "Homepage:"
    QLabel* Label4 = nullptr;  // web address
    QLabel* Label7 = nullptr;  // "e-mail:"
    QLabel* Label5 = nullptr;  // e-mail address
    QLabel* Image1 = nullptr;  // 249 x 222 picture

    static constexpr int kClientWidth = 506;
    static constexpr int kClientHeight = 217;
};

}  // namespace tavro::ui
