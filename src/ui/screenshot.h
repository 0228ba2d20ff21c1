// The "S" button: a picture of the window's client area as a BMP file, then
// the PNG through nconvert, started without waiting.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <functional>

namespace tavro::ui {

struct ScreenshotRequest {
    QWidget* clientArea = nullptr;     // what is captured: the window below the menu bar
    QList<QWidget*> hiddenWhileTaken;  // Check1 and Command1
    QString imagePath;                 // folder with its closing separator
    QString inputFilePath;             // not changed by a screenshot
    QString programFolder;             // nconvert is looked for here first, then on PATH
};

struct ScreenshotHooks {
    std::function<void(const QString&)> setStatus;  // Text4
    // A message box (text, title); tests intercept it.
    std::function<void(const QString& text, const QString& title)> information;
};

// Command1_Click.
void TakeScreenshot(const ScreenshotRequest& request, const ScreenshotHooks& hooks);

}  // namespace tavro::ui
