// conf.ini next to the program: one KEY=VALUE a line (LF or CR LF).
//
//   # comment            only when "#" is the very first character
//   IMAGE_PATH = /home/me/shots/    folder of the screenshots; case kept,
//                                    a missing closing separator is added
//   SCREENSHOT = yes                 the "S" button: "YES" in any case shows
//                                    it, any other value hides it
//
// Keys match in any letter case; blanks (spaces only) around key and value
// are removed; a further "=" belongs to the value; the later line wins;
// lines without "=" and unknown keys change nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

struct Settings {
    std::string imagePath;                 // always ends in the separator
    std::optional<bool> screenshotButton;  // unset: the button keeps its design state (visible)
};

// defaultImagePath is the program folder with its closing separator; an
// empty IMAGE_PATH value leaves it.
Settings ParseConfIni(std::string_view text, const std::string& defaultImagePath, char separator);

}  // namespace tavro
