// Whole files through InputFileReader and ReadSelection: the sample pass,
// selections of several files, unreadable files, slices of any size.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "file_reading.h"
#include "frame_encoder.h"
#include "pass_generator.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kSampleKiss = std::string(TAVRO_SOURCE_DIR) + "/examples/pass.kss";
const std::string kSampleLog = std::string(TAVRO_SOURCE_DIR) + "/examples/pass.log";

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class FileReading : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("tavro_file_reading_" + std::to_string(getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string Write(const std::string& name, const Bytes& bytes) { return Write(name, std::string(bytes.begin(), bytes.end())); }

    fs::path dir_;
};

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

Bytes Hk(int packet) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissWrap(passgen::KissHousekeepingFrame(raw));
}
Bytes Stamp(const std::string& text) { return passgen::KissWrap(passgen::KissTimeStampFrame(text)); }
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<double> Channel(const TelemetryStore& store, int channel) {
    std::vector<double> out;
    for (const TelemetryRecord& r : store.table.Records()) out.push_back(r.Channels[channel]);
    return out;
}

TEST_F(FileReading, SamplePassDecodesToExactlyItsRecords) {
    TelemetryStore kiss, log;
    Recorder observer;
    EXPECT_TRUE(ReadSelection(kiss, {{kSampleKiss, InputKind::Kiss}}, observer).failures.empty());
    EXPECT_TRUE(ReadSelection(log, {{kSampleLog, InputKind::Log}}, observer).failures.empty());
    ASSERT_EQ(kiss.table.RecordCount(), 300);
    ASSERT_EQ(log.table.RecordCount(), 300);
    EXPECT_EQ(kiss.table.FramesNotStored(), 0);
    EXPECT_EQ(SummaryText(kiss, 0), "300 records decoded, 0 frames not stored (table full), 0 files could not be read");

    // The same frames in both files: packet counters 41200, 41201, ... without gaps.
    std::vector<double> packets;
    for (int i = 0; i < 300; ++i) packets.push_back(41200 + i);
    EXPECT_EQ(Channel(kiss, 2), packets);
    EXPECT_EQ(Channel(log, 2), packets);
    EXPECT_EQ(Channel(kiss, 0), Channel(log, 0));  // OPS mode
    for (const TelemetryStore* store : {&kiss, &log}) {
        const auto ops = Channel(*store, 0);
        EXPECT_EQ(std::count(ops.begin(), ops.end(), 4.0) + std::count(ops.begin(), ops.end(), 2.0), 300);
        EXPECT_GT(std::count(ops.begin(), ops.end(), 2.0), 0);  // a few "safe"
        const auto magY = Channel(*store, 41);
        EXPECT_LT(*std::min_element(magY.begin(), magY.end()), 0.0);
    }
    const auto ppt = Channel(log, 8);
    EXPECT_EQ(std::set<double>(ppt.begin(), ppt.end()), (std::set<double>{0, 1, 2}));

    const TelemetryRecord& first = kiss.table[0];
    EXPECT_EQ(first.TimeText.substr(0, 20), "2026-11-28 10:14:00.");
    EXPECT_EQ(first.TimeText.substr(first.TimeText.size() - 4), " UTC");
    EXPECT_EQ(first.StampValue1, 215.0);  // azimuth
    EXPECT_EQ(first.StampValue2, 0.0);    // elevation
    EXPECT_EQ(first.StampValue3, 435835000.0);
    EXPECT_EQ(kiss.table[299].TimeText.substr(0, 17), "2026-11-28 10:23:");
    EXPECT_EQ(log.table[0].TimeText, "10:14:00.000 UTC");
    EXPECT_EQ(log.table[299].TimeText.substr(0, 6), "10:23:");
}

// The committed files are what the generator writes today.
TEST_F(FileReading, SamplePassFilesAreCurrent) {
    std::ostringstream kiss, log;
    const auto counts = passgen::WritePass({}, &kiss, &log);
    EXPECT_EQ(counts.housekeeping, 300);
    EXPECT_TRUE(kiss.str() == FileText(kSampleKiss)) << "regenerate examples/pass.kss with tavro-passgen";
    EXPECT_TRUE(log.str() == FileText(kSampleLog)) << "regenerate examples/pass.log with tavro-passgen";
    // Bytes that need escaping are there, and other frames than housekeeping.
    const std::string k = kiss.str();
    EXPECT_NE(k.find("\xDB\xDC"), std::string::npos);
    EXPECT_NE(k.find("\xDB\xDD"), std::string::npos);
    EXPECT_GT(counts.otherFrames, 0);
    EXPECT_GT(counts.otherLines, 0);
    // The KISS file does not depend on whether the log is written too; the seed changes it.
    std::ostringstream kissOnly, otherSeed;
    passgen::WritePass({}, &kissOnly, nullptr);
    EXPECT_TRUE(kissOnly.str() == k);
    passgen::WritePass({300, 1}, &otherSeed, nullptr);
    EXPECT_FALSE(otherSeed.str() == k);
}

TEST_F(FileReading, GeneratedPassesOfAnySize) {
    for (long long frames : {0LL, 1LL, 4LL, 2500LL}) {
        SCOPED_TRACE(frames);
        std::ostringstream kiss, log;
        passgen::WritePass({frames, 99}, &kiss, &log);
        const std::string k = Write("p.kss", kiss.str()), l = Write("p.log", log.str());
        TelemetryStore store;
        Recorder observer;
        ReadSelection(store, {{k, InputKind::Kiss}}, observer);
        EXPECT_EQ(store.table.RecordCount(), frames);
        ReadSelection(store, {{l, InputKind::Log}}, observer);
        EXPECT_EQ(store.table.RecordCount(), frames);
    }
}

TEST_F(FileReading, SlicesOfAnySizeGiveTheSameTable) {
    auto dump = [](const TelemetryStore& s) {
        std::ostringstream out;
        for (const TelemetryRecord& r : s.table.Records()) {
            out << r.TimeText << ';' << r.StampValue1 << ';' << r.StampValue2 << ';' << r.StampValue3;
            for (double v : r.Channels) out << ';' << v;
            out << '\n';
        }
        return out.str();
    };
    for (const auto& [path, kind] : {std::pair{kSampleKiss, InputKind::Kiss}, std::pair{kSampleLog, InputKind::Log}}) {
        std::string expected;
        for (std::size_t slice : {InputFileReader::kSliceBytes, std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
            SCOPED_TRACE(testing::Message() << path << " in slices of " << slice);
            TelemetryStore store;
            InputFileReader reader(store, kind, path);
            ASSERT_TRUE(reader.Open());
            while (reader.ReadSlice(slice)) {
            }
            EXPECT_EQ(reader.Error(), "");
            EXPECT_EQ(reader.BytesRead(), fs::file_size(path));
            ASSERT_EQ(store.table.RecordCount(), 300);
            if (expected.empty()) expected = dump(store);
            EXPECT_EQ(dump(store), expected);
        }
    }
}

TEST_F(FileReading, SeveralFilesIntoOneTable) {
    const std::string a = Write("a.kss", Cat({Hk(1), Hk(2)}));
    const std::string b = Write("b.kss", Cat({Hk(3), Hk(4), Hk(5)}));
    const std::string c = Write("c.log", passgen::LogHousekeepingLine("00:00:06", [] {
                                             passgen::LogRaw raw{};
                                             raw[2] = 6;
                                             return raw;
                                         }()));
    TelemetryStore store;
    Recorder observer;
    const SelectionResult result =
        ReadSelection(store, {{a, InputKind::Kiss}, {b, InputKind::Kiss}, {c, InputKind::Log}}, observer);
    EXPECT_TRUE(result.failures.empty());
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(Channel(store, 2), (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(store.InputFilePath, c);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"start a.kss", "done a.kss", "start b.kss", "done b.kss", "start c.log", "done c.log"}));
    // A new selection starts a new table.
    ReadSelection(store, {{b, InputKind::Kiss}}, observer);
    EXPECT_EQ(Channel(store, 2), (std::vector<double>{3, 4, 5}));
}

TEST_F(FileReading, UnreadableFilesAreReportedAndTheOthersRead) {
    const std::string a = Write("a.kss", Hk(1));
    const std::string missing = (dir_ / "missing.kss").string();
    const std::string folder = (dir_ / "folder.kss").string();
    fs::create_directory(folder);
    const std::string b = Write("b.kss", Hk(2));
    const std::string empty = Write("empty.kss", std::string());
    TelemetryStore store;
    Recorder observer;
    const SelectionResult result = ReadSelection(
        store, {{a, InputKind::Kiss}, {missing, InputKind::Kiss}, {folder, InputKind::Log}, {b, InputKind::Kiss},
                {empty, InputKind::Kiss}},
        observer);
    EXPECT_EQ(result.failures, (std::vector<std::string>{CannotReadText(missing, "No such file or directory"),
                                                         CannotReadText(folder, "Is a directory")}));
    EXPECT_EQ(CannotReadText("/x/y.kss", "No such file or directory"), "cannot read /x/y.kss: No such file or directory");
    EXPECT_EQ(Channel(store, 2), (std::vector<double>{1, 2}));
    EXPECT_EQ(observer.events[3], "done missing.kss: No such file or directory");
    EXPECT_EQ(observer.events[5], "done folder.kss: Is a directory");
    EXPECT_EQ(observer.events[9], "done empty.kss");
    EXPECT_EQ(SummaryText(store, result.failures.size()),
              "2 records decoded, 0 frames not stored (table full), 2 files could not be read");
}

TEST_F(FileReading, StopAfterASliceKeepsCompleteRecords) {
    std::ostringstream kiss;
    passgen::WritePass({3000, 1}, &kiss, nullptr);
    const std::string path = Write("big.kss", kiss.str());
    ASSERT_GT(fs::file_size(path), 2 * InputFileReader::kSliceBytes);
    TelemetryStore store;
    Recorder observer;
    observer.slicesBeforeStop = 0;
    const SelectionResult result = ReadSelection(store, {{path, InputKind::Kiss}, {path, InputKind::Kiss}}, observer);
    EXPECT_TRUE(result.stopped);
    const auto packets = Channel(store, 2);
    ASSERT_GT(packets.size(), 0u);
    ASSERT_LT(packets.size(), 3000u);
    for (std::size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(packets[i], 41200.0 + static_cast<double>(i));
    EXPECT_EQ(observer.events, (std::vector<std::string>{"start big.kss"}));
}

// The stamp numbers start at 0 for every KISS file; the time text carries
// over from file to file and from one reader to the other.
TEST_F(FileReading, StampNumbersRestartPerFileTimeTextCarriesOver) {
    const std::string f1 = Write("1.kss", Cat({Stamp("X;1;2;3"), Hk(1)}));
    const std::string f2 = Write("2.kss", Hk(2));
    const std::string f3 = Write("3.kss", Cat({Stamp("Y;7"), Hk(3)}));
    const std::string f4 = Write("4.log", std::string("12:00:00 01"));
    const std::string f5 = Write("5.kss", Hk(5));
    TelemetryStore store;
    Recorder observer;
    ReadSelection(store,
                  {{f1, InputKind::Kiss}, {f2, InputKind::Kiss}, {f3, InputKind::Kiss}, {f4, InputKind::Log},
                   {f5, InputKind::Kiss}},
                  observer);
    struct Expected {
        std::string time;
        double s1, s2, s3;
    };
    const Expected expected[] = {{"X", 1, 2, 3}, {"X", 0, 0, 0}, {"Y", 7, 0, 0}, {"12:00:00.000 UTC", 0, 0, 0},
                                 {"12:00:00.000 UTC", 0, 0, 0}};
    ASSERT_EQ(store.table.RecordCount(), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(store.table[i].TimeText, expected[i].time);
        EXPECT_EQ(store.table[i].StampValue1, expected[i].s1);
        EXPECT_EQ(store.table[i].StampValue2, expected[i].s2);
        EXPECT_EQ(store.table[i].StampValue3, expected[i].s3);
    }
    // The time text also survives a new selection.
    ReadSelection(store, {{f2, InputKind::Kiss}}, observer);
    EXPECT_EQ(store.table[0].TimeText, "12:00:00.000 UTC");
}

TEST(KindForPath, ByTheEndOfTheName) {
    const std::pair<const char*, InputKind> cases[] = {
        {"pass.log", InputKind::Log},         {"PASS.LOG", InputKind::Log},      {"/a/b.Log", InputKind::Log},
        {".log", InputKind::Log},             {"pass.kss", InputKind::Kiss},     {"pass.txt", InputKind::Kiss},
        {"log", InputKind::Kiss},             {"/data.log/pass.kss", InputKind::Kiss}, {"pass.log.kss", InputKind::Kiss},
        {"pass_log", InputKind::Kiss},        {"", InputKind::Kiss},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(KindForPath(path), kind) << path;
}

}  // namespace
}  // namespace tavro
