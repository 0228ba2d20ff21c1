// tavro-cli among hostile files: inputs it cannot read well, outputs it cannot write, files that change.
#include "file_reading.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
namespace fs = std::filesystem;

std::string Wrap(std::vector<std::uint8_t> frame, std::size_t size = 0) {  // padded with FESC to size
    frame.resize(std::max(size, frame.size()), 0xDB), frame = passgen::KissWrap(frame);
    return {frame.begin(), frame.end()};
}
std::string Frame(int packetCnt, std::size_t size = 0) { return Wrap(HkFrame(packetCnt), size); }
std::string Times(int n, const std::string& s) { std::string out; while (n-- > 0) out += s; return out; }

TEST(HostileInput, EndsWithItsExitCodeAndSummaryNeverBySignal) {
    // A ".log" is read as a log; no bytes: a folder ("Is a directory") or nothing. records -1: any number.
    const struct {
        const char* file; std::function<std::string()> bytes; int records = 0, notStored = 0; std::string reason = "";
    } cases[] = {
        {"noise.kss", [] { return Noise(1, 4 << 20); }},
        {"noise.log", [] { return Noise(7, 4 << 20); }, -1},
        {"fend.kss", [] { return std::string(1 << 20, '\xC0'); }},
        {"fesc.kss", [] { return std::string(1 << 20, '\xDB'); }},
        {"hex_pairs.log", [] { return passgen::LogHousekeepingLine("12:34:56", {}) + Times(2'000'000, " AB"); }, 1},
        {"empty_lines.log", [] { return std::string(1'000'000, '\n'); }},
        {"nul_line.log", [] { return std::string(1 << 20, '\0') + "\n" + passgen::LogHousekeepingLine("12:00:00", {}); }, 1},
        {"table_full.kss", [] { return Times(60000, Frame(1)); }, 10000, 50000},
        {"frame_40000.kss", [] { return Frame(1, 40000); }, 1},
        {"stamp_100000.kss", [] { return Wrap(passgen::KissTimeStampFrame(std::string(99999, '1'))) + Frame(1); }, 1},
        {"folder.kss", nullptr, 0, 0, "Is a directory"},
        {"missing.kss", nullptr, 0, 0, "No such file or directory"},
    };
    for (const auto& c : cases) {
        const TempDir dir("hostile");
        const std::string path = dir.Path(c.file), failed = c.reason.empty() ? "0" : "1";
        if (c.bytes) std::ofstream(path) << c.bytes(); else if (c.reason == "Is a directory") fs::create_directory(path);
        const auto run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", path.ends_with(".log") ? "--log" : "--kiss", "--csv", dir.Path("out.csv"), path});
        EXPECT_EQ(run.exitCode, std::stoi(failed)) << c.file << (run.signaled ? ": ended by signal " + std::to_string(run.signal) : "");
        const std::string records = c.records < 0 ? "[0-9]+" : std::to_string(c.records);
        EXPECT_THAT(run.err, testing::MatchesRegex((c.reason.empty() ? "" : "tavro-cli: cannot read " + path + ": " + c.reason + "\n") +
                                                   "tavro-cli: " + records + " records decoded, " + std::to_string(c.notStored) +
                                                   " frames not stored \\(table full\\), " + failed + " files could not be read\n"));
    }
}

// Between two slices the file grows (read to its new end) or is cut at a frame's end.
TEST(ChangingFile, IsReadToItsNewEnd) {
    const TempDir dir("changing");
    const std::string path = dir.Path("pass.kss");
    for (const int records : {1300, 500}) {
        std::ofstream(path, std::ios::binary) << Times(1000, Frame(1));
        Session session;
        session.BeginSelection();
        session.BeginFile(path, InputKind::Kiss);
        InputFile file(path);
        ASSERT_TRUE(file.Open());
        session.Feed(file.Read(500));
        if (records > 1000) std::ofstream(path, std::ios::binary | std::ios::app) << Times(300, Frame(2));
        else fs::resize_file(path, records * Frame(1).size());
        while (!file.Done()) session.Feed(file.Read(500));
        session.EndFile(file.Error());
        EXPECT_EQ(file.Error(), "");
        ASSERT_EQ(session.RecordCount(), records);
        EXPECT_EQ(session.Records()[records - 1].Channels[2], records > 1000 ? 2 : 1);
    }
}
