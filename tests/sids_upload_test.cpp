// Posting frames to a real HTTP server on loopback: the uploader's answer
// to each kind of reply (sent, rejected, tried again after 1 min, 2, 4, ...
// up to 1 h or Retry-After), the station's checks and the form's texts.
#include <atomic>
#include <condition_variable>
#include <thread>

#include "http_client.h"
#include "http_server.h"
#include "share_queue.h"
#include "sids_report.h"
#include "sids_uploader.h"
#include "test_support.h"

using namespace tavro;
using namespace std::chrono_literals;

TEST(StationSettings, ChecksSayWhy) {
    const struct { const char* name; StationSettings s; const char* reason; } cases[] = {
        {"good", test::Station("DL1XYZ", "48.1374", "-11.5755", "99999"), ""},
        {"latitude 91", test::Station("DL1XYZ", "91", "11", "99999"), "the latitude must be a number from -90 to 90 (north positive)"},
        {"longitude -180.5", test::Station("DL1XYZ", "1", "-180.5", "1"), "the longitude must be a number from -180 to 180 (east positive)"},
        {"latitude 1e1", test::Station("DL1XYZ", "1e1", "1", "1"), "the latitude must be a number from -90 to 90 (north positive)"},
        {"callsign with a blank", test::Station("DL1 XYZ", "1", "1", "1"), "the callsign must not contain a blank"},
        {"NORAD ID", test::Station("DL1XYZ", "1", "1", "9x"), "the NORAD ID must be the satellite's catalogue number (digits only)"},
        {"SiDS URL", test::Station("DL1XYZ", "1", "1", "1", "ftp://x/"), "the SiDS address must be an https:// (or http://) address without blanks"},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckStation(c.s), c.reason) << c.name;
    EXPECT_EQ(MissingForSharing(StationSettingsOf("STATION_CALLSIGN=DL1XYZ\nSATNOGS_NORAD_ID=99999\n")), "STATION_LATITUDE");
    EXPECT_EQ(MissingForSharing(StationSettingsOf("STATION_LATITUDE=1\nSTATION_LONGITUDE=2\nSATNOGS_NORAD_ID=3\n")),
              "STATION_CALLSIGN");
    const StationSettings read = StationSettingsOf("share = 1\nSATNOGS_DB_URL=http://127.0.0.1:8/api/\n");
    EXPECT_TRUE(read.share);
    EXPECT_EQ(read.dbUrl, "http://127.0.0.1:8/api/");
    EXPECT_EQ(read.sidsUrl, "https://db.satnogs.org/api/telemetry/");
}

TEST(SidsReport, FormBodyLiterally) {
    const StationSettings s = test::Station("DL1XYZ", "-33.86786", "151.20732", "99999");
    const test::Bytes ax25 = test::Hex("A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01 C0 0f");
    EXPECT_EQ(SidsRequestBody(s, 1796552043250, ax25, "tavro-cli 0.3"),
              "noradID=99999&source=DL1XYZ&timestamp=2026-12-06T10%3A14%3A03.250Z"
              "&frame=A2846A60A06200A2846A60A0620003F0000001C00F&locator=longLat"
              "&longitude=151.2073E&latitude=33.8679S&version=tavro-cli%200.3");
}

// Which KISS frames are the satellite's data frames on the TNC port read.
TEST(SidsReport, SatelliteFramesOfThePortRead) {
    const char* const hk62 = "A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03 F0 00 00 01";
    const char* const type2of64 = "A2 84 6A 60 A0 64 00 A2 84 6A 60 A0 64 00 03 F0 00 00 02 48";
    const char* const otherStation = "88 8A 84 86 40 40 60 AE 64 8C A6 40 40 61 03 F0 54 45 53 54 00";
    const struct { std::string frame; std::uint8_t dataCommand; bool satellite; } cases[] = {
        {std::string("00 ") + hk62, 0x00, true},         {std::string("00 ") + type2of64, 0x00, true},
        {std::string("20 ") + hk62, 0x20, true},         {std::string("20 ") + type2of64, 0x20, true},
        {std::string("F0 ") + type2of64, 0xF0, true},    {std::string("00 ") + hk62, 0x20, false},  // port 0 while port 2 is read
        {std::string("20 ") + hk62, 0x00, false},        {std::string("21 ") + hk62, 0x20, false},  // port 2's TXDELAY
        {std::string("01 ") + type2of64, 0x00, false},   {std::string("20 ") + otherStation, 0x20, false},
        {"20 A2 84 6A 60 A0 62 00 A2 84 6A 60 A0 62 00 03", 0x20, false},  // shorter than the header
    };
    for (const auto& c : cases) EXPECT_EQ(IsSatelliteKissFrame(test::Hex(c.frame), c.dataCommand), c.satellite) << c.frame;
}

// The window queues frames on its thread while the worker claims and releases
// them on its own, through one connection, and another program writes to the
// same file: no frame is refused "database is locked".
TEST(ShareQueueThreads, QueueingWhileTheWorkerClaims) {
    const test::TempDir dir("share-threads");
    std::string error;
    auto queue = ShareQueue::Open(dir.Path("a.sqlite"), error);
    ASSERT_TRUE(queue) << error;
    auto other = ShareQueue::Open(dir.Path("a.sqlite"), error);
    ASSERT_TRUE(other) << error;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        while (!done)
            if (auto frame = queue->Claim(1000)) queue->Release(frame->id);
    });
    std::thread program([&] {
        for (int i = 0; !done; ++i) other->Add("other " + std::to_string(i), 1000);
    });
    int refused = 0;
    std::string why;
    for (int i = 0; i < 3000; ++i)
        if (!queue->Add("frame " + std::to_string(i), 1000)) ++refused, why = queue->Error();
    done = true;
    worker.join();
    program.join();
    EXPECT_EQ(refused, 0) << why;
    EXPECT_EQ(queue->Counts().sent, 0);
}

// Frames sent more than 30 days before the queue opens leave it; waiting
// and rejected ones stay however old; a pruned frame is still never queued again.
TEST(ShareQueuePruning, SentFramesOlderThan30Days) {
    const test::TempDir dir("share-prune");
    const std::string path = dir.Path("q.sqlite");
    constexpr std::int64_t t0 = 1796552043000, day = 24LL * 3600 * 1000;  // 2026-12-06 10:14:03 UTC
    std::string error;
    {
        auto queue = ShareQueue::Open(path, error, t0);
        ASSERT_TRUE(queue) << error;
        for (const char* body : {"a", "sent 29.9 days ago", "sent 30 days ago", "rejected", "waiting"}) ASSERT_TRUE(queue->Add(body, t0));
        ASSERT_TRUE(queue->MarkSent(1, t0));                       // "a": 30 days and 1 ms before the next opening
        ASSERT_TRUE(queue->MarkSent(2, t0 + day / 10));
        ASSERT_TRUE(queue->MarkSent(3, t0 + 1));                   // exactly 30 days: kept
        ASSERT_TRUE(queue->MarkRejected(4, "400 Bad Request", t0));
    }
    auto queue = ShareQueue::Open(path, error, t0 + 30 * day + 1);
    ASSERT_TRUE(queue) << error;
    EXPECT_EQ(test::Sql(path, "SELECT id, body, state FROM share_queue ORDER BY id"),
              "2|sent 29.9 days ago|sent\n3|sent 30 days ago|sent\n4|rejected|rejected\n5|waiting|waiting\n");
    EXPECT_EQ(test::Sql(path, "SELECT digest FROM share_sent"), "-5808556873153909620\n");  // FNV-1a 64 of "a": AF63DC4C8601EC8C
    ASSERT_TRUE(queue->Add("a", t0 + 30 * day + 2));
    ASSERT_TRUE(queue->Add("new", t0 + 30 * day + 2));
    EXPECT_EQ(queue->Bodies("waiting"), (std::vector<std::string>{"waiting", "new"}));
    EXPECT_EQ(queue->Counts().sent, 2);
}

namespace {

// The server answers each request with the next of answers (the last repeats).
struct Uploading : testing::Test {
    void SetUp() override {
        ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY"), ::unsetenv("all_proxy"), ::unsetenv("ALL_PROXY");
        std::string error;
        queue = ShareQueue::Open(dir.Path("q.sqlite"), error);
        ASSERT_TRUE(queue) << error;
    }
    void Serve(std::vector<test::HttpAnswer> list) {
        answers = std::move(list);
        served = 0;
        server = std::make_unique<test::HttpServer>([this](const test::HttpRequestSeen&) {
            std::lock_guard lock(mutex);
            const test::HttpAnswer a = answers[std::min(served, answers.size() - 1)];
            ++served;
            return a;
        });
        options.url = server->Url("/api/telemetry/");
        options.clockMs = [] { return std::int64_t{1796552043000}; };  // 10:14:03 UTC
    }
    const test::TempDir dir{"sids"};
    std::unique_ptr<ShareQueue> queue;
    std::unique_ptr<test::HttpServer> server;
    std::vector<test::HttpAnswer> answers;
    std::size_t served = 0;
    std::mutex mutex;
    UploaderOptions options;
};

}  // namespace

TEST_F(Uploading, EachAnswerAndTheDelayAfterIt) {
    using R = std::optional<std::chrono::milliseconds>;
    const auto minutes = [](int m) { return R(std::chrono::minutes(m)); };
    const struct { const char* name; std::vector<test::HttpAnswer> answers; std::vector<R> delays; QueueCounts end; const char* status; } cases[] = {
        {"201", {{201}}, {R()}, {0, 1, 0}, "shared 1"},
        {"500 then 201", {{500}, {201}}, {minutes(1), R()}, {0, 1, 0}, "shared 1"},
        {"503 for ever: 1, 2, 4, ... up to 60 min",
         {{503}}, {minutes(1), minutes(2), minutes(4), minutes(8), minutes(16), minutes(32), minutes(60), minutes(60)}, {1, 0, 0},
         "shared 0, waiting 1 (offline since 10:14 UTC)"},
        {"429 Retry-After: 2", {{429, "", {{"Retry-After", "2"}}}, {201}}, {R(2s), R()}, {0, 1, 0}, "shared 1"},
        {"408 is tried again", {{408}}, {minutes(1)}, {1, 0, 0}, "shared 0, waiting 1 (offline since 10:14 UTC)"},
        {"400 with a message", {{400, "frame is not valid\nmore"}}, {R()}, {0, 0, 1}, "shared 0, rejected 1: 400 frame is not valid"},
        {"404", {{404}}, {R()}, {0, 0, 1}, "shared 0, rejected 1: 404"},
        {"a redirect", {{302, "", {{"Location", "/elsewhere"}}}}, {minutes(1)}, {1, 0, 0}, "shared 0, waiting 1 (offline since 10:14 UTC)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        queue = ShareQueue::Open(dir.Path("q" + std::to_string(&c - cases) + ".sqlite"), error);  // a queue each
        Serve(c.answers);
        ASSERT_TRUE(queue->Add("noradID=1&frame=AB", 1));
        SidsUploader uploader(*queue, options);
        for (const R& delay : c.delays) EXPECT_EQ(uploader.SendWaiting(), delay);
        const QueueCounts n = queue->Counts();
        EXPECT_EQ(std::tuple(n.waiting, n.sent, n.rejected), std::tuple(c.end.waiting, c.end.sent, c.end.rejected));
        EXPECT_EQ(ShareStatusText(uploader.Status()), c.status);
        EXPECT_EQ(server->Requests().size(), c.delays.size());
    }
}

// No answer within the time-out, or no server at all: the frame waits, nothing is lost.
TEST_F(Uploading, StalledOrRefused) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    Serve({{201, "", {}, [&] {
                std::unique_lock lock(m);
                cv.wait_for(lock, 5s, [&] { return release; });
            }}});
    options.timeout = 300ms;
    ASSERT_TRUE(queue->Add("a=1", 1) && queue->Add("a=2", 1) && queue->Add("a=1", 2));  // a body is queued once
    SidsUploader uploader(*queue, options);
    EXPECT_EQ(uploader.SendWaiting(), std::optional(std::chrono::milliseconds(60000)));
    EXPECT_EQ(uploader.Status().lastFailure, "no answer within the time allowed");
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    server->SetRefusing(true);
    EXPECT_EQ(uploader.SendWaiting(), std::optional(std::chrono::milliseconds(120000)));
    EXPECT_EQ(uploader.Status().lastFailure, "Couldn't connect to server");
    EXPECT_EQ(queue->Counts().waiting, 2);
    EXPECT_EQ(queue->Bodies("waiting"), (std::vector<std::string>{"a=1", "a=2"}));
}

// A frame another living program has claimed is left to it; once that
// program is gone (killed while posting), the frame is free again.
TEST_F(Uploading, AFrameClaimedByAnotherProgram) {
    ASSERT_TRUE(queue->Add("a=1", 1));
    int claimed[2], done[2];
    ASSERT_EQ(::pipe(claimed), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        auto mine = ShareQueue::Open(dir.Path("q.sqlite"), error);
        char c = mine && mine->Claim(1000) ? 'y' : 'n';
        (void)!::write(claimed[1], &c, 1);
        (void)!::read(done[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(claimed[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_FALSE(queue->Claim(2000));
    (void)!::write(done[1], "x", 1);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(queue->Claim(2000));
    for (int fd : {claimed[0], claimed[1], done[0], done[1]}) ::close(fd);
}

// The token's rules and a redirect loop: satnogs_db_fetch_test.
TEST(HttpClient, LimitsAndRedirects) {
    ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY");
    test::HttpServer server([](const test::HttpRequestSeen& r) -> test::HttpAnswer {
        if (r.target == "/big") return {200, std::string(2000, 'x')};
        if (r.target.rfind("/far", 0) == 0 && r.target.size() < 7)  // /far, /far1, ... /far10
            return {302, "", {{"Location", "/far" + std::to_string(r.target == "/far" ? 1 : std::stoi(r.target.substr(4)) + 1)}}};
        return {200, "ok"};
    });
    const auto get = [](const std::string& url, std::size_t maxBytes = 1000) {
        HttpRequest r;
        r.url = url, r.maxBytes = maxBytes;
        return HttpFetch(r);
    };
    EXPECT_EQ(get(server.Url("/big")).error, "the answer of " + server.Url("/big") + " is larger than 0 MiB");
    EXPECT_EQ(get(server.Url("/big"), 2000).body.size(), 2000u);
    EXPECT_EQ(get(server.Url("/far")).error, "more than 10 redirects, the last to " + server.Url("/far10"));
    const struct { const char* value; long long seconds; } retry[] = {
        {"120", 120}, {" 2 ", 2}, {"Sun, 06 Dec 2026 10:16:03 GMT", 120}, {"soon", -1}, {"", -1}};
    for (const auto& r : retry) EXPECT_EQ(RetryAfterSeconds(r.value, 1796552043), r.seconds) << r.value;
}
