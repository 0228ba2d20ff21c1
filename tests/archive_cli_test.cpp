// tavro-cli --archive as a process: outputs as without it, the archive's
// counts, --query and --archive-info, --log-date, the exit status; a process
// killed while it adds leaves a sound archive; a live session and tavro-cli
// add to one archive at the same time.
#include <signal.h>
#include <sys/wait.h>

#include <thread>

#include "kiss_server.h"
#include "test_support.h"

namespace tavro {
namespace {

using namespace std::chrono_literals;
using test::Sql;
using test::RunProgram;
using testing::HasSubstr;

const std::string kCli = TAVRO_BIN_DIR "/tavro-cli";
const std::string kPass = TAVRO_SOURCE_DIR "/examples/pass.kss";

struct ArchiveCli : testing::Test {
    const test::TempDir dir{"archive-cli"};
    const std::string archive = dir.Path("a.sqlite");
};

// A log whose times run past midnight twice; OPS mode 4, 5, 6, 7; a line with no time.
const char* const kNightLog = "23:59:58 01 04\n00:00:03 01 05\n00:00:01 01 06\n12:00:00 01 07\nxx:yy:zz 01 08\n";
// "0.00" texts of such a line: OPS mode, then Temp 1 and PA temp at -50 (raw 0).
std::string Row(int ops) {
    return std::to_string(ops) +
           ".00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;-50.00;0.00;0.00;"
           "0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;-50.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;0.00;"
           "0.00;0.00;0.00;\r";
}

TEST_F(ArchiveCli, LogDateAndQueryRows) {
    const std::string log = dir.Write("night.log", kNightLog);
    const auto added = RunProgram({kCli, "--archive", archive, "--log", "--log-date", "2026-12-06", "--csv", dir.Path("n.csv"), log});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_THAT(added.err, HasSubstr("archive " + archive + ": 5 beacons new, 5 receptions added\n"));

    const auto all = RunProgram({kCli, "--archive", archive, "--query"});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    const std::vector<std::string> rows = test::Lines(all.out);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].substr(0, 28), "UTC time;OPS mode;Boot cnt;P");
    EXPECT_EQ(rows[1], "2026-12-06 23:59:58.000;" + Row(4));
    EXPECT_EQ(rows[2], "2026-12-07 00:00:03.000;" + Row(5));
    EXPECT_EQ(rows[3], "2026-12-08 00:00:01.000;" + Row(6));
    EXPECT_EQ(rows[4], "2026-12-08 12:00:00.000;" + Row(7));
    EXPECT_EQ(rows[5], ";" + Row(8));  // without time: last

    // From inclusive, to exclusive; beacons without time left out; decimal commas.
    const auto span = RunProgram({kCli, "--archive=" + archive, "--query", "--from", "2026-12-07 00:00:03", "--to",
                                  "2026-12-08 12:00", "--decimal-separator", ",", "--csv", dir.Path("q.csv")});
    EXPECT_EQ(span.exitCode, 0) << span.err;
    std::string six = Row(6), five = Row(5);
    for (std::string* r : {&six, &five}) std::replace(r->begin(), r->end(), '.', ',');
    EXPECT_THAT(test::Lines(test::FileText(dir.Path("q.csv"))),
                testing::ElementsAre(testing::StartsWith("UTC time;OPS mode;"), "2026-12-07 00:00:03.000;" + five,
                                     "2026-12-08 00:00:01.000;" + six));
}

TEST_F(ArchiveCli, SameCaptureTwiceAndTheInfo) {
    const auto first = RunProgram({kCli, "--archive", archive, "--kiss", "--report", "--csv", dir.Path("p.csv"), kPass, kPass});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    const std::vector<std::string> report = test::Lines(first.err);
    ASSERT_GE(report.size(), 4u);
    EXPECT_THAT(report[0], testing::EndsWith("duplicates  beacons new  receptions added"));
    EXPECT_THAT(report[1], testing::EndsWith("0          300               300"));
    EXPECT_THAT(report[2], testing::EndsWith("0            0               300"));
    EXPECT_THAT(report[3], testing::EndsWith("0          300               600"));
    // The outputs are those without --archive.
    const auto plain = RunProgram({kCli, "--kiss", "--csv", dir.Path("q.csv"), kPass, kPass});
    EXPECT_EQ(test::FileText(dir.Path("p.csv")), test::FileText(dir.Path("q.csv")));

    const auto info = RunProgram({kCli, "--archive", archive, "--archive-info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    const std::string size = std::to_string(std::filesystem::file_size(archive));
    EXPECT_EQ(info.out, "path: " + archive + "\nschema version: 2\nbeacons: 300\nreceptions: 600\nbeacons without time: 0\n"
                        "first time: 2026-11-28 10:14:00.131\nlast time: 2026-11-28 10:23:52.067\nfile size: " + size + " bytes\n");
}

TEST_F(ArchiveCli, SatnogsStationsAndExitStatus) {
    const auto r = RunProgram({kCli, "--archive", archive, "--satnogs", "--csv", dir.Path("s.csv"), TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(": 300 beacons new, 857 receptions added\n"));

    // Not an archive: exit 1, and the CSV of the files read still written; the file untouched.
    const std::string text = dir.Write("text.sqlite", "no database\n");
    const auto refused = RunProgram({kCli, "--archive", text, "--kiss", "--csv", dir.Path("t.csv"), kPass});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("tavro-cli: " + text + " is not a TAVRO archive"));
    EXPECT_EQ(test::Lines(test::FileText(dir.Path("t.csv"))).size(), 301u);
    EXPECT_EQ(test::FileText(text), "no database\n");
    EXPECT_EQ(RunProgram({kCli, "--archive", text, "--query"}).exitCode, 1);

    // Usage errors.
    const std::vector<std::vector<std::string>> usage = {
        {"--query"}, {"--archive", archive, "--query", "--kiss", kPass}, {"--archive", archive, "--query", "--archive-info"},
        {"--archive", archive, "--query", "--from", "2026-12-06T10:00"}, {"--archive", archive, "--query", "--to", "2026-02-30"},
        {"--kiss", "--from", "2026-12-06", kPass}, {"--kiss", "--log-date", "2026-12-06", kPass},
        {"--log", "--log-date", "2026-12-6", kPass}, {"--archive", archive, "--archive-info", "--csv", "x"},
    };
    for (const auto& args : usage) {
        std::vector<std::string> all{kCli};
        all.insert(all.end(), args.begin(), args.end());
        const auto u = RunProgram(all);
        EXPECT_EQ(u.exitCode, 2) << testing::PrintToString(args);
        EXPECT_THAT(u.err, HasSubstr("Try 'tavro-cli --help'.")) << testing::PrintToString(args);
    }
}

// Killed while it adds a large capture: the archive is sound, the files before whole, the big one absent or whole.
TEST_F(ArchiveCli, KilledWhileAdding) {
    const std::string big = dir.Path("big.kss");
    ASSERT_EQ(RunProgram({TAVRO_BIN_DIR "/tavro-passgen", "--frames", "200000", "--random-fields", "--kiss", big}).exitCode, 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(kCli.c_str(), kCli.c_str(), "--archive", archive.c_str(), "--kiss", "--csv", "/dev/null", kPass.c_str(),
                kPass.c_str(), big.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Until the two small files are in: the big one is being read or added then.
    bool killed = false;
    for (auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
        if (Sql(archive, "SELECT count(*) FROM receptions") == "600\n") {
            killed = ::kill(child, SIGKILL) == 0;
            break;
        }
        if (::waitpid(child, nullptr, WNOHANG) == child) break;  // it ended first
        std::this_thread::sleep_for(1ms);
    }
    ::waitpid(child, nullptr, 0);
    if (!killed) GTEST_SKIP() << "tavro-cli ended before the small files were seen in the archive";
    EXPECT_EQ(Sql(archive, "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(Sql(archive, "SELECT count(*) FROM beacons"), "300\n");
    const std::string receptions = Sql(archive, "SELECT count(*) FROM receptions");
    EXPECT_TRUE(receptions == "600\n" || receptions == "200600\n") << receptions;
    // Still usable.
    const auto again = RunProgram({kCli, "--archive", archive, "--kiss", "--csv", "/dev/null", kPass});
    EXPECT_EQ(again.exitCode, 0) << again.err;
}

// A file-size limit (ulimit -f, the program not told to ignore SIGXFSZ) is
// a full disk: exit status 1 and a message, no death by signal, the earlier
// archive as it was (the CSV alone: tests/export_safety_test.cpp).
TEST_F(ArchiveCli, FileSizeLimitIsAFullDisk) {
    ASSERT_EQ(RunProgram({kCli, "--archive", archive, "--kiss", "--csv", "/dev/null", kPass}).exitCode, 0);
    const std::string big = dir.Path("big.kss");
    ASSERT_EQ(RunProgram({TAVRO_BIN_DIR "/tavro-passgen", "--frames", "20000", "--random-fields", "--kiss", big}).exitCode, 0);
    // Room for 256 KB more than the archive and the capture's CSV of 20000 rows would not fit either.
    const std::string blocks = std::to_string((std::filesystem::file_size(archive) + 256 * 1024) / 512);
    const auto full = RunProgram({kCli, "--archive", archive, "--kiss", "--csv", dir.Path("b.csv"), big}, "ulimit -f " + blocks + "; ");
    EXPECT_FALSE(full.signaled) << "signal " << full.signal;
    EXPECT_EQ(full.exitCode, 1) << full.err;
    EXPECT_THAT(full.err, HasSubstr("database or disk is full"));
    EXPECT_EQ(Sql(archive, "PRAGMA integrity_check"), "ok\n");
    EXPECT_EQ(Sql(archive, "SELECT count(*) FROM receptions"), "300\n");
}

// The window's session (live) and a tavro-cli process add to one archive at once.
TEST_F(ArchiveCli, LiveSessionAndCliTogether) {
    const std::string capture = dir.Path("other.kss");
    ASSERT_EQ(RunProgram({TAVRO_BIN_DIR "/tavro-passgen", "--frames", "10000", "--random-fields", "--kiss", capture}).exitCode, 0);
    constexpr int kLive = 2000;
    test::Bytes stream;
    for (int k = 0; k < kLive; ++k) stream = test::Cat({stream, test::Hk(k)});
    test::KissServer server([&](int socket, int) { test::SendInSlices(socket, stream, 3, 1, 2000); });

    Session session;
    ASSERT_EQ(session.StartArchiving(archive), "");
    test::ProgramRun cli;
    std::thread other([&] { cli = RunProgram({kCli, "--archive", archive, "--kiss", "--csv", "/dev/null", capture}); });
    session.BeginStream({"127.0.0.1:" + std::to_string(server.Port()), dir.Path("live.kss"), true, false, {}});
    EXPECT_TRUE(test::FeedUntilClosed(session, server.Port()));
    session.EndStream();
    other.join();
    session.WaitForArchive();
    EXPECT_EQ(session.ArchiveStatus(), "");
    EXPECT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_THAT(cli.err, testing::Not(HasSubstr("locked")));
    const SelectionSummary summary = session.Summary();
    ASSERT_EQ(summary.archived.size(), 1u);
    EXPECT_EQ(summary.archived[0].receptionsAdded, kLive);
    EXPECT_EQ(summary.archived[0].failed, 0);
    EXPECT_EQ(Sql(archive, "SELECT count(*) FROM receptions"), std::to_string(kLive + 10000) + "\n");
    EXPECT_EQ(Sql(archive, "SELECT count(*) FROM receptions WHERE kind = 'kiss-tcp'"), std::to_string(kLive) + "\n");
}

}  // namespace
}  // namespace tavro
