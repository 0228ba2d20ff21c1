// One line of the budget table, printed by every benchmark driver and
// gathered by scripts/bench into one table:
//
//   ROW<TAB>figure<TAB>measured<TAB>budget<TAB>baseline<TAB>ratio<TAB>PASS|MISS|-
//
// "-" marks a figure without a budget, shown to explain another one.
// Google Benchmark's own report goes to standard error; standard output
// carries only ROW lines.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tavro::bench {

struct BudgetRow {
    std::string figure;
    std::string measured;
    std::string budget;
    std::string baseline;  // empty: none
    std::string ratio;     // empty: none
    bool pass = false;
    bool info = false;  // no budget: neither PASS nor MISS
};

void PrintRow(const BudgetRow& row);

// "12.3" with digits decimals.
std::string Fixed(double value, int digits);

// Keeps the fastest repetition of every benchmark (CPU time of the process
// per iteration, in nanoseconds) and forwards everything to the console report on stderr.
class BestOfReporter : public benchmark::ConsoleReporter {
public:
    BestOfReporter();
    void ReportRuns(const std::vector<Run>& runs) override;

    bool Ran(const std::string& name) const { return best_.count(name) != 0; }
    // CPU nanoseconds per iteration of the named benchmark; exits when it did not run.
    double BestNs(const std::string& name) const;

private:
    std::map<std::string, double> best_;
};

// Runs the registered benchmarks (5 repetitions unless the command line
// says otherwise) and returns the reporter with their best times.
void RunAll(int& argc, char** argv, BestOfReporter& reporter);

}  // namespace tavro::bench
