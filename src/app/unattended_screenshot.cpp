#include "unattended_screenshot.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <iostream>
#include <memory>


namespace tavro::app {

namespace {

// The converter deletes the bitmap once the PNG is complete.
constexpr int kConverterSeconds = 30;

void Quit(const QString& message, int status) {
    (status == 0 ? std::cout : std::cerr) << message.toLocal8Bit().constData() << std::endl;
    QCoreApplication::exit(status);
}

}  // namespace

void ScreenshotAndQuit(ui::MainWindow& window, const QStringList& files) {
    window.ShowMessage = [](QMessageBox::Icon, const QString& text, const QString& title) {
        std::cerr << "tavro-decoder: " << (title + ": " + text).toLocal8Bit().constData() << std::endl;
    };
    window.OpenFiles(files);
    const ui::ScreenshotResult shot = window.OnScreenshot();
    if (shot.png.isEmpty()) return Quit("tavro-decoder: " + shot.status, 1);

    auto* poll = new QTimer(&window);
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, started, png = shot.png, bitmap = shot.bitmap] {
        if (QFile::exists(png) && !QFile::exists(bitmap)) {
            poll->stop();
            Quit(png, 0);
        } else if (started->elapsed() > kConverterSeconds * 1000) {
            poll->stop();
            Quit("tavro-decoder: the converter wrote no " + png, 1);
        }
    });
    poll->start(50);
}

}  // namespace tavro::app
