// The session feeds the archive: every record of every source, once per
// beacon, a reception each time; files whole in one transaction; the counts
// per file; a selection loaded back from the archive. (A server store that
// loses its connection: tests/pg_faults_test.cpp.)

#include <thread>

#include "archive_query.h"
#include "file_reading.h"
#include "kiss_server.h"
#include "kiss_tcp_client.h"
#include "test_support.h"

namespace tavro {
namespace {

using namespace std::chrono_literals;
using test::Sql;

const std::string kPass = TAVRO_SOURCE_DIR "/examples/pass.kss";
const std::string kSatnogs = TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv";

ArchiveInfo InfoOf(const std::string& path) {
    OpenedArchive opened = OpenArchive(path, true);
    ArchiveInfo info;
    EXPECT_TRUE(opened.archive && opened.archive->Info(info)) << opened.error;
    return info;
}

// "beacons new/receptions added" of each file of the last selection.
std::string Counts(Session& s) {
    s.WaitForArchive();
    std::string text;
    for (const ArchiveCounts& c : s.Summary().archived)
        text += std::to_string(c.beaconsNew) + "/" + std::to_string(c.receptionsAdded) + " ";
    return text;
}

void ReadFiles(Session& s, const std::vector<SelectionEntry>& files) {
    ReadObserver quiet;
    ASSERT_TRUE(ReadSelection(s, files, quiet));
}

struct ArchiveSession : testing::Test {
    const test::TempDir dir{"archive-session"};
    const std::string archive = dir.Path("a.sqlite");
    Session session;
    void SetUp() override { ASSERT_EQ(session.StartArchiving(archive), ""); }
};

// The pass as three stations heard it, the table merging the duplicates:
// every reception archived still (without merging, and the same capture
// twice: tavro-cli's tests in tests/archive_cli_test.cpp).
TEST_F(ArchiveSession, MergedDuplicatesAreArchivedAsReceptions) {
    session.SetMergeDuplicates(true);
    ReadFiles(session, {{kSatnogs, InputKind::Satnogs}});
    EXPECT_EQ(session.RecordCount(), 300);
    EXPECT_EQ(Counts(session), "300/857 ");
    EXPECT_EQ(InfoOf(archive).receptions, 857);
}

// Each reception as it came: source, kind, time, station, and the bytes to decode it again.
TEST_F(ArchiveSession, ReceptionsSayWhereTheyCameFrom) {
    const std::string json = "[{\"timestamp\": \"2026-12-06T10:00:02.5Z\", \"frame\": \"A2846A60A06200A2846A60A0620003F0000001\", "
                             "\"station_id\": 1234, \"observer\": \"DL1XYZ-JN58\"}, {\"timestamp\": \"2026-12-06 10:00:03\", "
                             "\"frame\": \"A2846A60A06200A2846A60A0620003F0000001\"}]";
    const std::string page = dir.Write("page.json", json);
    session.BeginSelection();
    session.BeginFile("https://db.example/api/telemetry/?page=1", InputKind::Satnogs, SourceKind::SatnogsDb);
    session.Feed(test::AsBytes(json));
    session.EndFile();
    session.EndSelection();
    ReadFiles(session, {{page, InputKind::Satnogs}, {dir.Write("l.log", "10:00:04 01 07 00 FF\n"), InputKind::Log}});
    session.WaitForArchive();
    EXPECT_EQ(Sql(archive, "SELECT beacon, source, kind, time_text, time_ms, station, hex(source_bytes) FROM receptions ORDER BY id"),
              "1|SatNOGS DB station 1234 (DL1XYZ-JN58)|satnogs-db|2026-12-06 10:00:02.500 UTC|1796551202500|DL1XYZ-JN58|"
              "00A2846A60A06200A2846A60A0620003F0000001\n"
              "1|https://db.example/api/telemetry/?page=1|satnogs-db|2026-12-06 10:00:03.000 UTC|1796551203000||"
              "00A2846A60A06200A2846A60A0620003F0000001\n"
              "1|SatNOGS DB station 1234 (DL1XYZ-JN58)|satnogs|2026-12-06 10:00:02.500 UTC|1796551202500|DL1XYZ-JN58|"
              "00A2846A60A06200A2846A60A0620003F0000001\n"
              "1|" + page + "|satnogs|2026-12-06 10:00:03.000 UTC|1796551203000||00A2846A60A06200A2846A60A0620003F0000001\n"
              "2|" + dir.Path("l.log") + "|log|10:00:04.000 UTC|NULL||31303A30303A3034203031203037203030204646\n");
}

// The table keeps 10000, the archive keeps them all. Open in the main
// window: the beacons of a span as a selection, their time as time text.
TEST_F(ArchiveSession, RecordsBeyondTheTableAndLoadSpanAsSelection) {
    ReadFiles(session, {{kPass, InputKind::Kiss}});
    std::string capture;
    for (int k = 0; k < RecordTable::kCapacity + 5; ++k) capture += test::Str(test::Hk(k));
    ReadFiles(session, {{dir.Write("notime.kss", capture), InputKind::Kiss}});
    EXPECT_EQ(session.RecordCount(), RecordTable::kCapacity);
    EXPECT_EQ(Counts(session), "10005/10005 ");
    EXPECT_EQ(InfoOf(archive).beaconsWithoutTime, 10005);  // no time stamp frames

    ArchiveSelection loaded = session.LoadArchiveSpan({QueryTimeOf("2026-11-28 10:15"), QueryTimeOf("2026-11-28 10:16")});
    EXPECT_EQ(loaded.error, "");
    EXPECT_EQ(loaded.loaded, 28);
    EXPECT_EQ(loaded.more, 0);
    EXPECT_EQ(session.TimeText(0), "2026-11-28 10:15:04.019 UTC");
    EXPECT_EQ(session.InputFilePath(), archive);

    loaded = session.LoadArchiveSpan({});  // all: the pass first, then those without time
    EXPECT_EQ(loaded.loaded, RecordTable::kCapacity);
    EXPECT_EQ(loaded.more, 305);
    EXPECT_EQ(session.TimeText(300), "");
    EXPECT_EQ(session.Records()[300].Channels[2], 0);
    EXPECT_EQ(session.Summary().archived.size(), 1u);
    // An export of it never replaces the archive.
    EXPECT_EQ(session.ExportCsv(archive).error, "it is an input file");
}

// Live: records committed while the stream runs, the source "host:port" of kind kiss-tcp.
TEST_F(ArchiveSession, LiveRecordsArriveWhileConnected) {
    std::atomic<bool> release{false};
    test::KissServer server([&](int socket, int) {
        const test::Bytes first = test::Cat({test::Hk(1), test::Hk(2)});
        ::send(socket, first.data(), first.size(), MSG_NOSIGNAL);
        while (!release) std::this_thread::sleep_for(5ms);
        const test::Bytes last = test::Hk(3);
        ::send(socket, last.data(), last.size(), MSG_NOSIGNAL);
    });
    session.BeginStream({"127.0.0.1:" + std::to_string(server.Port()), dir.Path("live.kss"), true, false, {}});
    KissTcpClient::Options options;
    options.host = "127.0.0.1", options.port = server.Port();
    KissTcpClient client(options);
    bool ended = false, sawTwo = false;
    for (auto deadline = std::chrono::steady_clock::now() + 20s; !ended && std::chrono::steady_clock::now() < deadline;) {
        client.WaitForMessages(20ms);
        for (KissTcpClient::Message& m : client.Take()) {
            if (m.event == KissTcpClient::Event::Bytes) session.Feed(m.bytes);
            ended = ended || m.event == KissTcpClient::Event::Ended;
        }
        // Two records in the archive while the connection is still open.
        if (!sawTwo && session.ArchiveNewBeacons() == 2) {
            sawTwo = true;
            EXPECT_EQ(InfoOf(archive).receptions, 2);
            release = true;
        }
    }
    session.EndStream();
    EXPECT_TRUE(sawTwo);
    EXPECT_EQ(Counts(session), "3/3 ");
    EXPECT_EQ(session.ArchiveNewBeacons(), 3u);
}

// What cannot be an archive is refused with a reason, and nothing is read into it.
TEST(ArchiveStart, RefusedArchives) {
    const test::TempDir dir{"archive-start"};
    const std::string text = dir.Write("text.sqlite", "just some text, not a database\n");
    Session s;
    EXPECT_NE(s.StartArchiving(text), "");
    EXPECT_FALSE(s.Archiving());
    EXPECT_EQ(test::FileText(text), "just some text, not a database\n");
    EXPECT_NE(s.StartArchiving(dir.Path("no/such/folder/a.sqlite")), "");
    EXPECT_EQ(s.StartArchiving(dir.Path("made/here/a.sqlite"), true), "");
    EXPECT_TRUE(std::filesystem::exists(dir.Path("made/here/a.sqlite")));
}

}  // namespace
}  // namespace tavro
