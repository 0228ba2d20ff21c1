// Window figures on the offscreen platform: opening the 10000-frame capture
// through the window's load path until the records are shown and the chart
// is drawn (against the core read alone), charting another channel as bars
// and as a line, one scroll step, one zoom and one pan step of the chart
// (mouse events on its plot), and start until the first paint (a child
// process started the way tavro-decoder starts). With --archive: the history
// window over an archive of 1000000 beacons (tavro_archive_bench --folder DIR
// leaves one in DIR/million.sqlite): its first draw of one channel from
// opening the archive, a zoom and a pan step, and its memory.
//
//   QT_QPA_PLATFORM=offscreen tavro_window_bench --kiss F [--archive A] [benchmark flags]
//   tavro_window_bench --archive A --history-png P   the history window as P-first.png and P-exact.png
//   xvfb-run -a tavro_window_bench --first-paint-only
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QMouseEvent>
#include <QTimer>
#include <qcustomplot.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "budget_rows.h"
#include "channel_chart.h"
#include "cubesat_art.h"
#include "file_reading.h"
#include <QThread>

#include "history_chart.h"
#include "history_window.h"
#include "main_window.h"

extern char** environ;

namespace tavro::bench {
namespace {

using ui::MainWindow;

MainWindow* g_window = nullptr;
const MainWindow::Controls& Ui() { return g_window->ControlsForTesting(); }
QString g_capture;

// Delivers what the last handler posted: layouts, replots, paints.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void BM_WindowOpen(benchmark::State& state) {
    for (auto _ : state) {
        g_window->OpenFiles({g_capture});
        Settle();
    }
    if (Ui().recordCounter->text() != QStringLiteral("#1 / 10000") || Ui().chart->RowCount() != 10000)
        state.SkipWithError("the capture did not load 10000 records");
}

void BM_CoreRead(benchmark::State& state) {
    const std::string path = g_capture.toStdString();
    for (auto _ : state) {
        Session session;
        ReadObserver quiet;
        ReadSelection(session, {{path, InputKind::Kiss}}, quiet);
        benchmark::DoNotOptimize(session.RecordCount());
    }
}

// Another channel each time, so every plot has new values.
void Chart(benchmark::State& state, bool bars) {
    static constexpr int kChannels[] = {10, 12, 13, 15, 16, 17, 41, 42, 8, 9};
    Ui().barsCheck->setChecked(bars);
    int k = 0;
    for (auto _ : state) {
        g_window->OnChannelChosen(kChannels[k++ % 10]);
        Settle();
    }
    if (Ui().chart->IsBars() != bars) state.SkipWithError("wrong chart style");
}

// The scroll bar one step on: counter, 47 value boxes and time label, painted.
void BM_ScrollStep(benchmark::State& state) {
    QScrollBar* bar = Ui().recordScroll;
    for (auto _ : state) {
        bar->setValue(bar->value() < bar->maximum() ? bar->value() + 1 : 1);
        Settle();
    }
}

// The chart of channel 10 as bars (the slower style), every record in view.
QCustomPlot* BarsInFullView() {
    Ui().barsCheck->setChecked(true);
    g_window->OnChannelChosen(10);
    Settle();
    return Ui().chart->Plot();
}

void Send(QWidget* plot, QEvent* event) {
    QApplication::sendEvent(plot, event);
    Settle();
}

// One wheel step, in and out in turn at the plot's middle, painted.
void BM_ZoomStep(benchmark::State& state) {
    QCustomPlot* plot = BarsInFullView();
    const QPointF at(plot->axisRect()->center());
    int k = 0;
    for (auto _ : state) {
        QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, k++ % 2 ? -120 : 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        Send(plot, &wheel);
    }
    if (Ui().chart->RowCount() != 10000) state.SkipWithError("the capture is not loaded");
}

// Six wheel steps in at `at`, then the left button pressed there: a drag begins.
void ZoomInAndPress(QCustomPlot* plot, QPointF at) {
    QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 6 * 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    Send(plot, &wheel);
    QMouseEvent press(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    Send(plot, &press);
}

// One mouse move of a drag, 40 px left and right in turn, in a view of a
// quarter of the records, painted.
void BM_PanStep(benchmark::State& state) {
    QCustomPlot* plot = BarsInFullView();
    const QPointF at(plot->axisRect()->center());
    ZoomInAndPress(plot, at);
    int k = 0;
    for (auto _ : state) {
        const QPointF to = at + QPointF(k++ % 2 ? 0 : 40, 0);
        QMouseEvent move(QEvent::MouseMove, to, plot->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        Send(plot, &move);
    }
    QMouseEvent release(QEvent::MouseButtonRelease, at, plot->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    Send(plot, &release);
    const auto [first, last] = Ui().chart->RowsInView();
    if (last - first > 3000) state.SkipWithError("the chart was not zoomed in");
}

// --- the history window over a large archive
std::string g_archive;
long long g_historyKiB = -1;  // resident growth of the first history window

long long RssKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    return 0;
}

std::unique_ptr<ui::HistoryWindow> OpenHistory() {
    OpenedArchive opened = OpenArchive(g_archive, true);
    if (!opened.archive) return nullptr;
    auto window = std::make_unique<ui::HistoryWindow>(std::move(opened.archive), '.');
    window->show();
    Settle();
    return window;
}

// Until the window draws the exact history instead of the per-minute summary.
void WaitExact(ui::HistoryWindow& window) {
    while (window.ShowsSummary()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

// From opening the archive until channel 10 over all of it is painted
// (from the per-minute summary of a large archive).
void BM_HistoryFirstDraw(benchmark::State& state) {
    for (auto _ : state) {
        const long long before = RssKiB();
        auto window = OpenHistory();
        if (!window || window->ControlsForTesting().chart->Points().empty()) return state.SkipWithError("no history");
        state.PauseTiming();
        WaitExact(*window);
        if (g_historyKiB < 0) g_historyKiB = RssKiB() - before;
        window.reset();
        state.ResumeTiming();
    }
}

// From opening the archive until the exact history of channel 10 is painted.
void BM_HistoryExactDraw(benchmark::State& state) {
    for (auto _ : state) {
        auto window = OpenHistory();
        if (!window) return state.SkipWithError("no history");
        WaitExact(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

// One wheel step, in and out in turn, or one move of a drag, 40 px left and
// right in turn, in a view zoomed six steps in: series fetched and painted.
void HistoryStep(benchmark::State& state, bool pan) {
    auto window = OpenHistory();
    if (!window) return state.SkipWithError("no history");
    WaitExact(*window);  // steps after the first draw of the span
    QCustomPlot* plot = window->ControlsForTesting().chart->Plot();
    const QPointF at(plot->axisRect()->center());
    if (pan) ZoomInAndPress(plot, at);
    int k = 0;
    for (auto _ : state) {
        if (pan) {
            const QPointF to = at + QPointF(k++ % 2 ? 0 : 40, 0);
            QMouseEvent move(QEvent::MouseMove, to, plot->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            Send(plot, &move);
        } else {
            QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, k++ % 2 ? -120 : 120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            Send(plot, &wheel);
        }
    }
    if (window->ControlsForTesting().chart->Points().empty()) state.SkipWithError("nothing drawn");
}

void Register() {
    using benchmark::kMillisecond;
    if (!g_archive.empty()) {
        benchmark::RegisterBenchmark("HistoryFirstDraw", BM_HistoryFirstDraw)->Unit(kMillisecond);
        benchmark::RegisterBenchmark("HistoryExactDraw", BM_HistoryExactDraw)->Unit(kMillisecond);
        benchmark::RegisterBenchmark("HistoryZoomStep", [](benchmark::State& s) { HistoryStep(s, false); })->Unit(kMillisecond);
        benchmark::RegisterBenchmark("HistoryPanStep", [](benchmark::State& s) { HistoryStep(s, true); })->Unit(kMillisecond);
    }
    if (!g_window) return;
    benchmark::RegisterBenchmark("WindowOpen", BM_WindowOpen)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("CoreRead", BM_CoreRead)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("ChartBars", [](benchmark::State& s) { Chart(s, true); })->Unit(kMillisecond);
    benchmark::RegisterBenchmark("ChartLine", [](benchmark::State& s) { Chart(s, false); })->Unit(kMillisecond);
    benchmark::RegisterBenchmark("ScrollStep", BM_ScrollStep)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ZoomStep", BM_ZoomStep)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("PanStep", BM_PanStep)->Unit(kMillisecond);
}

// The child: tavro-decoder's start, then one byte on stdout once the first
// paint of the window has finished.
int FirstPaintChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVRO Telemetry Decoder"));
    QApplication::setWindowIcon(ui::CubeSatIcon());
    MainWindow window;
    struct Watch : QObject {
        MainWindow* window;
        bool seen = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (!seen && e->type() == QEvent::Paint && o->isWidgetType() && static_cast<QWidget*>(o)->window() == window) {
                seen = true;
                // Runs when the paint pass that began here is over.
                QTimer::singleShot(0, [] {
                    (void)!::write(1, "p", 1);
                    QCoreApplication::exit(0);
                });
            }
            return false;
        }
    } watch;
    watch.window = &window;
    app.installEventFilter(&watch);
    window.show();
    return app.exec();
}

// Wall time from spawning the child to its first paint, best of runs.
double FirstPaintMs(const char* self, int runs) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        int fds[2];
        if (::pipe(fds) != 0) return -1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char* argv[] = {const_cast<char*>(self), const_cast<char*>("--first-paint-child"), nullptr};
        const auto start = std::chrono::steady_clock::now();
        pid_t pid;
        if (posix_spawn(&pid, self, &actions, nullptr, argv, environ) != 0) return -1;
        ::close(fds[1]);
        char c;
        const bool painted = ::read(fds[0], &c, 1) == 1;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        ::close(fds[0]);
        int status;
        ::waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
        if (!painted) return -1;
        std::fprintf(stderr, "start until first paint: %.1f ms\n", ms);
        best = std::min(best, ms);
    }
    return best;
}

void Report(const BestOfReporter& r, double firstPaint) {
    if (r.Ran("WindowOpen") && r.Ran("CoreRead")) {
        const double open = r.BestNs("WindowOpen") / 1e6, core = r.BestNs("CoreRead") / 1e6;
        PrintRow({"window: open 10000-frame capture until shown and charted", Fixed(open, 1) + " ms", "<= 250 ms",
                  "core read alone " + Fixed(core, 1) + " ms", Fixed(open / core, 1) + "x", open <= 250});
    }
    for (const char* style : {"Bars", "Line"}) {
        const std::string name = std::string("Chart") + style;
        if (!r.Ran(name)) continue;
        const double ms = r.BestNs(name) / 1e6;
        PrintRow({std::string("window: chart of another channel, 10000 records, ") + (style[0] == 'B' ? "bars" : "line"),
                  Fixed(ms, 1) + " ms", "<= 40 ms", "", "", ms <= 40});
    }
    if (r.Ran("ScrollStep")) {
        const double ms = r.BestNs("ScrollStep") / 1e6;
        PrintRow({"window: one scroll step (47 boxes, counter, time), painted", Fixed(ms, 3) + " ms", "<= 1 ms", "", "",
                  ms <= 1});
    }
    for (const char* step : {"ZoomStep", "PanStep"}) {
        if (!r.Ran(step)) continue;
        const double ms = r.BestNs(step) / 1e6;
        PrintRow({std::string("window: chart ") + (step[0] == 'Z' ? "zoom (wheel) step" : "pan (drag) step") +
                      ", 10000 records, bars, painted",
                  Fixed(ms, 2) + " ms", "<= 16 ms", "", "", ms <= 16});
    }
    if (r.Ran("HistoryFirstDraw")) {
        const double ms = r.BestNs("HistoryFirstDraw") / 1e6;
        PrintRow({"history window: first draw of one channel over 1000000 beacons, from opening", Fixed(ms, 0) + " ms",
                  "<= 150 ms", "", "", ms <= 150});
        if (r.Ran("HistoryExactDraw"))
            PrintRow({"  history window: the exact history of every beacon in place of the per-minute summary, from opening",
                      Fixed(r.BestNs("HistoryExactDraw") / 1e6, 0) + " ms", "-", "", "", false, true});
        const double mib = static_cast<double>(g_historyKiB) / 1024;
        PrintRow({"history window: memory (resident growth of the first window)", Fixed(mib, 1) + " MiB", "<= 100 MiB", "",
                  "", mib <= 100});
    }
    for (const char* step : {"HistoryZoomStep", "HistoryPanStep"}) {
        if (!r.Ran(step)) continue;
        const double ms = r.BestNs(step) / 1e6;
        PrintRow({std::string("history window: ") + (step[7] == 'Z' ? "zoom (wheel)" : "pan (drag)") +
                      " step over 1000000 beacons, painted",
                  Fixed(ms, 2) + " ms", "<= 16 ms", "", "", ms <= 16});
    }
    if (firstPaint >= 0) {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        PrintRow({std::string("window: start until first paint (new process, ") + (platform ? platform : "default") + ")",
                  Fixed(firstPaint, 0) + " ms", "<= 400 ms", "", "", firstPaint <= 400});
    }
}

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    using namespace tavro::bench;
    if (argc == 2 && std::string_view(argv[1]) == "--first-paint-child") return FirstPaintChild(argc, argv);
    // The first paint alone, for a platform with a display (xvfb-run).
    if (argc == 2 && std::string_view(argv[1]) == "--first-paint-only") {
        Report(BestOfReporter(), FirstPaintMs("/proc/self/exe", 5));
        return 0;
    }
    std::string capture, picture;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--kiss" && i + 1 < argc) capture = argv[++i];
        else if (std::string_view(argv[i]) == "--archive" && i + 1 < argc) g_archive = argv[++i];
        else if (std::string_view(argv[i]) == "--history-png" && i + 1 < argc) picture = argv[++i];
        else argv[kept++] = argv[i];
    }
    argc = kept;
    // A look at the history window: its first (summary) and its exact draw as PNGs.
    if (!picture.empty() && !g_archive.empty()) {
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        auto history = OpenHistory();
        if (!history) return 2;
        history->resize(1200, 700);
        Settle();
        history->grab().save(QString::fromStdString(picture + "-first.png"));
        WaitExact(*history);
        Settle();
        history->grab().save(QString::fromStdString(picture + "-exact.png"));
        return 0;
    }
    if (capture.empty() && g_archive.empty()) {
        std::fprintf(stderr, "usage: tavro_window_bench --kiss CAPTURE [--archive ARCHIVE] [benchmark flags]\n");
        return 2;
    }
    // The first paint is measured before this process has a window of its own.
    const double firstPaint = capture.empty() ? -1 : FirstPaintMs("/proc/self/exe", 5);

    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    g_capture = QString::fromStdString(capture);
    MainWindow window;
    window.ShowMessage = [](QMessageBox::Icon, const QString&, const QString&) {};
    window.show();  // the history window opens beside it
    Settle();
    if (!capture.empty()) {
        g_window = &window;
        window.OpenFiles({g_capture});  // the chart and scroll figures start from a loaded window
        Settle();
    }

    Register();
    BestOfReporter reporter;
    RunAll(argc, argv, reporter);
    Report(reporter, firstPaint);
    return 0;
}
