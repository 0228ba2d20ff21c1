// Whole-process figures: tavro-cli on the 10000-frame capture to CSV against
// cat of the same file, and tavro-cli's peak memory (ru_maxrss of the child)
// on the 10000- and the 1000000-frame capture. With --random, the same for
// the random-valued capture, and where its time goes: the CSV written to
// /dev/null (no fsync, no rename), an empty capture (start, and the atomic
// write of the header line), and --help (start and exit only); and
// tavro-cli --archive of the random-valued capture into a new archive.
//
//   tavro_process_bench --cli BIN --small F [--random F] [--large F] --out DIR [--runs N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "budget_rows.h"

extern char** environ;

namespace tavro::bench {
namespace {

struct ProcessRun {
    double ms = 0;         // wall time from spawn to exit
    long peakKiB = 0;      // ru_maxrss
};

// Runs argv with stdout and stderr on /dev/null; exits on any failure.
ProcessRun Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    const auto stop = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", argv[0], status);
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(stop - start).count(), usage.ru_maxrss};
}

// Fastest wall time and largest peak over runs.
ProcessRun BestOf(const std::vector<std::string>& args, int runs) {
    ProcessRun best{1e300, 0};
    for (int i = 0; i < runs; ++i) {
        const ProcessRun r = Spawn(args);
        std::fprintf(stderr, "%s ... %s: %.2f ms, %ld KiB\n", args[0].c_str(), args.back().c_str(), r.ms, r.peakKiB);
        best.ms = std::min(best.ms, r.ms);
        best.peakKiB = std::max(best.peakKiB, r.peakKiB);
    }
    return best;
}

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    using namespace tavro::bench;
    std::string cli, small, random, large, out = "/tmp";
    int runs = 11;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view a = argv[i];
        if (a == "--cli") cli = argv[i + 1];
        else if (a == "--small") small = argv[i + 1];
        else if (a == "--random") random = argv[i + 1];
        else if (a == "--large") large = argv[i + 1];
        else if (a == "--out") out = argv[i + 1];
        else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (cli.empty() || small.empty()) {
        std::fprintf(stderr, "usage: tavro_process_bench --cli BIN --small F [--random F] [--large F] [--out DIR] [--runs N]\n");
        return 2;
    }

    const ProcessRun cat = BestOf({"cat", small}, runs);
    const ProcessRun cliSmall = BestOf({cli, "--kiss", "--csv", out + "/small.csv", small}, runs);
    PrintRow({"tavro-cli, 10000-frame capture to CSV, whole process", Fixed(cliSmall.ms, 1) + " ms", "<= 80 ms",
              "cat " + Fixed(cat.ms, 1) + " ms", Fixed(cliSmall.ms / cat.ms, 1) + "x", cliSmall.ms <= 80});

    if (!random.empty()) {
        const ProcessRun catRandom = BestOf({"cat", random}, runs);
        const ProcessRun cliRandom = BestOf({cli, "--kiss", "--csv", out + "/random.csv", random}, runs);
        const double ratio = cliRandom.ms / catRandom.ms;
        PrintRow({"tavro-cli, 10000-frame random-valued capture to CSV, whole process", Fixed(cliRandom.ms, 1) + " ms",
                  "<= 20 ms, <= 10x baseline", "cat " + Fixed(catRandom.ms, 1) + " ms", Fixed(ratio, 1) + "x",
                  cliRandom.ms <= 20 && ratio <= 10});
        const ProcessRun devNull = BestOf({cli, "--kiss", "--csv", "/dev/null", random}, runs);
        PrintRow({"  the same, CSV to /dev/null (no fsync, no rename)", Fixed(devNull.ms, 1) + " ms", "-",
                  "cat " + Fixed(catRandom.ms, 1) + " ms", Fixed(devNull.ms / catRandom.ms, 1) + "x", false, true});
        const std::string empty = out + "/empty.kss";
        std::ofstream{empty};
        const ProcessRun start = BestOf({cli, "--kiss", "--csv", out + "/empty.csv", empty}, runs);
        PrintRow({"  tavro-cli, empty capture to CSV (start, header line written atomically)", Fixed(start.ms, 1) + " ms",
                  "-", "cat " + Fixed(catRandom.ms, 1) + " ms", Fixed(start.ms / catRandom.ms, 1) + "x", false, true});
        // Archived into a new archive each run: 10000 beacons new, in one transaction.
        const std::string archive = out + "/archive.sqlite";
        ProcessRun archived{1e300, 0};
        for (int i = 0; i < runs; ++i) {
            for (const char* end : {"", "-wal", "-shm", "-journal"}) std::remove((archive + end).c_str());
            const ProcessRun r = BestOf({cli, "--archive", archive, "--kiss", "--csv", "/dev/null", random}, 1);
            archived.ms = std::min(archived.ms, r.ms);
        }
        PrintRow({"tavro-cli --archive, 10000-frame random-valued capture into a new archive, whole process",
                  Fixed(archived.ms, 1) + " ms", "<= 40 ms", "the same without --archive " + Fixed(devNull.ms, 1) + " ms",
                  Fixed(archived.ms / devNull.ms, 1) + "x", archived.ms <= 40});
        const ProcessRun help = BestOf({cli, "--help"}, runs);
        PrintRow({"  tavro-cli --help (start and exit)", Fixed(help.ms, 1) + " ms", "-",
                  "cat " + Fixed(catRandom.ms, 1) + " ms", Fixed(help.ms / catRandom.ms, 1) + "x", false, true});
    }

    if (!large.empty()) {
        const ProcessRun cliLarge = BestOf({cli, "--kiss", "--csv", out + "/large.csv", large}, std::min(runs, 3));
        const double largeMB = static_cast<double>(cliLarge.peakKiB) / 1024;
        const double smallMB = static_cast<double>(cliSmall.peakKiB) / 1024;
        const double ratio = largeMB / smallMB;
        PrintRow({"peak memory of tavro-cli, 1000000-frame capture", Fixed(largeMB, 1) + " MiB",
                  "<= 40 MiB, <= 1.5x baseline", "10000 frames " + Fixed(smallMB, 1) + " MiB", Fixed(ratio, 2) + "x",
                  largeMB <= 40 && ratio <= 1.5});
    }
    return 0;
}
