// Live reception from a TNC on a real pseudo-terminal: the sample pass in
// random slices, the init text before anything is read, multi-port KISS,
// the device unplugged mid-frame and plugged in again, devices that cannot
// be opened; and the texts the source is set up from.
#include <sys/stat.h>

#include <random>
#include <thread>

#include "kiss_serial_source.h"
#include "serial_pty.h"
#include "test_support.h"

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

struct Serial : testing::Test {
    void SetUp() override {
        if (!tnc.Ok()) GTEST_SKIP() << "no pseudo-terminal: /dev/ptmx cannot be opened here";
    }
    void Begin() {
        std::int64_t clock = 1796552043000;  // 2026-12-06 10:14:03 UTC, a second per frame
        session.BeginStream({"tnc", recording, true, false, [clock]() mutable { return clock += 1000; }});
    }
    std::unique_ptr<KissSerialSource> Open(const std::string& device, bool reconnect = false, const std::string& init = {}) {
        KissSerialSource::Options options;
        options.device = device, options.baud = 115200, options.reconnect = reconnect, options.init = init;
        return std::make_unique<KissSerialSource>(options);
    }
    // Takes the source's messages into the session until done() or the source ended (20 s at most).
    bool Drive(LiveSource& source, const std::function<bool()>& done) {
        for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
            if (done()) return true;
            source.WaitForMessages(20ms);
            for (LiveSource::Message& m : source.Take()) {
                events.push_back(m.event);
                if (m.event == LiveSource::Event::Connected) connectedAt.push_back(std::chrono::steady_clock::now());
                if (m.event == LiveSource::Event::Bytes) session.Feed(m.bytes);
                if (m.event == LiveSource::Event::Dropped) session.StreamDropped(), drops.push_back(m.detail);
                if (m.event == LiveSource::Event::Waiting) waits.push_back(m.delay);
                if (m.event == LiveSource::Event::Ended) return done();
            }
        }
        return done();
    }
    int Count(LiveSource::Event e) const { return static_cast<int>(std::count(events.begin(), events.end(), e)); }
    long long BytesFed() const { return session.StreamReport().bytes; }
    std::unique_ptr<Session> Replayed(int port = 0) const {
        auto s = std::make_unique<Session>();
        s->SetKissPort(port);
        s->BeginSelection(), s->BeginFile(recording, InputKind::Kiss);
        s->Feed(AsBytes(FileText(recording))), s->EndFile(), s->EndSelection();
        return s;
    }

    const TempDir dir{"serial"};
    std::string recording = dir.Path("rec.kss");
    Pty tnc;
    Session session;
    std::vector<LiveSource::Event> events;
    std::vector<std::chrono::steady_clock::time_point> connectedAt;
    std::vector<std::string> drops;
    std::vector<LiveSource::Milliseconds> waits;
};

// The sample pass written in random slices: the file's 300 records, and a recording that reads back to them.
TEST_F(Serial, SamplePassAsTheFileGivesIt) {
    const std::string pass = FileText(TAVRO_SOURCE_DIR "/examples/pass.kss");
    Begin();
    auto source = Open(tnc.SlavePath());
    ASSERT_TRUE(Drive(*source, [&] { return Count(LiveSource::Event::Connected) == 1; })) << drops.front();
    std::thread writer([&] {
        std::mt19937 random(11);
        for (std::span<const std::uint8_t> rest = AsBytes(pass); !rest.empty();) {
            const std::size_t n = std::min<std::size_t>(rest.size(), 1 + random() % 700);
            tnc.Write(rest.first(n)), rest = rest.subspan(n);
            if (random() % 4 == 0) std::this_thread::sleep_for(1ms);
        }
    });
    ASSERT_TRUE(Drive(*source, [&] { return BytesFed() == static_cast<long long>(pass.size()); }));
    writer.join();
    tnc.Close();  // unplugged: the source ends without --reconnect
    ASSERT_TRUE(Drive(*source, [&] { return Count(LiveSource::Event::Ended) == 1; }));
    EXPECT_EQ(drops, std::vector<std::string>{"device lost"});
    session.EndStream();

    ASSERT_EQ(session.RecordCount(), 300);
    EXPECT_EQ(Seen(session), Seen(*Read(InputKind::Kiss, AsBytes(pass))));  // values, time texts, stamp values
    EXPECT_EQ(Seen(*Replayed()), Seen(session));
}

// The init text reaches the TNC byte for byte, pause included, before anything
// is read; what the TNC says in command mode is junk before the first FEND.
TEST_F(Serial, InitTextBeforeReading) {
    Begin();
    const std::string prompt = "cmd:KISS ON\r\n";
    std::string first, second;
    std::chrono::steady_clock::time_point firstAt, secondAt;
    std::thread theTnc([&] {
        tnc.Write(AsBytes(prompt));  // answered at once, before the init text is through
        first = tnc.Read(8, 5s), firstAt = std::chrono::steady_clock::now();
        second = tnc.Read(9, 5s), secondAt = std::chrono::steady_clock::now();
        tnc.Write(Cat({Hk(1), Hk(2)}));
    });
    auto source = Open(tnc.SlavePath(), false, "KISS ON\\r\\wRESTART\\r\\n");
    const bool received = Drive(*source, [&] { return session.RecordCount() == 2; });
    theTnc.join();
    ASSERT_TRUE(received);
    EXPECT_EQ(first, "KISS ON\r");
    EXPECT_EQ(second, "RESTART\r\n");
    EXPECT_GE(secondAt - firstAt, 500ms);  // the \w: one second, less however late the first piece was read
    ASSERT_EQ(connectedAt.size(), 1u);
    EXPECT_GE(connectedAt[0] - firstAt, 500ms);  // connected, and reading, once the init text is out
    EXPECT_EQ(events.at(1), LiveSource::Event::Connected);  // after Connecting, before any bytes
    EXPECT_EQ(session.StreamReport().junkBytes, static_cast<long long>(prompt.size()));
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 2}));
}

// Multi-port KISS: port-2 data frames (command byte 20) are read with port 2
// chosen, the other ports' not. (Each port and command byte: kiss_reader_test.)
TEST_F(Serial, MultiPortTnc) {
    const Bytes stream = Cat({HkOnPort(0, 1), HkOnPort(2, 2), HkOnPort(0, 3), HkOnPort(2, 4), HkOnPort(1, 5), HkOnPort(15, 6)});
    session.SetKissPort(2);
    Begin();
    auto source = Open(tnc.SlavePath());
    ASSERT_TRUE(Drive(*source, [&] { return Count(LiveSource::Event::Connected) == 1; }));
    tnc.Write(stream);
    ASSERT_TRUE(Drive(*source, [&] { return BytesFed() == static_cast<long long>(stream.size()); }));
    source.reset();
    session.EndStream();
    EXPECT_EQ(Packets(session), (std::vector<double>{2, 4}));
    EXPECT_EQ(Packets(*Replayed(2)), (std::vector<double>{2, 4}));  // the recording holds the command bytes as received
}

// Unplugged in the middle of a frame and plugged in again (a new tty behind
// the same by-id link): the cut frame is left out, reception goes on after
// the schedule's first wait, nothing else is lost.
TEST_F(Serial, UnpluggedMidFrameAndBack) {
    const std::string link = dir.Path("usb-TNC-if00-port0");
    std::filesystem::create_symlink(tnc.SlavePath(), link);
    Begin();
    auto source = Open(link, true);
    ASSERT_TRUE(Drive(*source, [&] { return Count(LiveSource::Event::Connected) == 1; }));
    const Bytes second = Hk(2), before = Cat({Hk(1), Bytes(second.begin(), second.begin() + 50)});
    tnc.Write(before);
    ASSERT_TRUE(Drive(*source, [&] { return BytesFed() == static_cast<long long>(before.size()); }));
    tnc.Close();
    ASSERT_TRUE(Drive(*source, [&] { return drops.size() == 1; }));
    Pty replugged;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(replugged.SlavePath(), link);
    ASSERT_TRUE(Drive(*source, [&] { return Count(LiveSource::Event::Connected) == 2; })) << drops.back();
    const Bytes after = Cat({Bytes(second.begin() + 50, second.end()), Hk(3)});
    replugged.Write(after);
    ASSERT_TRUE(Drive(*source, [&] { return BytesFed() == static_cast<long long>(before.size() + after.size()); }));
    source.reset();
    session.EndStream();
    EXPECT_EQ(drops, std::vector<std::string>{"device lost"});
    EXPECT_EQ(waits, std::vector<LiveSource::Milliseconds>{1000ms});
    EXPECT_EQ(Packets(session), (std::vector<double>{1, 3}));
    EXPECT_EQ(Seen(*Replayed()), Seen(session));
}

// tavro-cli with a device that is not there, one it may not open (as an
// unprivileged user: CI runs as root), and a file that is not a tty.
TEST_F(Serial, DevicesThatCannotBeOpened) {
    const std::string cli = TAVRO_BIN_DIR "/tavro-cli";
    std::vector<std::string> asUser;  // the user who runs the program, without root's rights
    if (::geteuid() == 0) asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    else ::chmod(tnc.SlavePath().c_str(), 0);
    if (::geteuid() == 0 && ::access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv to drop root's rights";
    std::vector<std::string> args = asUser;
    args.insert(args.end(), {cli, "--kiss-serial", tnc.SlavePath() + ":19200", "--reconnect"});
    const struct { std::vector<std::string> args; std::string err; } cases[] = {
        {{cli, "--kiss-serial", "/dev/ttyUSB-tavro-missing"},
         "tavro-cli: cannot open /dev/ttyUSB-tavro-missing: No such file or directory\n"},
        {args, "tavro-cli: cannot open " + tnc.SlavePath() + ": Permission denied; add the user to the dialout group "
               "(sudo usermod -aG dialout $USER) and log in again\n"},
        {{cli, "--kiss-serial", dir.Write("plain.txt", "x")}, "tavro-cli: cannot open " + dir.Path("plain.txt") +
                                                               ": not a serial device\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(c.args);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_THAT(run.err, testing::StartsWith(c.err));
    }
}

TEST(SerialTexts, InitTextPieces) {
    const struct { std::string init; std::vector<std::string> pieces; } cases[] = {
        {"", {}},
        {"KISS ON\\rRESTART\\r\\w", {"KISS ON\rRESTART\r", ""}},
        {"\\wINTFACE KISS\\r\\n", {"", "INTFACE KISS\r\n"}},
        {"a\\\\r\\x\\", {"a\\r\\x\\"}},  // an escaped backslash, an unknown escape, a backslash at the end
        {"\\w\\w", {"", "", ""}},
        {std::string("\xC0\x00\\r", 4), {std::string("\xC0\x00\r", 3)}},  // hand-made KISS bytes go through as written
    };
    for (const auto& c : cases) EXPECT_EQ(InitTextPieces(c.init), c.pieces) << c.init;
}

TEST(SerialTexts, DeviceAndBaud) {
    const struct { std::string text; bool ok; std::string device; int baud; } cases[] = {
        {"/dev/ttyUSB0", true, "/dev/ttyUSB0", 9600},           {"/dev/ttyUSB0:115200", true, "/dev/ttyUSB0", 115200},
        {"/dev/rfcomm0:1200", true, "/dev/rfcomm0", 1200},       {"/dev/ttyUSB0:9601", false, "", 0},
        {"/dev/ttyUSB0:230400", false, "", 0},                   {":9600", false, "", 0},     {"", false, "", 0},
        {"/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", true,
         "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", 9600},
        {"/dev/ttyS0:", true, "/dev/ttyS0:", 9600},  // nothing after the ':' is no rate
    };
    for (const auto& c : cases) {
        std::string device;
        int baud = 9600;
        EXPECT_EQ(ParseSerialDevice(c.text, device, baud), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(std::pair(device, baud), std::pair(c.device, c.baud)) << c.text;
        }
    }
}

TEST(SerialTexts, DeviceCandidates) {
    const TempDir dev{"dev"};
    std::filesystem::create_directories(dev / "serial/by-id");
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "rfcomm0", "ttyS0", "tty", "ttyUSB", "sda"}) dev.Write(name, "");
    std::filesystem::create_symlink("../../ttyUSB2", dev / "serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    const std::string d = dev.string();
    EXPECT_EQ(SerialDeviceCandidates(d),
              (std::vector<std::string>{d + "/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", d + "/ttyUSB2",
                                        d + "/ttyUSB10", d + "/ttyACM0", d + "/rfcomm0"}));
    EXPECT_EQ(SerialDeviceCandidates(dev.Path("none")), std::vector<std::string>{});
}
