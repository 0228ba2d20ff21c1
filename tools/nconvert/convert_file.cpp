#include "convert_file.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include "colour_reduction.h"

namespace nconvert {

QString PngPathFor(const QString& sourcePath) {
    const qsizetype slash = sourcePath.lastIndexOf('/');
    const qsizetype dot = sourcePath.lastIndexOf('.');
    return (dot > slash ? sourcePath.left(dot) : sourcePath) + ".png";
}

QString ConvertFile(const QString& sourcePath, const Options& options) {
    QImageReader reader(sourcePath);
    const QImage image = reader.read();
    if (image.isNull()) return "cannot read " + sourcePath + ": " + reader.errorString();

    QImage converted = image;
    if (options.colours > 0) converted = ReduceColours(image, options.colours, options.transparent);
    else if (options.transparent) converted = ClearColour(image, *options.transparent);

    const QString pngPath = PngPathFor(sourcePath);
    QSaveFile file(pngPath);
    if (!file.open(QIODevice::WriteOnly)) return "cannot write " + pngPath + ": " + file.errorString();
    QImageWriter writer(&file, "png");
    if (!writer.write(converted)) {
        file.cancelWriting();
        return "cannot write " + pngPath + ": " + writer.errorString();
    }
    if (!file.commit()) return "cannot write " + pngPath + ": " + file.errorString();

    // A PNG converted in place is its own result.
    const bool sameFile = QFileInfo(pngPath).canonicalFilePath() == QFileInfo(sourcePath).canonicalFilePath();
    if (options.deleteSource && !sameFile) {
        QFile source(sourcePath);
        if (!source.remove()) return "cannot delete " + sourcePath + ": " + source.errorString();
    }
    return {};
}

}  // namespace nconvert
