// tavro-cli among hostile files: inputs it cannot read well, outputs it cannot write, files that change.
#include <gtest/gtest.h>

#include <filesystem>

#include "atomic_file.h"
#include "cli.h"
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
struct TempDir : fs::path {  // removed with what it holds
    TempDir() : fs::path(fs::temp_directory_path() / ("tavro-hostile-" + std::to_string(::getpid()))) { fs::create_directories(*this); }
    ~TempDir() { fs::remove_all(*this); }
};

TEST(HostileInput, EndsWithItsExitCodeAndSummaryNeverBySignal) {
    const struct {  // a ".log" is read as a log; no bytes: a folder ("Is a directory") or nothing
        const char* file; std::function<std::string()> bytes; int records = 0, notStored = 0; std::string reason = "";
    } cases[] = {
        {"noise.kss", [] { return Noise(1); }},
        {"noise.log", [] { return Noise(7); }, 93},  // lines whose characters 10-11 read as 1, by chance
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

// A write that fails (as nobody in a read-only folder, midway as on a full disk) keeps the earlier file.
TEST(SafeOutput, KeepsTheEarlierFileOrFollowsTheLink) {
    const std::pair<std::string, std::string> cases[] = {
        {"ReadOnlyFolder", "Permission denied"}, {"Folder", "Is a directory"}, {"WriteError", "No space left on device"}, {"Link", ""}};
    for (const auto& [how, reason] : cases) {
        const TempDir dir;
        fs::path target = dir / "real.csv";
        std::ofstream(dir / "pass.kss", std::ios::binary) << Hk(1);
        std::ofstream(target, std::ios::binary) << "earlier\r\n";
        if (how == "Folder") fs::create_directory(target = dir / "shots");
        if (how == "Link") fs::create_symlink("real.csv", target = dir / "link.csv");
        if (how == "ReadOnlyFolder") fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
        const std::vector<std::string> args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                               TAVRO_BIN_DIR "/tavro-cli", "--kiss", "--csv", target.string(), dir / "pass.kss"};
        std::ostringstream err;
        SetWriteFaultForTesting([&](const std::string&) { return how == "WriteError" ? ENOSPC : 0; });
        const auto run = how == "ReadOnlyFolder" ? testing_support::RunProgram(args)  // as nobody
                                                 : testing_support::ProgramRun{false, 0, cli::Main({args.begin() + 5, args.end()}, err), "", err.str()};
        SetWriteFaultForTesting(nullptr);
        fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
        if (run.err.starts_with("setpriv")) continue;  // cannot become nobody here
        SCOPED_TRACE(how + "\n" + run.err);
        EXPECT_EQ(run.exitCode, reason.empty() ? 0 : 1);
        EXPECT_EQ(run.err.find("tavro-cli: cannot write " + target.string() + ": " + reason + "\n") != std::string::npos, !reason.empty());
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2 + (how == "Folder" || how == "Link"));  // no temporary file
        EXPECT_EQ(fs::is_symlink(dir / "link.csv"), reason.empty());
        EXPECT_EQ(testing_support::TakeFile(dir / "real.csv").substr(0, 9), reason.empty() ? "OPS mode;" : "earlier\r\n");
    }
}

// Between two slices the file grows (read to its new end) or is cut at a frame's end.
TEST(ChangingFile, IsReadToItsNewEnd) {
    const TempDir dir;
    const std::string path = dir / "pass.kss";
    for (const int records : {1300, 500}) {
        std::ofstream(path, std::ios::binary) << Times(1000, Hk(1));
        TelemetryStore store;
        InputFileReader reader(store, InputKind::Kiss, path);
        bool more = reader.Open() && reader.ReadSlice(500);
        if (records > 1000) std::ofstream(path, std::ios::binary | std::ios::app) << Times(300, Hk(2));
        else fs::resize_file(path, records * Hk(1).size());
        while (more) more = reader.ReadSlice(500);
        EXPECT_EQ(reader.Error(), "");
        ASSERT_EQ(store.table.RecordCount(), records);
        EXPECT_EQ(store.table[records - 1].Channels[2], records > 1000 ? 2 : 1);
    }
}
