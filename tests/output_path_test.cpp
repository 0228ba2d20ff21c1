// Output files are named after the input file: first "." of the file name only;
// screenshots too, in the picture folder.
#include <gtest/gtest.h>

#include "output_path.h"
#include "picture_path.h"

using namespace tavro;

TEST(OutputPath, Table) {
    const struct { const char *input, *extension, *output; } cases[] = {
        {"/data/my.data/pass1.kss", ".csv", "/data/my.data/pass1.csv"}, {"/data/pass.tar.kss", ".tlm", "/data/pass.tlm"},
        {"/data.d/capture", ".csv", "/data.d/capture.csv"},            {"pass.tar.kss", ".csv", "pass.csv"},
        {"../run.2/pass1.log", ".csv", "../run.2/pass1.csv"},          {"./pass1.log", ".bmp", "./pass1.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(OutputPath(c.input, c.extension), c.output) << c.input;
    EXPECT_EQ(FileNamePart("/data/my.data/pass1.kss"), "pass1.kss");
    EXPECT_EQ(FileNamePart("pass1.kss"), "pass1.kss");
}

TEST(PicturePath, Table) {
    const struct { const char *imagePath, *input, *picture; } cases[] = {
        {"/prog/", "/data/tavro_tavro_pass1.kss", "/prog/tavro_pass1.bmp"}, {"/prog/", "", "/prog/tavro_.bmp"},
        {"/prog/", "/data/pass_tavro_1.kss", "/prog/tavro_pass_1.bmp"},   {"/SHOTS", "x", "/SHOTStavro_x.bmp"},
        {"/prog/", "/data/capture", "/prog/tavro_capture.bmp"},           {"", "/a/day1.log", "tavro_day1.bmp"},
        {"/prog/", "/data/kss.files/pass1.tar.kss", "/prog/tavro_pass1.bmp"},
        {"/prog/", "/tavro_runs/my pass.kss", "/prog/tavro_my pass.bmp"},
        {"/prog/", "/data/Tavro_pass1.kss", "/prog/tavro_Tavro_pass1.bmp"},
        {"/my shots/tavro_old/", "/data/pass1.kss", "/my shots/tavro_old/tavro_pass1.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(PicturePath(c.imagePath, c.input), c.picture) << c.input;
    EXPECT_EQ(ConvertedPicturePath("/bmp.d/tavro_.bmp"), "/bmp.d/tavro_.png");
    EXPECT_EQ(ConvertedPicturePath("/prog/picture"), "/prog/picture.png");
}
