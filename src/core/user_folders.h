// Where the programs read conf.ini and put their outputs when conf.ini does
// not say.
//
// Run from a folder the user may write to (the build folder, an unpacked
// copy), everything stays beside the program. Installed in a system folder,
// the programs use the user's own folders instead:
//   conf.ini       <program folder>/conf.ini when it is there, otherwise
//                  $XDG_CONFIG_HOME/tavro/conf.ini (default ~/.config/tavro/conf.ini)
//   screenshots    <program folder>/ when it is writable, otherwise the
//                  Pictures folder of the XDG user dirs (default ~/Pictures/)
//   live captures  <program folder>/ when it is writable, otherwise
//                  <Documents folder>/TAVRO/ (default ~/Documents/TAVRO/)
//   archive        <program folder>/tavro_archive.sqlite when it is writable,
//                  otherwise $XDG_DATA_HOME/tavro/archive.sqlite (default
//                  ~/.local/share/tavro/archive.sqlite)
// Nothing here creates a folder: that waits until something is written.
#pragma once

#include <string>
#include <string_view>

namespace tavro {

// What the choice depends on; FolderFactsOf gathers them for this process.
struct FolderFacts {
    std::string programFolder;  // a closing '/' is allowed
    bool programFolderWritable = true;
    bool confIniInProgramFolder = false;
    std::string home;            // $HOME; empty: unknown
    std::string xdgConfigHome;   // $XDG_CONFIG_HOME; empty or relative counts as unset
    std::string userDirsText;    // the text of <config>/user-dirs.dirs; empty when there is none
    std::string xdgDataHome = {};  // $XDG_DATA_HOME; empty or relative counts as unset
};

struct ProgramFolders {
    std::string confIni;        // the conf.ini to read (it may not exist)
    std::string imageFolder;    // the default IMAGE_PATH, closed by '/'
    std::string captureFolder;  // the default CAPTURE_PATH, closed by '/'
    bool userFolders = false;   // image, capture and archive folders are the user's, not the program's
    std::string archiveFile = {};  // the default ARCHIVE_PATH
};

ProgramFolders ChooseFolders(const FolderFacts& facts);

// A folder of user-dirs.dirs, e.g. key "XDG_PICTURES_DIR" with the line
// XDG_PICTURES_DIR="$HOME/Bilder" gives "/home/me/Bilder"; empty when the
// key has no usable value (missing, or neither $HOME-based nor absolute).
std::string UserDir(std::string_view userDirsText, std::string_view key, const std::string& home);

// The facts for this process: $HOME (or the password database), the XDG
// variables and files, and whether the program folder may be written. A
// folder without any write permission bit counts as read-only even for root,
// who could write there anyway.
FolderFacts FolderFactsOf(const std::string& programFolder);

}  // namespace tavro
