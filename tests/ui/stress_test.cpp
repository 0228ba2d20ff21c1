// The window under stress: closed in the middle of long reads, every command
// tried at every pause of a read, a second open right after the first, the
// scroll bar driven at 100 steps a second, channels switched back to back.
#include <QAbstractSlider>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "channel_chart.h"
#include "value_text.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

// What the value boxes must show for the record at scroll position p.
QStringList ExpectedTexts(const MainWindow& w, int position) {
    const tavro::TelemetryRecord& r = const_cast<MainWindow&>(w).Store().table[position - 1];
    QStringList texts;
    for (int i = 0; i < tavro::kChannelCount; ++i)
        texts << QString::fromStdString(tavro::DisplayText(i, r.Channels[static_cast<std::size_t>(i)], '.'));
    return texts;
}

// Runs the application's event loop until the program ends (exit code 0) or a
// minute has passed (exit code 3: the program did not end).
int RunUntilTheProgramEnds() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(3); });
    watchdog.start(60000);
    return QApplication::exec();
}

class Stress : public WindowTest {
protected:
    // Polls at every pass of the event loop until ready() holds, then runs act().
    void WhenReady(std::function<bool()> ready, std::function<void()> act) {
        poll_ = [this, ready, act] {
            if (!ready()) {
                QTimer::singleShot(0, window.get(), poll_);
                return;
            }
            act();
        };
        QTimer::singleShot(0, window.get(), poll_);
    }
    std::function<void()> poll_;
};

// ---- closing during a long read ---------------------------------------------

struct CloseCase {
    const char* name;
    // When to close, seen between two slices: records so far, the file being read.
    std::function<bool(const MainWindow&)> when;
};

const CloseCase kCloseCases[] = {
    {"FirstSlice", [](const MainWindow& w) { return const_cast<MainWindow&>(w).Store().table.RecordCount() > 0; }},
    {"TableFull", [](const MainWindow& w) { return const_cast<MainWindow&>(w).Store().table.FramesNotStored() > 100; }},
    {"BetweenFiles", [](const MainWindow& w) { return w.Text4->text().endsWith(QStringLiteral("b.kss")); }},
    {"InTheLastFile",
     [](const MainWindow& w) {
         // a.kss and b.kss leave 5000 frames not stored; c.log's lines add to them.
         return w.Text4->text().endsWith(QStringLiteral("c.log")) && const_cast<MainWindow&>(w).Store().table.FramesNotStored() > 5100;
     }},
};

class CloseDuringRead : public Stress, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseDuringRead, StopsAtOnceAndTheProgramEnds) {
    WriteBytes(Path("a.kss"), KissCapture(12000));  // more than the table holds
    WriteBytes(Path("b.kss"), KissCapture(3000));
    WriteBytes(Path("c.log"), LogText(3000));
    window->SliceBytes = 700;
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    int recordsAtClose = -1;
    long long notStoredAtClose = -1;
    bool closedTwice = false;
    WhenReady([&] { return GetParam().when(*window); },
              [&] {
                  recordsAtClose = window->Store().table.RecordCount();
                  notStoredAtClose = window->Store().table.FramesNotStored();
                  window->close();
                  closedTwice = window->close();  // a second close changes nothing
              });
    QTimer::singleShot(0, window.get(), [&] { window->OpenFiles({Path("a.kss"), Path("b.kss"), Path("c.log")}); });

    EXPECT_EQ(RunUntilTheProgramEnds(), 0);
    ASSERT_GE(recordsAtClose, 0) << "the window was never closed";
    EXPECT_TRUE(closedTwice);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Reading());
    // Nothing was read after the close.
    EXPECT_EQ(window->Store().table.RecordCount(), recordsAtClose);
    EXPECT_EQ(window->Store().table.FramesNotStored(), notStoredAtClose);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Moments, CloseDuringRead, testing::ValuesIn(kCloseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- every command tried at every pause of a read ----------------------------

struct Command {
    const char* name;
    std::function<void(MainWindow&, Stress&)> run;
};

TEST_F(Stress, EveryCommandDuringAReadChangesNothing) {
    WriteBytes(Path("long.kss"), KissCapture(600));
    WriteBytes(Path("other.kss"), KissCapture(3));
    int dialogs = 0;
    window->ExecDialog = [&](QFileDialog&) {
        ++dialogs;
        return int(QDialog::Rejected);
    };
    window->SliceBytes = 300;
    window->Check1->setChecked(true);
    const QString otherPath = Path("other.kss");
    const std::vector<Command> commands = {
        {"Open KISS file", [](MainWindow& w, Stress&) { w.MenuFileOpenKiss->trigger(); w.MenuFileOpenKiss_Click(); }},
        {"Open Log file", [](MainWindow& w, Stress&) { w.MnuOpenLog->trigger(); w.MnuOpenLog_Click(); }},
        {"Write CSV File", [](MainWindow& w, Stress&) { w.WriteCSVFile->trigger(); w.WriteCSVFile_Click(); }},
        {"Write TLM File", [](MainWindow& w, Stress&) { w.WriteTLMFile->trigger(); w.WriteTLMFile_Click(); }},
        {"Screenshot", [](MainWindow& w, Stress&) { w.Command1->click(); w.Command1_Click(); }},
        {"Open files", [otherPath](MainWindow& w, Stress&) { w.OpenFiles({otherPath}); }},
        {"Drop files",
         [otherPath](MainWindow& w, Stress&) {
             QMimeData mime;
             mime.setUrls({QUrl::fromLocalFile(otherPath)});
             QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(&w, &drop);
         }},
        {"Channel", [](MainWindow& w, Stress&) { w.Option1[10]->click(); }},
        {"Bars", [](MainWindow& w, Stress&) { w.Check1->click(); }},
        {"Scroll", [](MainWindow& w, Stress&) { w.HScroll1->triggerAction(QAbstractSlider::SliderSingleStepAdd); }},
    };
    int pauses = 0;
    std::function<void()> attempt = [&] {
        if (!window->Reading()) return;
        ++pauses;
        for (const Command& c : commands) c.run(*window, *this);
        QTimer::singleShot(0, window.get(), attempt);
    };
    QTimer::singleShot(0, window.get(), attempt);
    window->OpenFiles({Path("long.kss")});

    EXPECT_GT(pauses, 10);
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->Store().table.RecordCount(), 600);
    EXPECT_EQ(window->List3->count(), 1);
    EXPECT_EQ(window->Text4->text(), Path("long.kss"));
    EXPECT_EQ(window->Text2->text(), "#1 / 600");
    EXPECT_EQ(BoxTexts(*window), ExpectedTexts(*window, 1));
    EXPECT_TRUE(window->Check1->isChecked());
    EXPECT_EQ(window->SelectedChannel(), 5);  // the capture's own channel, not the one clicked
    EXPECT_EQ(window->MSChart1->RowCount(), 600);
    EXPECT_EQ(QDir(folder.path()).entryList({"*.csv", "*.tlm", "*.bmp", "*.png"}, QDir::Files), QStringList());
}

// ---- a second open right after the first --------------------------------------

TEST_F(Stress, SecondOpenRightAfterTheFirstShowsOnlyItsFile) {
    WriteBytes(Path("first.kss"), KissCapture(400));
    WriteBytes(Path("second.kss"), KissCapture(5, "2026-12-07 00:00:00.000 UTC"));
    WriteBytes(Path("third.log"), LogText(7));
    window->SliceBytes = 1024;

    window->OpenFiles({Path("first.kss")});
    window->HScroll1->setValue(400);
    window->OpenFiles({Path("second.kss")});
    EXPECT_EQ(window->Store().table.RecordCount(), 5);
    EXPECT_EQ(window->HScroll1->value(), 5);  // the old position, held to the new count
    EXPECT_EQ(window->Text2->text(), "#5 / 5");
    EXPECT_EQ(BoxTexts(*window), ExpectedTexts(*window, 5));
    EXPECT_EQ(window->Label5->text(), "2026-12-07 00:00:00.000 UTC");
    EXPECT_EQ(window->MSChart1->RowCount(), 5);

    // Posted while the first read runs, started as soon as it has finished.
    bool started = false;
    WhenReady([&] { return !window->Reading(); },
              [&] {
                  started = true;
                  window->OpenFiles({Path("third.log")});
                  QApplication::exit(0);
              });
    window->OpenFiles({Path("first.kss")});
    EXPECT_EQ(window->Store().table.RecordCount(), 400);
    EXPECT_EQ(RunUntilTheProgramEnds(), 0);
    EXPECT_TRUE(started);
    EXPECT_EQ(window->Store().table.RecordCount(), 7);
    EXPECT_EQ(window->Text2->text(), "#5 / 7");
    EXPECT_EQ(window->SelectedChannel(), 16);  // a log's channel
    EXPECT_EQ(window->MSChart1->RowCount(), 7);

    // Through the menu: a file, then a cancelled dialog reads it again.
    AnswerDialog(QStringLiteral("second.kss"));
    window->MenuFileOpenKiss_Click();
    const QStringList afterFirst = BoxTexts(*window);
    CancelDialog();
    window->MenuFileOpenKiss_Click();
    EXPECT_EQ(window->Store().table.RecordCount(), 5);
    EXPECT_EQ(BoxTexts(*window), afterFirst);
}

// ---- the scroll bar at 100 steps a second ------------------------------------

TEST_F(Stress, ScrollingAtAHundredStepsASecondAlwaysShowsThePosition) {
    constexpr int kRecords = 400;
    WriteBytes(Path("pass.kss"), KissCapture(kRecords));
    window->OpenFiles({Path("pass.kss")});
    ASSERT_EQ(window->Store().table.RecordCount(), kRecords);

    // Steps forward, back, by pages, jumps, and past both ends.
    std::mt19937 random(12);
    std::vector<std::function<void(QScrollBar&)>> moves = {
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderSingleStepAdd); },
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderSingleStepSub); },
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderPageStepAdd); },
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderPageStepSub); },
        [&random](QScrollBar& s) { s.setValue(static_cast<int>(random() % (kRecords + 20)) - 10); },
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderToMaximum); },
        [](QScrollBar& s) { s.triggerAction(QAbstractSlider::SliderToMinimum); },
    };
    int steps = 0;
    int wrong = 0;
    QTimer ticker;
    ticker.setInterval(10);  // 100 steps a second
    QEventLoop loop;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        moves[random() % moves.size()](*window->HScroll1);
        const int p = window->HScroll1->value();
        if (window->Text2->text() != QStringLiteral("#%1 / %2").arg(p).arg(kRecords) ||
            BoxTexts(*window) != ExpectedTexts(*window, p))
            ++wrong;
        if (++steps == 300) loop.quit();
    });
    ticker.start();
    loop.exec();
    EXPECT_EQ(steps, 300);
    EXPECT_EQ(wrong, 0);

    // And as fast as the loop goes.
    for (int k = 0; k < 3000; ++k) {
        moves[random() % moves.size()](*window->HScroll1);
        QCoreApplication::processEvents();
    }
    const int p = window->HScroll1->value();
    EXPECT_EQ(window->Text2->text(), QStringLiteral("#%1 / %2").arg(p).arg(kRecords));
    EXPECT_EQ(BoxTexts(*window), ExpectedTexts(*window, p));
}

// ---- switching channels back to back -------------------------------------------

TEST_F(Stress, SwitchingChannelsDuringPlotsEndsWithTheLastChoice) {
    WriteBytes(Path("pass.kss"), KissCapture(tavro::RecordTable::kCapacity));
    window->OpenFiles({Path("pass.kss")});
    ASSERT_EQ(window->Store().table.RecordCount(), tavro::RecordTable::kCapacity);

    std::mt19937 random(47);
    int last = 5;
    for (int k = 0; k < 200; ++k) {
        last = static_cast<int>(random() % tavro::kChannelCount);
        window->Option1[static_cast<std::size_t>(last)]->click();
        if (k % 3 == 0) window->Check1->click();
        // Some switches come before the previous plot was painted, some after.
        if (k % 2) QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();

    EXPECT_EQ(window->SelectedChannel(), last);
    int checked = 0;
    for (QRadioButton* option : window->Option1) checked += option->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(window->Option1[static_cast<std::size_t>(last)]->isChecked());
    EXPECT_TRUE(window->Frame1->title().startsWith(window->Option1[static_cast<std::size_t>(last)]->text()));
    const tavro::ui::ChannelChart& chart = *window->MSChart1;
    EXPECT_EQ(chart.IsBars(), window->Check1->isChecked());
    ASSERT_EQ(chart.RowCount(), tavro::RecordTable::kCapacity);
    for (int row : {1, 2, 5000, tavro::RecordTable::kCapacity})
        EXPECT_EQ(chart.RowValue(row), window->Store().table[row - 1].Channels[static_cast<std::size_t>(last)]) << "row " << row;
}

// ---- values at the ends of the double's range --------------------------------

// Mag Delta values (channels 21-23, x * 7.5 of an 8-byte float) that are not
// finite or near the double's limits: charted as bars and as a line, painted,
// and shown in the value boxes.
TEST_F(Stress, ExtremeValuesArePlottedPaintedAndShown) {
    const double inf = std::numeric_limits<double>::infinity();
    const double raws[] = {std::numeric_limits<double>::quiet_NaN(), inf, -inf, 1e308, 2e307, -2e307, 4e-324, 0, 1, -1};
    std::string text;
    for (std::size_t k = 0; k < std::size(raws); ++k) {
        tavro::passgen::LogRaw raw{};
        raw[21] = raws[k];
        raw[22] = raws[(k + 3) % std::size(raws)];
        raw[23] = k % 2 ? 2e307 : -2e307;
        raw[3] = 4294967295.0;  // the largest U32
        text += tavro::passgen::LogHousekeepingLine("10:00:0" + std::to_string(k), raw) + "\n";
    }
    WriteBytes(Path("extreme.log"), text);
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    window->OpenFiles({Path("extreme.log")});
    ASSERT_EQ(window->Store().table.RecordCount(), static_cast<int>(std::size(raws)));

    for (int channel : {21, 22, 23, 3}) {
        for (bool bars : {true, false, true}) {
            if (window->Check1->isChecked() != bars) window->Check1->click();
            window->Option1[static_cast<std::size_t>(channel)]->click();
            EXPECT_FALSE(window->grab().isNull()) << "channel " << channel;  // paints the chart
            const tavro::ui::ChannelChart& chart = *window->MSChart1;
            ASSERT_EQ(chart.RowCount(), static_cast<int>(std::size(raws)));
            for (int row = 1; row <= chart.RowCount(); ++row) {
                const double stored = window->Store().table[row - 1].Channels[static_cast<std::size_t>(channel)];
                const double drawn = chart.RowValue(row);
                EXPECT_TRUE(drawn == stored || (std::isnan(drawn) && std::isnan(stored))) << "row " << row;
            }
        }
    }
    const QStringList expected21 = {"NaN", "Inf", "-Inf", "Inf"};
    for (int position = 1; position <= 4; ++position) {
        window->HScroll1->setValue(position);
        EXPECT_EQ(window->Text1[21]->text(), expected21[position - 1]);
        EXPECT_EQ(BoxTexts(*window), ExpectedTexts(*window, position));
    }
}

// ---- noise in the window ---------------------------------------------------------

// Time stamp frames of random bytes (some with "UTC" in them) before each
// housekeeping frame, and a log of random bytes: read, charted, painted and
// browsed like any other file.
TEST_F(Stress, NoiseIsReadChartedAndBrowsed) {
    std::mt19937 random(99);
    std::vector<std::uint8_t> capture;
    for (int k = 0; k < 200; ++k) {
        std::vector<std::uint8_t> stamp{9};
        for (int n = static_cast<int>(random() % 40); n > 0; --n) stamp.push_back(static_cast<std::uint8_t>(random()));
        if (k % 3 == 0) stamp.insert(stamp.end(), {' ', 'U', 'T', 'C'});
        tavro::passgen::KissRaw raw{};
        raw[2] = k, raw[10] = 100 + k;
        for (const auto& frame : {stamp, tavro::passgen::KissHousekeepingFrame(raw)}) {
            const auto wrapped = tavro::passgen::KissWrap(frame);
            capture.insert(capture.end(), wrapped.begin(), wrapped.end());
        }
    }
    WriteBytes(Path("noise.kss"), capture);
    std::string noise(1 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    WriteBytes(Path("noise.log"), noise);
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    window->SliceBytes = 4096;

    window->OpenFiles({Path("noise.kss")});
    ASSERT_EQ(window->Store().table.RecordCount(), 200);
    for (bool bars : {true, false}) {
        if (window->Check1->isChecked() != bars) window->Check1->click();
        EXPECT_FALSE(window->grab().isNull());
    }
    for (int position = 1; position <= 200; ++position) {
        window->HScroll1->setValue(position);
        const std::string& time = window->Store().table[position - 1].TimeText;
        ASSERT_EQ(window->Label5->text(), QString::fromLatin1(time.data(), static_cast<qsizetype>(time.size())));
        ASSERT_EQ(BoxTexts(*window), ExpectedTexts(*window, position));
    }

    window->OpenFiles({Path("noise.log")});
    EXPECT_FALSE(window->Reading());
    EXPECT_TRUE(window->MenuFileOpenKiss->isEnabled());
    EXPECT_EQ(window->MSChart1->RowCount(), window->Store().table.RecordCount());
    EXPECT_FALSE(window->grab().isNull());
}

}  // namespace

TAVRO_UI_TEST_MAIN()
