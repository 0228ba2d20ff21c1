// The core's texts and paths as the window's strings, and back.
#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace tavro::ui {

// Time texts, captions and value texts: one byte a character (Latin-1).
inline QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// File paths in the file system's encoding.
inline QString PathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
inline std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tavro::ui
