//===- bench/TraceBenchmark.cpp - The cost of a trace call ----------------===//
//
// What a trace call costs its caller, against spdlog and plain stdio: a call whose type is
// switched off (which must stay at a pointer load and a word test), and a call that writes
// an 80-character record to a file and flushes it.
//
//===----------------------------------------------------------------------------===//
#include "bench/TraceTargets.h"

#include <benchmark/benchmark.h>

namespace {

using qimbench::Records;

template <typename Target>
void writeRecords(benchmark::State& state, Target& target) {
    int value = 0;
    for (auto _ : state) {
        target.write(value);
        benchmark::DoNotOptimize(++value);
    }
    state.SetItemsProcessed(state.iterations());
}

template <typename Target>
void traceDisabled(benchmark::State& state) {
    Target target(Records::Disabled);
    writeRecords(state, target);
}

template <typename Target>
void traceEnabled(benchmark::State& state) {
    Target target(Records::Enabled);
    writeRecords(state, target);
}

void traceEnabledStdio(benchmark::State& state) {
    qimbench::StdioTrace target;
    writeRecords(state, target);
}

BENCHMARK_TEMPLATE(traceDisabled, qimbench::LibraryTrace)->Name("traceDisabled/library");
BENCHMARK_TEMPLATE(traceDisabled, qimbench::SpdlogTrace)->Name("traceDisabled/spdlog");
BENCHMARK_TEMPLATE(traceEnabled, qimbench::LibraryTrace)->Name("traceEnabled/library");
BENCHMARK_TEMPLATE(traceEnabled, qimbench::SpdlogTrace)->Name("traceEnabled/spdlog");
BENCHMARK(traceEnabledStdio)->Name("traceEnabled/fprintf");

} // namespace
