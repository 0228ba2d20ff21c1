// The open commands through the real file dialog. (What they allow while they read: stress_test.)
#include "window_test_support.h"

using namespace uitest;

static QStringList SelectionFiles(const MainWindow& w) {
    QStringList paths;
    for (const std::string& path : w.Engine().SelectionFiles()) paths << QString::fromStdString(path);
    return paths;
}

TEST_F(WindowTest, BothSamplesThroughTheDialog) {
    WriteBytes(Path("pass1.kss"), KissCapture(3));
    WriteBytes(Path("day1.log"), LogText(3));
    const struct { void (MainWindow::*command)(); const char *name, *filter; int channel; const char *boxText, *time, *title; } cases[] = {
        {&MainWindow::OnOpenKiss, "pass1.kss", "KISS Files (*.kss)", 5, "10", "2026-12-06 09:05:00.000 UTC", "Cmd valid"},
        {&MainWindow::OnOpenLog, "day1.log", "Log Files (*.log)", 16, "200", "10:20:00.000 UTC", "Solar curr (mA)"},
    };  // channel: charted after the read
    for (const auto& c : cases) {
        AnswerDialog(c.name);
        (window.get()->*c.command)();
        EXPECT_EQ(dialogFilters.value(0), c.filter);
        EXPECT_EQ(SelectionFiles(*window), QStringList{Path(c.name)});
        EXPECT_EQ(ui().statusLine->text(), Path(c.name));
        EXPECT_EQ(ui().recordCounter->text(), "#1 / 3");
        EXPECT_EQ(ui().valueBoxes[c.channel]->text(), c.boxText);
        EXPECT_EQ(ui().timeLabel->text(), c.time);
        EXPECT_TRUE(ui().channelButtons[c.channel]->isChecked());
        EXPECT_EQ(ui().chartFrame->title(), c.title);
    }
    // A value too long for its box shows in full as the box's tooltip.
    EXPECT_EQ(std::pair(ui().valueBoxes[21]->text(), ui().valueBoxes[21]->toolTip()),
              std::pair(QStringLiteral("750000000000000000000.00"), QStringLiteral("750000000000000000000.00")));
    EXPECT_EQ(ui().valueBoxes[16]->toolTip(), "");
}

TEST_F(WindowTest, UnreadableFileThenACancelledDialogChangesNothing) {
    WriteBytes(Path("a.kss"), KissCapture(2));
    WriteBytes(Path("c.kss"), KissCapture(5));
    const QStringList selection{Path("a.kss"), Path("missing.kss"), Path("c.kss")};
    window->OpenFiles(selection);
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 7");
    EXPECT_EQ(ui().statusLine->text(), "cannot read " + Path("missing.kss") + ": No such file or directory");

    ui().recordScroll->setValue(4);
    const QStringList shown = BoxTexts(*window);
    for (void (MainWindow::*command)() : {&MainWindow::OnOpenKiss, &MainWindow::OnOpenLog}) {
        CancelDialog();
        (window.get()->*command)();
        EXPECT_EQ(SelectionFiles(*window), selection);
        EXPECT_EQ(ui().recordCounter->text(), "#4 / 7");
        EXPECT_EQ(BoxTexts(*window), shown);
        EXPECT_EQ(ui().timeLabel->text(), "2026-12-06 09:05:00.000 UTC");
    }
    // A log, then a cancelled "Open KISS file": the log's records stay.
    WriteBytes(Path("day.log"), LogText(300));
    window->OpenFiles({Path("day.log")});
    CancelDialog();
    window->OnOpenKiss();
    EXPECT_EQ(window->Engine().RecordCount(), 300);
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 300");  // a new selection shows its first record
    EXPECT_EQ(ui().timeLabel->text(), "10:20:00.000 UTC");
}

// Every new selection shows its first record: the dialog, a drop, the command line. SatNOGS
// exports go by their names, in any case: ".json" and ".csv" files dropped on the window or
// given on its command line are read as SatNOGS frames.
TEST_F(WindowTest, ANewSelectionShowsItsFirstRecord) {
    const auto hex = [](int packet) { return tavro::test::SatnogsHex(packet); };  // Packet cnt: channel 2
    WriteBytes(Path("a.kss"), KissCapture(200));
    WriteBytes(Path("b.kss"), KissCapture(150));
    WriteBytes(Path("frames.json"), "[{\"timestamp\": \"2026-12-06T10:00:02Z\", \"frame\": \"" + hex(92) +
                                        "\"}, {\"timestamp\": \"2026-12-06T10:00:01.5Z\", \"frame\": \"" + hex(91) + "\"}]");
    WriteBytes(Path("PASS.CSV"), "2026-12-06 10:00:03|" + hex(93) + "\n");
    WriteBytes(Path("MORE.Json"), "[{\"timestamp\": \"2026-12-06T10:00:04Z\", \"frame\": \"" + hex(94) + "\"}]");
    window->OpenFiles({Path("a.kss")});
    ui().recordScroll->setValue(116);
    EXPECT_EQ(ui().recordCounter->text(), "#116 / 200");
    AnswerDialog("b.kss");
    window->OnOpenKiss();
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 150");
    EXPECT_EQ(ui().valueBoxes[5]->text(), "10");  // Cmd valid of record 1
    ui().recordScroll->setValue(120);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("frames.json")), QUrl::fromLocalFile(Path("PASS.CSV"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);  // the drop goes where the drag entered
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 3");
    EXPECT_EQ(ui().valueBoxes[2]->text(), "91");
    EXPECT_EQ(ui().timeLabel->text(), "2026-12-06 10:00:01.500 UTC");
    ui().recordScroll->setValue(3);
    EXPECT_EQ(ui().valueBoxes[2]->text(), "93");
    window->OpenFiles({Path("MORE.Json")});  // as the command line gives it
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 1");
    EXPECT_EQ(ui().valueBoxes[2]->text(), "94");
    EXPECT_EQ(ui().timeLabel->text(), "2026-12-06 10:00:04.000 UTC");
}

// "Merge duplicate frames" reads the loaded files again: the table always shows what it says.
TEST_F(WindowTest, MergingReadsTheSelectionAgain) {
    QFile::copy(TAVRO_SOURCE_DIR "/examples/pass_satnogs.csv", Path("pass_satnogs.csv"));
    window->OpenFiles({Path("pass_satnogs.csv")});
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 857");
    ui().recordScroll->setValue(500);
    const struct { bool merge; const char *counter, *status; } steps[] = {
        {true, "#1 / 300", "557 duplicate frames merged"},
        {false, "#1 / 857", ""},
        {true, "#1 / 300", "557 duplicate frames merged"},
    };
    for (const auto& step : steps) {
        ui().mergeAction->trigger();
        EXPECT_EQ(ui().mergeAction->isChecked(), step.merge);
        EXPECT_EQ(ui().recordCounter->text(), step.counter);
        EXPECT_EQ(ui().statusLine->text(), step.status[0] ? QString(step.status) : Path("pass_satnogs.csv"));
    }
    EXPECT_EQ(SelectionFiles(*window), QStringList{Path("pass_satnogs.csv")});
}

TEST_F(WindowTest, TooManyFilesAreRefused) {
    Load("first.kss", 2);
    QString typed;  // 60 names of 40 characters: far beyond 2048
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("capture_of_a_long_pass_number_%1.kss").arg(i, 5, 10, QLatin1Char('0'));
        WriteBytes(Path(name), KissCapture(1));
        typed += '"' + name + "\" ";
    }
    AnswerDialog(typed);
    window->OnOpenKiss();
    EXPECT_EQ(messages.join(""), QString::fromUtf8("TAVRO Telemetry Decoder: Es wurden zu viele Dateien ausgewählt!"));
    EXPECT_EQ(SelectionFiles(*window), QStringList{Path("first.kss")});
    EXPECT_EQ(window->Engine().RecordCount(), 2);  // refused: nothing changes
}
