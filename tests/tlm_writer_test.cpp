// TLM report: banner, ruler, empty line, 23 pair lines of 82 characters, CR LF.
#include <gtest/gtest.h>

#include "tlm_writer.h"

using namespace tavro;

static std::string B(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

TEST(TlmText, ExactLinesFieldsNeverCut) {
    std::array<std::string, kChannelCount> texts;
    texts[0] = "norm", texts[1] = "12", texts[6] = "&H1F", texts[7] = "0d 01:02:03", texts[8] = "fix SW PPT";
    texts[44] = "65535", texts[45] = "-1", texts[46] = "SENTINEL";
    const std::string tlm = TlmText(texts);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = tlm.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(tlm.substr(at, end - at));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_TRUE(tlm.ends_with("\r\n"));
    EXPECT_EQ(lines[0], "TAVRO Telemetry Decoder (QX0QX)");
    EXPECT_EQ(lines[1], std::string(52, '='));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "OPS mode" + B(12) + "norm" + B(16) + " |  Boot cnt" + B(12) + "12" + B(16));
    // The 11-character duration pushes the unit one column to the right.
    EXPECT_EQ(lines[6], "validity bits" + B(7) + "&H1F" + B(16) + " |  Sat Time" + B(12) + "0d 01:02:03s" + B(7));
    EXPECT_EQ(lines[7], "PPT mode" + B(12) + "fix SW PPT" + B(10) + " |  Ch status" + B(29));
    EXPECT_EQ(lines[8], "Batt voltage" + B(18) + "V" + B(9) + " |  tot sys curr" + B(18) + "A" + B(7));
    EXPECT_EQ(lines[25], "MIPS whole" + B(10) + "65535" + B(15) + " |  SMDH sample" + B(9) + "-1" + B(8) + "m" + B(7));
    for (std::size_t k = 3; k < lines.size(); ++k) EXPECT_EQ(lines[k].size(), k == 6 ? 83u : 82u) << k;
    EXPECT_EQ(tlm.find("SMDH diff cnt"), std::string::npos);  // channel 46 is not written
    EXPECT_EQ(tlm.find("SENTINEL"), std::string::npos);
}
