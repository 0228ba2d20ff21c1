// The "S" button: a picture of the window's client area as a BMP file, then
// the PNG through nconvert, started without waiting.
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>
#include <string_view>

#include "session.h"

namespace tavro::ui {

struct ScreenshotRequest {
    QWidget* clientArea = nullptr;     // what is captured: the window below the menu bar
    QList<QWidget*> hiddenWhileTaken;  // the "B" and "S" controls
    QString programFolder;             // nconvert is looked for here, in the installed private folder, then on PATH
    // Names and writes the bitmap (the session's SavePicture).
    std::function<ExportResult(std::string_view bitmap)> save;
};

struct ScreenshotHooks {
    std::function<void(const QString&)> setStatus;  // the status line
    // A message box (text, title); tests intercept it.
    std::function<void(const QString& text, const QString& title)> information;
};

// Hides the controls, copies the client area into a 24-bit BMP, saves it
// (written whole or not at all), reports "<path> saved", shows the controls
// again and starts nconvert without waiting:
//   nconvert -out png -transpcolor 240 240 240 -colors 256 -quiet -D <path>
// then reports the path ending in ".png" + " converted and saved". A
// converter that cannot be started gives the message "nconvert.exe not
// found"; a bitmap that cannot be written is reported with its path and
// reason, and nothing is started.
struct ScreenshotResult {
    QString bitmap;  // saved; empty: it could not be
    QString png;     // what the converter was started to write; empty: not started
    QString status;  // the last status message
};
ScreenshotResult TakeScreenshot(const ScreenshotRequest& request, const ScreenshotHooks& hooks);

// The client area as it stands on the screen, in screen pixels.
QImage CaptureClientArea(QWidget* clientArea);

}  // namespace tavro::ui
