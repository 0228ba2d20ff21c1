// Remembering settings in conf.ini: the window's choices (the archive, the
// station, the last serial TNC) are written back into the file they are
// read from, which the user may also edit by hand.
//
//   SaveConfValues("/home/me/.config/tavro/conf.ini", {{"ARCHIVE", "0"}})
//     -> "" and the file rewritten: that key set, every other line kept,
//        mode 0600 (it may hold a token); its folder made when missing
#pragma once

#include <string>

#include "conf_ini.h"

namespace tavro {

// Empty when written; else why not ("Permission denied").
std::string SaveConfValues(const std::string& path, const ConfValues& values);

// The text of the file; empty when it is missing or cannot be read.
std::string ReadConfText(const std::string& path);

}  // namespace tavro
