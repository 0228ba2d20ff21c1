// tavro-decoder --screenshot: the window reads the files, the "S" button's
// screenshot is taken, and the program waits for the converter's PNG.
#pragma once

#include <QStringList>

#include "main_window.h"

namespace tavro::app {

// Runs inside the event loop and ends it: exit status 0 once the PNG is
// written (its path on standard output), 1 when the picture could not be
// saved, the converter could not be started or wrote no PNG in time. Message
// boxes are written to standard error instead of waiting for a click.
void ScreenshotAndQuit(ui::MainWindow& window, const QStringList& files);

}  // namespace tavro::app
