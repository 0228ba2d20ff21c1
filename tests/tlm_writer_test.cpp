// TLM report: banner, ruler, empty line, 23 pair lines of 82 characters, CR LF.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tlm_writer.h"
#include "value_text.h"

namespace tavro {
namespace {

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(PadRight, PadsAndNeverCuts) {
    const struct {
        const char* text;
        int width;
        const char* padded;
    } cases[] = {{"ab", 5, "ab   "}, {"abc", 3, "abc"},   {"abcdef", 3, "abcdef"},
                 {"", 4, "    "},    {"", 0, ""},         {"x", -1, "x"}};
    for (const auto& c : cases) EXPECT_EQ(PadRight(c.text, c.width), c.padded) << c.text << "/" << c.width;
}

TEST(TlmText, LayoutOfARecord) {
    std::array<std::string, kChannelCount> texts;
    texts[0] = "norm";
    texts[1] = "12";
    texts[6] = "&H1F";
    texts[7] = "0d 01:02:03";
    texts[8] = "fix SW PPT";
    texts[9] = "&H0";
    texts[44] = "65535";
    texts[45] = "-1";
    texts[46] = "SENTINEL";

    const std::vector<std::string> lines = Lines(TlmText(texts));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[0], "TAVRO Telemetry Decoder (QX0QX)");
    EXPECT_EQ(lines[1], std::string(52, '='));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "OPS mode" + Blanks(12) + "norm" + Blanks(6) + Blanks(10) + " |  " + "Boot cnt" + Blanks(12) +
                            "12" + Blanks(8) + Blanks(8));
    // The 11-character duration pushes the unit one column to the right.
    EXPECT_EQ(lines[6], "validity bits" + Blanks(7) + "&H1F" + Blanks(6) + Blanks(10) + " |  " + "Sat Time" +
                            Blanks(12) + "0d 01:02:03" + "s" + Blanks(7));
    EXPECT_EQ(lines[7], "PPT mode" + Blanks(12) + "fix SW PPT" + Blanks(10) + " |  " + "Ch status" + Blanks(11) +
                            "&H0" + Blanks(7) + Blanks(8));
    EXPECT_EQ(lines[8], "Batt voltage" + Blanks(8) + Blanks(10) + "V" + Blanks(9) + " |  " + "tot sys curr" +
                            Blanks(8) + Blanks(10) + "A" + Blanks(7));
    EXPECT_EQ(lines[25], "MIPS whole" + Blanks(10) + "65535" + Blanks(5) + Blanks(10) + " |  " + "SMDH sample" +
                             Blanks(9) + "-1" + Blanks(8) + "m" + Blanks(7));
    for (std::size_t k = 3; k < lines.size(); ++k) {
        EXPECT_EQ(lines[k].size(), k == 6 ? 83u : 82u) << "line " << k + 1;
        EXPECT_EQ(lines[k].substr(40, 4), " |  ") << "line " << k + 1;
    }
    const std::string all = TlmText(texts);
    EXPECT_EQ(all.find("SMDH diff cnt"), std::string::npos);
    EXPECT_EQ(all.find("SENTINEL"), std::string::npos);
}

// The report of a record as the value boxes show it.
TEST(TlmText, TextsOfTheDisplayRules) {
    std::array<double, kChannelCount> values{};
    values[0] = 3;      // outside the OPS table: the whole number
    values[7] = 93784;  // Sat Time, s
    values[10] = 4.1;   // Batt voltage, V
    std::array<std::string, kChannelCount> texts;
    for (int i = 0; i < kChannelCount; ++i) texts[i] = DisplayText(i, values[i], ',');
    const std::vector<std::string> lines = Lines(TlmText(texts));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[3], "OPS mode" + Blanks(12) + "3" + Blanks(9) + Blanks(10) + " |  " + "Boot cnt" + Blanks(12) +
                            "0" + Blanks(9) + Blanks(8));
    EXPECT_EQ(lines[6], "validity bits" + Blanks(7) + "&H0" + Blanks(7) + Blanks(10) + " |  " + "Sat Time" +
                            Blanks(12) + "1d 02:03:04" + "s" + Blanks(7));
    EXPECT_EQ(lines[8].substr(0, 40), "Batt voltage" + Blanks(8) + "4,10" + Blanks(6) + "V" + Blanks(9));
}

}  // namespace
}  // namespace tavro
