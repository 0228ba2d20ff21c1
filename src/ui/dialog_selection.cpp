#include "dialog_selection.h"

#include <QFileInfo>

namespace tavro::ui {

int DialogResultLength(const QStringList& paths) {
    if (paths.size() == 1) return static_cast<int>(paths.front().size()) + 1;
    int length = static_cast<int>(QFileInfo(paths.front()).absolutePath().size()) + 1;
    for (const QString& path : paths) length += static_cast<int>(QFileInfo(path).fileName().size()) + 1;
    return length + 1;
}

bool FitsDialogBuffer(const QStringList& paths) { return DialogResultLength(paths) <= kDialogBufferChars; }

}  // namespace tavro::ui
