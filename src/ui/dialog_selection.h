// The open dialog hands back at most 2048 characters: one path and its
// closing NUL, or the folder and every chosen name, each closed by a NUL,
// and one more NUL at the end:
//   {"/d/a.kss"}             -> "/d/a.kss\0"                 9 characters
//   {"/d/a.kss", "/d/b.kss"} -> "/d\0a.kss\0b.kss\0\0"        17 characters
// A selection that does not fit is refused as too many files.
#pragma once

#include <QStringList>

namespace tavro::ui {

inline constexpr int kDialogBufferChars = 2048;

int DialogResultLength(const QStringList& paths);
bool FitsDialogBuffer(const QStringList& paths);

}  // namespace tavro::ui
