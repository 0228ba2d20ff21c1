// The SQLite store: the shared archive cases, then what only a file has:
// its schema and view as other programs see them, files it must refuse and
// leave alone, read-only files, a full disk, a writer killed mid-batch, two
// writers at once, and an archive of schema version 1 kept in tests/data.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "archive_cases.h"
#include "archive_columns.h"
#include "sqlite_archive.h"
#include "test_support.h"

namespace tavro::test {
namespace {

namespace fs = std::filesystem;

const TempDir& Folder() {
    static TempDir dir("archive-store");
    return dir;
}

std::string NewSqlite(std::string&) {
    static int n = 0;
    return Folder().Path("case" + std::to_string(++n) + ".sqlite");
}

std::unique_ptr<Archive> OpenLoadingInBackground(const std::string& path) {
    OpenedArchive opened = OpenArchive(path);
    if (opened.archive) dynamic_cast<SqliteArchive&>(*opened.archive).LoadAtOnceBelow(0);
    return std::move(opened.archive);
}

std::string SqlRows(const std::string& path, const std::string& query) {
    std::string rows = Sql(path, query);
    if (!rows.empty() && rows.back() == '\n') rows.pop_back();
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, ArchiveCases, testing::Values(ArchiveFactory{"sqlite", NewSqlite, OpenLoadingInBackground, SqlRows}),
                         ArchiveFactoryName);

std::unique_ptr<Archive> Open(const std::string& path, bool readOnly = false) {
    OpenedArchive opened = OpenArchive(path, readOnly);
    EXPECT_TRUE(opened.archive) << opened.error;
    return std::move(opened.archive);
}

bool Add(Archive& a, const std::vector<ArchiveRecord>& records) {
    AddCounts counts;
    return a.Add(records, counts);
}

// count records with Packet cnt first, first + 1, ...; times one second apart from 2026-12-06 00:00:00.
std::vector<ArchiveRecord> Batch(int first, int count) {
    std::vector<ArchiveRecord> records;
    for (int i = first; i < first + count; ++i) records.push_back(Rec(i, 1796515200000 + i * 1000LL, "/data/pass.kss"));
    return records;
}

// Runs body in a child process; its exit status (0: every check passed).
int InChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(ArchiveSchema, OtherProgramsReadTheViewBeacons) {
    const std::string path = Folder().Path("view.sqlite");
    {
        auto a = Open(path);
        ArchiveRecord r = Rec(17, 1796552224123, "/data/pass1.kss", SourceKind::KissFile, "2026-12-06 10:17:04.123 UTC");
        r.values[0] = 2;
        r.values[10] = 7.25;
        r.values[11] = std::numeric_limits<double>::quiet_NaN();
        ArchiveRecord log = Rec(18, std::nullopt, "/data/x.log", SourceKind::LogFile, "10:17:04.000 UTC");
        log.layout = RecordLayout::Log;
        log.values[46] = -0.0;
        ASSERT_TRUE(Add(*a, {r, log, r}));
    }
    // The channels' columns: the catalogue's names in lower case, "_" for what is not a letter or digit.
    EXPECT_EQ(Sql(path, "SELECT group_concat(name, ' ') FROM pragma_table_info('beacons') WHERE cid IN (0, 1, 2, 3, 4, 5, 10, 17, 37, 43, 45, 46, 47, 48, 49, 50)"),
              "time_utc time_ms receptions layout ops_mode boot_cnt validity_bits sp1_voltage fullmips_log magx_sample_t magy_sample "
              "magz_sample mips_diff_cnt mips_whole smdh_sample smdh_diff_cnt\n");
    EXPECT_EQ(ChannelColumnName("a -- b..C"), "a_b_c");
    // NaN reads as NULL; -0.0 as 0.0.
    EXPECT_EQ(Sql(path, "SELECT time_utc, time_ms, receptions, layout, ops_mode, packet_cnt, batt_voltage, tot_sys_curr, smdh_diff_cnt FROM beacons"),
              "2026-12-06 10:17:04.123|1796552224123|2|kiss|2.0|17.0|7.25|NULL|0.0\n"
              "NULL|NULL|1|log|0.0|18.0|0.0|0.0|0.0\n");
    EXPECT_EQ(Sql(path, "SELECT beacon, source, kind, time_text, time_ms, station, hex(source_bytes) FROM receptions ORDER BY id"),
              "1|/data/pass1.kss|kiss|2026-12-06 10:17:04.123 UTC|1796552224123||0086A240\n"
              "2|/data/x.log|log|10:17:04.000 UTC|NULL||0086A240\n"
              "1|/data/pass1.kss|kiss|2026-12-06 10:17:04.123 UTC|1796552224123||0086A240\n");
    EXPECT_EQ(Sql(path, "SELECT * FROM pragma_user_version, pragma_application_id, pragma_journal_mode"), "2|1413568082|wal\n");
}

std::string SqliteFileWith(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return path;
}

std::string AnArchive(const std::string& name, int beacons = 300) {
    const std::string path = Folder().Path(name);
    fs::remove(path);
    auto a = Open(path);
    EXPECT_TRUE(Add(*a, Batch(0, beacons)));
    return path;
}

std::string Cut(const std::string& name, std::uintmax_t size) {
    const std::string p = AnArchive(name);
    fs::resize_file(p, size);
    return p;
}

// What is not an archive this program may write: each refused with its words,
// and left byte for byte; nothing made where there was nothing.
TEST(ArchiveFiles, RefusedAndLeftUntouched) {
    const struct {
        const char* name;
        std::function<std::string()> make;
        std::string says;
        bool readOnly = false;
    } cases[] = {
        {"text file", [] { return Folder().Write("notes.txt", "2026-12-06 10:17:04 pass of TAVRO\n"); },
         "notes.txt is not a TAVRO archive (it is not a SQLite database)"},
        {"another program's database",
         [] { return SqliteFileWith(Folder().Path("other.sqlite"), "CREATE TABLE contacts (call TEXT); INSERT INTO contacts VALUES ('DL1XYZ');"); },
         "other.sqlite is not a TAVRO archive (it is another program's SQLite database)"},
        {"newer schema", [] { return SqliteFileWith(AnArchive("newer.sqlite"), "PRAGMA user_version = 3"); },
         "newer.sqlite was written by a newer version of this program (archive schema 3, this version reads up to 2); it is left as it is"},
        {"cut to 2 pages", [] { return Cut("cut.sqlite", 8192); }, "cut.sqlite is damaged: it is cut short (8192 bytes of "},
        {"cut inside a page", [] { return Cut("cut2.sqlite", 5000); }, "cut2.sqlite is damaged: it is cut short (5000 bytes of "},
        {"cut inside the header", [] { return Folder().Write("cut3.sqlite", std::string("SQLite format 3\0\x10\x00", 18)); },
         "cut3.sqlite is damaged: it is cut short (18 bytes)"},
        {"pages overwritten",
         [] {
             std::string bytes = FileText(AnArchive("garbage.sqlite"));
             for (std::size_t i = 16384; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0xA5 ^ (i * 7));  // past the first page (16 KiB)
             return Folder().Write("garbage.sqlite", bytes);
         },
         "garbage.sqlite is damaged (database disk image is malformed)"},
        {"missing folder", [] { return Folder().Path("no-such-folder/archive.sqlite"); },
         "the folder " + Folder().Path("no-such-folder") + " does not exist (archive " + Folder().Path("no-such-folder/archive.sqlite") + ")"},
        {"nothing there, read-only", [] { return Folder().Path("absent.sqlite"); }, "there is no archive at " + Folder().Path("absent.sqlite"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        const std::string before = FileText(path);
        const bool existed = fs::exists(path), folderExisted = fs::exists(fs::path(path).parent_path());
        OpenedArchive opened = OpenArchive(path, c.readOnly);
        EXPECT_FALSE(opened.archive);
        EXPECT_THAT(opened.error, testing::HasSubstr(c.says));
        EXPECT_EQ(FileText(path), before);
        EXPECT_EQ(fs::exists(path), existed);
        EXPECT_EQ(fs::exists(fs::path(path).parent_path()), folderExisted);
        EXPECT_FALSE(fs::exists(path + "-wal"));
    }
}

TEST(ArchiveFiles, AnEmptyFileOrEmptyDatabaseBecomesAnArchive) {
    for (const std::string& path : {Folder().Write("empty.sqlite", ""), SqliteFileWith(Folder().Path("emptydb.sqlite"), "PRAGMA user_version = 0")}) {
        ASSERT_TRUE(Add(*Open(path), Batch(0, 3)));
        EXPECT_EQ(Sql(path, "SELECT count(*) FROM beacons"), "3\n");
    }
}

// Asked for read-only, or a file and folder this user cannot write: it charts, it does not add.
TEST(ArchiveFiles, ReadOnlyArchiveIsQueriedNotWritten) {
    const std::string path = AnArchive("ro.sqlite", 5);
    {
        auto a = Open(path, true);
        ASSERT_TRUE(a);
        EXPECT_TRUE(a->ReadOnly());
        const std::string before = FileText(path);
        EXPECT_FALSE(Add(*a, Batch(100, 2)));
        EXPECT_EQ(a->Error(), "the archive " + path + " is read-only: nothing can be added to it");
        EXPECT_EQ(FileText(path), before);
    }
    const TempDir locked("archive-locked");
    const std::string file = locked.Path("station.sqlite");
    fs::copy_file(path, file);
    chmod(file.c_str(), 0444);
    chmod(locked.c_str(), 0555);
    const std::string before = FileText(file);
    // As root every file is writable: the check runs as the unprivileged user nobody.
    const int status = InChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 10;
        OpenedArchive opened = OpenArchive(file);
        if (!opened.archive) return std::fprintf(stderr, "%s\n", opened.error.c_str()), 11;
        if (!opened.archive->ReadOnly()) return 12;
        ArchiveInfo info;
        if (!opened.archive->Info(info) || info.beacons != 5) return 13;
        std::vector<SeriesPoint> points;
        if (!opened.archive->Series(2, {}, 100, points) || points.size() != 5) return 14;
        AddCounts counts;
        if (opened.archive->Add(Batch(100, 1), counts)) return 15;
        if (opened.archive->Error() != "the archive " + file + " is read-only: nothing can be added to it") return 16;
        return 0;
    });
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FileText(file), before);
}

// A file-size limit stands in for a full disk.
TEST(ArchiveFaults, FullDiskRollsBackAndTheArchiveGoesOn) {
    const std::string path = AnArchive("full.sqlite", 10);
    const int status = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        OpenedArchive opened = OpenArchive(path);
        if (!opened.archive) return 20;
        rlimit small{static_cast<rlim_t>(fs::file_size(path) + 64 * 1024), RLIM_INFINITY};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) return 21;
        AddCounts counts;
        if (opened.archive->Add(Batch(1000, 20000), counts)) return 22;
        if (opened.archive->Error() != "cannot add to the archive " + path + ": database or disk is full (nothing of it was added)")
            return std::fprintf(stderr, "%s\n", opened.archive->Error().c_str()), 23;
        rlimit big{RLIM_INFINITY, RLIM_INFINITY};
        if (setrlimit(RLIMIT_FSIZE, &big) != 0) return 24;
        if (!opened.archive->Add(Batch(50, 5), counts) || counts.beaconsNew != 5) return 25;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Sql(path, "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(Sql(path, "SELECT count(*), min(packet_cnt), max(packet_cnt) FROM beacons"), "15|0.0|54.0\n");
}

// A writer killed while a big batch goes in: the archive opens whole, that batch absent or whole.
TEST(ArchiveFaults, WriterKilledMidBatchLeavesTheArchiveWhole) {
    const std::string path = AnArchive("killed.sqlite", 100);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        OpenedArchive opened = OpenArchive(path);
        if (!opened.archive) _exit(30);
        const std::vector<ArchiveRecord> big = Batch(1000, 200000);
        if (write(ready[1], "go", 2) != 2) _exit(31);
        AddCounts counts;
        opened.archive->Add(big, counts);
        _exit(0);
    }
    close(ready[1]);
    char go[2];
    ASSERT_EQ(read(ready[0], go, 2), 2);
    close(ready[0]);
    // Wait until the batch is writing pages, then kill.
    const auto walBefore = fs::exists(path + "-wal") ? fs::file_size(path + "-wal") : 0;
    for (int i = 0; i < 20000; ++i) {
        std::error_code ec;
        if (fs::file_size(path + "-wal", ec) > walBefore + 256 * 1024) break;
        if (waitpid(pid, nullptr, WNOHANG) == pid) break;
        usleep(500);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(Sql(path, "PRAGMA integrity_check"), "ok\n");
    const std::string count = Sql(path, "SELECT count(*) FROM beacon");
    EXPECT_TRUE(count == "100\n" || count == "200100\n") << count;
    auto a = Open(path);
    ASSERT_TRUE(a);
    EXPECT_TRUE(Add(*a, Batch(100, 1)));
}

// Two processes add to one archive at once, overlapping: no "database is locked", every beacon once.
TEST(ArchiveFaults, TwoWritersAtOnce) {
    const std::string path = AnArchive("two.sqlite", 1);
    auto writer = [&](int offset) {
        return [&, offset] {
            OpenedArchive opened = OpenArchive(path);
            if (!opened.archive) return 40;
            for (int batch = 0; batch < 40; ++batch) {
                AddCounts counts;
                if (!opened.archive->Add(Batch(batch * 50 + offset, 100), counts)) return 41;
            }
            return 0;
        };
    };
    const pid_t a = fork();
    if (a == 0) _exit(writer(0)());
    EXPECT_EQ(InChild(writer(25)), 0);
    int status = 0;
    waitpid(a, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Packets 0 .. 2074, each one beacon; 8000 receptions and the first one.
    EXPECT_EQ(Sql(path, "SELECT count(*), min(packet_cnt), max(packet_cnt), sum(receptions) FROM beacons"), "2075|0.0|2074.0|8001\n");
}

// A large archive's history is read in two halves at once: the halves meet in time order.
TEST(ArchiveHistory, ALargeArchiveReadInTwoHalves) {
    const std::string path = Folder().Path("large.sqlite");
    std::vector<ArchiveRecord> records;
    for (int i = 0; i < 100100; ++i) {
        ArchiveRecord r = Rec(i, (100100 - i) * 1000LL);  // the later stored, the earlier in time
        r.values[10] = i == 90000 ? 5000 : i == 10 ? -7 : i % 100;
        records.push_back(r);
    }
    {
        auto a = Open(path);
        ASSERT_TRUE(Add(*a, records));
    }
    auto a = Open(path);
    std::vector<SeriesPoint> points;
    // Columns of 50050 s: the spike (stored late, early in time) in the first, the dip in the second.
    ASSERT_TRUE(a->Series(10, {}, 2, points)) << a->Error();
    EXPECT_EQ(SeriesText(points), "1000..50050000:0/5000x50050r50050 50051000..100100000:-7/99x50050r50050 ");
    // Beacons 90001, 90000 (the spike, at 10100 s) and 89999, one point each.
    ASSERT_TRUE(a->Series(10, {10099000, 10102000}, 10, points));
    EXPECT_EQ(SeriesText(points), "10099000..10099000:1/1x1r1 10100000..10100000:5000/5000x1r1 10101000..10101000:99/99x1r1 ");
}

// An archive of schema version 1 made by this program's first archiving version (tests/data/archive_v1.sqlite).
TEST(ArchiveUpgrade, VersionOneArchiveOpens) {
    const std::string path = Folder().Path("v1.sqlite");
    fs::copy_file(TAVRO_SOURCE_DIR "/tests/data/archive_v1.sqlite", path, fs::copy_options::overwrite_existing);
    auto a = Open(path);
    ASSERT_TRUE(a);
    ArchiveInfo info;
    ASSERT_TRUE(a->Info(info));
    EXPECT_EQ(info.schemaVersion, 2);  // upgraded: the per-minute summary summed from its beacons
    EXPECT_EQ(Sql(path, "SELECT minute, first_ms, last_ms, beacons, receptions, min_batt_voltage, max_batt_voltage, "
                        "min_tot_sys_curr, max_tot_sys_curr FROM history_minute ORDER BY minute"),
              "29942537|1796552224123|1796552224123|1|2|7.25|7.25|0.0|0.0\n"
              "29942538|1796552284000|1796552284000|1|1|0.0|0.0|NULL|NULL\n");
    EXPECT_EQ(info.beacons, 3);
    EXPECT_EQ(info.receptions, 4);
    EXPECT_EQ(info.beaconsWithoutTime, 1);
    EXPECT_EQ(info.firstMs, 1796552224123);
    EXPECT_EQ(info.lastMs, 1796552284000);
    std::vector<Beacon> beacons;
    ASSERT_TRUE(a->ForEachBeacon({}, [&](const Beacon& b) { return beacons.push_back(b), true; }));
    ASSERT_EQ(beacons.size(), 3u);
    EXPECT_EQ(beacons[0].values[2], 17.0);
    EXPECT_EQ(beacons[0].values[10], 7.25);
    EXPECT_EQ(beacons[0].receptions, 2);
    EXPECT_EQ(Bits(beacons[1].values[11]), 0x7FF8000000000001u);
    EXPECT_EQ(Bits(beacons[1].values[46]), 0x8000000000000000u);
    EXPECT_EQ(beacons[2].layout, RecordLayout::Log);
    EXPECT_EQ(beacons[2].timeMs, std::nullopt);
    EXPECT_TRUE(Add(*a, Batch(0, 1)));
}

}  // namespace
}  // namespace tavro::test
