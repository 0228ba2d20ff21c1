#include "picture_path.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct PictureCase {
    const char* imagePath;
    const char* inputFilePath;
    const char* picture;
};

const PictureCase kPictureCases[] = {
    {"/prog/", "/data/pass1.kss", "/prog/tavro_pass1.bmp"},
    {"/prog/", "/data/tavro_pass1.kss", "/prog/tavro_pass1.bmp"},
    {"/prog/", "/data/tavro_tavro_pass1.kss", "/prog/tavro_pass1.bmp"},
    {"/prog/", "/data/pass_tavro_1.kss", "/prog/tavro_pass_1.bmp"},
    {"/prog/", "/data/day1.log", "/prog/tavro_day1.bmp"},
    {"/prog/", "/data/capture", "/prog/tavro_capture.bmp"},
    {"/prog/", "/data/pass1.tar.kss", "/prog/tavro_pass1.bmp"},
    {"/prog/", "/data/kss.files/kss_pass.kss", "/prog/tavro_kss_pass.bmp"},
    {"/prog/", "/tavro_runs/pass1.kss", "/prog/tavro_pass1.bmp"},
    {"/prog/", "/data/my pass.kss", "/prog/tavro_my pass.bmp"},
    {"/prog/", "/data/Tavro_pass1.kss", "/prog/tavro_Tavro_pass1.bmp"},
    {"/prog/", "", "/prog/tavro_.bmp"},
    {"/prog/", "pass1.kss", "/prog/tavro_pass1.bmp"},
    {"/SHOTS", "/data/pass1.kss", "/SHOTStavro_pass1.bmp"},
    {"/my shots/tavro_old/", "/data/pass1.kss", "/my shots/tavro_old/tavro_pass1.bmp"},
    {"", "/data/pass1.kss", "tavro_pass1.bmp"},
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << '"' << c.imagePath << "\" + \"" << c.inputFilePath << '"'; }

class PicturePathTest : public testing::TestWithParam<PictureCase> {};

TEST_P(PicturePathTest, NamesThePictureAfterTheInputFile) {
    const PictureCase& c = GetParam();
    EXPECT_EQ(tavro::PicturePath(c.imagePath, c.inputFilePath), c.picture);
}

INSTANTIATE_TEST_SUITE_P(Cases, PicturePathTest, testing::ValuesIn(kPictureCases));

TEST(ConvertedPicturePathTest, ReplacesTheBitmapExtension) {
    EXPECT_EQ(tavro::ConvertedPicturePath("/prog/tavro_pass1.bmp"), "/prog/tavro_pass1.png");
    EXPECT_EQ(tavro::ConvertedPicturePath("/bmp.d/tavro_.bmp"), "/bmp.d/tavro_.png");
    EXPECT_EQ(tavro::ConvertedPicturePath("/prog/picture"), "/prog/picture.png");
}

}  // namespace
