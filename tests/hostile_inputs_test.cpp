// tavro-cli among hostile files: inputs it cannot read well, outputs it cannot write, files that change.
#include <gtest/gtest.h>

#include <filesystem>

#include "file_reading.h"
#include "frame_encoder.h"
#include "run_program.h"

using namespace tavro;
namespace fs = std::filesystem;

std::string Wrap(std::vector<std::uint8_t> frame, std::size_t size = 0) {  // padded with FESC to size
    frame.resize(std::max(size, frame.size()), 0xDB), frame = passgen::KissWrap(frame);
    return {frame.begin(), frame.end()};
}
std::string Hk(int packetCnt, std::size_t size = 0) { return Wrap(passgen::KissHousekeepingFrame({0, 0, 1.0 * packetCnt}), size); }
std::string Times(int n, const std::string& s) { std::string out; while (n-- > 0) out += s; return out; }
std::string Noise(std::uint64_t x, std::string s = std::string(4 << 20, '\0')) {  // the same for the same seed
    for (char& c : s) c = static_cast<char>((x = x * 6364136223846793005u + 1442695040888963407u) >> 56);
    return s;
}
// Log lines (cut at LF, CR or CR LF) whose characters 10 and 11 read as hex 01:
// "01", or "1" before a character that is no hex digit (or the line's end).
int LinesOfTypeOne(const std::string& text) {
    int n = 0;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.find('\r', at));
        const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        const char a = line.size() > 9 ? line[9] : 0, b = line.size() > 10 ? line[10] : 0;
        n += (a == '0' && b == '1') || (a == '1' && !std::isxdigit(static_cast<unsigned char>(b)));
        if (end == std::string::npos) break;
        at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return n;
}
struct TempDir : fs::path {  // removed with what it holds
    TempDir() : fs::path(fs::temp_directory_path() / ("tavro-hostile-" + std::to_string(::getpid()))) { fs::create_directories(*this); }
    ~TempDir() { fs::remove_all(*this); }
};

TEST(HostileInput, EndsWithItsExitCodeAndSummaryNeverBySignal) {
    const struct {  // a ".log" is read as a log; no bytes: a folder ("Is a directory") or nothing
        const char* file; std::function<std::string()> bytes; int records = 0, notStored = 0; std::string reason = "";
    } cases[] = {
        {"noise.kss", [] { return Noise(1); }},
        {"noise.log", [] { return Noise(7); }, LinesOfTypeOne(Noise(7))},
        {"fend.kss", [] { return std::string(1 << 20, '\xC0'); }},
        {"fesc.kss", [] { return std::string(1 << 20, '\xDB'); }},
        {"hex_pairs.log", [] { return passgen::LogHousekeepingLine("12:34:56", {}) + Times(2'000'000, " AB"); }, 1},
        {"empty_lines.log", [] { return std::string(1'000'000, '\n'); }},
        {"nul_line.log", [] { return std::string(1 << 20, '\0') + "\n" + passgen::LogHousekeepingLine("12:00:00", {}); }, 1},
        {"table_full.kss", [] { return Times(60000, Hk(1)); }, 10000, 50000},
        {"frame_40000.kss", [] { return Hk(1, 40000); }, 1},
        {"stamp_100000.kss", [] { return Wrap(passgen::KissTimeStampFrame(std::string(99999, '1'))) + Hk(1); }, 1},
        {"folder.kss", nullptr, 0, 0, "Is a directory"},
        {"missing.kss", nullptr, 0, 0, "No such file or directory"},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const std::string path = (dir / c.file).string(), failed = c.reason.empty() ? "0" : "1";
        if (c.bytes) std::ofstream(path) << c.bytes(); else if (c.reason == "Is a directory") fs::create_directory(path);
        const auto run = testing_support::RunProgram(
            {TAVRO_BIN_DIR "/tavro-cli", path.ends_with(".log") ? "--log" : "--kiss", "--csv", (dir / "out.csv").string(), path});
        EXPECT_EQ(run.exitCode, std::stoi(failed)) << c.file << (run.signaled ? ": ended by signal " + std::to_string(run.signal) : "");
        EXPECT_EQ(run.err, (c.reason.empty() ? "" : "tavro-cli: cannot read " + path + ": " + c.reason + "\n") + "tavro-cli: " +
                               std::to_string(c.records) + " records decoded, " + std::to_string(c.notStored) +
                               " frames not stored (table full), " + failed + " files could not be read\n");
    }
}

// Between two slices the file grows (read to its new end) or is cut at a frame's end.
TEST(ChangingFile, IsReadToItsNewEnd) {
    const TempDir dir;
    const std::string path = dir / "pass.kss";
    for (const int records : {1300, 500}) {
        std::ofstream(path, std::ios::binary) << Times(1000, Hk(1));
        Session session;
        session.BeginSelection();
        session.BeginFile(path, InputKind::Kiss);
        InputFile file(path);
        ASSERT_TRUE(file.Open());
        session.Feed(file.Read(500));
        if (records > 1000) std::ofstream(path, std::ios::binary | std::ios::app) << Times(300, Hk(2));
        else fs::resize_file(path, records * Hk(1).size());
        while (!file.Done()) session.Feed(file.Read(500));
        session.EndFile(file.Error());
        EXPECT_EQ(file.Error(), "");
        ASSERT_EQ(session.RecordCount(), records);
        EXPECT_EQ(session.Records()[records - 1].Channels[2], records > 1000 ? 2 : 1);
    }
}
