// One image file to a PNG beside it:
//   /shots/tavro_pass1.bmp -> /shots/tavro_pass1.png   (last extension replaced)
//   /shots/picture         -> /shots/picture.png
// The PNG appears only complete (written under a temporary name, then renamed);
// with deleteSource the source goes only after that, never on a failure.
#pragma once

#include <QString>

#include "options.h"

namespace nconvert {

QString PngPathFor(const QString& sourcePath);

// Empty on success, otherwise what went wrong, naming the file.
QString ConvertFile(const QString& sourcePath, const Options& options);

}  // namespace nconvert
