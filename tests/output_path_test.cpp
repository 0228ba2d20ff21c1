// Output files are named after the input file: first "." of the file name only.
#include <gtest/gtest.h>

#include <string>

#include "output_path.h"

namespace tavro {
namespace {

TEST(OutputPath, Table) {
    const struct {
        const char* input;
        const char* extension;
        const char* output;
    } cases[] = {
        {"/data/pass1.kss", ".csv", "/data/pass1.csv"},
        {"/data/my.data/pass1.kss", ".csv", "/data/my.data/pass1.csv"},
        {"/data/my.data/pass1.kss", ".tlm", "/data/my.data/pass1.tlm"},
        {"/data/pass.tar.kss", ".csv", "/data/pass.csv"},
        {"/data/capture", ".csv", "/data/capture.csv"},
        {"/data.d/capture", ".tlm", "/data.d/capture.tlm"},
        {"pass1.kss", ".csv", "pass1.csv"},
        {"pass.tar.kss", ".csv", "pass.csv"},
        {"capture", ".tlm", "capture.tlm"},
        {"../run.2/pass1.log", ".csv", "../run.2/pass1.csv"},
        {"./pass1.log", ".bmp", "./pass1.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(OutputPath(c.input, c.extension), c.output) << c.input;
}

TEST(FileNamePart, TextAfterTheLastSeparator) {
    EXPECT_EQ(FileNamePart("/data/my.data/pass1.kss"), "pass1.kss");
    EXPECT_EQ(FileNamePart("pass1.kss"), "pass1.kss");
    EXPECT_EQ(FileNamePart("/data/"), "");
}

}  // namespace
}  // namespace tavro
