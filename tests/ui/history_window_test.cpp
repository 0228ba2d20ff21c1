// The history window over an archive filled by the real store: span
// choices, the min/max line with its spike and its gap, zoom, pan and reset
// by mouse events, the read-out, the footer, following new beacons, and the
// "Archive" menu of the main window.
#include <QTest>

#include <cmath>
#include <filesystem>

#include "archive.h"
#include "history_chart.h"
#include "history_window.h"
#include "sqlite_archive.h"
#include "window_test_support.h"

using namespace uitest;
using tavro::Archive;
using tavro::ArchiveRecord;
using tavro::HistorySpan;
using tavro::TimeRange;
using tavro::ui::HistoryWindow;

namespace {

constexpr std::int64_t kPass1 = 1796552224000;           // 2026-12-06 10:17:04.000 UTC
constexpr std::int64_t kPass2 = kPass1 + 3 * 3600000;    // 13:17:04.000
constexpr std::int64_t kLast = kPass2 + 59000;           // 13:18:03.000
constexpr int kSpikeBeacon = 1317;

// Batt voltage (channel 10) of a beacon; Packet cnt tells the beacons apart.
ArchiveRecord Beacon(std::int64_t utcMs, double volts, double packet) {
    ArchiveRecord r;
    r.values[10] = volts;
    r.values[2] = packet;
    r.sourceBytes = std::string("\x00\x86\xA2\x40", 4);
    r.reception = {"/data/pass.kss", tavro::SourceKind::KissFile, "", utcMs, ""};
    return r;
}

// Pass 1: 2400 beacons a quarter second apart at 7.00 V but one spike of 99.50 V;
// pass 2, three hours later: 60 beacons at 8.25 V, its first heard twice.
std::vector<ArchiveRecord> TwoPasses() {
    std::vector<ArchiveRecord> records;
    for (int k = 0; k < 2400; ++k) records.push_back(Beacon(kPass1 + 250LL * k, k == kSpikeBeacon ? 99.5 : 7.0, k));
    for (int k = 0; k < 60; ++k) records.push_back(Beacon(kPass2 + 1000LL * k, 8.25, 1000 + k));
    records.push_back(Beacon(kPass2, 8.25, 1000));  // another station
    return records;
}

struct History : testing::Test {
    void SetUp() override {
        path = folder.filePath(QStringLiteral("tavro_archive.sqlite")).toStdString();
        Fill(TwoPasses());
        Open();
    }
    void Fill(const std::vector<ArchiveRecord>& records) {
        tavro::OpenedArchive writer = tavro::OpenArchive(path);
        ASSERT_TRUE(writer.archive) << writer.error;
        tavro::AddCounts counts;
        ASSERT_TRUE(writer.archive->Add(records, counts)) << writer.archive->Error();
    }
    void Open() {
        tavro::OpenedArchive reader = tavro::OpenArchive(path, true);
        ASSERT_TRUE(reader.archive) << reader.error;
        window = std::make_unique<HistoryWindow>(std::move(reader.archive), '.');
        window->Clock = [] { return kLast + 3600000; };  // an hour after the last beacon
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
        QApplication::processEvents();
        window->OnSpanChosen(HistorySpan::All);
    }
    tavro::ui::HistoryChart* chart() { return window->ControlsForTesting().chart; }
    QWidget* plot() { return chart()->Plot(); }
    QPoint At(std::int64_t ms) {
        return {qRound(chart()->Plot()->xAxis->coordToPixel(ms / 1000.0)), chart()->Plot()->axisRect()->center().y()};
    }
    std::pair<double, double> AxisRange() { return {chart()->Plot()->xAxis->range().lower, chart()->Plot()->xAxis->range().upper}; }

    QTemporaryDir folder;
    std::string path;
    std::unique_ptr<HistoryWindow> window;
};

}  // namespace

TEST_F(History, MoreBeaconsThanColumnsKeepTheSpikeAsAColumnMaximumAndAGapBetweenThePasses) {
    const auto& points = chart()->Points();
    ASSERT_LT(points.size(), 200u);  // pass 1 takes a few dozen columns
    int spikes = 0;
    for (const tavro::SeriesPoint& p : points) {
        if (p.max != 99.5) continue;
        ++spikes;
        EXPECT_TRUE(p.min == 7.0 && p.beacons > 1 && p.firstMs <= kPass1 + 250 * kSpikeBeacon && p.lastMs >= kPass1 + 250 * kSpikeBeacon);
    }
    EXPECT_EQ(spikes, 1);
    const auto [low, high] = chart()->ValueRange();
    EXPECT_NEAR(low, 7.0 - 0.05 * 92.5, 1e-9);
    EXPECT_NEAR(high, 99.5 + 0.05 * 92.5, 1e-9);
    // One break in the line, between 10:27:03 and 13:17:04; the spike drawn once.
    const auto line = chart()->Line();
    const auto gap = std::find_if(line.begin(), line.end(), [](const auto& v) { return std::isnan(v.second); });
    ASSERT_NE(gap, line.end());
    EXPECT_TRUE(gap->first > (kPass1 + 599000) / 1000.0 && gap->first < kPass2 / 1000.0) << gap->first;
    EXPECT_EQ(std::count_if(line.begin(), line.end(), [](const auto& v) { return std::isnan(v.second); }), 1);
    EXPECT_EQ(std::count_if(line.begin(), line.end(), [](const auto& v) { return v.second == 99.5; }), 1);
    const auto* drawn = static_cast<const QCPGraph*>(chart()->Plot()->plottable(0));
    EXPECT_EQ(drawn->dataCount(), static_cast<int>(chart()->Line().size()));
    EXPECT_EQ(window->ControlsForTesting().chartFrame->title(), "Batt voltage (V)");
    EXPECT_EQ(chart()->Notice(), "");
}

// A large archive: the per-minute summary first (the spike in place), then, once the
// history has loaded in the background, the exact line, without the user doing anything.
TEST(HistoryLarge, DrawsItsMinutesFirstThenEveryBeacon) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("large.sqlite")).toStdString();
    std::vector<ArchiveRecord> records;
    for (int k = 0; k < 100000; ++k) records.push_back(Beacon(kPass1 + 250LL * k, k == kSpikeBeacon ? 99.5 : 7.0, k));
    tavro::AddCounts counts;
    ASSERT_TRUE(tavro::OpenArchive(path).archive->Add(records, counts));
    tavro::OpenedArchive reader = tavro::OpenArchive(path, true);
    ASSERT_TRUE(reader.archive) << reader.error;
    dynamic_cast<tavro::SqliteArchive&>(*reader.archive).LoadAtOnceBelow(1000);
    HistoryWindow window(std::move(reader.archive), '.');  // opens on "All"
    ASSERT_TRUE(window.ShowsSummary());  // the first answer does not wait for 100000 beacons to load
    tavro::ui::HistoryChart* chart = window.ControlsForTesting().chart;
    // Every minute in some column, the spike's (10:22:33) with it.
    long long beacons = 0, spikes = 0;
    for (const tavro::SeriesPoint& p : chart->Points()) {
        beacons += p.beacons;
        if (p.max != 99.5) continue;
        ++spikes;
        EXPECT_TRUE(p.min == 7.0 && p.firstMs <= kPass1 + 6 * 60000 - 4000);
    }
    EXPECT_EQ(beacons, 100000);
    EXPECT_EQ(spikes, 1);
    EXPECT_EQ(chart->Points().front().firstMs, kPass1);
    EXPECT_EQ(chart->Points().back().lastMs, kPass1 + 250LL * 99999);
    for (int i = 0; i < 4000 && window.ShowsSummary(); ++i) QTest::qWait(5);
    ASSERT_FALSE(window.ShowsSummary());
    std::vector<tavro::SeriesPoint> exact;
    ASSERT_TRUE(window.Store().Series(10, {chart->View().fromMs, chart->View().toMs}, chart->Columns(), exact));
    ASSERT_EQ(chart->Points().size(), exact.size());
    for (std::size_t i = 0; i < exact.size(); ++i) EXPECT_EQ(chart->Points()[i].max, exact[i].max);
}

TEST_F(History, SpanChoicesShowTheirRangesOverUtcSeconds) {
    const struct { HistorySpan span; double lower, upper; } cases[] = {
        {HistorySpan::All, 1796552224.0, 1796563083.001},
        {HistorySpan::LastPass, 1796563024.0, 1796563083.001},
        {HistorySpan::LastDay, 1796480283.0, 1796566683.0},
        {HistorySpan::LastYear, 1765030683.0, 1796566683.0},  // the others' ranges: tests/history_view_test.cpp
    };
    for (const auto& c : cases) {
        window->OnSpanChosen(c.span);
        EXPECT_EQ(window->ControlsForTesting().spanChoice->currentText(), tavro::kHistorySpanNames[static_cast<int>(c.span)]);
        EXPECT_EQ(AxisRange(), std::pair(c.lower, c.upper)) << static_cast<int>(c.span);
        EXPECT_FALSE(window->ControlsForTesting().fromEdit->isEnabled());
    }
    // The last pass: 60 beacons, each a point of its own at 8.25 V.
    window->OnSpanChosen(HistorySpan::LastPass);
    EXPECT_EQ(chart()->Points().size(), 60u);
    EXPECT_EQ(chart()->Points().front().receptions, 2);

    // From/to starts from the view and takes the edits.
    window->OnSpanChosen(HistorySpan::FromTo);
    const auto& ui = window->ControlsForTesting();
    EXPECT_TRUE(ui.fromEdit->isEnabled());
    EXPECT_EQ(ui.fromEdit->text(), "2026-12-06 13:17:04");
    ui.fromEdit->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 20, 0), Qt::UTC));
    ui.toEdit->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 25, 0), Qt::UTC));
    window->OnFromToEdited();
    EXPECT_EQ(AxisRange(), std::pair(1796552400.0, 1796552700.0));
    long long beacons = 0;
    for (const tavro::SeriesPoint& p : chart()->Points()) beacons += p.beacons;
    EXPECT_EQ(beacons, 1200);  // 10:20:00 to 10:24:59.750, four beacons a second
    ui.toEdit->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0), Qt::UTC));
    window->OnFromToEdited();
    EXPECT_EQ(chart()->Notice(), "\"to\" must lie after \"from\"");
    EXPECT_FALSE(ui.openInMainButton->isEnabled());
}

TEST_F(History, WheelZoomsAroundThePointerDragPansDoubleClickShowsTheSpan) {
    window->OnSpanChosen(HistorySpan::LastPass);  // 13:17:04.000 to 13:18:03.001
    const QPoint pointer = At(kPass2 + 20000);
    const double underPointer = chart()->Plot()->xAxis->pixelToCoord(pointer.x());
    Wheel(plot(), pointer, 2);
    const TimeRange zoomed = chart()->View();
    EXPECT_NEAR(zoomed.toMs - zoomed.fromMs, 59001 * 0.64, 2);
    EXPECT_NEAR(chart()->Plot()->xAxis->pixelToCoord(pointer.x()), underPointer, 0.002);
    EXPECT_LT(chart()->Points().size(), 60u);

    Drag(plot(), pointer, pointer + QPoint(5000, 0));  // far right: to the span's start, no further
    EXPECT_EQ(chart()->View().fromMs, kPass2);
    EXPECT_NEAR(chart()->View().toMs - chart()->View().fromMs, zoomed.toMs - zoomed.fromMs, 1);

    for (int step = 0; step < 40; ++step) Wheel(plot(), pointer, 1);  // a second deep at most
    EXPECT_EQ(chart()->View().toMs - chart()->View().fromMs, 1000);

    Mouse(plot(), QEvent::MouseButtonDblClick, pointer);
    EXPECT_EQ(chart()->View(), (TimeRange{kPass2, kLast + 1}));
    EXPECT_EQ(AxisRange(), std::pair(1796563024.0, 1796563083.001));
}

TEST_F(History, HoverReadsOutTheNearestBeaconAsItsBoxShowsIt) {
    window->OnSpanChosen(HistorySpan::LastPass);
    Hover(plot(), At(kPass2));
    EXPECT_EQ(chart()->Readout(), "2026-12-06 13:17:04.000 UTC\n8.25 V\n2 receptions");
    Hover(plot(), At(kPass2 + 30000));
    EXPECT_EQ(chart()->Readout(), "2026-12-06 13:17:34.000 UTC\n8.25 V\n1 reception");
    window->OnChannelChosen(2);  // Packet cnt, no unit
    Hover(plot(), At(kPass2 + 31000));
    EXPECT_EQ(chart()->Readout(), "2026-12-06 13:17:35.000 UTC\n1031\n1 reception");
    // In the gap between the passes no beacon is near.
    window->OnSpanChosen(HistorySpan::All);
    Hover(plot(), At(kPass1 + 5400000));
    EXPECT_EQ(chart()->Readout(), "");
}

TEST_F(History, FooterSaysPathCountsTimesAndSize) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path) + std::filesystem::file_size(path + "-wal", ec) * !ec;
    const QString size = QString::number(bytes / 1024.0, 'f', 1) + " KiB";
    EXPECT_EQ(window->ControlsForTesting().footer->text(),
              QString::fromStdString(path) + ": 2460 beacons, 2461 receptions, 2026-12-06 10:17:04.000 to 2026-12-06 13:18:03.000 UTC, " + size);
}

TEST_F(History, FollowsNewBeacons) {
    // All of it in view: the view grows with the archive. The reading
    // connection sees what another one wrote.
    Fill({Beacon(kLast + 60000, 9.0, 5000)});
    window->OnBeaconsAdded();
    EXPECT_EQ(chart()->View(), (TimeRange{kPass1, kLast + 60001}));
    EXPECT_TRUE(window->ControlsForTesting().footer->text().contains("2461 beacons, 2462 receptions"));
    EXPECT_EQ(chart()->Points().back().max, 9.0);

    // Zoomed into the first pass, the view stays.
    window->ControlsForTesting().chart->SetView({kPass1, kPass1 + 60000});
    Fill({Beacon(kLast + 120000, 9.5, 5001)});
    window->OnBeaconsAdded();
    EXPECT_EQ(chart()->View(), (TimeRange{kPass1, kPass1 + 60000}));
    EXPECT_EQ(chart()->Bounds(), (TimeRange{kPass1, kLast + 120001}));
}

TEST(HistoryEmpty, AnArchiveWithoutBeaconsSaysSo) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("empty.sqlite")).toStdString();
    ASSERT_TRUE(tavro::OpenArchive(path).archive);
    HistoryWindow window(tavro::OpenArchive(path, true).archive, '.');
    EXPECT_EQ(window.ControlsForTesting().chart->Notice(), "no beacons with time in the archive");
    EXPECT_TRUE(window.ControlsForTesting().footer->text().startsWith(QString::fromStdString(path) + ": no beacons yet, "));
    EXPECT_FALSE(window.ControlsForTesting().openInMainButton->isEnabled());
}

// "Keep every record in the archive" is remembered in conf.ini.
TEST_F(WindowTest, ArchiveMenuTogglesArchiveInConfIni) {
    WriteBytes(Path("conf.ini"), std::string("# mine\nSCREENSHOT=yes\n"));
    MakeWindow();
    EXPECT_TRUE(ui().archiveAction->isChecked());
    ui().archiveAction->trigger();
    EXPECT_FALSE(ui().archiveAction->isChecked());
    EXPECT_EQ(ReadAll(Path("conf.ini")), "# mine\nSCREENSHOT=yes\nARCHIVE=0\n");
    ui().archiveAction->trigger();
    EXPECT_EQ(ReadAll(Path("conf.ini")), "# mine\nSCREENSHOT=yes\nARCHIVE=1\n");
    WriteBytes(Path("conf.ini"), std::string("archive = 0\n"));
    MakeWindow();
    EXPECT_FALSE(ui().archiveAction->isChecked());
    QStringList titles;
    for (QAction* menu : window->menuBar()->actions()) titles << menu->text();
    EXPECT_EQ(titles.indexOf("&Archive"), titles.indexOf("&Info") - 1);
}

// The main window archives into its program folder; its history window
// opens what is in view as the main window's selection.
TEST_F(WindowTest, HistoryOpensTheBeaconsInViewInTheMainWindowTheFirst10000) {
    const std::string archive = Path("tavro_archive.sqlite").toStdString();
    std::vector<ArchiveRecord> records;
    for (int k = 0; k < 10050; ++k) records.push_back(Beacon(kPass1 + 1000LL * k, 7.0 + (k % 2), k));
    tavro::AddCounts counts;
    ASSERT_TRUE(tavro::OpenArchive(archive).archive->Add(records, counts));
    window->OnHistory();
    HistoryWindow* history = window->History();
    ASSERT_NE(history, nullptr) << messages.join("\n").toStdString();
    history->OnSpanChosen(HistorySpan::All);
    history->OnOpenInMainWindow();
    const QString capped = "the first 10000 of 10050 beacons in view opened in the main window (a selection holds 10000)";
    EXPECT_EQ(history->ControlsForTesting().statusLine->text(), capped);
    EXPECT_EQ(ui().statusLine->text(), capped);
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 10000");

    const auto& h = history->ControlsForTesting();
    history->OnSpanChosen(HistorySpan::FromTo);
    h.fromEdit->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 18, 0), Qt::UTC));
    h.toEdit->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(10, 20, 0), Qt::UTC));
    history->OnFromToEdited();
    history->OnOpenInMainWindow();
    EXPECT_EQ(h.statusLine->text(), "120 beacons opened in the main window");
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 120");
    EXPECT_EQ(ui().timeLabel->text(), "2026-12-06 10:18:00.000 UTC");
    EXPECT_EQ(ui().valueBoxes[10]->text(), "7.00");  // beacon 56 of the run
    EXPECT_EQ(ui().valueBoxes[2]->text(), "56");
}

// A log's lines have no date: the window asks for it, and the archive keeps
// the records at that day's times.
TEST_F(WindowTest, ALogIsArchivedAtTheDateTheUserGives) {
    QStringList offered;
    window->ExecDialog = [&offered](QDialog& dialog) {
        auto* date = dialog.findChild<QDateEdit*>(QStringLiteral("logDate"));
        offered << date->date().toString(Qt::ISODate);
        date->setDate(QDate(2026, 12, 6));
        return int(QDialog::Accepted);
    };
    WriteBytes(Path("pass.log"), LogText(3));  // 10:20:00, 10:20:01, 10:20:02
    QFile log(Path("pass.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadWrite));
    ASSERT_TRUE(log.setFileTime(QDateTime(QDate(2026, 11, 30), QTime(23, 0), Qt::UTC), QFileDevice::FileModificationTime));
    log.close();
    window->OpenFiles({Path("pass.log")});
    EXPECT_EQ(offered, QStringList{"2026-11-30"});
    window->OnHistory();
    ASSERT_NE(window->History(), nullptr);
    ASSERT_TRUE(Until([&] { return window->History()->ControlsForTesting().footer->text().contains("3 beacons"); }))
        << window->History()->ControlsForTesting().footer->text().toStdString();
    EXPECT_TRUE(window->History()->ControlsForTesting().footer->text().contains(
        "3 beacons, 3 receptions, 2026-12-06 10:20:00.000 to 2026-12-06 10:20:02.000 UTC"));
}

// The history window follows what the main window adds to the archive.
TEST_F(WindowTest, HistoryFollowsNewBeaconsOfTheMainWindow) {
    window->OnHistory();
    HistoryWindow* history = window->History();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->ControlsForTesting().chart->Notice(), "no beacons with time in the archive");
    Load("a.kss", 5);  // 2026-12-06 09:05:00.000 UTC
    ASSERT_TRUE(Until([&] { return history->ControlsForTesting().footer->text().contains("5 beacons"); }));
    EXPECT_EQ(history->ControlsForTesting().chart->Notice(), "");
    long long beacons = 0;
    for (const tavro::SeriesPoint& p : history->ControlsForTesting().chart->Points()) beacons += p.beacons;
    EXPECT_EQ(beacons, 5);

    ui().archiveAction->trigger();  // off: nothing more is archived
    Load("b.kss", 7);
    EXPECT_TRUE(history->ControlsForTesting().footer->text().contains("5 beacons"));
}
