// The window connected to a KISS server inside the test: records as they
// arrive, the browser following the newest or staying where the user is,
// the status line, the recording; and the framing report of a selection.
#include "kiss_server.h"
#include "report_dialog.h"
#include "window_test_support.h"

using namespace uitest;
using namespace std::chrono_literals;

// Runs the event loop until done() or 20 s.
static bool Until(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;) {
        if (done()) return true;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

TEST_F(WindowTest, LiveReceptionRecordedAndReopened) {
    const std::string text = tavro::test::FileText(TAVRO_SOURCE_DIR "/examples/pass.kss");
    const auto pass = tavro::test::AsBytes(text);
    std::atomic<bool> more{false};
    tavro::test::KissServer server([&](int socket, int n) {
        if (n > 0) return;  // back, but silent
        tavro::test::SendInSlices(socket, pass.first(pass.size() / 3), 1);
        while (!more) std::this_thread::sleep_for(5ms);  // the user scrolls back meanwhile
        tavro::test::SendInSlices(socket, pass.subspan(pass.size() / 3), 2);
    });
    std::vector<std::chrono::milliseconds> waits;  // the window's waits: the schedule's, none waited
    window->ReconnectPause = [&](std::chrono::milliseconds delay) { return waits.push_back(delay), false; };
    window->ConnectTo("127.0.0.1", server.Port());
    EXPECT_FALSE(ui().openKissAction->isEnabled());
    EXPECT_TRUE(ui().disconnectAction->isEnabled());
    ASSERT_TRUE(Until([&] { return window->Engine().RecordCount() > 50; }));
    EXPECT_EQ(ui().recordCounter->text(), QStringLiteral("#%1 / %1").arg(window->Engine().RecordCount()));  // follows
    ui().recordScroll->setValue(10);
    more = true;
    ASSERT_TRUE(Until([&] { return window->Engine().RecordCount() == 300; }));
    EXPECT_EQ(ui().recordCounter->text(), "#10 / 300");  // stays where the user is
    ASSERT_TRUE(Until([&] { return ui().statusLine->text().contains("reconnecting in"); }));
    const QString status = ui().statusLine->text();
    EXPECT_TRUE(status.startsWith(QStringLiteral("127.0.0.1:%1 reconnecting in ").arg(server.Port()))) << status.toStdString();
    EXPECT_TRUE(status.contains(" s (closed by the server); 413 frames, 300 records, 0 not stored; recording " + folder.path() +
                                "/tavro_live_")) << status.toStdString();
    const QStringList live = BoxTexts(*window);
    const QString time = ui().timeLabel->text();

    window->OnDisconnect();
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>{1s});  // after a connection: 1 s
    EXPECT_TRUE(ui().statusLine->text().contains(" disconnected; 413 frames, 300 records"));
    EXPECT_TRUE(ui().openKissAction->isEnabled());
    const QStringList recordings = QDir(folder.path()).entryList({"tavro_live_*.kss"});
    ASSERT_EQ(recordings.size(), 1);
    window->OpenFiles({Path(recordings[0])});
    ui().recordScroll->setValue(10);
    EXPECT_EQ(BoxTexts(*window), live);
    EXPECT_EQ(ui().timeLabel->text(), time);
}

// The report of a selection: the counts tavro-cli --report gives for the same files.
TEST_F(WindowTest, FramingReport) {
    WriteBytes(Path("a.kss"), KissCapture(2, "2026-11-28 10:14:03.250 UTC;1;2;3"));
    WriteBytes(Path("b.kss"), std::string("junk\xC0\xC0\xDB\x41\xC0"));
    window->OpenFiles({Path("a.kss"), Path("b.kss")});
    EXPECT_EQ(ui().statusLine->text(), "no housekeeping frames in b.kss (1 frames of other stations or types)");
    window->OnReport();
    auto* report = window->findChild<tavro::ui::ReportDialog*>();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->TabSeparatedText(),
              "file\tbytes\tframes\thousekeeping\tstamps text\tstamps binary\tother\tjunk\tbroken escapes\tcut\tbad\tstored\t"
              "not stored\tduplicates\n"
              "a.kss\t262\t3\t2\t1\t0\t0\t0\t0\t0\t0\t2\t0\t0\n"
              "b.kss\t9\t1\t0\t0\t0\t1\t4\t1\t0\t0\t0\t0\t0\n"
              "total\t271\t4\t2\t1\t0\t1\t4\t1\t0\t0\t2\t0\t0\n");
}
