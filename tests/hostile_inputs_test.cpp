// Files nobody should open, opened anyway: noise, endless lines, huge frames,
// a full table, folders, missing files, files that change while they are
// read. Each is read as the window reads it (file by file, slice by slice)
// and by tavro-cli; each ends normally with the records it holds, and
// tavro-cli reports the same counts and never ends by a signal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "field_readers.h"
#include "file_reading.h"
#include "frame_encoder.h"
#include "kiss_reader.h"
#include "log_reader.h"
#include "run_program.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing_support::RunProgram;

const std::string kCli = std::string(TAVRO_BIN_DIR) + "/tavro-cli";
constexpr long kMemoryBoundKb = 512 * 1024;  // far above what any of these files needs

std::string Str(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::string RandomBytes(std::size_t n, std::uint64_t seed) {
    std::mt19937_64 engine(seed);
    std::string out(n, '\0');
    for (char& c : out) c = static_cast<char>(engine() >> 56);
    return out;
}

// Housekeeping frame (unescaped) whose Packet cnt (channel 2) is packet.
std::vector<std::uint8_t> Hk(int packet) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    raw[10] = 100;  // Batt voltage 39.5 V
    raw[41] = -64;  // MagY -1.0 nT
    return passgen::KissHousekeepingFrame(raw);
}

std::string HkLine(const std::string& time8, int packet) {
    passgen::LogRaw raw{};
    raw[2] = packet;
    raw[10] = 3700;  // Batt voltage 3.7 V
    return passgen::LogHousekeepingLine(time8, raw);
}

// The record a clean reading of one frame or line gives.
TelemetryRecord CleanKiss(const std::vector<std::uint8_t>& frame) {
    TelemetryStore store;
    KissReader reader(store);
    reader.Feed(passgen::KissWrap(frame));
    reader.Finish();
    return store.table[0];
}
TelemetryRecord CleanLog(const std::string& line) {
    TelemetryStore store;
    LogReader reader(store);
    reader.Feed({reinterpret_cast<const std::uint8_t*>(line.data()), line.size()});
    reader.Finish();
    return store.table[0];
}

// Log lines end at LF, CR LF or a lone CR; a line is housekeeping when its
// characters 10-11 read as 1. The time texts of those lines, in order.
std::vector<std::string> HousekeepingTimes(const std::string& text) {
    std::vector<std::string> times;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.size() >= 10 && ParseNumber(line.substr(9, 2)) == 1) times.push_back(line.substr(0, 8) + ".000 UTC");
        if (end == text.size()) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (start == text.size()) break;  // a final line end closes the last line
    }
    return times;
}

struct HostileFile {
    const char* name;  // also the file name; ".log" files are read as logs
    std::function<std::string()> bytes;
    std::function<void(const TelemetryStore&)> check;
};

const HostileFile kHostileFiles[] = {
    {"random.kss", [] { return RandomBytes(4 << 20, 20261206); },
     [](const TelemetryStore& s) { EXPECT_EQ(s.table.RecordCount(), 0); }},
    {"noise_between_frames.kss",
     [] {
         std::string out;
         for (int k = 0; k < 200; ++k) out += RandomBytes(997, k) + Str(passgen::KissWrap(Hk(k)));
         return out;
     },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 200);
         for (int k = 0; k < 200; ++k) EXPECT_EQ(s.table[k].Channels, CleanKiss(Hk(k)).Channels) << "record " << k;
     }},
    {"random.log", [] { return RandomBytes(4 << 20, 7); },
     [](const TelemetryStore& s) {
         const std::vector<std::string> times = HousekeepingTimes(RandomBytes(4 << 20, 7));
         ASSERT_EQ(s.table.RecordCount(), static_cast<int>(times.size()));
         for (int k = 0; k < s.table.RecordCount(); ++k) EXPECT_EQ(s.table[k].TimeText, times[static_cast<std::size_t>(k)]);
     }},
    {"only_fend.kss", [] { return std::string(1 << 20, '\xC0'); },
     [](const TelemetryStore& s) {
         EXPECT_EQ(s.table.RecordCount(), 0);
         EXPECT_EQ(s.CurrentTimeText, "");
         EXPECT_EQ(s.FrameLength, 0);
     }},
    {"only_fesc.kss", [] { return std::string(1 << 20, '\xDB'); },  // no FEND: nothing but junk
     [](const TelemetryStore& s) {
         EXPECT_EQ(s.table.RecordCount(), 0);
         EXPECT_EQ(s.FrameLength, 0);
     }},
    {"one_frame_of_fesc.kss",
     [] { return Str(passgen::KissWrap(passgen::KissTimeStampFrame("10:00;1"))) + "\xC0" + std::string(1 << 20, '\xDB'); },
     [](const TelemetryStore& s) {
         EXPECT_EQ(s.table.RecordCount(), 0);
         EXPECT_EQ(s.CurrentTimeText, "10:00");
         EXPECT_EQ(s.FrameLength, 0);  // more than 32767 bytes
     }},
    {"millions_of_hex_pairs.log",
     [] {
         std::string line = HkLine("12:34:56", 4660);
         line.reserve(line.size() + 3 * 2'000'000);
         for (int k = 0; k < 2'000'000; ++k) line += " AB";
         return line;  // no line end at all
     },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 1);
         EXPECT_EQ(s.table[0].TimeText, "12:34:56.000 UTC");
         EXPECT_EQ(s.table[0].Channels, CleanLog(HkLine("12:34:56", 4660)).Channels);
     }},
    {"million_empty_lines.log", [] { return std::string(1'000'000, '\n'); },
     [](const TelemetryStore& s) {
         EXPECT_EQ(s.table.RecordCount(), 0);
         EXPECT_EQ(s.CurrentTimeText, ".000 UTC");
     }},
    {"million_empty_crlf_lines.log",
     [] {
         std::string out;
         for (int k = 0; k < 1'000'000; ++k) out += "\r\n";
         return out;
     },
     [](const TelemetryStore& s) {
         EXPECT_EQ(s.table.RecordCount(), 0);
         EXPECT_EQ(s.CurrentTimeText, ".000 UTC");
     }},
    {"nul_line.log",
     [] { return std::string(1 << 20, '\0') + "\n" + std::string(8, '\0') + HkLine("12:00:00", 7).substr(8) + "\n"; },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 1);
         EXPECT_EQ(s.table[0].TimeText, std::string(8, '\0') + ".000 UTC");
         EXPECT_EQ(s.table[0].Channels[2], 7.0);
     }},
    {"table_full.kss",
     [] {
         std::string out = Str(passgen::KissWrap(passgen::KissTimeStampFrame("2026-12-06 11:00:00.000 UTC;1;2;3")));
         for (int k = 0; k < 60000; ++k) out += Str(passgen::KissWrap(Hk(k % 65536)));
         return out;
     },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 10000);
         EXPECT_EQ(s.table.FramesNotStored(), 50000);
         EXPECT_EQ(s.table[0].Channels[2], 0.0);
         EXPECT_EQ(s.table[9999].Channels[2], 9999.0);  // the first frames are kept
         EXPECT_EQ(s.table[9999].TimeText, "2026-12-06 11:00:00.000 UTC");
     }},
    {"frame_of_40000_bytes.kss",
     [] {
         std::vector<std::uint8_t> frame = Hk(77);
         frame.resize(40000, 0xDB);  // escaped as DB DD: 80000 bytes in the file
         return Str(passgen::KissWrap(frame));
     },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 1);
         EXPECT_EQ(s.table[0].Channels, CleanKiss(Hk(77)).Channels);
         EXPECT_EQ(s.FrameLength, 0);
     }},
    {"time_stamp_of_100000_bytes.kss",
     [] {
         std::string text = "2026-12-06 12:00:00.000 UTC;4;5;6";
         text.resize(99999, 'x');
         return Str(passgen::KissWrap(passgen::KissTimeStampFrame("2026-12-06 11:00:00.000 UTC;1;2;3"))) +
                Str(passgen::KissWrap(passgen::KissTimeStampFrame(text))) + Str(passgen::KissWrap(Hk(5)));
     },
     [](const TelemetryStore& s) {
         ASSERT_EQ(s.table.RecordCount(), 1);
         // Too long for the frame length: an empty time text, the numbers as they were.
         EXPECT_EQ(s.table[0].TimeText, "");
         EXPECT_EQ(s.table[0].StampValue1, 1.0);
         EXPECT_EQ(s.table[0].StampValue2, 2.0);
         EXPECT_EQ(s.table[0].StampValue3, 3.0);
     }},
};

class HostileInput : public ::testing::TestWithParam<HostileFile> {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavro-hostile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_P(HostileInput, EndsNormallyWithItsRecords) {
    const HostileFile& c = GetParam();
    const std::string path = (dir_ / c.name).string();
    {
        const std::string bytes = c.bytes();
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    const InputKind kind = KindForPath(path);

    TelemetryStore store;
    ReadObserver observer;
    const SelectionResult read = ReadSelection(store, {{path, kind}}, observer);
    EXPECT_TRUE(read.failures.empty());
    EXPECT_FALSE(read.stopped);
    c.check(store);

    const std::string csv = (dir_ / "out.csv").string();
    const auto run = RunProgram({kCli, kind == InputKind::Log ? "--log" : "--kiss", "--csv", csv, "--tlm",
                                 (dir_ / "out.tlm").string(), path});
    ASSERT_FALSE(run.signaled) << "signal " << run.signal << "\n" << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "tavro-cli: " + SummaryText(store, 0) + "\n");
    EXPECT_LT(run.maxRssKb, kMemoryBoundKb);
    std::ifstream in(csv, std::ios::binary);
    int lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    EXPECT_EQ(lines, 1 + store.table.RecordCount());
}

INSTANTIATE_TEST_SUITE_P(Files, HostileInput, ::testing::ValuesIn(kHostileFiles), [](const auto& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
});

// ---- Inputs that cannot be read ---------------------------------------------

class UnreadableInput : public HostileInput {};

// A folder and a missing file between two good captures: both are named in
// the report, the captures around them are read.
TEST_F(UnreadableInput, FolderAndMissingFileAreReportedTheOthersRead) {
    const std::string good1 = (dir_ / "good1.kss").string();
    const std::string good2 = (dir_ / "good2.kss").string();
    std::ofstream(good1, std::ios::binary) << Str(passgen::KissWrap(Hk(1)));
    std::ofstream(good2, std::ios::binary) << Str(passgen::KissWrap(Hk(2))) << Str(passgen::KissWrap(Hk(3)));
    const std::string folder = (dir_ / "captures.kss").string();
    fs::create_directory(folder);
    const std::string missing = (dir_ / "missing.kss").string();

    TelemetryStore store;
    ReadObserver observer;
    const SelectionResult read =
        ReadSelection(store, {{good1, InputKind::Kiss}, {folder, InputKind::Kiss}, {missing, InputKind::Kiss}, {good2, InputKind::Kiss}}, observer);
    EXPECT_EQ(read.failures, (std::vector<std::string>{"cannot read " + folder + ": Is a directory",
                                                       "cannot read " + missing + ": No such file or directory"}));
    ASSERT_EQ(store.table.RecordCount(), 3);
    EXPECT_EQ(store.table[2].Channels[2], 3.0);

    for (const char* mode : {"--kiss", "--log"}) {
        SCOPED_TRACE(mode);
        const auto run = RunProgram({kCli, mode, "--csv", (dir_ / "out.csv").string(), good1, folder, missing, good2});
        ASSERT_FALSE(run.signaled) << "signal " << run.signal;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("tavro-cli: cannot read " + folder + ": Is a directory\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("tavro-cli: cannot read " + missing + ": No such file or directory\n"), std::string::npos);
        EXPECT_NE(run.err.find("2 files could not be read\n"), std::string::npos);
    }
}

// ---- Files that change while they are read ----------------------------------

class ChangingFile : public HostileInput {
protected:
    static constexpr int kFrames = 1000;
    static constexpr std::size_t kSlice = 500;

    std::string FrameBytes(int k) const { return Str(passgen::KissWrap(Hk(k))); }
    std::string LineBytes(int k) const { return HkLine("00:00:00", k) + "\n"; }

    // Writes frames (or lines) 0..n-1 and returns the file size after each.
    std::vector<std::uintmax_t> WriteItems(const std::string& path, bool log, int n) const {
        std::ofstream out(path, std::ios::binary);
        std::vector<std::uintmax_t> ends;
        std::uintmax_t size = 0;
        for (int k = 0; k < n; ++k) {
            const std::string b = log ? LineBytes(k) : FrameBytes(k);
            out << b;
            ends.push_back(size += b.size());
        }
        return ends;
    }

    // Reads the file slice by slice; after the first slice change() runs.
    TelemetryStore ReadWhileChanging(const std::string& path, bool log, const std::function<void()>& change) {
        TelemetryStore store;
        InputFileReader reader(store, log ? InputKind::Log : InputKind::Kiss, path);
        EXPECT_TRUE(reader.Open());
        bool more = reader.ReadSlice(kSlice);
        change();
        while (more) more = reader.ReadSlice(kSlice);
        EXPECT_EQ(reader.Error(), "");
        return store;
    }

    static void ExpectPackets(const TelemetryStore& s, int n) {
        ASSERT_EQ(s.table.RecordCount(), n);
        for (int k = 0; k < n; ++k) ASSERT_EQ(s.table[k].Channels[2], k) << "record " << k;
    }
};

TEST_F(ChangingFile, GrowingFileIsReadToItsNewEnd) {
    for (bool log : {false, true}) {
        SCOPED_TRACE(log ? "log" : "kiss");
        const std::string path = (dir_ / (log ? "growing.log" : "growing.kss")).string();
        WriteItems(path, log, kFrames);
        const TelemetryStore s = ReadWhileChanging(path, log, [&] {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            for (int k = kFrames; k < kFrames + 300; ++k) out << (log ? LineBytes(k) : FrameBytes(k));
        });
        ExpectPackets(s, kFrames + 300);
    }
}

// Cut at a frame's (a line's) end far behind the slice being read: the
// records before the cut, complete, and nothing else.
TEST_F(ChangingFile, ShrinkingFileEndsAtItsNewEnd) {
    for (bool log : {false, true}) {
        SCOPED_TRACE(log ? "log" : "kiss");
        const std::string path = (dir_ / (log ? "shrinking.log" : "shrinking.kss")).string();
        const auto ends = WriteItems(path, log, kFrames);
        const TelemetryStore s = ReadWhileChanging(path, log, [&] { fs::resize_file(path, ends[kFrames / 2 - 1]); });
        ExpectPackets(s, kFrames / 2);
    }
}

}  // namespace
}  // namespace tavro
