// Live reception from a real TCP server inside the test: what arrives in
// random slices gives the records reading the same bytes from a file gives,
// the recording reads back to the records shown live, and drops, refusals,
// hostile streams and a failing disk are survived.
#include "atomic_file.h"
#include "kiss_server.h"
#include "kiss_tcp_client.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

struct Live : testing::Test {
    ~Live() override { SetWriteFaultForTesting(nullptr); }
    // Receives from port until the client ends (the server closed, or gave up
    // after `attempts` connections), into session, recording into dir.
    void Receive(std::uint16_t port, int attempts = 1, const std::string& host = "127.0.0.1") {
        std::int64_t clock = 1796552043000;  // 2026-12-06 10:14:03 UTC, a second per frame
        session.BeginStream({"test", recording, true, false, [&clock] { return clock += 1000; }});
        KissTcpClient::Options options;
        options.host = host, options.port = port, options.reconnect = attempts > 1, options.delays = {20ms};
        KissTcpClient client(options);
        bool ended = false;
        int connections = 0;
        for (auto deadline = std::chrono::steady_clock::now() + 20s; !ended && std::chrono::steady_clock::now() < deadline;) {
            client.WaitForMessages(50ms);
            for (KissTcpClient::Message& m : client.Take()) {
                if (m.event == KissTcpClient::Event::Bytes) session.Feed(m.bytes);
                if (m.event == KissTcpClient::Event::Dropped) {
                    session.StreamDropped(), drops.push_back(m.detail);
                    if (++connections >= attempts) client.Stop();
                }
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
    for (int k = 0; k < 300; ++k) {
        EXPECT_EQ(session.Records()[k].Channels, file->Records()[k].Channels) << k;
        EXPECT_EQ(session.TimeText(k), file->TimeText(k)) << k;
    }
    EXPECT_EQ(session.TimeText(0), "2026-11-28 10:14:00.131 UTC");  // a time stamp frame of the pass
    EXPECT_EQ(session.TimeText(3), "2026-11-28 10:14:00.131 UTC");  // carried over, as in the file
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

TEST_F(Live, RefusedAndUnknownHosts) {
    std::uint16_t closedPort;
    {
        test::KissServer gone([](int, int) {});
        closedPort = gone.Port();
    }
    Receive(closedPort, 3);
    EXPECT_EQ(drops, std::vector<std::string>(3, "Connection refused"));
    EXPECT_FALSE(std::filesystem::exists(recording));  // nothing received, no empty file
    drops.clear();
    Receive(8001, 1, "no-such-station.invalid");
    EXPECT_EQ(drops, std::vector<std::string>{"unknown host no-such-station.invalid"});
}

// A recording that cannot be written does not stop the reception.
TEST_F(Live, RecordingFailures) {
    const Bytes frames = Cat({Hk(1), Hk(2), Hk(3), Hk(4)});
    test::KissServer server([&](int socket, int) { ::send(socket, frames.data(), frames.size(), MSG_NOSIGNAL); });
    recording = dir.Path("missing/live.kss");
    Receive(server.Port());
    EXPECT_EQ(recordingError, "No such file or directory");
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(session.TimeText(3), "2026-12-06 10:14:07.000 UTC");  // no time stamp frames: each its arrival time

    recording = dir.Path("full.kss");  // the disk fills after the third write
    int writes = 0;
    SetWriteFaultForTesting([&](const std::string&) { return ++writes > 3 ? ENOSPC : 0; });
    Receive(server.Port());
    EXPECT_EQ(recordingError, "No space left on device");
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(Packets(*Replayed()), (std::vector<double>{1}));  // stamp, frame; stamp, [full]: complete frames only
}
