// Which conf.ini is read and where outputs go, beside the program or in the user's folders.
// (The real environment and file system, a conf.ini beside the program or in $XDG_CONFIG_HOME:
// the window's UserFolders test.)
#include <gtest/gtest.h>

#include "user_folders.h"

using namespace tavro;

TEST(ChooseFolders, Table) {
    const std::string dirs = "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                             "XDG_DOCUMENTS_DIR=\"/data/Dokumente\"\n";
    const struct { const char* name; FolderFacts facts; ProgramFolders want; std::string archive; } cases[] = {
        {"build folder without conf.ini", {"/src/build/bin/", true, false, "/home/me", "", ""},
         {"/home/me/.config/tavro/conf.ini", "/src/build/bin/", "/src/build/bin/", false}, "/src/build/bin/tavro_archive.sqlite"},
        {"installed", {"/usr/bin", false, false, "/home/me", "", ""},
         {"/home/me/.config/tavro/conf.ini", "/home/me/Pictures/", "/home/me/Documents/TAVRO/", true},
         "/home/me/.local/share/tavro/archive.sqlite"},
        {"XDG_CONFIG_HOME", {"/usr/bin", false, false, "/home/me/", "/cfg/", "", "/data/"},
         {"/cfg/tavro/conf.ini", "/home/me/Pictures/", "/home/me/Documents/TAVRO/", true}, "/data/tavro/archive.sqlite"},
        {"relative XDG_CONFIG_HOME", {"/usr/bin", false, false, "/home/me", "cfg", "", "data"},
         {"/home/me/.config/tavro/conf.ini", "/home/me/Pictures/", "/home/me/Documents/TAVRO/", true},
         "/home/me/.local/share/tavro/archive.sqlite"},
        {"user dirs", {"/usr/bin", false, false, "/home/me", "", dirs},
         {"/home/me/.config/tavro/conf.ini", "/home/me/Bilder/", "/data/Dokumente/TAVRO/", true},
         "/home/me/.local/share/tavro/archive.sqlite"},
        {"user dirs, writable", {"/opt/tavro", true, false, "/home/me", "", dirs, "/data"},
         {"/home/me/.config/tavro/conf.ini", "/opt/tavro/", "/opt/tavro/", false}, "/opt/tavro/tavro_archive.sqlite"},
        {"no home", {"/usr/bin", false, false, "", "", dirs}, {"/usr/bin/conf.ini", "/usr/bin/", "/usr/bin/", false},
         "/usr/bin/tavro_archive.sqlite"},
    };
    for (const auto& c : cases) {
        const ProgramFolders got = ChooseFolders(c.facts);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(got.archiveFile, c.archive);
        EXPECT_EQ(std::tuple(got.confIni, got.imageFolder, got.captureFolder, got.userFolders),
                  std::tuple(c.want.confIni, c.want.imageFolder, c.want.captureFolder, c.want.userFolders));
    }
}

TEST(UserDir, Table) {
    const struct { const char *text, *want; } cases[] = {
        {"XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", "/home/me/Pictures"},
        {"XDG_PICTURES_DIR=\"$HOME/My \\\"Shots\\\"/\"\r\n", "/home/me/My \"Shots\""},
        {"XDG_PICTURES_DIR=\"$HOME/\"", "/home/me"},  // switched off: the home folder itself
        {"XDG_PICTURES_DIR=\"/srv/pics\"\nXDG_PICTURES_DIR=\"$HOME/b\"\n", "/home/me/b"},
        {"  XDG_PICTURES_DIR=/srv/pics  \n", "/srv/pics"},
        {"XDG_PICTURES_DIR=\"pics\"\n", ""},
        {"XDG_PICTURES_DIR=\"$HOMEWORK/x\"\n", ""},
        {"#XDG_PICTURES_DIR=\"/srv/pics\"\nXDG_PICTURES_DIRS=\"/x\"\nXDG_DOCUMENTS_DIR=\"/d\"\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UserDir(c.text, "XDG_PICTURES_DIR", "/home/me/"), c.want) << c.text;
}
