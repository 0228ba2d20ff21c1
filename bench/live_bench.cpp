// Live reception in the window, offscreen, against a KISS TCP server in this
// process: the time from the last byte of a housekeeping frame leaving the
// server to the window having painted the new record count, at 10 frames a
// second with some 10000 records in the table; and the CPU the process uses
// while connected and idle.
//
//   QT_QPA_PLATFORM=offscreen tavro_live_bench
#include <QApplication>
#include <QLineEdit>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "budget_rows.h"
#include "frame_encoder.h"
#include "kiss_server.h"  // the tests' server
#include "main_window.h"

namespace tavro::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPreloaded = 9900, kMeasured = 50;

std::vector<std::uint8_t> Frame(int packet) {
    passgen::KissRaw raw{};
    raw[2] = packet;
    return passgen::KissWrap(passgen::KissHousekeepingFrame(raw));
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Paint events of the record counter, with the count it showed.
class PaintWatch : public QObject {
public:
    std::function<void(const QString&)> painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted(static_cast<QLineEdit*>(watched)->text());
        return false;
    }
};

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    using namespace tavro::bench;
    QApplication app(argc, argv);
    QTemporaryDir folder;
    tavro::ui::MainWindow window(folder.path());
    window.show();

    // The server: 9900 frames at once, then 50 at 10 a second, then silence.
    std::mutex mutex;
    std::vector<Clock::time_point> sent(kPreloaded + kMeasured + 1);
    std::atomic<bool> done{false};
    tavro::test::KissServer server([&](int client, int) {
        std::vector<std::uint8_t> preload;
        for (int k = 1; k <= kPreloaded; ++k) {
            const auto f = Frame(k);
            preload.insert(preload.end(), f.begin(), f.end());
        }
        ::send(client, preload.data(), preload.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(std::chrono::seconds(2));  // all in, charted
        for (int k = kPreloaded + 1; k <= kPreloaded + kMeasured; ++k) {
            const auto f = Frame(k);
            {
                std::lock_guard lock(mutex);
                sent[static_cast<std::size_t>(k)] = Clock::now();
            }
            ::send(client, f.data(), f.size(), MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });

    std::vector<double> latencyMs;
    PaintWatch watch;
    watch.painted = [&](const QString& counter) {
        const int count = counter.section(" / ", 1).toInt();
        if (count <= kPreloaded || count > kPreloaded + kMeasured) return;
        std::lock_guard lock(mutex);
        const auto at = sent[static_cast<std::size_t>(count)];
        if (at != Clock::time_point{}) {
            latencyMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - at).count());
            sent[static_cast<std::size_t>(count)] = {};
        }
    };
    window.ControlsForTesting().recordCounter->installEventFilter(&watch);
    window.ConnectTo(QStringLiteral("127.0.0.1"), server.Port());
    // The event loop until ready() or the time is up; it sleeps between events.
    const auto until = [&](const std::function<bool()>& ready, int seconds) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] { if (ready()) loop.quit(); });
        poll.start(20);
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
    };
    until([&] { return window.Engine().RecordCount() == kPreloaded + kMeasured; }, 60);
    until([] { return false; }, 1);  // the last paints

    // Idle: connected, nothing arriving.
    const auto idleStart = Clock::now();
    const double cpuStart = CpuSeconds();
    QEventLoop idle;  // nothing of the bench's own wakes it
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = (CpuSeconds() - cpuStart) /
                           std::chrono::duration<double>(Clock::now() - idleStart).count();
    done = true;
    window.OnDisconnect();
    server.Stop();

    std::sort(latencyMs.begin(), latencyMs.end());
    const double worst = latencyMs.empty() ? 1e9 : latencyMs.back();
    const double median = latencyMs.empty() ? 1e9 : latencyMs[latencyMs.size() / 2];
    PrintRow({"live: last byte of a frame to its record painted, 10 frames/s, " + std::to_string(kPreloaded) +
                  " records (median; worst of " + std::to_string(latencyMs.size()) + ": " + Fixed(worst, 1) + " ms)",
              Fixed(median, 1) + " ms", "<= 50 ms", "", "", static_cast<int>(latencyMs.size()) == kMeasured && worst <= 50});
    PrintRow({"live: CPU while connected and idle (share of one core)", Fixed(100 * idleCpu, 2) + " %", "<= 1 %", "", "",
              idleCpu <= 0.01});
    return 0;
}
