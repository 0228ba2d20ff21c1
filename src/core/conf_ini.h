// conf.ini next to the program: one KEY=VALUE a line (LF or CR LF).
//
//   # comment            only when "#" is the very first character
//   IMAGE_PATH = /home/me/shots/    folder of the screenshots; case kept,
//                                    a missing closing separator is added
//   SCREENSHOT = yes                 the "S" button: "YES" in any case shows
//                                    it, any other value hides it
//   CAPTURE_PATH = /home/me/passes/  folder of the live recordings, as IMAGE_PATH
//   KISS_HOST = localhost            the KISS TCP server offered in the connect
//   KISS_PORT = 8001                 dialog (a port from 1 to 65535)
//   ARCHIVE = 1                      the window keeps every record in the archive: 1 yes, 0 no
//                                    (any other value leaves the default, yes)
//   ARCHIVE_PATH = /data/tavro.sqlite  the archive (a file, or a postgresql:// URI); case kept
//
// Keys match in any letter case; blanks (spaces only) around key and value
// are removed; a further "=" belongs to the value; the later line wins;
// lines without "=" and unknown keys change nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "user_folders.h"

namespace tavro {

struct Settings {
    std::string imagePath;                 // always ends in the separator
    std::optional<bool> screenshotButton;  // unset: the button keeps its design state (visible)
    std::string capturePath;               // always ends in the separator
    std::string kissHost = "localhost";
    int kissPort = 8001;
    bool archive = true;      // the window archives
    // ARCHIVE_PATH, else (LoadSettings) ProgramFolders::archiveFile; when that
    // is in the user's folders (userFolders), its folder is made on first use.
    std::string archivePath = {};
};

// defaults holds the folders (with their closing separator) and the server
// that stand where a key is missing; an empty value leaves the default.
Settings ParseConfIni(std::string_view text, Settings defaults, char separator);
// Both folders default to defaultFolder.
inline Settings ParseConfIni(std::string_view text, const std::string& defaultFolder, char separator) {
    return ParseConfIni(text, Settings{defaultFolder, std::nullopt, defaultFolder}, separator);
}

// text with each KEY set to its value: the last line of that key (in any
// letter case) is rewritten in place as "KEY=value", a key not there yet is
// added at the end; comments, blank lines, unknown keys and the line ends
// (LF or CR LF) stay as they were.
//   "# mine\nkiss_host = a\nFOO=1\n" + {KISS_HOST, b}, {ARCHIVE, 1}
//     -> "# mine\nKISS_HOST=b\nFOO=1\nARCHIVE=1\n"
using ConfValues = std::vector<std::pair<std::string, std::string>>;
std::string WithConfValues(std::string_view text, const ConfValues& values);

// The value of KEY (last line wins, blanks around it removed); nullopt when
// no line sets it. For the keys other parts of the programs keep in conf.ini.
std::optional<std::string> ConfValue(std::string_view text, std::string_view key);

// The settings of the conf.ini that folders names, with their default
// folders; a missing or unreadable file leaves the defaults.
Settings LoadSettings(const ProgramFolders& folders);

}  // namespace tavro
