// The archive's figures: adding random-valued records, bytes on disk per
// beacon at 1000000 beacons, and the history of one channel over all of
// them: the first draw from opening, a zoom and a pan step, and memory.
//
//   tavro_archive_bench [--folder DIR] [--history-only | --add-only]
//     DIR: default a folder under /tmp, removed at the end; a folder given is
//     kept, and --history-only measures the history of its million.sqlite again.
//
// The 1000000 beacons are the sample generator's 10000-frame pass, heard
// again every 90 minutes 100 times over: times, Uptime and Sat Time move on
// by 5400 s each pass, so every record is a beacon of its own. Each record
// keeps a housekeeping frame's worth of source bytes. Figures are the
// process's CPU time (wall time on standard error), the best of several runs;
// the first draw comes from the per-minute summary, the exact one follows;
// the history figures run on a page cache that holds the file, as on a
// station that has just archived a pass.
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "archive.h"
#include "bench_inputs.h"
#include "budget_rows.h"
#include "frame_encoder.h"
#include "sqlite_alone.h"
#include "utc_time.h"

namespace tavro::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// CPU time of the process (other builds take the cores away at random, so
// wall time says little on a shared machine); the wall time goes to stderr.
struct Stopwatch {
    Clock::time_point wall = Clock::now();
    std::clock_t cpu = std::clock();
};
double MsSince(const Stopwatch& t) {
    return static_cast<double>(std::clock() - t.cpu) * 1000.0 / CLOCKS_PER_SEC;
}
double WallMsSince(const Stopwatch& t) { return std::chrono::duration<double, std::milli>(Clock::now() - t.wall).count(); }

// One pass of records, pass k of the repeated sample pass.
struct Pass {
    std::vector<ArchiveRecord> base;
    std::vector<ArchiveRecord> Take(int k) const {
        std::vector<ArchiveRecord> out = base;
        const std::int64_t shiftMs = static_cast<std::int64_t>(k) * 5400 * 1000;
        for (ArchiveRecord& r : out) {
            r.values[3] += k * 5400.0;  // Uptime
            r.values[7] += k * 5400.0;  // Sat Time
            if (r.reception.utcMs) {
                *r.reception.utcMs += shiftMs;
                r.reception.timeText = UtcText(*r.reception.utcMs) + " UTC";
            }
            r.reception.source = "/home/station/passes/pass-" + std::to_string(k) + ".kss";
        }
        return out;
    }
};

Pass MakePass(bool randomFields) {
    ReaderState state;
    ReadKiss(state, GeneratedInputs(10000, randomFields).kiss);
    const std::size_t frameBytes = passgen::KissHousekeepingFrame(passgen::KissRaw{}).size();
    Pass pass;
    std::uint64_t x = 1;
    for (const TelemetryRecord& t : state.table.Records()) {
        ArchiveRecord r;
        for (int i = 0; i < kChannelCount; ++i) r.values[static_cast<std::size_t>(i)] = t.Channels[static_cast<std::size_t>(i)];
        r.sourceBytes.resize(frameBytes);
        for (char& c : r.sourceBytes) c = static_cast<char>((x = x * 6364136223846793005u + 1442695040888963407u) >> 56);
        r.reception.kind = SourceKind::KissFile;
        r.reception.timeText = std::string(t.TimeText.View());
        r.reception.utcMs = UtcMillisecondsOf(r.reception.timeText);
        pass.base.push_back(std::move(r));
    }
    return pass;
}

long long RssKiB() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
    return 0;
}

std::unique_ptr<Archive> OpenOrDie(const std::string& path) {
    OpenedArchive o = OpenArchive(path);
    if (!o.archive) {
        std::fprintf(stderr, "%s\n", o.error.c_str());
        std::exit(2);
    }
    return std::move(o.archive);
}

void AddOrDie(Archive& a, const std::vector<ArchiveRecord>& records) {
    AddCounts counts;
    if (!a.Add(records, counts)) {
        std::fprintf(stderr, "%s\n", a.Error().c_str());
        std::exit(2);
    }
}

std::uintmax_t FilesBytes(const std::string& path) {
    std::uintmax_t bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code ec;
        const auto n = fs::file_size(path + suffix, ec);
        if (!ec) bytes += n;
    }
    return bytes;
}

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    using namespace tavro;
    using namespace tavro::bench;
    std::string folder;
    bool historyOnly = false, addOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--folder" && i + 1 < argc) folder = argv[++i];
        if (std::string(argv[i]) == "--history-only") historyOnly = true;
        if (std::string(argv[i]) == "--add-only") addOnly = true;
    }
    const bool own = folder.empty();
    if (own) folder = "/tmp/tavro-archive-bench-" + std::to_string(getpid());
    fs::create_directories(folder);

    const std::string path = folder + "/million.sqlite";
    if (!historyOnly) {
    // Adding: 10000-record passes of random-valued records into one archive, each a new pass.
    {
        const Pass random = MakePass(true);
        const std::string path = folder + "/add.sqlite";
        fs::remove(path);
        auto a = OpenOrDie(path);
        double best = 1e9;
        for (int k = 0; k < 8; ++k) {
            const std::vector<ArchiveRecord> records = random.Take(k);
            const Stopwatch t;
            AddOrDie(*a, records);
            best = std::min(best, MsSince(t));
            std::fprintf(stderr, "pass %d: %.1f ms CPU, %.1f ms wall\n", k, MsSince(t), WallMsSince(t));
        }
        const double perSecond = 10000 / best * 1000;
        std::vector<std::vector<ArchiveRecord>> passes;
        for (int k = 0; k < 8; ++k) passes.push_back(random.Take(k));
        const double alone = SqliteAloneBestMs(folder + "/alone.sqlite", passes);
        PrintRow({"archive: add a 10000-record random-valued pass (new beacons), in-process", Fixed(best, 1) + " ms", "<= 40 ms",
                  "SQLite alone, the same rows " + Fixed(alone, 1) + " ms", Fixed(best / alone, 2) + "x", best <= 40});
        PrintRow({"archive: adding random-valued records, in-process", Fixed(perSecond, 0) + " records/s", ">= 250000 records/s", "",
                  "", perSecond >= 250000});
        // The same pass again: every record a new reception of a stored beacon.
        const Stopwatch t;
        AddOrDie(*a, random.Take(3));
        const double again = MsSince(t);
        PrintRow({"  the same pass once more (receptions only)", Fixed(again, 1) + " ms", "-", "", "", false, true});
    }

    if (addOnly) return 0;
    // 1000000 beacons from the sample generator's pass.
    {
        const Pass pass = MakePass(false);
        fs::remove(path);
        auto a = OpenOrDie(path);
        const Stopwatch t;
        for (int k = 0; k < 100; ++k) AddOrDie(*a, pass.Take(k));
        const double ms = MsSince(t);
        PrintRow({"  archive: 1000000 beacons added in 100 passes", Fixed(ms / 1000, 1) + " s (" + Fixed(1e6 / ms * 1000, 0) + " records/s)",
                  "-", "", "", false, true});
    }
    const double perBeacon = static_cast<double>(FilesBytes(path)) / 1e6;
    PrintRow({"archive: bytes on disk per beacon at 1000000 beacons (one reception each)", Fixed(perBeacon, 0) + " B", "<= 600 B", "",
              "", perBeacon <= 600});
    }

    // History: from opening the archive to the first series of 1600 columns
    // (its footer's counts, then the per-minute summary), then to the exact
    // series of every beacon, loaded in the background.
    double first = 1e9, exactMs = 1e9, zoom = 1e9, pan = 1e9;
    long long rssBefore = 0, rssAfter = 0;
    for (int run = 0; run < 3; ++run) {
        // The fill's freed page cache goes back to the system first: else it
        // left during the load, and the growth came out negative.
        if (run == 0) malloc_trim(0), rssBefore = RssKiB();
        const Stopwatch t;
        auto a = OpenOrDie(path);
        ArchiveInfo info;
        std::vector<SeriesPoint> points;
        bool exact = false;
        if (!a->Info(info) || !a->QuickSeries(10, {}, 1600, points, exact) || points.empty()) {
            std::fprintf(stderr, "no series: %s\n", a->Error().c_str());
            return 2;
        }
        first = std::min(first, MsSince(t));
        std::fprintf(stderr, "first draw: %.1f ms CPU, %.1f ms wall, %zu points%s\n", MsSince(t), WallMsSince(t), points.size(),
                     exact ? " (exact)" : "");
        while (!exact) {
            usleep(2000);
            a->QuickSeries(10, {}, 1600, points, exact);
        }
        exactMs = std::min(exactMs, WallMsSince(t));
        std::fprintf(stderr, "exact draw: %.1f ms CPU, %.1f ms wall\n", MsSince(t), WallMsSince(t));
        if (run == 0) rssAfter = RssKiB();
        // Zoom in step by step (a wheel step: 85 %), then pan by a tenth.
        std::int64_t from = *info.firstMs, to = *info.lastMs + 1;
        for (int step = 0; step < 20; ++step) {
            const std::int64_t width = (to - from) * 85 / 100, middle = from + (to - from) / 2;
            from = middle - width / 2;
            to = from + width;
            const Stopwatch z;
            a->QuickSeries(10, {from, to}, 1600, points, exact);
            zoom = std::min(zoom, MsSince(z));
        }
        for (int step = 0; step < 20; ++step) {
            const std::int64_t shift = (to - from) / 10;
            from += shift;
            to += shift;
            const Stopwatch p;
            a->QuickSeries(10, {from, to}, 1600, points, exact);
            pan = std::min(pan, MsSince(p));
        }
    }
    PrintRow({"history: first draw of one channel over 1000000 beacons (1600 columns), from opening", Fixed(first, 0) + " ms",
              "<= 150 ms", "", "", first <= 150});
    PrintRow({"  history: the exact series of every beacon in its place, from opening (wall)", Fixed(exactMs, 0) + " ms", "-", "", "",
              false, true});
    PrintRow({"history: zoom step (1600 columns)", Fixed(zoom, 2) + " ms", "<= 16 ms", "", "", zoom <= 16});
    PrintRow({"history: pan step (1600 columns)", Fixed(pan, 2) + " ms", "<= 16 ms", "", "", pan <= 16});
    const double mib = static_cast<double>(rssAfter - rssBefore) / 1024;
    PrintRow({"history: memory of one channel over 1000000 beacons (resident growth)", Fixed(mib, 1) + " MiB", "<= 100 MiB", "", "",
              mib <= 100});
    if (own) fs::remove_all(folder);
    return 0;
}
