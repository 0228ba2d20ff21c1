// tavro-cli end to end: files in, exit status, summary and output files out.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "cli.h"
#include "frame_encoder.h"

namespace fs = std::filesystem;
using namespace tavro;

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tavro_cli_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // A capture of n housekeeping frames; frame k has OPS mode 4, Boot cnt k+1 and Batt voltage raw 100+k.
    std::string WriteKiss(const std::string& name, int n, const std::string& time = "2026-11-28 10:14:03.250 UTC;1;2;3") {
        std::vector<std::uint8_t> bytes = passgen::KissWrap(passgen::KissTimeStampFrame(time));
        for (int k = 0; k < n; ++k) {
            passgen::KissRaw raw{};
            raw[0] = 4;
            raw[1] = k + 1;
            raw[10] = 100 + k;
            raw[41] = -64;  // MagY -1.0 nT
            const auto frame = passgen::KissWrap(passgen::KissHousekeepingFrame(raw));
            bytes.insert(bytes.end(), frame.begin(), frame.end());
        }
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }

    std::string WriteLog(const std::string& name, int n) {
        std::ofstream out(Path(name), std::ios::binary);
        for (int k = 0; k < n; ++k) {
            passgen::LogRaw raw{};
            raw[0] = 2;
            raw[10] = 3700 + k;  // Batt voltage 3.7 V
            out << passgen::LogHousekeepingLine("10:15:0" + std::to_string(k % 10), raw) << "\r\n";
        }
        return Path(name);
    }

    int Run(std::vector<std::string> args) {
        err_.str("");
        return cli::Main(args, err_);
    }

    static std::vector<std::string> Lines(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    fs::path dir_;
    std::ostringstream err_;
};

TEST_F(CliTest, UsageErrorsExitTwo) {
    const std::string kss = WriteKiss("a.kss", 1);
    const std::vector<std::vector<std::string>> cases = {
        {kss},                                          // neither --kiss nor --log
        {"--kiss", "--log", kss},                       // both
        {"--kiss"},                                     // no file
        {"--kiss", "--record", "0", kss},               // records count from 1
        {"--kiss", "--record", "x", kss},
        {"--kiss", "--decimal-separator", ";", kss},
        {"--kiss", "--csv"},                            // path missing
        {"--kiss", "--frobnicate", kss},
        {"--kiss", "--tlm", Path("a.tlm"), "--record", "2", kss},  // only one record read
    };
    for (const auto& args : cases) {
        EXPECT_EQ(Run(args), 2) << ::testing::PrintToString(args);
        EXPECT_NE(err_.str().find("usage: tavro-cli"), std::string::npos);
    }
}

TEST_F(CliTest, UnreadableFileBetweenTwoGoodOnesIsReportedAndTheOthersAreRead) {
    const std::string a = WriteKiss("a.kss", 3), c = WriteKiss("c.kss", 4);
    const std::string missing = Path("b.kss");
    EXPECT_EQ(Run({"--kiss", "--dump", Path("d.tsv"), a, missing, c}), 1);
    EXPECT_NE(err_.str().find("cannot read " + missing + ": No such file or directory"), std::string::npos);
    EXPECT_NE(err_.str().find("7 records decoded, 0 frames not stored (table full), 1 files could not be read"),
              std::string::npos);
    const auto dump = Lines(Path("d.tsv"));
    ASSERT_EQ(dump.size(), 8u);
    // Boot cnt restarts with the second file; the default CSV goes next to the last file.
    EXPECT_EQ(dump[4].substr(0, 2), "4\t");
    EXPECT_TRUE(fs::exists(Path("c.csv")));
}

TEST_F(CliTest, CsvFollowsTheDecimalSeparator) {
    const std::string kss = WriteKiss("pass.kss", 2);
    for (const auto& [sep, battery] : {std::pair{".", "39.50;"}, std::pair{",", "39,50;"}}) {
        ASSERT_EQ(Run({"--kiss", "--decimal-separator", sep, "--csv", Path("out.csv"), kss}), 0) << err_.str();
        const auto lines = Lines(Path("out.csv"));
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0].substr(0, 29), "OPS mode;Boot cnt;Packet cnt;");
        EXPECT_EQ(lines[0].back(), '\r');  // CR LF
        std::string expected = std::string("4") + sep + "00;1" + sep + "00;";
        EXPECT_EQ(lines[1].substr(0, expected.size()), expected);
        EXPECT_NE(lines[1].find(battery), std::string::npos);
    }
}

TEST_F(CliTest, TlmShowsTheChosenRecordAsTheWindowDoes) {
    const std::string kss = WriteKiss("pass.kss", 3);
    ASSERT_EQ(Run({"--kiss", "--tlm", Path("r.tlm"), "--record", "3", "--decimal-separator", ",", kss}), 0);
    const auto lines = Lines(Path("r.tlm"));
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[0], "TAVRO Telemetry Decoder (QX0QX)\r");
    EXPECT_EQ(lines[3], "OPS mode            norm                 |  Boot cnt            3                 \r");
    EXPECT_EQ(lines[8].substr(0, 40), "Batt voltage        40,29     V         ");  // 102 * 0.395
    EXPECT_FALSE(fs::exists(Path("pass.csv")));  // --tlm alone writes no CSV
}

TEST_F(CliTest, NoRecordsGivesAHeaderOnlyCsvAndAnEmptyReport) {
    const std::string empty = WriteKiss("empty.kss", 0);
    ASSERT_EQ(Run({"--kiss", "--csv", Path("e.csv"), "--tlm", Path("e.tlm"), empty}), 0);
    EXPECT_EQ(Lines(Path("e.csv")).size(), 1u);
    const auto tlm = Lines(Path("e.tlm"));
    ASSERT_EQ(tlm.size(), 26u);
    EXPECT_EQ(tlm[3], "OPS mode                                 |  Boot cnt                              \r");
}

TEST_F(CliTest, LogFilesWithCrLfAreReadWhole) {
    const std::string log = WriteLog("day1.log", 12);
    ASSERT_EQ(Run({"--log", log}), 0);
    const auto csv = Lines(Path("day1.csv"));  // default: next to the input
    ASSERT_EQ(csv.size(), 13u);
    EXPECT_EQ(csv[1].substr(0, 5), "2.00;");
    EXPECT_NE(err_.str().find("12 records decoded"), std::string::npos);
}

TEST_F(CliTest, DumpEscapesTimeTextsAndKeepsFullPrecision) {
    const std::string kss = WriteKiss("t.kss", 1, "caf\xe9\ttab;0.1;-2e3");
    ASSERT_EQ(Run({"--kiss", "--dump", Path("d.tsv"), "--csv", Path("x.csv"), kss}), 0);
    const auto dump = Lines(Path("d.tsv"));
    ASSERT_EQ(dump.size(), 2u);
    const std::string expected = "1\tcaf\xc3\xa9\\ttab\t0.1\t-2000\t0\t4\t1\t";
    EXPECT_EQ(dump[1].substr(0, expected.size()), expected);
    EXPECT_NE(dump[1].find("\t39.5\t"), std::string::npos);
}

TEST_F(CliTest, UnwritableOutputExitsOneAndNamesThePath) {
    const std::string kss = WriteKiss("a.kss", 1);
    const std::string target = Path("no/such/folder/out.csv");
    EXPECT_EQ(Run({"--kiss", "--csv", target, kss}), 1);
    EXPECT_NE(err_.str().find("cannot write " + target + ": No such file or directory"), std::string::npos);
}

TEST_F(CliTest, TheProgramWritesToStandardOutput) {
    const std::string kss = WriteKiss("a.kss", 2);
    const std::string command = std::string(TAVRO_BIN_DIR) + "/tavro-cli --kiss --csv - " + kss + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
}

}  // namespace
