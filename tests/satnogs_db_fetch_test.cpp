// Fetching the network's frames from a SatNOGS DB telemetry API served by
// the test on loopback: pages followed by their Link headers with the
// token on each, the span asked for, and every way the fetch stops; the
// token never leaves for another host and never shows in any output.
#include "archive.h"
#include "http_server.h"
#include "satnogs_db_fetch.h"
#include "session.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kToken = "secret-token-1";
constexpr std::int64_t kNow = 1796552043000;  // 2026-12-06 10:14:03 UTC

// One entry as the API gives it: the AX.25 frame of housekeeping packet k.
std::string Entry(int k, const char* time, int station, const char* observer) {
    return std::string("{\"sat_id\": \"ABCD\", \"norad_cat_id\": 99999, \"app_source\": \"network\", \"frame\": \"") +
           SatnogsHex(k, true) + "\", \"timestamp\": \"" + time + "\", \"station_id\": " +
           std::to_string(station) + ", \"observer\": \"" + observer + "\"}";
}

struct Fetch : testing::Test {
    void SetUp() override { ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY"); }
    DbFetchOptions Options(const HttpServer& server) const {
        DbFetchOptions o;
        o.station = Station("DL1XYZ", "48.1374", "-11.5755", "99999");
        o.station.dbUrl = server.Url("/api/");
        o.station.token = kToken;
        o.nowMs = kNow;
        o.wait = [this](std::chrono::milliseconds wait) { return waits.push_back(wait), true; };
        return o;
    }
    mutable std::vector<std::chrono::milliseconds> waits;
    Session session;
};

// Three pages, two stations hearing the same pass.
HttpAnswer Pages(const HttpRequestSeen& r, std::uint16_t port) {
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/api/telemetry/";
    if (r.Header("authorization") != std::string("Token ") + kToken) return {401, "{\"detail\": \"Invalid token.\"}"};
    if (r.target.find("cursor=2") != std::string::npos)
        return {200, "[" + Entry(1, "2026-12-06T10:10:03.500Z", 5678, "DL2DEF") + ", " + Entry(2, "2026-12-06T10:10:13.500Z", 5678, "DL2DEF") + "]",
                {{"Link", "<" + base + "?cursor=3>; rel=\"next\", <" + base + "?cursor=1>; rel=\"prev\""}}};
    if (r.target.find("cursor=3") != std::string::npos)
        return {200, "[" + Entry(3, "2026-12-06T10:10:23Z", 1234, "DL1ABC") + "]", {{"Link", "<" + base + "?cursor=2>; rel=\"prev\""}}};
    return {200, "[" + Entry(1, "2026-12-06T10:10:03Z", 1234, "DL1ABC") + ", " + Entry(2, "2026-12-06T10:10:13Z", 1234, "DL1ABC") + "]",
            {{"Link", "<" + base + "?cursor=2>; rel=\"next\""}}};
}

}  // namespace

// Into the archive: a beacon heard by two stations is one beacon with a reception each.
TEST_F(Fetch, ThreePagesTwoStationsIntoTheArchive) {
    const TempDir dir{"fetch"};
    ASSERT_EQ(session.StartArchiving(dir.Path("a.sqlite")), "");
    std::uint16_t port = 0;
    HttpServer server([&](const HttpRequestSeen& r) { return Pages(r, port); });
    port = server.Port();
    const DbFetchResult first = FetchFromSatnogsDb(Options(server), SessionPageSink(session));
    EXPECT_TRUE(first.ok) << first.message;
    EXPECT_EQ(DbFetchCountsText(first.counts), "3 pages, 5 frames, 3 new beacons");
    {
        OpenedArchive archive = OpenArchive(dir.Path("a.sqlite"), true);
        ASSERT_TRUE(archive.archive) << archive.error;
        std::vector<std::pair<double, long long>> beacons;  // Packet cnt, receptions
        archive.archive->ForEachBeacon({}, [&](const Beacon& b) { return beacons.emplace_back(b.values[2], b.receptions), true; });
        EXPECT_EQ(beacons, (std::vector<std::pair<double, long long>>{{1, 2}, {2, 2}, {3, 1}}));
        EXPECT_EQ(archive.archive->NewestReception(SourceKind::SatnogsDb), std::optional<std::int64_t>(1796551823000));  // 10:10:23
    }
    std::vector<std::string> targets;
    for (const HttpRequestSeen& r : server.Requests()) {
        targets.push_back(r.target);
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.Header("authorization"), "Token secret-token-1");
    }
    EXPECT_EQ(targets, (std::vector<std::string>{
                           "/api/telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z",
                           "/api/telemetry/?cursor=2", "/api/telemetry/?cursor=3"}));
    // Incremental: from 1 ms after the newest reception fetched before; --from and --to win.
    DbFetchOptions again = Options(server);
    again.newestFetched = OpenArchive(dir.Path("a.sqlite"), true).archive->NewestReception(SourceKind::SatnogsDb);
    EXPECT_TRUE(FetchFromSatnogsDb(again, SessionPageSink(session)).ok);
    again.fromMs = 1796515200000, again.toMs = 1796601600000;  // 2026-12-06, 2026-12-07
    EXPECT_TRUE(FetchFromSatnogsDb(again, SessionPageSink(session)).ok);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 9u);
    EXPECT_EQ(requests[3].target, "/api/telemetry/?satellite=99999&start=2026-12-06T10:10:23.001Z&end=2026-12-06T10:14:03.000Z");
    EXPECT_EQ(requests[6].target, "/api/telemetry/?satellite=99999&start=2026-12-06T00:00:00.000Z&end=2026-12-07T00:00:00.000Z");
}

// Every way a fetch stops, with what it says; the token in none of it.
TEST_F(Fetch, StopsAndSaysWhy) {
    std::string base;
    const auto page1 = [&] { return HttpAnswer{200, "[]", {{"Link", "<" + base + "?cursor=2>; rel=\"next\""}}}; };
    const struct { const char* name; std::function<HttpAnswer(const HttpRequestSeen&)> answer; std::string message; int pages; std::vector<std::chrono::milliseconds> waits; } cases[] = {
        {"401", [](auto&) { return HttpAnswer{401}; }, "the SatNOGS DB token was refused", 0, {}},
        {"403", [](auto&) { return HttpAnswer{403, "secret-token-1"}; }, "the SatNOGS DB token was refused", 0, {}},
        {"500", [](auto&) { return HttpAnswer{500}; }, "SatNOGS DB answered 500 for @0", 0, {}},
        {"429 Retry-After: 2, then the page", [n = 0](auto&) mutable { return ++n == 1 ? HttpAnswer{429, "", {{"Retry-After", "2"}}} : HttpAnswer{200, "[]"}; },
         "", 1, {2s}},
        {"429 Retry-After: 600", [](auto&) { return HttpAnswer{429, "", {{"Retry-After", "600"}}}; },
         "SatNOGS DB asks to wait 600 s (more than 5 minutes): stopped, try again later", 0, {}},
        {"broken JSON on page 2", [&](const HttpRequestSeen& r) { return r.target.find("cursor") != std::string::npos ? HttpAnswer{200, "[{\"frame\": "} : page1(); },
         "the page @1 could not be read (not valid JSON): stopped; the 1 pages before it are kept", 1, {}},
        {"pages leading back", [&](const HttpRequestSeen& r) {
             return r.target.find("cursor") == std::string::npos ? page1() : HttpAnswer{200, "[]", {{"Link", "<" + base + "?cursor=2>; rel=\"next\""}}}; },
         "the pages of SatNOGS DB lead back to @1", 2, {}},
        {"a redirect loop", [](const HttpRequestSeen& r) {
             return HttpAnswer{302, "", {{"Location", r.target.find("loop") == std::string::npos ? "/api/telemetry/?loop" : "/api/telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z"}}}; },
         "cannot fetch @0: redirect loop at @0", 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        waits.clear();
        HttpServer server(c.answer);
        base = server.Url("/api/telemetry/");
        const std::string first = base + "?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z";
        std::string message = c.message;
        for (auto at = message.find("@0"); at != std::string::npos; at = message.find("@0")) message.replace(at, 2, first);
        for (auto at = message.find("@1"); at != std::string::npos; at = message.find("@1")) message.replace(at, 2, base + "?cursor=2");
        const DbFetchResult r = FetchFromSatnogsDb(Options(server), SessionPageSink(session));
        EXPECT_EQ(r.message, message);
        EXPECT_EQ(r.ok, message.empty());
        EXPECT_EQ(r.counts.pages, c.pages);
        EXPECT_EQ(waits, c.waits);
    }
    DbFetchOptions plain;
    plain.station = Station("DL1XYZ", "1", "1", "99999");
    plain.station.dbUrl = "http://db.example.org/api/", plain.station.token = kToken, plain.nowMs = kNow;
    EXPECT_EQ(FetchFromSatnogsDb(plain, SessionPageSink(session)).message,
              "cannot fetch http://db.example.org/api/telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z: "
              "the token is sent over https:// only, not to http://db.example.org/api/telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z");
}

// A redirect to another host is followed without the token.
TEST_F(Fetch, NoTokenAfterARedirectToAnotherHost) {
    HttpServer other([](const HttpRequestSeen&) { return HttpAnswer{200, "[]"}; });
    HttpServer server([&](const HttpRequestSeen&) {
        return HttpAnswer{302, "", {{"Location", "http://localhost:" + std::to_string(other.Port()) + "/api/telemetry/?cursor=9"}}};
    });
    const DbFetchResult r = FetchFromSatnogsDb(Options(server), SessionPageSink(session));
    EXPECT_TRUE(r.ok) << r.message;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Header("authorization"), "Token secret-token-1");
    ASSERT_EQ(other.Requests().size(), 1u);
    EXPECT_EQ(other.Requests()[0].target, "/api/telemetry/?cursor=9");
    EXPECT_EQ(other.Requests()[0].Header("authorization"), "");
}

// tavro-cli --satnogs-db: progress and failures on standard error, the token nowhere.
TEST_F(Fetch, TavroCliNeverShowsTheToken) {
    const TempDir dir{"fetch"};
    std::uint16_t port = 0;
    HttpServer server([&](const HttpRequestSeen& r) {
        return r.target.find("cursor=3") != std::string::npos ? HttpAnswer{200, "[ broken secret-token-1"} : Pages(r, port);
    });
    port = server.Port();
    std::filesystem::create_directories(dir.Path("config/tavro"));
    std::ofstream(dir.Path("config/tavro/conf.ini")) << "SATNOGS_NORAD_ID=99999\nSATNOGS_DB_TOKEN=" << kToken
                                                     << "\nSATNOGS_DB_URL=" << server.Url("/api/") << "\n";
    const std::string env = "unset http_proxy HTTP_PROXY; XDG_CONFIG_HOME=" + dir.Path("config") + " ";
    const ProgramRun run = RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--archive", dir.Path("a.sqlite"), "--satnogs-db", "--from",
                                       "2026-12-06", "--to", "2026-12-06 12:00"}, env);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Lines(run.err), (std::vector<std::string>{
        "tavro-cli: SatNOGS DB: 1 pages, 2 frames, 2 new beacons",
        "tavro-cli: SatNOGS DB: 2 pages, 4 frames, 2 new beacons",
        "tavro-cli: SatNOGS DB from 2026-12-06 00:00:00.000 to 2026-12-06 12:00:00.000 UTC: 2 pages, 4 frames, 2 new beacons",
        "tavro-cli: the page " + server.Url("/api/telemetry/?cursor=3") +
            " could not be read (not valid JSON): stopped; the 2 pages before it are kept"}));
    EXPECT_EQ(run.out.find(kToken), std::string::npos);
    EXPECT_EQ(run.err.find(kToken), std::string::npos);
}
