// Info: a small white window with the program's name, callsign, version and
// a picture. It only displays; the main window opens one at a time, and
// Escape or the close box closes it.
//
// Each widget and its name in the original layout (places in info_window.cpp):
//   programName       Label1   "TAVRO Telemetry Decoder"
//   authorshipNotice  Label3   one line naming the authors and years
//   callsign          Label8   "QX0QX", bold
//   versionFrame      Frame1   the frame around the version line
//   versionLine       Label2   "Version 0.3    (01 July 2014)", inside versionFrame
//   homepageCaption   Label6   "Homepage:"
//   homepageLink      Label4   the web address, blue and underlined
//   emailCaption      Label7   "e-mail:"
//   emailLink         Label5   the e-mail address, blue and underlined
//   picture           Image1   249 x 222 picture, the right half
// and the start-up handler Form_Load is ShowVersion.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace tavro::ui {

class InfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit InfoWindow(QWidget* parent = nullptr);

    // Writes the version line; runs each time the window is made.
    void ShowVersion();

    QLabel* programName = nullptr;
    QLabel* authorshipNotice = nullptr;
    QLabel* callsign = nullptr;
    QFrame* versionFrame = nullptr;
    QLabel* versionLine = nullptr;
    QLabel* homepageCaption = nullptr;
    QLabel* homepageLink = nullptr;
    QLabel* emailCaption = nullptr;
    QLabel* emailLink = nullptr;
    QLabel* picture = nullptr;

    static constexpr int kClientWidth = 506;
    static constexpr int kClientHeight = 217;
};

}  // namespace tavro::ui
