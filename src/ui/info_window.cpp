// Places in twips / 15, as the window was designed (client area 506 x 217).
#include "info_window.h"

#include <QFrame>
#include <QLabel>
#include <QShortcut>

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

    programName = MakeLabel(this, "programName", QStringLiteral("TAVRO Telemetry Decoder"), 120, 120, 4095, 375);
    programName->setFont(WindowFont(13.5));
    authorshipNotice = MakeLabel(this, "authorshipNotice", QStringLiteral("(c) 2014 the TAVRO decoder project"), 120, 600, 3255, 255);
    callsign = MakeLabel(this, "callsign", QStringLiteral("QX0QX"), 120, 960, 735, 255);
    callsign->setFont(WindowFont(8.25, true));

    versionFrame = new QFrame(this);
    versionFrame->setObjectName(QStringLiteral("versionFrame"));
    versionFrame->setFrameShape(QFrame::Box);
    versionFrame->setFrameShadow(QFrame::Sunken);
    versionFrame->setGeometry(120 / 15, 1320 / 15, 3375 / 15, 615 / 15);
    versionLine = MakeLabel(versionFrame, "versionLine", QString(), 120, 240, 3135, 255);

    homepageCaption = MakeLabel(this, "homepageCaption", QStringLiteral("Homepage:"), 120, 2160, 855, 255);
    homepageLink = MakeLabel(this, "homepageLink", QStringLiteral("www.tavro.example"), 1080, 2160, 1815, 255);
    emailCaption = MakeLabel(this, "emailCaption", QStringLiteral("e-mail:"), 120, 2400, 615, 255);
    emailLink = MakeLabel(this, "emailLink", QStringLiteral("mail@tavro.example"), 1080, 2400, 1815, 255);
    // They look like links but do nothing.
    for (QLabel* link : {homepageLink, emailLink}) {
        link->setFont(WindowFont(8.25, false, true));
        QPalette blue = link->palette();
        blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
        link->setPalette(blue);
    }

    picture = MakeLabel(this, "picture", QString(), 3840, 0, 3735, 3330);
    picture->setPixmap(InfoPicture());
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Escape closes it, as it does a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    ShowVersion();
}

void InfoWindow::ShowVersion() {
    versionLine->setText(QStringLiteral("Version ") + QStringLiteral("0.3") + QStringLiteral("    (") +
                    QStringLiteral("01 July 2014") + QStringLiteral(")"));
}

}  // namespace tavro::ui
