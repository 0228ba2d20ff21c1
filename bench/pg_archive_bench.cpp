// The archive on a PostgreSQL server of its own (tests/pg_server.h: initdb
// into a temporary folder, a Unix socket only): adding random-valued
// records over the socket, and the history view's series over 1000000
// beacons: first draw (from opening the archive through its counts and the
// quick series of the whole span), when the exact series is ready, and
// zoom/pan steps after that.
//
//   tavro_pg_bench [--beacons N]     (default 1000000)
//
// Prints ROW lines (budget_rows.h); without the server binaries one
// "skipped" line on standard error and nothing else.
#include <algorithm>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <fstream>
#include <random>
#include <sstream>
#include <string_view>
#include <thread>

#include "budget_rows.h"
#include "pg_archive.h"
#include "archive_columns.h"
#include "pg_schema.h"
#include "pg_server.h"
#include <libpq-fe.h>

namespace tavro::bench {
namespace {

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

constexpr std::int64_t kStart = 1796552224000;  // 2026-12-06 10:17:04 UTC
constexpr std::int64_t kStepMs = 10000;         // a beacon every 10 s

// count random-valued records from number first on, one beacon each.
std::vector<ArchiveRecord> RandomRecords(std::mt19937_64& random, long long first, int count) {
    std::uniform_real_distribution<double> value(-1000, 1000);
    std::vector<ArchiveRecord> records(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ArchiveRecord& r = records[static_cast<std::size_t>(i)];
        for (double& v : r.values) v = value(random);
        r.values[2] = static_cast<double>(first + i);
        r.sourceBytes = std::string(130, static_cast<char>(random()));
        const std::int64_t t = kStart + (first + i) * kStepMs;
        r.reception = {"/data/passes/pass.kss", SourceKind::KissFile, "2026-12-06 10:17:04.000 UTC", t, "DL1XYZ"};
    }
    return records;
}

// This process's resident memory.
long long ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// CPU seconds used so far by this process and by the server processes serving db.
double CpuSeconds(test::PgServer& pg, const std::string& db) {
    timespec own{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own);
    std::istringstream pids(pg.Value(db, "SELECT string_agg(pid::text, ' ') FROM pg_stat_activity WHERE datname = '" + db +
                                             "' AND application_name = 'tavro'"));
    long long ticks = 0;
    for (std::string pid; pids >> pid;) {
        std::ifstream stat("/proc/" + pid + "/stat");
        std::string line;
        std::getline(stat, line);
        if (line.empty()) continue;
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skip;
        long long user = 0, system = 0;
        for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
        fields >> user >> system;
        ticks += user + system;
    }
    return static_cast<double>(own.tv_sec) + own.tv_nsec / 1e9 + static_cast<double>(ticks) / ::sysconf(_SC_CLK_TCK);
}

// The floor under an Add: the server alone writing 10000 new beacons and
// their receptions into the archive's own tables and indexes, from a table
// it already holds (no client, no COPY, no summaries); the best of five, ms.
double ServerAloneMs(const test::PgServer& pg, const std::string& db) {
    PGconn* c = PQconnectdb(pg.Uri(db).c_str());
    const auto run = [&](const std::string& sql) {
        PGresult* r = PQexec(c, sql.c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok) std::cerr << "tavro_pg_bench: " << PQerrorMessage(c);
        PQclear(r);
        return ok;
    };
    std::string values;
    for (const std::string& c : ChannelColumns()) values += ", random() * 2000 - 1000 AS " + c;
    double best = 1e9;
    if (PQstatus(c) == CONNECTION_OK &&
        run("SET jit = off; CREATE TEMP TABLE alone AS SELECT g, decode(repeat(md5(g::text || random()::text), 11) || "
            "substr(md5(g::text), 1, 24), 'hex') AS identity" + values + " FROM generate_series(1, 10000) g"))
        for (int pass = 0; pass < 5; ++pass) {
            const Clock::time_point start = Clock::now();
            if (!run("WITH ins AS (INSERT INTO beacon (identity, layout, time_ms, receptions, " + ChannelColumnList() + ") SELECT "
                     "set_byte(identity, 0, " + std::to_string(pass) + "), 0, " + std::to_string(kStart) + " + g * 1000, 1, " +
                     ChannelColumnList() + " FROM alone ORDER BY g RETURNING id) "
                     "INSERT INTO receptions (beacon, source, kind, time_text, time_ms, station, source_bytes) SELECT id, "
                     "'/data/passes/pass.kss', 'kiss', '2026-12-06 10:17:04.000 UTC', " + std::to_string(kStart) +
                     ", 'DL1XYZ', '\\x00112233'::bytea FROM ins"))
                break;
            best = std::min(best, MsSince(start));
        }
    PQfinish(c);
    return best;
}

bool Fill(Archive& archive, std::mt19937_64& random, long long from, long long to, int batch) {
    for (long long n = from; n < to; n += batch) {
        AddCounts counts;
        if (!archive.Add(RandomRecords(random, n, static_cast<int>(std::min<long long>(batch, to - n))), counts)) {
            std::cerr << "tavro_pg_bench: " << archive.Error() << "\n";
            return false;
        }
    }
    return true;
}

int Run(long long beacons) {
    test::PgServer& pg = test::PgServer::Shared();
    if (!pg.Running()) return std::cerr << "tavro_pg_bench: " << pg.Why() << "\n", 0;
    std::mt19937_64 random(19);

    // Adding: ten 10000-record passes into an empty archive, the best pass;
    // and the CPU time of this process and its server process over all ten
    // (what a machine of its own gives, on a loaded one).
    {
        const std::string db = pg.NewDatabase();
        auto archive = PgArchive::Open(pg.Uri(db)).archive;
        if (!archive) return 2;
        const double cpuBefore = CpuSeconds(pg, db);
        double best = 1e9;
        for (int pass = 0; pass < 10; ++pass) {
            const auto records = RandomRecords(random, pass * 10000LL, 10000);
            AddCounts counts;
            const Clock::time_point start = Clock::now();
            if (!archive->Add(records, counts)) return std::cerr << archive->Error() << "\n", 2;
            best = std::min(best, MsSince(start));
        }
        const double cpu = CpuSeconds(pg, db) - cpuBefore;
        const double perSecond = 10000 / (best / 1000);
        const double alone = ServerAloneMs(pg, db);
        PrintRow({"PostgreSQL archive: adding random-valued records over the Unix socket",
                  Fixed(perSecond, 0) + " records/s", ">= 100000 records/s",
                  "the server alone, the same rows " + Fixed(10000 / (alone / 1000), 0) + " records/s", Fixed(best / alone, 2) + "x",
                  perSecond >= 100000});
        PrintRow({"PostgreSQL archive: one 10000-record pass", Fixed(best, 1) + " ms", "", "", "", false, true});
        PrintRow({"PostgreSQL archive: adding, per CPU second of client and server", Fixed(100000 / cpu, 0) + " records/s",
                  "", "", "", false, true});
    }

    // The history over `beacons` beacons.
    const std::string db = pg.NewDatabase();
    {
        auto archive = PgArchive::Open(pg.Uri(db)).archive;
        const Clock::time_point start = Clock::now();
        if (!archive || !Fill(*archive, random, 0, beacons, 50000)) return 2;
        const double s = MsSince(start) / 1000;
        PrintRow({"PostgreSQL archive: filling " + std::to_string(beacons) + " beacons", Fixed(s, 1) + " s (" +
                  Fixed(static_cast<double>(beacons) / s, 0) + " records/s)", "", "", "", false, true});
    }
    pg.Psql(db, "VACUUM ANALYZE");
    const int columns = 1600;
    const std::int64_t end = kStart + beacons * kStepMs;
    double first = 1e9, firstCpu = 1e9, exactReady = 1e9, worstStep = 0;
    long long memory = 0;
    for (int round = 0; round < 3; ++round) {
        timespec own{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &own);
        const long long rssBefore = ResidentBytes();
        // The history view opening: the archive, its counts, the whole span at once.
        const Clock::time_point start = Clock::now();
        auto archive = PgArchive::Open(pg.Uri(db), true).archive;
        ArchiveInfo info;
        std::vector<SeriesPoint> points;
        bool exact = false;
        if (!archive || !archive->Info(info) || !archive->QuickSeries(10, {}, columns, points, exact)) return 2;
        first = std::min(first, MsSince(start));
        // This process's CPU since, and all of the new server process's.
        firstCpu = std::min(firstCpu, 1000 * (CpuSeconds(pg, db) - static_cast<double>(own.tv_sec) - own.tv_nsec / 1e9));
        // The window asks again shortly until the exact series is there.
        while (!exact) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (!archive->QuickSeries(10, {}, columns, points, exact)) return 2;
        }
        exactReady = std::min(exactReady, MsSince(start));
        memory = std::max(memory, ResidentBytes() - rssBefore);
        // Zoom in by halves towards the middle, then pan by a tenth of the view.
        std::int64_t from = kStart, to = end;
        for (int step = 0; step < 40; ++step) {
            const std::int64_t width = to - from;
            if (step < 20) from += width / 4, to -= width / 4;
            else from += width / 10, to += width / 10;
            const Clock::time_point s = Clock::now();
            archive->QuickSeries(10, {from, to}, columns, points, exact);
            if (round > 0) worstStep = std::max(worstStep, MsSince(s));
        }
    }
    const std::string history = "PostgreSQL history, " + std::to_string(beacons) + " beacons: ";
    PrintRow({history + "first draw from opening (counts, the per-minute summary)", Fixed(first, 1) + " ms", "<= 300 ms", "",
              "", first <= 300});
    PrintRow({history + "first draw, CPU time of client and server", Fixed(firstCpu, 1) + " ms", "", "", "", false, true});
    PrintRow({history + "exact series ready (the channel loaded in the background)", Fixed(exactReady, 1) + " ms", "", "", "",
              false, true});
    PrintRow({history + "memory of the loaded channel", Fixed(static_cast<double>(memory) / 1e6, 1) + " MB", "", "", "", false,
              true});
    PrintRow({history + "slowest zoom/pan step", Fixed(worstStep, 2) + " ms", "<= 16 ms", "", "", worstStep <= 16});
    return 0;
}

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    long long beacons = 1000000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--beacons") beacons = std::atoll(argv[++i]);
    return tavro::bench::Run(beacons);
}
