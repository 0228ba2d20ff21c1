#include "screenshot.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QPointer>
#include <QPixmap>
#include <QProcess>
#include <QStandardPaths>

#include "picture_path.h"
#include "tavro_build_info.h"
#include "text_conversion.h"

namespace tavro::ui {

namespace {

// The converter's command line; the bitmap path stays one argument, blanks and all.
QStringList ConverterArguments(const QString& bitmapPath) {
    return {"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D", bitmapPath};
}

// Beside the program (the build folder), in the private folder of an
// installed program, then on PATH.
QString FindConverter(const QString& programFolder) {
    if (!programFolder.isEmpty()) {
        for (const QString& folder : {programFolder, programFolder + "/" TAVRO_PRIVATE_FOLDER_FROM_BIN}) {
            const QString candidate = QDir(folder).filePath("nconvert");
            const QFileInfo info(candidate);
            if (info.isFile() && info.isExecutable()) return QDir::cleanPath(candidate);
        }
    }
    return QStandardPaths::findExecutable("nconvert");
}

// A 24-bit Windows bitmap, as many pixels as the screen shows.
QByteArray BitmapBytes(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    writer.write(image.convertToFormat(QImage::Format_RGB888));
    return bytes;
}

}  // namespace

QImage CaptureClientArea(QWidget* clientArea) {
    // grab() renders in device pixels: the size the client area has on the screen.
    return clientArea->grab(clientArea->rect()).toImage();
}

ScreenshotResult TakeScreenshot(const ScreenshotRequest& request, const ScreenshotHooks& hooks) {
    ScreenshotResult result;
    const auto status = [&hooks, &result](const QString& text) {
        result.status = text;
        if (hooks.setStatus) hooks.setStatus(text);
    };

    // No focus frame and no selected text in the picture. The focus goes
    // first: hiding a focused control would pass it on, and a text box that
    // gets it that way selects its whole text.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    if (focused) focused->clearFocus();
    struct Selection {
        QPointer<QLineEdit> box;
        QString text;
        int start, length;
    };
    QList<Selection> selections;
    if (request.clientArea)
        for (QLineEdit* box : request.clientArea->findChildren<QLineEdit*>())
            if (box->hasSelectedText()) {
                selections.append({box, box->text(), box->selectionStart(), box->selectionLength()});
                box->deselect();
            }
    const auto restore = [&] {
        for (const Selection& s : selections)
            if (s.box && s.box->text() == s.text) s.box->setSelection(s.start, s.length);
        if (focused) focused->setFocus(Qt::OtherFocusReason);
    };

    QList<QWidget*> hidden;
    for (QWidget* control : request.hiddenWhileTaken) {
        if (control && !control->isHidden()) {
            control->hide();
            hidden.append(control);
        }
    }
    const auto showAgain = [&hidden, &restore] {
        for (QWidget* control : hidden) control->show();
        restore();
    };
    // Let the window repaint without the hidden controls before it is copied.
    QApplication::processEvents();

    const QImage picture = request.clientArea ? CaptureClientArea(request.clientArea) : QImage();
    const QByteArray bytes = picture.isNull() ? QByteArray() : BitmapBytes(picture);
    if (bytes.isEmpty()) {
        status(QStringLiteral("the window could not be copied"));
        showAgain();
        return result;
    }
    const ExportResult written = request.save(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const QString path = PathText(written.path);
    if (!written.ok) {
        status(path + " could not be saved: " + QString::fromLocal8Bit(written.error.c_str()));
        showAgain();
        return result;
    }
    status(path + " saved");
    showAgain();
    result.bitmap = path;

    const QString converter = FindConverter(request.programFolder);
    if (converter.isEmpty() || !QProcess::startDetached(converter, ConverterArguments(path))) {
        if (hooks.information) hooks.information("nconvert.exe not found", "Error");
        return result;
    }
    result.png = PathText(tavro::ConvertedPicturePath(NativePath(path)));
    status(result.png + " converted and saved");
    return result;
}

}  // namespace tavro::ui
