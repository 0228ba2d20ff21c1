// tavro-cli --archive postgresql://… as a process: the same imports as into
// a SQLite file give the same --query CSV byte for byte, --archive-info
// names server and database, a wrong password or no server is exit status
// 1 with the outputs of the files still written and no password shown.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pg_server.h"
#include "test_support.h"

namespace tavro::test {
namespace {

using testing::HasSubstr;

const std::string kCli = TAVRO_BIN_DIR "/tavro-cli";
const std::string kExamples = TAVRO_SOURCE_DIR "/examples/";

// The three example passes, and the KISS one again, into archive.
void Import(const std::string& archive, const TempDir& dir) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--kiss", kExamples + "pass.kss"}, {"--satnogs", kExamples + "pass_satnogs.csv"},
          {"--log", "--log-date", "2026-11-28", kExamples + "pass.log"}, {"--kiss", kExamples + "pass.kss"}}) {
        std::vector<std::string> command{kCli, "--archive", archive, "--csv", dir.Path("out.csv")};
        command.insert(command.end(), args.begin(), args.end());
        const ProgramRun run = RunProgram(command);
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
}

TEST(PgCli, SameImportsSameQueryCsvAsSqlite) {
    NEED_SERVER(pg);
    const TempDir dir("pg-cli");
    const std::string file = dir.Path("a.sqlite"), server = pg.Uri(pg.NewDatabase());
    Import(file, dir);
    Import(server, dir);
    for (const std::vector<std::string>& query :
         {std::vector<std::string>{"--query"}, {"--query", "--from", "2026-11-28 10:16", "--to", "2026-11-28 10:20:30.5"}}) {
        std::vector<std::string> a{kCli, "--archive", file}, b{kCli, "--archive", server};
        a.insert(a.end(), query.begin(), query.end()), b.insert(b.end(), query.begin(), query.end());
        const ProgramRun fromFile = RunProgram(a), fromServer = RunProgram(b);
        EXPECT_EQ(fromServer.exitCode, 0) << fromServer.err;
        EXPECT_GT(Lines(fromFile.out).size(), 100u);
        EXPECT_EQ(fromServer.out, fromFile.out);
    }
}

TEST(PgCli, ArchiveInfoNamesServerAndDatabase) {
    NEED_SERVER(pg);
    const TempDir dir("pg-cli-info");
    const std::string db = pg.NewDatabase();
    const ProgramRun added = RunProgram({kCli, "--archive", pg.Uri(db), "--kiss", "--csv", dir.Path("p.csv"), kExamples + "pass.kss"});
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_THAT(added.err, HasSubstr("archive " + pg.Uri(db) + ": 300 beacons new, 300 receptions added\n"));
    const ProgramRun info = RunProgram({kCli, "--archive", pg.Uri(db), "--archive-info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out, "server: " + pg.SocketDir() + "\ndatabase: " + db +
                            "\nschema version: 2\nbeacons: 300\nreceptions: 300\nbeacons without time: 0\n"
                            "first time: 2026-11-28 10:14:00.131\nlast time: 2026-11-28 10:23:52.067\n");
}

TEST(PgCli, WrongPasswordOrNoServerIsStatusOneWithoutThePassword) {
    NEED_SERVER(pg);
    const TempDir dir("pg-cli-auth");
    const std::string db = pg.NewDatabase();
    pg.AddPasswordUser("station", "Right-Secret-42");
    const struct {
        std::string uri, expected;
    } cases[] = {
        {"postgresql://station:Wrong-Secret-9@/" + db + "?host=" + pg.SocketDir(), "password authentication failed"},
        {"postgres://tavro:Wrong-Secret-9@/" + db + "?host=/nonexistent/tavro", "cannot connect to the archive server"},
    };
    for (const auto& c : cases) {
        for (const std::string what : {"--kiss", "--query"}) {
            std::vector<std::string> args{kCli, "--archive", c.uri, what};
            if (what == "--kiss") args.insert(args.end(), {"--csv", dir.Path("k.csv"), kExamples + "pass.kss"});
            const ProgramRun run = RunProgram(args);
            EXPECT_EQ(run.exitCode, 1) << c.uri << " " << what;
            EXPECT_THAT(run.err, HasSubstr(c.expected)) << run.err;
            EXPECT_THAT(run.err + run.out, testing::Not(HasSubstr("Wrong-Secret-9")));
        }
        EXPECT_EQ(Lines(TakeFile(dir.Path("k.csv"))).size(), 301u);  // the file's CSV written all the same
    }
}

}  // namespace
}  // namespace tavro::test
