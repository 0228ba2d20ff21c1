// In-process figures: KISS and log read+decode from memory against a memchr
// pass over the same bytes, the CSV export against std::to_chars, the TLM
// report of one record, and the load path's cost per frame at two sizes.
// Reading and the CSV export run on two inputs: the generated pass (values
// mostly whole numbers) and its random-valued twin (field bytes at random).
//
//   tavro_core_bench [--kiss F --log F] [--kiss-random F --log-random F]
//                    [--kiss-large F --large-frames N] [benchmark flags]
//
// Inputs not given are generated in memory.
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

// One input pair and the records of its capture, for the exports.
struct InputSet {
    const char* name;   // benchmark name suffix
    const char* frames; // after the frame count: "-frame" or "-frame random-valued"
    bool randomFields;
    std::string kissPath, logPath;
    Inputs inputs;
    RecordTable table;
};
InputSet g_sets[] = {{"pass", "-frame", false, {}, {}, {}, {}}, {"random", "-frame random-valued", true, {}, {}, {}, {}}};
const RecordTable& g_table = g_sets[0].table;  // the generated pass, for the TLM report
std::string g_largePath;
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

void BM_KissReadDecode(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) {
        ReaderState read;
        ReadKiss(read, set.inputs.kiss);
        benchmark::DoNotOptimize(read.table.RecordCount());
    }
}
void BM_MemchrFend(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) benchmark::DoNotOptimize(CountByte(set.inputs.kiss, 0xC0));
}
void BM_LogReadDecode(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) {
        ReaderState read;
        ReadLog(read, set.inputs.log);
        benchmark::DoNotOptimize(read.table.RecordCount());
    }
}
void BM_MemchrLf(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) benchmark::DoNotOptimize(CountByte(set.inputs.log, '\n'));
}

// The text as the export makes it: piece after piece, each handed on.
void BM_CsvExport(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) {
        CsvPieces pieces(set.table, '.');
        std::size_t size = 0;
        for (std::string_view piece; !(piece = pieces.Next()).empty();) {
            benchmark::DoNotOptimize(piece.data());
            size += piece.size();
        }
        benchmark::DoNotOptimize(size);
    }
}
// The same values and separators, each value in std::to_chars' shortest form.
void BM_ToCharsShortest(benchmark::State& state, const InputSet& set) {
    for (auto _ : state) {
        std::string out;
        out.reserve(static_cast<std::size_t>(set.table.RecordCount() + 1) * kChannelCount * 24);  // never copied as it grows
        for (const TelemetryRecord& r : set.table.Records()) {
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
    for (const InputSet& set : g_sets) {
        const std::string n = std::string("/") + set.name;
        benchmark::RegisterBenchmark(("KissReadDecode" + n).c_str(), BM_KissReadDecode, set)->Unit(kMillisecond);
        benchmark::RegisterBenchmark(("MemchrFend" + n).c_str(), BM_MemchrFend, set)->Unit(kMillisecond);
        benchmark::RegisterBenchmark(("LogReadDecode" + n).c_str(), BM_LogReadDecode, set)->Unit(kMillisecond);
        benchmark::RegisterBenchmark(("MemchrLf" + n).c_str(), BM_MemchrLf, set)->Unit(kMillisecond);
        // The export makes every other piece on a second thread: the CPU time of both.
        benchmark::RegisterBenchmark(("CsvExport" + n).c_str(), BM_CsvExport, set)->Unit(kMillisecond)->MeasureProcessCPUTime();
        benchmark::RegisterBenchmark(("ToCharsShortest" + n).c_str(), BM_ToCharsShortest, set)->Unit(kMillisecond);
    }
    benchmark::RegisterBenchmark("TlmReport", BM_TlmReport)->Unit(benchmark::kMicrosecond);
    if (!g_sets[0].kissPath.empty() && !g_largePath.empty() && g_largeFrames > 0) {
        benchmark::RegisterBenchmark("FileRead/small", [](benchmark::State& s) { ReadFile(s, g_sets[0].kissPath); })
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("FileRead/large", [](benchmark::State& s) { ReadFile(s, g_largePath); })
            ->Unit(kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark("FullTableRead/small", [](benchmark::State& s) { ReadFileIntoFullTable(s, g_sets[0].kissPath); })
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("FullTableRead/large", [](benchmark::State& s) { ReadFileIntoFullTable(s, g_largePath); })
            ->Unit(kMillisecond)
            ->Iterations(1);
    }
}

double MBps(std::size_t bytes, double ns) { return static_cast<double>(bytes) / ns * 1e3; }

std::string Megabytes(std::size_t bytes) { return Fixed(static_cast<double>(bytes) / 1e6, 2) + " MB"; }

// Read+decode speed against one memchr pass over the same bytes.
void ReportReader(const BestOfReporter& r, const InputSet& set, bool kiss, double budgetMBps) {
    const std::string n = std::string("/") + set.name;
    const std::string decode = (kiss ? "KissReadDecode" : "LogReadDecode") + n;
    const std::string scan = (kiss ? "MemchrFend" : "MemchrLf") + n;
    if (!r.Ran(decode) || !r.Ran(scan)) return;
    const Bytes& bytes = kiss ? set.inputs.kiss : set.inputs.log;
    const double decodeNs = r.BestNs(decode), scanNs = r.BestNs(scan);
    const double speed = MBps(bytes.size(), decodeNs);
    PrintRow({std::string(kiss ? "KISS" : "log") + " read+decode, " + std::to_string(set.inputs.frames) + set.frames +
                  (kiss ? " capture" : " log") + " (" + Megabytes(bytes.size()) + "), memory",
              Fixed(speed, 0) + " MB/s", ">= " + Fixed(budgetMBps, 0) + " MB/s",
              (kiss ? "memchr FEND " : "memchr LF ") + Fixed(MBps(bytes.size(), scanNs), 0) + " MB/s",
              Fixed(decodeNs / scanNs, 1) + "x time", speed >= budgetMBps});
}

// Nanoseconds per value of the CSV export against to_chars on the same values.
void ReportCsv(const BestOfReporter& r, const InputSet& set, double budgetNs, double budgetRatio) {
    const std::string n = std::string("/") + set.name;
    if (!r.Ran("CsvExport" + n + "/process_time") || !r.Ran("ToCharsShortest" + n)) return;
    const double values = static_cast<double>(set.table.RecordCount()) * kChannelCount;
    const double csv = r.BestNs("CsvExport" + n + "/process_time") / values, toChars = r.BestNs("ToCharsShortest" + n) / values;
    PrintRow({"CSV export, " + std::to_string(set.table.RecordCount()) + (set.randomFields ? " random-valued" : "") +
                  " records (" + Fixed(values, 0) + " values)",
              Fixed(csv, 1) + " ns/value", "<= " + Fixed(budgetNs, 0) + " ns/value, <= " + Fixed(budgetRatio, 1) + "x baseline",
              "to_chars shortest " + Fixed(toChars, 1) + " ns/value", Fixed(csv / toChars, 2) + "x",
              csv <= budgetNs && csv <= budgetRatio * toChars});
}

// Nanoseconds per frame at both sizes.
void ReportPerFrame(const BestOfReporter& r, const std::string& what, const std::string& name, bool twoSided) {
    const std::string large = name + "/large/iterations:1";
    if (!r.Ran(name + "/small") || !r.Ran(large)) return;
    const double a = r.BestNs(name + "/small") / static_cast<double>(kFrames);
    const double b = r.BestNs(large) / static_cast<double>(g_largeFrames);
    const std::string small = std::to_string(kFrames);
    PrintRow({"cost per frame, " + what + ", " + std::to_string(g_largeFrames) + " vs " + small + " frames",
              Fixed(b, 0) + " ns/frame", twoSided ? "within 20 %" : "<= 1.2x baseline",
              small + " frames " + Fixed(a, 0) + " ns/frame", Fixed(b / a, 2) + "x",
              b / a <= 1.2 && (!twoSided || b / a >= 0.8)});
}

void Report(const BestOfReporter& r) {
    for (const InputSet& set : g_sets) ReportReader(r, set, true, 1000);
    for (const InputSet& set : g_sets) ReportReader(r, set, false, 800);
    ReportCsv(r, g_sets[0], 60, 3);
    ReportCsv(r, g_sets[1], 15, 1);
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
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--kiss" && i + 1 < argc) g_sets[0].kissPath = argv[++i];
        else if (a == "--log" && i + 1 < argc) g_sets[0].logPath = argv[++i];
        else if (a == "--kiss-random" && i + 1 < argc) g_sets[1].kissPath = argv[++i];
        else if (a == "--log-random" && i + 1 < argc) g_sets[1].logPath = argv[++i];
        else if (a == "--kiss-large" && i + 1 < argc) g_largePath = argv[++i];
        else if (a == "--large-frames" && i + 1 < argc) g_largeFrames = std::atoll(argv[++i]);
        else argv[kept++] = argv[i];
    }
    argc = kept;
    for (InputSet& set : g_sets) {
        if (!set.kissPath.empty() && !set.logPath.empty()) {
            set.inputs = {ReadWholeFile(set.kissPath), ReadWholeFile(set.logPath), kFrames};
        } else {
            set.inputs = GeneratedInputs(kFrames, set.randomFields);
            set.kissPath.clear();
        }
        ReaderState read;
        ReadKiss(read, set.inputs.kiss);
        set.table = read.table;
    }
    Register();
    BestOfReporter reporter;
    RunAll(argc, argv, reporter);
    Report(reporter);
    return 0;
}
