// Live reception from a real TCP server inside the test: what arrives in
// random slices gives the records reading the same bytes from a file gives,
// the recording reads back to the records shown live, and drops, refusals,
// hostile streams and a failing disk are survived.
#include <optional>

#include "growing_file.h"
#include "kiss_server.h"
#include "kiss_tcp_client.h"
#include "output_path.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

struct Live : testing::Test {
    ~Live() override { SetFileSizeLimitForTesting(nullptr); }
    // Receives from port until the client ends (the server closed, or gave up
    // after `attempts` connections), into session, recording into dir. The
    // waits of the reconnect schedule are recorded, not waited; afterWait(n)
    // runs after the n-th.
    void Receive(std::uint16_t port, std::size_t attempts = 1, const std::string& host = "127.0.0.1") {
        std::int64_t clock = 1796552043000;  // 2026-12-06 10:14:03 UTC, a second per frame
        session.BeginStream({"test", recording, true, false, [&clock] { return clock += 1000; }});
        KissTcpClient::Options options;
        options.host = host, options.port = port, options.reconnect = attempts > 1;
        options.pause = [&](std::chrono::milliseconds delay) {  // on the client's thread
            waits.push_back(delay);
            if (afterWait) afterWait(waits.size());
            return waits.size() < attempts;
        };
        KissTcpClient client(options);
        bool ended = false;
        for (auto deadline = std::chrono::steady_clock::now() + 20s; !ended && std::chrono::steady_clock::now() < deadline;) {
            client.WaitForMessages(50ms);
            for (KissTcpClient::Message& m : client.Take()) {
                if (m.event == KissTcpClient::Event::Bytes) session.Feed(m.bytes);
                if (m.event == KissTcpClient::Event::Dropped) session.StreamDropped(), drops.push_back(m.detail);
                if (m.event == KissTcpClient::Event::Waiting) announced.push_back(m.delay);
                ended = ended || m.event == KissTcpClient::Event::Ended;
            }
        }
        recordingError = session.RecordingError();
        session.EndStream();
    }
    // The recording, read back as a capture.
    std::unique_ptr<Session> Replayed() const { return test::Read(InputKind::Kiss, AsBytes(FileText(recording))); }

    const TempDir dir{"live"};
    std::string recording = dir.Path("live.kss");
    Session session;
    std::vector<std::string> drops;
    std::vector<std::chrono::milliseconds> waits, announced;  // paused, and said in Waiting messages
    std::function<void(std::size_t wait)> afterWait;
    std::string recordingError;
};

// The sample pass in random slices with random pauses: the file's values and
// time texts (a time stamp frame stands before every fourth housekeeping
// frame, and its time carries over), and a recording that reads back to them.
TEST_F(Live, SamplePassAsTheFileGivesIt) {
    const std::string pass = FileText(TAVRO_SOURCE_DIR "/examples/pass.kss");
    test::KissServer server([&](int socket, int) { test::SendInSlices(socket, AsBytes(pass), 7); });
    Receive(server.Port());
    const auto file = test::Read(InputKind::Kiss, AsBytes(pass));
    ASSERT_EQ(session.RecordCount(), 300);
    EXPECT_EQ(test::Seen(session), test::Seen(*file));  // values, time texts and stamp values
    EXPECT_EQ(session.TimeText(3), "2026-11-28 10:14:00.131 UTC");  // a time stamp frame's, carried over
    EXPECT_EQ(session.TimeText(299), "2026-11-28 10:23:52.067 UTC");
    EXPECT_EQ(test::Seen(*Replayed()), test::Seen(session));
    EXPECT_EQ(FileText(recording), pass);  // nothing inserted: every frame came after a time stamp frame
    EXPECT_EQ(drops, std::vector<std::string>{"closed by the server"});
}

TEST_F(Live, HostileStreams) {
    const std::string noise = Noise(5, 1 << 20);
    const Bytes huge = Cat({{0xC0}, Bytes(10 << 20, 'A'), Hk(1)});   // 10 MB without a FEND, then a frame
    const Bytes two = Hk(2), half = Cat({Hk(1), Bytes(two.begin(), two.begin() + 60)});  // closed mid-frame
    const struct { const char* name; Bytes bytes; std::vector<double> packets; int maxSlice = 300; } cases[] = {
        {"noise", {noise.begin(), noise.end()}, {}}, {"10 MB frame", huge, {1}}, {"only FENDs", Bytes(100000, 0xC0), {}},
        {"a byte at a time", Hk(3), {3}, 1}, {"closed mid-frame", half, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::KissServer server([&](int socket, int) { test::SendInSlices(socket, c.bytes, 3, c.maxSlice == 1 ? 1 : 0, c.maxSlice); });
        Receive(server.Port());
        if (!c.packets.empty() || std::string(c.name) != "noise") { EXPECT_EQ(Packets(session), c.packets); }
        EXPECT_EQ(test::Seen(*Replayed()), test::Seen(session));
        EXPECT_LT(std::filesystem::file_size(recording), 2u << 20);  // the huge frame: its first 64 KiB only
    }
}

// Dropped mid-frame and back: the cut frame is not joined to the next
// connection's bytes, and the new connection starts without a time stamp frame.
TEST_F(Live, ReconnectsAfterADrop) {
    const Bytes stamp = passgen::KissWrap(passgen::KissTimeStampFrame("2026-11-28 10:14:03.250 UTC;1;2;3"));
    const Bytes second = Hk(2);
    test::KissServer server([&](int socket, int n) {
        const Bytes bytes = n == 0 ? Cat({stamp, Hk(1), Hk(4), Bytes(second.begin(), second.begin() + 50)})  // then gone
                                   : Cat({Bytes(second.begin() + 50, second.end()), Hk(3), Hk(5), stamp, Hk(6)});
        ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    });
    Receive(server.Port(), 2);
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 4, 3, 5, 6}));
    std::vector<std::string> times;
    for (int k = 0; k < session.RecordCount(); ++k) times.emplace_back(session.TimeText(k));
    EXPECT_EQ(times, (std::vector<std::string>{"2026-11-28 10:14:03.250 UTC", "2026-11-28 10:14:03.250 UTC",
                                               "2026-12-06 10:14:04.000 UTC", "2026-12-06 10:14:05.000 UTC",
                                               "2026-11-28 10:14:03.250 UTC"}));
    EXPECT_EQ(test::Seen(*Replayed()), test::Seen(session));
}

TEST_F(Live, UnknownHost) {
    Receive(8001, 1, "no-such-station.invalid");
    EXPECT_EQ(drops, std::vector<std::string>{"unknown host no-such-station.invalid"});
}

// A recording that cannot be written does not stop the reception. (A full disk: RecordingCutBackToItsLastCompleteFrame.)
TEST_F(Live, RecordingFailures) {
    const Bytes frames = Cat({Hk(1), Hk(2), Hk(3), Hk(4)});
    test::KissServer server([&](int socket, int) { ::send(socket, frames.data(), frames.size(), MSG_NOSIGNAL); });
    recording = dir.Path("missing/live.kss");
    Receive(server.Port());
    EXPECT_EQ(recordingError, "No such file or directory");
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(session.TimeText(3), "2026-12-06 10:14:07.000 UTC");  // no time stamp frames: each its arrival time
}

// The waits between attempts, literally: eight refusals (no recording made
// of them), then a server that sends a frame and closes; after that drop the
// schedule starts at 1 s again.
TEST_F(Live, ReconnectSchedule) {
    std::uint16_t port;
    {
        test::KissServer gone([](int, int) {});
        port = gone.Port();
    }
    std::optional<test::KissServer> back;
    const Bytes frame = Hk(1);
    afterWait = [&](std::size_t n) {
        if (n != 8) return;
        EXPECT_FALSE(std::filesystem::exists(recording));  // nothing received, no empty file
        back.emplace([&](int socket, int) { ::send(socket, frame.data(), frame.size(), MSG_NOSIGNAL); }, port);
    };
    Receive(port, 9);
    const std::vector<std::chrono::milliseconds> expected{1s, 2s, 4s, 8s, 16s, 30s, 30s, 30s, 1s};
    EXPECT_EQ(waits, expected);
    EXPECT_EQ(announced, expected);
    std::vector<std::string> refusals(8, "Connection refused");
    refusals.push_back("closed by the server");
    EXPECT_EQ(drops, refusals);
    EXPECT_EQ(Packets(session), std::vector<double>{1});
}

// Two sessions started in the same second: two recordings, the next free
// name for the second, and neither truncates the other.
TEST_F(Live, TwoRecordingsInOneSecond) {
    const std::string name = LiveCapturePath(dir.string() + "/", 1796552043250);
    Session first, second;
    first.BeginStream({"first", name, false, false, [] { return std::int64_t{1796552043500}; }});
    second.BeginStream({"second", name, false, false, [] { return std::int64_t{1796552043600}; }});
    first.Feed(Hk(1)), second.Feed(Hk(2)), first.Feed(Hk(3)), second.Feed(Hk(4));
    EXPECT_EQ(first.RecordingPath(), dir.Path("tavro_live_20261206_101403.kss"));
    EXPECT_EQ(second.RecordingPath(), dir.Path("tavro_live_20261206_101403_2.kss"));
    first.EndStream(), second.EndStream();
    EXPECT_EQ(Packets(*test::Read(InputKind::Kiss, AsBytes(FileText(dir.Path("tavro_live_20261206_101403.kss"))))),
              (std::vector<double>{1, 3}));
    EXPECT_EQ(Packets(*test::Read(InputKind::Kiss, AsBytes(FileText(dir.Path("tavro_live_20261206_101403_2.kss"))))),
              (std::vector<double>{2, 4}));
}

// The disk fills in the middle of the third frame: the recording is cut back
// to its last complete frame and reads back to the first two records.
TEST_F(Live, RecordingCutBackToItsLastCompleteFrame) {
    const Bytes frames = Cat({Hk(1), Hk(2), Hk(3), Hk(4)});
    const auto record = [&] {
        std::int64_t clock = 1796552043000;
        session.BeginStream({"test", recording, true, false, [&clock] { return clock += 1000; }});
        session.Feed(frames);
        recordingError = session.RecordingError();
        session.EndStream();
        return FileText(recording);
    };
    const std::string whole = record();
    ASSERT_EQ(Packets(*Replayed()), (std::vector<double>{1, 2, 3, 4}));
    const std::string second = Str(Hk(2)).substr(1);  // its body and closing FEND
    const std::size_t secondEnd = whole.find(second) + second.size(), full = secondEnd + 60;
    SetFileSizeLimitForTesting([&](const std::string&) { return static_cast<long long>(full); });
    const std::string cut = record();
    EXPECT_EQ(recordingError, "No space left on device");
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 2, 3, 4}));  // shown live all the same
    EXPECT_EQ(cut, whole.substr(0, cut.size()));
    EXPECT_GE(cut.size(), secondEnd);
    EXPECT_LT(cut.size(), full);
    EXPECT_EQ(cut.back(), '\xC0');
    EXPECT_EQ(Packets(*Replayed()), (std::vector<double>{1, 2}));
}

// The live CSV never goes into the recording, even before the recording is
// made, and even where a front end did not ask first.
TEST_F(Live, LiveCsvNeverIntoTheRecording) {
    session.BeginStream({"test", recording, true, false, {}});
    const ExportResult csv = session.StreamCsv(dir.Path("sub/../live.kss"));
    EXPECT_FALSE(csv.ok);
    EXPECT_EQ(csv.error, "it is the recording");
    session.Feed(Hk(1));
    session.EndStream();
    EXPECT_EQ(Packets(*Replayed()), std::vector<double>{1});
}
