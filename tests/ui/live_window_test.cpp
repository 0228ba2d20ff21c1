// The window connected to a KISS server inside the test: records as they
// arrive, the browser following the newest or staying where the user is,
// the status line, the recording; and the framing report of a selection.
#include "kiss_server.h"
#include "report_dialog.h"
#include "value_box.h"
#include "window_test_support.h"

using namespace uitest;
using namespace std::chrono_literals;

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
    // Too long for the line: cut in the middle, so the server and the recording's name both show; whole as the tooltip.
    const auto* statusLine = dynamic_cast<tavro::ui::ValueBox*>(ui().statusLine);
    ASSERT_NE(statusLine, nullptr);
    EXPECT_EQ(statusLine->toolTip(), statusLine->text());
    const QString shown = statusLine->ShownText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("127.0.0.1:%1 disconnected").arg(server.Port())) && shown.contains(QChar(0x2026)) &&
                shown.endsWith(".kss") && shown.size() < statusLine->text().size()) << shown.toStdString();
    EXPECT_TRUE(ui().openKissAction->isEnabled());
    const QStringList recordings = QDir(folder.path()).entryList({"tavro_live_*.kss"});
    ASSERT_EQ(recordings.size(), 1);
    window->OpenFiles({Path(recordings[0])});
    ui().recordScroll->setValue(10);
    EXPECT_EQ(BoxTexts(*window), live);
    EXPECT_EQ(ui().timeLabel->text(), time);
}

// A connection that fails keeps the loaded selection; the live table replaces it once connected.
TEST_F(WindowTest, AFailedConnectionKeepsTheLoadedSelection) {
    Load("pass1.kss", 3);
    ui().recordScroll->setValue(2);
    const QStringList shown = BoxTexts(*window);
    std::uint16_t closedPort;
    {
        tavro::test::KissServer gone([](int, int) {});
        closedPort = gone.Port();
    }
    window->ReconnectPause = [](std::chrono::milliseconds) { return false; };
    window->ConnectTo("127.0.0.1", closedPort);
    ASSERT_TRUE(Until([&] { return ui().statusLine->text().contains("Connection refused"); }));
    const QString server = QStringLiteral("127.0.0.1:%1").arg(closedPort);
    EXPECT_TRUE(ui().statusLine->text().startsWith(server + " ")) << ui().statusLine->text().toStdString();
    EXPECT_TRUE(ui().statusLine->text().endsWith("; 0 frames, 0 records, 0 not stored")) << ui().statusLine->text().toStdString();
    EXPECT_EQ(window->Engine().RecordCount(), 3);
    EXPECT_EQ(ui().recordCounter->text(), "#2 / 3");
    EXPECT_EQ(BoxTexts(*window), shown);
    window->OnDisconnect();
    EXPECT_EQ(ui().statusLine->text(), server + " disconnected; 0 frames, 0 records, 0 not stored");
    EXPECT_EQ(window->Engine().SelectionFiles(), std::vector<std::string>{Path("pass1.kss").toStdString()});
    EXPECT_EQ(BoxTexts(*window), shown);
    EXPECT_TRUE(QDir(folder.path()).entryList({"tavro_live_*"}).isEmpty());  // nothing to record

    // Merging, changed while connected, applies from the next frame on.
    const auto frames = tavro::test::Cat({tavro::test::Hk(1), tavro::test::Hk(1)});
    std::atomic<int> stage{0};  // 0: hold, 1: send again, 2: end
    struct Release {  // the server's thread ends even when an assertion ends the test early
        std::atomic<int>& stage;
        ~Release() { stage = 2; }
    };
    tavro::test::KissServer server2([&](int socket, int n) {
        if (n > 0) return;
        ::send(socket, frames.data(), frames.size(), MSG_NOSIGNAL);
        while (stage == 0) std::this_thread::sleep_for(5ms);
        if (stage == 1) ::send(socket, frames.data(), frames.size(), MSG_NOSIGNAL);
        while (stage == 1) std::this_thread::sleep_for(5ms);
    });
    const Release release{stage};  // destroyed before server2
    window->ConnectTo("127.0.0.1", server2.Port());
    ASSERT_TRUE(Until([&] { return window->Engine().RecordCount() == 2; }));  // the live table
    window->OnMergeToggled(true);
    EXPECT_TRUE(ui().mergeAction->isChecked());
    EXPECT_TRUE(ui().statusLine->text().endsWith("; duplicate frames merged from the next frame on"))
        << ui().statusLine->text().toStdString();
    stage = 1;
    ASSERT_TRUE(Until([&] { return window->Engine().Summary().duplicates == 2; }));
    EXPECT_EQ(window->Engine().RecordCount(), 2);  // both kept from before
    stage = 2;
    window->OnDisconnect();
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
    // At its own size every column is in view, "duplicates" included.
    QApplication::processEvents();
    auto* table = report->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->horizontalHeaderItem(13)->text(), "duplicates");
    EXPECT_FALSE(table->horizontalScrollBar()->isVisible());
    EXPECT_LE(table->columnViewportPosition(13) + table->columnWidth(13), table->viewport()->width());
    EXPECT_GE(table->columnWidth(13), table->horizontalHeader()->fontMetrics().horizontalAdvance("duplicates"));
}
