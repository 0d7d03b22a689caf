#pragma once

#include "support/SharedServices.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// Shared start and finish of every benchmark program. A benchmark that could
// not measure (no desktop, port taken, engine missing, player silent) makes
// the program exit non-zero with its reason, so that neither CTest nor
// bench/run-all.sh can take a run that measured nothing for one that met its aim.
// Each program's main holds the services the program's root installs
// (SharedServices) from its application object, and its platform where it has
// one, to its end, as the root does: its set-up and its clean-up use them too.

namespace BenchRun {

constexpr int kNotMeasured = 2;

// Writes why nothing was measured and gives the exit status to return.
inline int notMeasured(const char* reason) {
    std::fprintf(stderr, "not measured: %s\n", reason);
    return kNotMeasured;
}

// The console report, noting every benchmark that stopped with an error.
class ErrorWatch : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed = true;
                std::fprintf(stderr, "not measured: %s: %s\n", run.benchmark_name().c_str(), run.error_message.c_str());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    bool failed = false;
};

// Parses the benchmark flags, runs what they select and returns the exit status.
inline int run(int* argc, char** argv) {
    benchmark::Initialize(argc, argv);
    ErrorWatch display;
    const size_t ran = benchmark::RunSpecifiedBenchmarks(&display);
    benchmark::Shutdown();
    if (ran == 0)
        return notMeasured("no benchmark matched the filter");
    return display.failed ? kNotMeasured : 0;
}

// Median, 90th percentile and maximum of a set of timings, in milliseconds,
// as counters beside the benchmark's own mean time.
inline void reportSpread(benchmark::State& state, std::vector<double> milliseconds) {
    if (milliseconds.empty())
        return;
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double quantile) {
        const size_t index = size_t(quantile * double(milliseconds.size() - 1) + 0.5);
        return milliseconds[std::min(index, milliseconds.size() - 1)];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p90_ms"] = at(0.9);
    state.counters["max_ms"] = milliseconds.back();
}

} // namespace BenchRun
