// conf.ini text -> screenshot folder and screenshot button.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "conf_ini.h"

namespace tavro {
namespace {

constexpr const char* kDefault = "/opt/tavro/";

struct ConfCase {
    const char* what;
    std::string text;
    std::string imagePath;
    std::optional<bool> button;
};

TEST(ParseConfIni, Table) {
    const std::optional<bool> unset, shown = true, hidden = false;
    const ConfCase cases[] = {
        {"empty file", "", kDefault, unset},
        {"LF lines", "IMAGE_PATH=/home/me/shots/\nSCREENSHOT=NO\n", "/home/me/shots/", hidden},
        {"CR LF lines", "IMAGE_PATH=/home/me/shots/\r\nSCREENSHOT=YES\r\n", "/home/me/shots/", shown},
        {"no line end at the end", "SCREENSHOT=YES", kDefault, shown},
        {"key in any case, value keeps its case", "image_path = /Home/Me/Shots/\n", "/Home/Me/Shots/", unset},
        {"separator appended", "IMAGE_PATH=/data/Pics\n", "/data/Pics/", unset},
        {"blanks around key and value", "   IMAGE_PATH   =   /x y/  \r\n", "/x y/", unset},
        {"a further = belongs to the value", "IMAGE_PATH = a=b\n", "a=b/", unset},
        {"empty value leaves the default", "IMAGE_PATH=\nIMAGE_PATH=   \n", kDefault, unset},
        {"later line wins", "IMAGE_PATH=/a/\nIMAGE_PATH=/b/\n", "/b/", unset},
        {"comment at column 1", "#IMAGE_PATH=/a/\n#SCREENSHOT=NO\n", kDefault, unset},
        {"blank before # makes an unknown key", " #IMAGE_PATH=/a/\n #x=1\n", kDefault, unset},
        {"empty lines skipped", "\n\r\n\nIMAGE_PATH=/a/\n\n", "/a/", unset},
        {"line without = skipped", "IMAGE_PATH /a/\nSCREENSHOT\n", kDefault, unset},
        {"unknown keys skipped", "IMAGEPATH=/a/\nSCREEN SHOT=NO\n", kDefault, unset},
        {"tabs stay in the text", "IMAGE_PATH=\t/a/\t\n", "\t/a/\t/", unset},
        {"tab in the key makes it unknown", "\tSCREENSHOT=NO\n", kDefault, unset},
        {"SCREENSHOT yes", "SCREENSHOT = yes\n", kDefault, shown},
        {"Screenshot=YES", "Screenshot=YES\n", kDefault, shown},
        {"SCREENSHOT=Yes", "SCREENSHOT=Yes\r\n", kDefault, shown},
        {"SCREENSHOT=NO", "SCREENSHOT=NO\n", kDefault, hidden},
        {"SCREENSHOT=1", "SCREENSHOT=1\n", kDefault, hidden},
        {"SCREENSHOT= (empty)", "SCREENSHOT=\n", kDefault, hidden},
        {"SCREENSHOT=YES!", "SCREENSHOT=YES!\n", kDefault, hidden},
        {"later SCREENSHOT wins", "SCREENSHOT=NO\nSCREENSHOT=yes\n", kDefault, shown},
    };
    for (const auto& c : cases) {
        const Settings s = ParseConfIni(c.text, kDefault, '/');
        EXPECT_EQ(s.imagePath, c.imagePath) << c.what;
        EXPECT_EQ(s.screenshotButton, c.button) << c.what;
    }
}

TEST(ParseConfIni, SeparatorOfThePlatform) {
    EXPECT_EQ(ParseConfIni("IMAGE_PATH=d:\\shots", "c:\\prog\\", '\\').imagePath, "d:\\shots\\");
    EXPECT_EQ(ParseConfIni("IMAGE_PATH=d:\\shots\\", "c:\\prog\\", '\\').imagePath, "d:\\shots\\");
}

}  // namespace
}  // namespace tavro
