// Whole files through ReadSelection into the session: the sample pass in small
// slices, selections of several files, stopping.
#include <sys/stat.h>

#include "file_reading.h"
#include "pass_generator.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
namespace fs = std::filesystem;

static std::string Stamp(const std::string& text) { return Str(passgen::KissWrap(passgen::KissTimeStampFrame(text))); }
static std::string HkText(int packet) { return Str(Hk(packet)); }

// Records what the selection reports, and can stop it.
struct Recorder : ReadObserver {
    std::vector<std::string> events;
    bool stop = false;  // after the next slice
    static std::string Name(const std::string& path) { return fs::path(path).filename().string(); }
    bool FileStarting(const std::string& path) override { return events.push_back("start " + Name(path)), true; }
    bool SliceDone() override { return !stop; }
    void FileDone(const std::string& p) override { events.push_back("done " + Name(p)); }
};

struct FileReading : testing::Test {
    std::string Write(const std::string& name, const std::string& bytes) { return dir_.Write(name, bytes); }
    bool ReadFiles(const std::vector<std::string>& paths, std::size_t slice = InputFile::kSliceBytes) {
        std::vector<SelectionEntry> entries;
        for (const std::string& p : paths) entries.push_back({p, KindForPath(p)});
        return ReadSelection(session_, entries, observer_, slice);
    }
    const TempDir dir_{"file-reading"};
    Session session_;
    Recorder observer_;
};

// The sample files are the generator's output; the log sample, in slices of 7 bytes, exactly its 300 records.
// (The KISS sample as live reception and SatNOGS exports give it: their tests.)
TEST_F(FileReading, SamplePass) {
    std::ostringstream kiss, log;
    EXPECT_EQ(passgen::WritePass({}, &kiss, &log).housekeeping, 300);
    EXPECT_TRUE(FileText(TAVRO_SOURCE_DIR "/examples/pass.kss") == kiss.str()) << "regenerate examples/pass.kss with tavro-passgen";
    EXPECT_TRUE(FileText(TAVRO_SOURCE_DIR "/examples/pass.log") == log.str()) << "regenerate examples/pass.log with tavro-passgen";
    ASSERT_TRUE(ReadFiles({TAVRO_SOURCE_DIR "/examples/pass.log"}, 7));
    EXPECT_EQ(session_.Summary().Text(), "300 records decoded, 0 frames not stored (table full), 0 files could not be read");
    const std::vector<double> packets = Packets(session_);
    ASSERT_EQ(packets.size(), 300u);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(packets[i], 41200 + i);
    EXPECT_EQ(session_.TimeText(0), "10:14:00.000 UTC");
}

// An observer can stop the selection after a slice: a new table with complete records, no file after.
TEST_F(FileReading, StoppedSelection) {
    std::ostringstream kiss;
    passgen::WritePass({3000, 1}, &kiss, nullptr);
    observer_.stop = true;
    EXPECT_FALSE(ReadFiles({Write("big.kss", kiss.str()), Write("a.kss", HkText(1))}));
    const std::vector<double> packets = Packets(session_);
    ASSERT_TRUE(packets.size() > 0 && packets.size() < 3000) << packets.size();
    for (std::size_t i = 0; i < packets.size(); ++i) EXPECT_EQ(packets[i], 41200.0 + static_cast<double>(i));
    EXPECT_EQ(observer_.events, (std::vector<std::string>{"start big.kss"}));
}

// Stamp numbers start at 0 in every KISS file; the time text carries over from file to file
// and reader to reader, but a new selection starts without one, its records clean. A missing
// file is reported and the others are read.
TEST_F(FileReading, StampsRestartPerFileTimeTextCarriesOver) {
    const std::string f2 = Write("2.kss", HkText(2)), missing = dir_.Path("missing.kss");
    const std::string log = Write("4.log", "12:00:00 01" + std::string(3 * 106, ' ') + " 07");  // channel 46: 7
    EXPECT_TRUE(ReadFiles({Write("1.kss", Stamp("X;1;2;3") + HkText(1)), f2, missing, Write("3.kss", Stamp("Y;7") + HkText(3)), log,
                           Write("5.kss", HkText(5))}));
    EXPECT_EQ(session_.Summary().failures, std::vector<std::string>{"cannot read " + missing + ": No such file or directory"});
    EXPECT_EQ(observer_.events.at(4) + ", " + observer_.events.at(5), "start missing.kss, done missing.kss");
    auto seen = [&] {
        std::ostringstream out;
        for (const TelemetryRecord& r : session_.Records().Records())
            out << r.TimeText << ';' << r.StampValue1 << r.StampValue2 << r.StampValue3 << ';' << r.Channels[46] << ' ';
        return out.str();
    };
    EXPECT_EQ(seen(), "X;123;0 X;000;0 Y;700;0 12:00:00.000 UTC;000;7 12:00:00.000 UTC;000;0 ");
    ReadFiles({log});
    EXPECT_EQ(seen(), "12:00:00.000 UTC;000;7 ");
    ReadFiles({f2});
    EXPECT_EQ(seen(), ";000;0 ");
}

// A pipe nobody writes to reads as an empty file instead of hanging the window.
TEST_F(FileReading, PipeWithoutWriterReadsEmpty) {
    const std::string fifo = dir_.Path("live.kss");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(ReadFiles({fifo}));
    EXPECT_TRUE(session_.Summary().failures.empty());
    EXPECT_EQ(session_.RecordCount(), 0);
}

TEST(KindForPath, ByTheEndOfTheName) {
    for (const char* p : {"pass.log", "PASS.LOG", "/a/b.Log", ".log"}) EXPECT_EQ(KindForPath(p), InputKind::Log) << p;
    for (const char* p : {"frames.json", "FRAMES.JSON", "/a/b.Json", "pass.csv", "PASS.CSV", "/d.kss/x.Csv", "p.kss.json"})
        EXPECT_EQ(KindForPath(p), InputKind::Satnogs) << p;
    for (const char* p : {"p.kss", "log", "/d.log/p.kss", "p.log.kss", "", "/d.json/frames", "p.jsonl", "csv"})
        EXPECT_EQ(KindForPath(p), InputKind::Kiss) << p;
}

// Three files, merging on, the table nearly full: each file's own counts,
// hand-counted, the summary and the status line's notes.
TEST_F(FileReading, CountsOfEachFileOfANearlyFullTable) {
    session_.SetMergeDuplicates(true);
    std::string a;  // packets 1 to 9998, then 5 again
    for (int k = 1; k <= 9998; ++k) a += HkText(k);
    a += HkText(5);
    // 9999 and 10000 fill the table; 1 is merged; a line without "|"; 10001 and 10002 find it full
    const std::string b = "2026-12-06 10:00:01|" + SatnogsHex(9999) + "\n2026-12-06 10:00:02|" + SatnogsHex(1) +
                          "\nno bar here\n2026-12-06 10:00:03|" + SatnogsHex(10000) + "\n2026-12-06 10:00:04|" +
                          SatnogsHex(10001) + "\n2026-12-06 10:00:05|" + SatnogsHex(10002) + "\n";
    const std::string c = HkText(9998) + HkText(20000) + HkText(20000);  // merged; full; full (never stored: no duplicate)
    ASSERT_TRUE(ReadFiles({Write("a.kss", a), Write("b.csv", b), Write("c.kss", c)}));
    std::vector<std::string> counts;
    for (const FramingReport& r : session_.Summary().files)
        counts.push_back(fs::path(r.file).filename().string() + ": " + std::to_string(r.frames) + " frames " +
                         std::to_string(r.badEntries) + " bad " + std::to_string(r.stored) + " stored " +
                         std::to_string(r.notStored) + " not stored " + std::to_string(r.duplicates) + " duplicates");
    EXPECT_EQ(counts, (std::vector<std::string>{"a.kss: 9999 frames 0 bad 9998 stored 0 not stored 1 duplicates",
                                                "b.csv: 6 frames 1 bad 2 stored 2 not stored 1 duplicates",
                                                "c.kss: 3 frames 0 bad 0 stored 2 not stored 1 duplicates"}));
    EXPECT_EQ(session_.Summary().Text(),
              "10000 records decoded, 4 frames not stored (table full), 0 files could not be read, 3 duplicate frames merged");
    EXPECT_EQ(session_.Summary().Notes(), "no housekeeping frames in c.kss (the table is full); "
                                          "housekeeping frames not stored (table full): 4; 3 duplicate frames merged");
    EXPECT_EQ(Packets(session_).back(), 10000);

    // Merging on, nothing merged: the summary says so; the notes say nothing.
    ASSERT_TRUE(ReadFiles({Write("d.kss", HkText(1) + HkText(2))}));
    EXPECT_EQ(session_.Summary().Text(),
              "2 records decoded, 0 frames not stored (table full), 0 files could not be read, 0 duplicate frames merged");
    EXPECT_EQ(session_.Summary().Notes(), "");
}
