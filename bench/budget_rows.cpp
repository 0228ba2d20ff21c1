#include "budget_rows.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>

namespace tavro::bench {

void PrintRow(const BudgetRow& row) {
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\n", row.figure.c_str(), row.measured.c_str(), row.budget.c_str(),
                row.baseline.empty() ? "-" : row.baseline.c_str(), row.ratio.empty() ? "-" : row.ratio.c_str(),
                row.info ? "-" : row.pass ? "PASS" : "MISS");
    std::fflush(stdout);
}

std::string Fixed(double value, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", digits, value);
    return buf;
}

BestOfReporter::BestOfReporter() : ConsoleReporter(OO_Tabular) { SetOutputStream(&std::cerr); }

void BestOfReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
        // CPU time per iteration, converted to nanoseconds whatever the benchmark's unit.
        const double ns = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
        const std::string name = run.run_name.str();
        auto [it, fresh] = best_.try_emplace(name, ns);
        if (!fresh && ns < it->second) it->second = ns;
    }
    ConsoleReporter::ReportRuns(runs);
}

double BestOfReporter::BestNs(const std::string& name) const {
    auto it = best_.find(name);
    if (it == best_.end()) {
        std::cerr << "benchmark " << name << " did not run\n";
        std::exit(1);
    }
    return it->second;
}

void RunAll(int& argc, char** argv, BestOfReporter& reporter) {
    // Defaults first, so flags on the command line override them.
    std::vector<char*> args{argv[0], const_cast<char*>("--benchmark_repetitions=5")};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

}  // namespace tavro::bench
