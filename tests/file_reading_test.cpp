// Whole files through InputFileReader and ReadSelection: the sample pass,
// selections of several files, stopping, slices of any size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "file_reading.h"
#include "frame_encoder.h"
#include "pass_generator.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::string FileText(const std::string& path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}
std::string Hk(int packet) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    const Bytes b = passgen::KissWrap(passgen::KissHousekeepingFrame(raw));
    return std::string(b.begin(), b.end());
}
std::string Stamp(const std::string& text) {
    const Bytes b = passgen::KissWrap(passgen::KissTimeStampFrame(text));
    return std::string(b.begin(), b.end());
}
std::vector<double> Channel(const TelemetryStore& store, int channel) {
    std::vector<double> out;
    for (const TelemetryRecord& r : store.table.Records()) out.push_back(r.Channels[channel]);
    return out;
}

// Records what the selection reports, and can stop it after some slices.
struct Recorder : ReadObserver {
    std::vector<std::string> events;
    int slicesBeforeStop = -1;
    void FileStarting(const std::string& path) override { events.push_back("start " + fs::path(path).filename().string()); }
    bool SliceDone() override { return slicesBeforeStop < 0 || slicesBeforeStop-- > 0; }
    void FileDone(const std::string& path, const std::string& error) override {
        events.push_back("done " + fs::path(path).filename().string() + (error.empty() ? "" : ": " + error));
    }
};

class FileReading : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    std::vector<SelectionEntry> Entries(const std::vector<std::string>& paths) {
        std::vector<SelectionEntry> out;
        for (const std::string& p : paths) out.push_back({p, KindForPath(p)});
        return out;
    }
    const fs::path dir_ = fs::temp_directory_path() / ("tavro_file_reading_" + std::to_string(getpid()));
    TelemetryStore store_;
    Recorder observer_;
};

// Both sample files: exactly the generator's 300 records, packets 41200...,
// in slices of any size; and the files are what the generator writes today.
TEST_F(FileReading, SamplePass) {
    const std::string sample = std::string(TAVRO_SOURCE_DIR) + "/examples/pass";
    std::vector<double> packets;
    for (int i = 0; i < 300; ++i) packets.push_back(41200 + i);
    for (const auto& [path, kind] : {std::pair{sample + ".kss", InputKind::Kiss}, std::pair{sample + ".log", InputKind::Log}}) {
        std::vector<std::string> times;
        for (std::size_t slice : {InputFileReader::kSliceBytes, std::size_t{1}, std::size_t{7}}) {
            TelemetryStore store;
            InputFileReader reader(store, kind, path);
            ASSERT_TRUE(reader.Open()) << path;
            while (reader.ReadSlice(slice)) {
            }
            EXPECT_EQ(reader.BytesRead(), fs::file_size(path));
            EXPECT_EQ(SummaryText(store, 0), "300 records decoded, 0 frames not stored (table full), 0 files could not be read");
            EXPECT_EQ(Channel(store, 2), packets) << path << " in slices of " << slice;
            std::vector<std::string> t;
            for (const TelemetryRecord& r : store.table.Records()) t.push_back(r.TimeText + ";" + std::to_string(r.StampValue1));
            if (times.empty()) times = t;
            EXPECT_EQ(t, times) << path << " in slices of " << slice;
        }
        EXPECT_EQ(times.front(), kind == InputKind::Log ? "10:14:00.000 UTC;0.000000" : "2026-11-28 10:14:00.131 UTC;215.000000");
    }
    std::ostringstream kiss, log;
    EXPECT_EQ(passgen::WritePass({}, &kiss, &log).housekeeping, 300);
    EXPECT_TRUE(kiss.str() == FileText(sample + ".kss")) << "regenerate examples/pass.kss with tavro-passgen";
    EXPECT_TRUE(log.str() == FileText(sample + ".log")) << "regenerate examples/pass.log with tavro-passgen";
}

TEST_F(FileReading, SelectionOfSeveralFiles) {
    const std::string a = Write("a.kss", Hk(1) + Hk(2)), missing = (dir_ / "missing.kss").string();
    const std::string c = Write("c.log", "00:00:06 01 00 00 00 03");
    const SelectionResult result = ReadSelection(store_, Entries({a, missing, c}), observer_);
    EXPECT_EQ(result.failures, (std::vector<std::string>{"cannot read " + missing + ": No such file or directory"}));
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(Channel(store_, 2), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(store_.InputFilePath, c);
    EXPECT_EQ(observer_.events, (std::vector<std::string>{"start a.kss", "done a.kss", "start missing.kss",
                                                          "done missing.kss: No such file or directory", "start c.log",
                                                          "done c.log"}));
    ReadSelection(store_, Entries({a}), observer_);  // a new selection starts a new table
    EXPECT_EQ(Channel(store_, 2), (std::vector<double>{1, 2}));
}

TEST_F(FileReading, StopAfterASliceKeepsCompleteRecords) {
    std::ostringstream kiss;
    passgen::WritePass({3000, 1}, &kiss, nullptr);
    const std::string path = Write("big.kss", kiss.str());
    observer_.slicesBeforeStop = 0;
    EXPECT_TRUE(ReadSelection(store_, Entries({path, path}), observer_).stopped);
    const std::vector<double> packets = Channel(store_, 2);
    ASSERT_GT(packets.size(), 0u);
    ASSERT_LT(packets.size(), 3000u);
    for (std::size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(packets[i], 41200.0 + static_cast<double>(i));
    EXPECT_EQ(observer_.events, (std::vector<std::string>{"start big.kss"}));
}

// The stamp numbers start at 0 for every KISS file; the time text carries
// over from file to file, from one reader to the other and to a new selection.
TEST_F(FileReading, StampNumbersRestartPerFileTimeTextCarriesOver) {
    const std::string f2 = Write("2.kss", Hk(2));
    ReadSelection(store_, Entries({Write("1.kss", Stamp("X;1;2;3") + Hk(1)), f2, Write("3.kss", Stamp("Y;7") + Hk(3)),
                                   Write("4.log", "12:00:00 01"), Write("5.kss", Hk(5))}),
                  observer_);
    std::vector<std::string> seen;
    for (const TelemetryRecord& r : store_.table.Records())
        seen.push_back(r.TimeText + ";" + std::to_string(int(r.StampValue1)) + std::to_string(int(r.StampValue2)) +
                       std::to_string(int(r.StampValue3)));
    EXPECT_EQ(seen, (std::vector<std::string>{"X;123", "X;000", "Y;700", "12:00:00.000 UTC;000", "12:00:00.000 UTC;000"}));
    ReadSelection(store_, Entries({f2}), observer_);
    EXPECT_EQ(store_.table[0].TimeText, "12:00:00.000 UTC");
}

TEST(KindForPath, ByTheEndOfTheName) {
    for (const char* log : {"pass.log", "PASS.LOG", "/a/b.Log", ".log"}) EXPECT_EQ(KindForPath(log), InputKind::Log) << log;
    for (const char* kiss : {"pass.kss", "log", "/data.log/pass.kss", "pass.log.kss", "pass_log", ""})
        EXPECT_EQ(KindForPath(kiss), InputKind::Kiss) << kiss;
}

}  // namespace
}  // namespace tavro
