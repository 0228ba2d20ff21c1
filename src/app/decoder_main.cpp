// tavro-decoder [FILE...]: the window; the given files are opened at start
// as one selection (".log" files with the log reader, others as KISS).
#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include "cubesat_art.h"
#include "main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVRO Telemetry Decoder"));
    QApplication::setWindowIcon(tavro::ui::CubeSatIcon());

    tavro::ui::MainWindow window;
    window.show();

    QStringList files;
    for (const QString& argument : app.arguments().mid(1)) files << QFileInfo(argument).absoluteFilePath();
    // Read once the event loop runs, so the window repaints during the read
    // and closing it ends the program.
    if (!files.isEmpty()) QTimer::singleShot(0, &window, [&window, files] { window.OpenFiles(files); });
    return app.exec();
}
