// conf.ini text -> screenshot folder and button, recording folder, KISS server.
#include <gtest/gtest.h>

#include <tuple>

#include "conf_file.h"
#include "conf_ini.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;

TEST(ParseConfIni, Table) {
    const std::string d = "/opt/tavro/";
    const std::optional<bool> unset, shown = true, hidden = false;
    const struct {
        std::string text, imagePath; std::optional<bool> button;
        std::string capturePath = "/opt/tavro/", host = "localhost"; int port = 8001;  // live reception, unless set
    } cases[] = {
        {"", d, unset},
        {"IMAGE_PATH=/home/me/shots/\nSCREENSHOT=NO\n", "/home/me/shots/", hidden},
        {"IMAGE_PATH=/home/me/shots/\r\nSCREENSHOT=YES\r\n", "/home/me/shots/", shown},
        {"image_path = /Home/Me/Shots\n", "/Home/Me/Shots/", unset},  // key in any case, value's case kept
        {"   IMAGE_PATH   =   /x y/  \r\n", "/x y/", unset},
        {"IMAGE_PATH = a=b", "a=b/", unset},
        {"IMAGE_PATH=/a/\nIMAGE_PATH=/b/\nIMAGE_PATH=\nIMAGE_PATH=   \n", "/b/", unset},  // later wins; empty: no change
        {"#IMAGE_PATH=/a/\n#SCREENSHOT=NO\n", d, unset},
        {" #IMAGE_PATH=/a/\n\tSCREENSHOT=NO\n", d, unset},                   // not a key
        {"\n\r\n\nIMAGE_PATH /a/\nSCREENSHOT\nIMAGEPATH=/a/\n", d, unset},
        {"IMAGE_PATH=\t/a/\t\n", "\t/a/\t/", unset},
        {"Screenshot = yes", d, shown},     {"SCREENSHOT=Yes\r\n", d, shown},    {"SCREENSHOT=1\n", d, hidden},
        {"SCREENSHOT=\n", d, hidden},       {"SCREENSHOT=YES!\n", d, hidden},    {"SCREENSHOT=NO\nSCREENSHOT=yes", d, shown},
        {"CAPTURE_PATH=/home/me/passes\nKISS_HOST=Station-PC\nkiss_port=8100\n", d, unset, "/home/me/passes/", "Station-PC", 8100},
        {"KISS_PORT=0\n", d, unset},  {"KISS_PORT=65536\n", d, unset}, {"KISS_PORT=80x\nKISS_HOST=\n", d, unset},
        {"KISS_PORT=65535", d, unset, d, "localhost", 65535},
    };
    for (const auto& c : cases) {
        const Settings s = ParseConfIni(c.text, d, '/');
        EXPECT_EQ(s.imagePath, c.imagePath) << c.text;
        EXPECT_EQ(s.screenshotButton, c.button) << c.text;
        EXPECT_EQ(std::tuple(s.capturePath, s.kissHost, s.kissPort), std::tuple(c.capturePath, c.host, c.port)) << c.text;
    }
    EXPECT_EQ(ParseConfIni("IMAGE_PATH=d:\\shots", "c:\\prog\\", '\\').imagePath, "d:\\shots\\");
}

// ARCHIVE=1/0 (anything else keeps "on"), ARCHIVE_PATH as written; the default place otherwise.
TEST(ParseConfIni, Archive) {
    Settings defaults;
    defaults.archivePath = "/opt/tavro/tavro_archive.sqlite";
    const struct { const char* text; bool archive; const char* path; } cases[] = {
        {"", true, "/opt/tavro/tavro_archive.sqlite"},
        {"ARCHIVE=0\n", false, "/opt/tavro/tavro_archive.sqlite"},
        {"archive = 1\r\nArchive_Path = /Data/My Archive.sqlite \n", true, "/Data/My Archive.sqlite"},
        {"ARCHIVE=0\nARCHIVE=yes\nARCHIVE_PATH=\n", false, "/opt/tavro/tavro_archive.sqlite"},
        {"ARCHIVE_PATH=postgresql://db.example/tavro\n", true, "postgresql://db.example/tavro"},
    };
    for (const auto& c : cases) {
        const Settings s = ParseConfIni(c.text, defaults, '/');
        EXPECT_EQ(std::tuple(s.archive, s.archivePath), std::tuple(c.archive, std::string(c.path))) << c.text;
    }
}

TEST(ConfIniTest, WrittenValuesKeepEveryOtherLine) {
    const struct { std::string text; ConfValues values; std::string expected; } cases[] = {
        {"", {{"ARCHIVE", "1"}}, "ARCHIVE=1\n"},
        {"# mine\nkiss_host = a\nFOO=1\n", {{"KISS_HOST", "b"}, {"ARCHIVE", "1"}}, "# mine\nKISS_HOST=b\nFOO=1\nARCHIVE=1\n"},
        {"A=1\r\n#A=2\r\nA=3", {{"a", "4"}}, "A=1\r\n#A=2\r\nA=4"},  // the last line of the key counts
        {"X=1", {{"Y", "2"}}, "X=1\nY=2\n"},
        {"X=1\r\n", {{"Y", "2\nIMAGE_PATH=/etc"}}, "X=1\r\nY=2IMAGE_PATH=/etc\r\n"},  // no line of its own
    };
    for (const auto& c : cases) EXPECT_EQ(WithConfValues(c.text, c.values), c.expected) << c.text;
    EXPECT_EQ(ConfValue("ARCHIVE=1\narchive = 0 \n", "Archive"), "0");
    EXPECT_EQ(ConfValue("#ARCHIVE=1\n", "ARCHIVE"), std::nullopt);
}

TEST(ConfIniTest, SavedFileIsPrivateAndItsFolderMade) {
    TempDir dir("conf_save");
    const std::string path = (dir / "tavro" / "conf.ini").string();
    ASSERT_EQ(SaveConfValues(path, {{"SATNOGS_DB_TOKEN", "secret"}}), "");
    EXPECT_EQ(FileText(path), "SATNOGS_DB_TOKEN=secret\n");
    std::filesystem::permissions(path, std::filesystem::perms(0644));
    ASSERT_EQ(SaveConfValues(path, {{"SHARE", "1"}}), "");
    EXPECT_EQ(FileText(path), "SATNOGS_DB_TOKEN=secret\nSHARE=1\n");
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all, std::filesystem::perms(0600));
}
