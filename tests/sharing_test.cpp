// Sharing what a station receives: a live pass from the test's KISS server
// through the session, posted to the test's HTTP server; the server down for
// half the pass; tavro-cli --share on captures, killed with a full queue and
// started again; --share-dry-run.
#include <csignal>

#include "archive.h"
#include "http_server.h"
#include "kiss_server.h"
#include "share_queue.h"
#include "sharing.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

namespace {

// A time stamp frame, a housekeeping frame (header 62, a C0 in it), a frame
// of type 2 (header 64), a frame of another station, a second housekeeping frame.
const std::string kPass = Str(Hex(
    "C0 09 32 30 32 36 2D 31 32 2D 30 36 20 31 30 3A 31 34 3A 30 33 2E 32 35 30 20 55 54 43 C0"
    "C0 00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 00 DB DC 07 C0"
    "C0 00 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 02 00 48 49 C0"
    "C0 00 88 8A 84 86 40 40 60 AE 64 8C A6 40 40 61 03 F0 54 45 53 54 C0"
    "C0 00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 00 2A 08 C0"));
const std::size_t kFirstHalf = 30 + 25;  // the time stamp and the first housekeeping frame

// The fields the server must see for a frame: the time stamp's time carries over to each.
std::map<std::string, std::string> Fields(const std::string& frame) {
    return {{"noradID", "99999"}, {"source", "DL1XYZ"}, {"timestamp", "2026-12-06T10:14:03.250Z"}, {"frame", frame},
            {"locator", "longLat"}, {"longitude", "11.5755W"}, {"latitude", "48.1374N"}, {"version", "tavro-decoder 0.3"}};
}
const std::vector<std::map<std::string, std::string>> kExpected = {
    Fields("A2846A60A06200A2846A60A0620003F000000100C007"), Fields("A2846A60A06400A2846A60A0640003F0000002004849"),
    Fields("A2846A60A06200A2846A60A0620003F0000001002A08")};

// A request of tavro-cli for a frame, as --share-dry-run prints it.
std::string Request(const std::string& frame) {
    return "noradID=99999&source=DL1XYZ&timestamp=2026-12-06T10%3A14%3A03.250Z&frame=" + frame +
           "&locator=longLat&longitude=11.5755W&latitude=48.1374N&version=tavro-cli%200.3";
}

template <class Condition>
bool WaitFor(Condition done, std::chrono::milliseconds limit = 20s) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

struct Share : testing::Test {
    void SetUp() override { ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY"); }
    SharingOptions Options() {
        SharingOptions o;
        o.station = Station("DL1XYZ", "48.1374", "-11.5755", "99999", http.Url("/api/telemetry/"));
        o.archiveLocation = dir.Path("archive.sqlite");
        o.version = "tavro-decoder 0.3";
        o.clockMs = [] { return std::int64_t{1796552043000}; };
        o.firstDelay = 20ms, o.maxDelay = 100ms;
        return o;
    }
    // Receives what the KISS server sends until it closes.
    void Receive(std::uint16_t port) {
        std::int64_t clock = 1796552043000;  // 10:14:03 UTC, a second more at each arrival
        session.BeginStream({"test", dir.Path("live.kss"), true, false, [&clock] { return clock += 1000; }});
        EXPECT_TRUE(FeedUntilClosed(session, port));
        session.EndStream();
    }
    std::vector<std::map<std::string, std::string>> Posted() {
        std::vector<std::map<std::string, std::string>> posted;
        for (const HttpRequestSeen& r : http.Requests()) {
            EXPECT_EQ(r.method, "POST");
            EXPECT_EQ(r.target, "/api/telemetry/");
            EXPECT_EQ(r.Header("content-type"), "application/x-www-form-urlencoded");
            if (!r.body.empty()) posted.push_back(FormFields(r.body));
        }
        return posted;
    }
    // tavro-cli's conf.ini: the station, and extra lines.
    std::string Config(const std::string& extra) {
        std::filesystem::create_directories(dir.Path("config/tavro"));
        std::ofstream(dir.Path("config/tavro/conf.ini")) << "# station\nSTATION_CALLSIGN=DL1XYZ\nSTATION_LATITUDE=48.1374\n"
            "STATION_LONGITUDE=-11.5755\nSATNOGS_NORAD_ID=99999\nSIDS_URL=" + http.Url("/api/telemetry/") + "\n" + extra;
        return "unset http_proxy HTTP_PROXY; XDG_CONFIG_HOME=" + dir.Path("config") + " ";
    }

    const TempDir dir{"share"};
    std::atomic<bool> rejectType2{false};  // the server refuses frames of type 2
    HttpServer http{[this](const HttpRequestSeen& r) {
        return rejectType2 && r.body.find("frame=A2846A60A064") != std::string::npos ? HttpAnswer{400, "unknown frame type"}
                                                                                    : HttpAnswer{201, "{}"};
    }};
    Session session;
};

}  // namespace

// A rejected frame is reported, the others are sent.
TEST_F(Share, LivePassEverySatelliteFramePostedOnce) {
    rejectType2 = true;
    Sharing sharing(Options());
    sharing.Attach(session);
    KissServer kiss([&](int socket, int) { SendInSlices(socket, AsBytes(kPass), 5); });
    Receive(kiss.Port());
    ASSERT_TRUE(WaitFor([&] { return sharing.Status().shared == 2 && sharing.Status().rejected == 1; })) << sharing.StatusText();
    EXPECT_EQ(Posted(), kExpected);
    EXPECT_EQ(sharing.StatusText(), "shared 2, rejected 1: 400 unknown frame type");
    EXPECT_EQ(session.RecordCount(), 2);
    std::string error;
    auto queue = ShareQueue::Open(Options().archiveLocation, error);
    EXPECT_EQ(queue->Counts().waiting, 0);
    EXPECT_EQ(queue->Bodies("rejected").size(), 1u);
}

TEST_F(Share, ServerDownForHalfThePassThenBack) {
    http.SetRefusing(true);
    Sharing sharing(Options());
    sharing.Attach(session);
    KissServer kiss([&](int socket, int) {
        SendInSlices(socket, AsBytes(std::string_view(kPass).substr(0, kFirstHalf)), 1);
        WaitFor([&] { return sharing.Status().offlineSinceMs.has_value(); });
        EXPECT_EQ(sharing.StatusText(), "shared 0, waiting 1 (offline since 10:14 UTC)");
        http.SetRefusing(false);
        SendInSlices(socket, AsBytes(std::string_view(kPass).substr(kFirstHalf)), 2);
    });
    Receive(kiss.Port());
    ASSERT_TRUE(WaitFor([&] { return sharing.Status().shared == 3; })) << sharing.StatusText();
    EXPECT_EQ(Posted(), kExpected);  // each once, in order
    std::string error;
    EXPECT_EQ(ShareQueue::Open(Options().archiveLocation, error)->Counts().waiting, 0);
}

// Nothing is queued or sent without the station's settings, nor into a file that is not an archive.
TEST_F(Share, NothingSharedWithoutSettingsOrArchive) {
    std::string error;
    ShareQueue::Open(dir.Path("other.sqlite"), error);  // another program's SQLite database
    const std::string other = FileText(dir.Path("other.sqlite"));
    SharingOptions noCallsign = Options(), notArchive = Options();
    noCallsign.station.callsign.clear();
    notArchive.archiveLocation = dir.Path("other.sqlite");
    const struct { SharingOptions options; std::string status; } cases[] = {
        {noCallsign, "not shared: STATION_CALLSIGN is not set"},
        {notArchive, "not shared: " + dir.Path("other.sqlite") + " is not a TAVRO archive (it is another program's SQLite database)"},
    };
    for (const auto& c : cases) {
        Sharing sharing(c.options);
        sharing.Attach(session);
        KissServer kiss([&](int socket, int) { SendInSlices(socket, AsBytes(kPass), 9); });
        Receive(kiss.Port());
        EXPECT_EQ(sharing.StatusText(), c.status);
    }
    EXPECT_TRUE(http.Requests().empty());
    EXPECT_EQ(FileText(dir.Path("other.sqlite")), other);
}

// A multi-port TNC's capture: the satellite's data frames of the port read
// (--kiss-port, else KISS_TNC_PORT) are shared, of any frame type; another
// port's, and another command of the port read (21: TXDELAY), are not; nor a
// frame before any time stamp (it has no UTC time).
TEST_F(Share, FramesOfTheTncPortRead) {
    std::ofstream(dir.Path("multi.kss"), std::ios::binary) << Str(Hex(
        "C0 00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 00 2A 09 C0"                 // port 0, no time yet
        "C0 09 32 30 32 36 2D 31 32 2D 30 36 20 31 30 3A 31 34 3A 30 33 2E 32 35 30 20 55 54 43 C0"  // the time stamp
        "C0 20 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 00 2A 01 C0"                 // port 2, housekeeping
        "C0 20 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 02 00 48 49 C0"                 // port 2, type 2
        "C0 00 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 02 00 30 30 C0"                 // port 0, type 2
        "C0 21 A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 02 00 21 21 C0"                 // port 2, TXDELAY
        "C0 20 88 8A 84 86 40 40 60 AE 64 8C A6 40 40 61 03 F0 54 45 53 54 C0"));                     // port 2, another station
    const std::string port2hk = Request("A2846A60A06200A2846A60A0620003F0000001002A01");
    const std::string port2type2 = Request("A2846A60A06400A2846A60A0640003F0000002004849");
    const struct { std::string conf; std::vector<std::string> args, shared; const char* err; } cases[] = {
        {"", {"--kiss-port", "2"}, {port2hk, port2type2}, "dry run: 2 requests printed, nothing sent\n"},
        {"KISS_TNC_PORT=2\n", {}, {port2hk, port2type2}, "dry run: 2 requests printed"},
        {"", {}, {Request("A2846A60A06400A2846A60A0640003F0000002003030")},
         "tavro-cli: 1 frames without a UTC time are not shared\ntavro-cli: dry run: 1 requests printed"},
        {"", {"--kiss-port", "1"}, {}, "dry run: 0 requests printed"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{TAVRO_BIN_DIR "/tavro-cli", "--kiss", "--share-dry-run", "--csv", dir.Path("m.csv")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(dir.Path("multi.kss"));
        const ProgramRun dry = RunProgram(args, Config(c.conf));
        EXPECT_EQ(dry.exitCode, 0) << dry.err;
        EXPECT_EQ(Lines(dry.out), c.shared) << c.conf << testing::PrintToString(c.args);
        EXPECT_THAT(dry.err, testing::HasSubstr(c.err));
    }
    EXPECT_TRUE(http.Requests().empty());
}

// tavro-cli: a capture shared while the server refuses (exit 1, frames
// kept), the program killed with frames queued, then a run that sends them.
TEST_F(Share, TavroCliQueueSurvivesAndIsSentAfterRestart) {
    const std::string env = Config(""), cli = TAVRO_BIN_DIR "/tavro-cli";
    // A housekeeping frame before any time stamp has no UTC time: not shared.
    std::ofstream(dir.Path("pass.kss"), std::ios::binary)
        << Str(Hex("C0 00 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 00 2A 09 C0")) + kPass;
    http.SetRefusing(true);
    ProgramRun down = RunProgram({cli, "--kiss", "--share", "--archive", dir.Path("a.sqlite"), "--csv", dir.Path("p.csv"),
                                  dir.Path("pass.kss")}, env);
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_THAT(down.err, testing::HasSubstr("tavro-cli: shared 0, waiting 3 (offline since "));

    // A live run killed while its frames wait: they are on disk.
    std::atomic<bool> killed = false;
    KissServer kiss([&](int socket, int) {
        SendInSlices(socket, AsBytes(kPass), 3);
        WaitFor([&] { return killed.load(); });  // stays connected until the program is killed
    });
    ASSERT_TRUE(OpenArchive(dir.Path("b.sqlite")).archive);  // the queue is watched in the archive
    std::string error;
    auto queue = ShareQueue::Open(dir.Path("b.sqlite"), error);
    ASSERT_TRUE(queue) << error;
    const pid_t live = ::fork();
    if (live == 0) {
        ::execl("/bin/sh", "sh", "-c", (env + "exec " + cli + " --kiss-tcp 127.0.0.1:" + std::to_string(kiss.Port()) +
                                        " --share --archive " + dir.Path("b.sqlite") + " --record-to " + dir.Path("r.kss") +
                                        " >/dev/null 2>&1").c_str(), nullptr);
        ::_exit(127);
    }
    EXPECT_TRUE(WaitFor([&] { return queue->Counts().waiting == 3; }));
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);
    killed = true;

    http.SetRefusing(false);
    std::ofstream(dir.Path("empty.kss"));
    for (const char* archive : {"a.sqlite", "b.sqlite"}) {
        ProgramRun back = RunProgram({cli, "--kiss", "--share", "--archive", dir.Path(archive), "--csv", dir.Path("e.csv"),
                                      dir.Path("empty.kss")}, env);
        EXPECT_EQ(back.exitCode, 0) << back.err;
        EXPECT_THAT(back.err, testing::HasSubstr("tavro-cli: shared 3\n"));
    }
    EXPECT_EQ(http.Requests().size(), 6u);  // each frame of each queue once
    EXPECT_EQ(queue->Counts().sent, 3);
}
