// tavro-decoder [--screenshot] [FILE...]: the window; the given files are
// opened at start as one selection (".log" files with the log reader, ".csv"
// and ".json" as SatNOGS exports, others as KISS). --kiss-tcp HOST:PORT
// connects at start, --kiss-serial DEVICE[:BAUD] opens a serial TNC. --help
// and --version: see decoder_command.h.
#include <csignal>

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include "cubesat_art.h"
#include "decoder_command.h"
#include "main_window.h"
#include "unattended_screenshot.h"

int main(int argc, char** argv) {
    // Past a file-size limit (ulimit -f) a write fails with EFBIG and is
    // reported as a full disk, instead of SIGXFSZ ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const auto answered = tavro::app::ReadDecoderCommand(tavro::app::ArgumentList(argc, argv), true).exitStatus)
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVRO Telemetry Decoder"));
    QApplication::setWindowIcon(tavro::ui::CubeSatIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tavro.decoder"));  // the menu entry's icon
    const tavro::app::DecoderCommand command = tavro::app::ReadDecoderCommand(app.arguments(), false);
    if (command.exitStatus) return *command.exitStatus;

    tavro::ui::MainWindow window;
    window.show();

    QStringList files;
    for (const QString& argument : command.files) files << QFileInfo(argument).absoluteFilePath();
    // Read once the event loop runs, so the window repaints during the read
    // and closing it ends the program.
    if (command.screenshot)
        QTimer::singleShot(0, &window, [&window, files] { tavro::app::ScreenshotAndQuit(window, files); });
    else if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.OpenFiles(files); });
    else if (!command.kissHost.isEmpty())
        window.ConnectTo(command.kissHost, command.kissPort);
    else if (!command.serialDevice.isEmpty())
        window.ConnectToSerial(command.serialDevice, command.serialBaud);
    return app.exec();
}
