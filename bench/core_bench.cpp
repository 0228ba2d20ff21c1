// In-process figures: KISS and log read+decode from memory against a memchr
// pass over the same bytes, the CSV export against std::to_chars, the TLM
// report of one record, and the load path's cost per frame at two sizes.
//
//   tavro_core_bench [--kiss F --log F] [--kiss-large F --large-frames N] [benchmark flags]
//
// Without --kiss/--log the 10000-frame pass is generated in memory.
#include <charconv>
#include <cstring>
#include <string_view>

#include "bench_inputs.h"
#include "budget_rows.h"
#include "csv_writer.h"
#include "file_reading.h"
#include "kiss_reader.h"
#include "tlm_writer.h"
#include "value_text.h"

namespace tavro::bench {
namespace {

constexpr long long kFrames = 10000;

Inputs g_inputs;
RecordTable g_table;  // the 10000 records of the capture, for the exports
std::string g_kissPath, g_largePath;
long long g_largeFrames = 0;

std::size_t CountByte(const Bytes& bytes, std::uint8_t value) {
    std::size_t count = 0;
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* end = p + bytes.size();
    while ((p = static_cast<const std::uint8_t*>(std::memchr(p, value, static_cast<std::size_t>(end - p))))) {
        ++count;
        ++p;
    }
    return count;
}

void BM_KissReadDecode(benchmark::State& state) {
    for (auto _ : state) {
        ReaderState state;
        ReadKiss(state, g_inputs.kiss);
        benchmark::DoNotOptimize(state.table.RecordCount());
    }
}
void BM_MemchrFend(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CountByte(g_inputs.kiss, 0xC0));
}
void BM_LogReadDecode(benchmark::State& state) {
    for (auto _ : state) {
        ReaderState state;
        ReadLog(state, g_inputs.log);
        benchmark::DoNotOptimize(state.table.RecordCount());
    }
}
void BM_MemchrLf(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CountByte(g_inputs.log, '\n'));
}

void BM_CsvExport(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(CsvText(g_table, '.').size());
}
// The same values and separators, each value in std::to_chars' shortest form.
void BM_ToCharsShortest(benchmark::State& state) {
    for (auto _ : state) {
        std::string out;
        out.reserve(static_cast<std::size_t>(g_table.RecordCount() + 1) * kChannelCount * 8);
        for (const TelemetryRecord& r : g_table.Records()) {
            for (double v : r.Channels) {
                char buf[32];
                out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
                out += ';';
            }
            out += "\r\n";
        }
        benchmark::DoNotOptimize(out.size());
    }
}

// What the TLM command does for the record on display: its 47 texts, the report.
void BM_TlmReport(benchmark::State& state) {
    const TelemetryRecord& r = g_table[g_table.RecordCount() / 2];
    for (auto _ : state) {
        std::array<std::string, kChannelCount> texts;
        for (int i = 0; i < kChannelCount; ++i)
            texts[static_cast<std::size_t>(i)] = DisplayText(i, r.Channels[static_cast<std::size_t>(i)], '.');
        benchmark::DoNotOptimize(TlmText(texts).size());
    }
}

// The load path from a file on disk: the session fed slice by slice.
void ReadFile(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        Session session;
        ReadObserver quiet;
        if (!ReadSelection(session, {{path, InputKind::Kiss}}, quiet) || !session.Summary().failures.empty())
            state.SkipWithError("cannot read the capture");
        benchmark::DoNotOptimize(session.RecordCount());
    }
}

// The same with the table already full: every frame is cut out, unescaped,
// classified and counted, none decoded; the same work per frame at any size.
void ReadFileIntoFullTable(benchmark::State& state, const std::string& path) {
    ReaderState full;
    while (full.table.Append()) full.table.Commit();
    KissReader reader(full.capture, full.table, full.report);
    for (auto _ : state) {
        InputFile file(path);
        if (!file.Open()) state.SkipWithError("cannot open the capture");
        while (!file.Done()) reader.Feed(file.Read());
        reader.Finish();
    }
    benchmark::DoNotOptimize(full.table.FramesNotStored());
}

void Register() {
    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("KissReadDecode", BM_KissReadDecode)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("MemchrFend", BM_MemchrFend)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("LogReadDecode", BM_LogReadDecode)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("MemchrLf", BM_MemchrLf)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("CsvExport", BM_CsvExport)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("ToCharsShortest", BM_ToCharsShortest)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("TlmReport", BM_TlmReport)->Unit(benchmark::kMicrosecond);
    if (!g_kissPath.empty() && !g_largePath.empty() && g_largeFrames > 0) {
        benchmark::RegisterBenchmark("FileRead/small", [](benchmark::State& s) { ReadFile(s, g_kissPath); })
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("FileRead/large", [](benchmark::State& s) { ReadFile(s, g_largePath); })
            ->Unit(kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark("FullTableRead/small", [](benchmark::State& s) { ReadFileIntoFullTable(s, g_kissPath); })
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("FullTableRead/large", [](benchmark::State& s) { ReadFileIntoFullTable(s, g_largePath); })
            ->Unit(kMillisecond)
            ->Iterations(1);
    }
}

double MBps(std::size_t bytes, double ns) { return static_cast<double>(bytes) / ns * 1e3; }

std::string Megabytes(std::size_t bytes) { return Fixed(static_cast<double>(bytes) / 1e6, 2) + " MB"; }

// Read+decode speed against one memchr pass over the same bytes.
void ReportReader(const BestOfReporter& r, const std::string& what, const Bytes& bytes, const std::string& decode,
                  const std::string& scan, const std::string& scanName, double budgetMBps) {
    if (!r.Ran(decode) || !r.Ran(scan)) return;
    const double decodeNs = r.BestNs(decode), scanNs = r.BestNs(scan);
    const double speed = MBps(bytes.size(), decodeNs);
    PrintRow({what + " read+decode, " + std::to_string(g_inputs.frames) + "-frame " +
                  (what == "KISS" ? "capture" : "log") + " (" + Megabytes(bytes.size()) + "), memory",
              Fixed(speed, 0) + " MB/s", ">= " + Fixed(budgetMBps, 0) + " MB/s",
              scanName + " " + Fixed(MBps(bytes.size(), scanNs), 0) + " MB/s", Fixed(decodeNs / scanNs, 1) + "x time",
              speed >= budgetMBps});
}

// Nanoseconds per frame at both sizes.
void ReportPerFrame(const BestOfReporter& r, const std::string& what, const std::string& name, bool twoSided) {
    const std::string large = name + "/large/iterations:1";
    if (!r.Ran(name + "/small") || !r.Ran(large)) return;
    const double a = r.BestNs(name + "/small") / static_cast<double>(g_inputs.frames);
    const double b = r.BestNs(large) / static_cast<double>(g_largeFrames);
    const std::string small = std::to_string(g_inputs.frames);
    PrintRow({"cost per frame, " + what + ", " + std::to_string(g_largeFrames) + " vs " + small + " frames",
              Fixed(b, 0) + " ns/frame", twoSided ? "within 20 %" : "<= 1.2x baseline",
              small + " frames " + Fixed(a, 0) + " ns/frame", Fixed(b / a, 2) + "x",
              b / a <= 1.2 && (!twoSided || b / a >= 0.8)});
}

void Report(const BestOfReporter& r) {
    ReportReader(r, "KISS", g_inputs.kiss, "KissReadDecode", "MemchrFend", "memchr FEND", 300);
    ReportReader(r, "log", g_inputs.log, "LogReadDecode", "MemchrLf", "memchr LF", 150);
    if (r.Ran("CsvExport") && r.Ran("ToCharsShortest")) {
        const double values = static_cast<double>(g_table.RecordCount()) * kChannelCount;
        const double csv = r.BestNs("CsvExport") / values, toChars = r.BestNs("ToCharsShortest") / values;
        PrintRow({"CSV export, " + std::to_string(g_table.RecordCount()) + " records (" + Fixed(values, 0) + " values)",
                  Fixed(csv, 1) + " ns/value", "<= 60 ns/value, <= 3x baseline",
                  "to_chars shortest " + Fixed(toChars, 1) + " ns/value", Fixed(csv / toChars, 2) + "x",
                  csv <= 60 && csv <= 3 * toChars});
    }
    if (r.Ran("TlmReport")) {
        const double us = r.BestNs("TlmReport") / 1e3;
        PrintRow({"TLM report of one record", Fixed(us, 1) + " us", "<= 50 us", "", "", us <= 50});
    }
    // Past the 10000th record frames are counted, not decoded: cheaper per frame, never dearer.
    ReportPerFrame(r, "load path from file", "FileRead", false);
    ReportPerFrame(r, "same work per frame (table full)", "FullTableRead", true);
}

}  // namespace
}  // namespace tavro::bench

int main(int argc, char** argv) {
    using namespace tavro::bench;
    std::string logPath;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--kiss" && i + 1 < argc) g_kissPath = argv[++i];
        else if (a == "--log" && i + 1 < argc) logPath = argv[++i];
        else if (a == "--kiss-large" && i + 1 < argc) g_largePath = argv[++i];
        else if (a == "--large-frames" && i + 1 < argc) g_largeFrames = std::atoll(argv[++i]);
        else argv[kept++] = argv[i];
    }
    argc = kept;
    if (!g_kissPath.empty() && !logPath.empty()) {
        g_inputs = {ReadWholeFile(g_kissPath), ReadWholeFile(logPath), kFrames};
    } else {
        g_inputs = GeneratedInputs(kFrames);
        g_kissPath.clear();
    }
    {
        ReaderState state;
        ReadKiss(state, g_inputs.kiss);
        g_table = state.table;
    }
    Register();
    BestOfReporter reporter;
    RunAll(argc, argv, reporter);
    Report(reporter);
    return 0;
}
