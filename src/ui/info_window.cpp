// Places in twips / 15, as the window was designed (client area 506 x 217).
#include "info_window.h"

#include <QFrame>
#include <QLabel>

#include "cubesat_art.h"

namespace tavro::ui {
namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(left / 15, top / 15, width / 15, height / 15);
    return label;
}

QFont WindowFont(double points, bool bold = false, bool underline = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    if (points < 10) font.setStretch(QFont::SemiCondensed);  // as compact as the main window
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

}  // namespace

InfoWindow::InfoWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Info"));
    setWindowIcon(CubeSatIcon());
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setFont(WindowFont(8));

    Label1 = MakeLabel(this, "Label1", QStringLiteral("TAVRO Telemetry Decoder"), 120, 120, 4095, 375);
    Label1->setFont(WindowFont(13.5));
    Label3 = MakeLabel(this, "Label3", QStringLiteral("(c) 2014 the TAVRO decoder project"), 120, 600, 3255, 255);
    Label8 = MakeLabel(this, "Label8", QStringLiteral("QX0QX"), 120, 960, 735, 255);
    Label8->setFont(WindowFont(8.25, true));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(120 / 15, 1320 / 15, 3375 / 15, 615 / 15);
    Label2 = MakeLabel(Frame1, "Label2", QString(), 120, 240, 3135, 255);

    Label6 = MakeLabel(this, "Label6", QStringLiteral("Homepage:"), 120, 2160, 855, 255);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("www.tavro.example"), 1080, 2160, 1815, 255);
    Label7 = MakeLabel(this, "Label7", QStringLiteral("e-mail:"), 120, 2400, 615, 255);
    Label5 = MakeLabel(this, "Label5", QStringLiteral("mail@tavro.example"), 1080, 2400, 1815, 255);
    // They look like links but do nothing.
    for (QLabel* link : {Label4, Label5}) {
        link->setFont(WindowFont(8.25, false, true));
        QPalette blue = link->palette();
        blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
        link->setPalette(blue);
    }

    Image1 = MakeLabel(this, "Image1", QString(), 3840, 0, 3735, 3330);
    Image1->setPixmap(InfoPicture());
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Form_Load();
}

void InfoWindow::Form_Load() {
    Label2->setText(QStringLiteral("Version ") + QStringLiteral("0.3") + QStringLiteral("    (") +
                    QStringLiteral("01 July 2014") + QStringLiteral(")"));
}

}  // namespace tavro::ui
