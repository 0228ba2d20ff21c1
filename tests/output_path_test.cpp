// Output files are named after the input file: first "." of the file name only.
#include <gtest/gtest.h>

#include "output_path.h"

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
