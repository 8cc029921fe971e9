//===- bench/BenchMain.cpp - The main of every Google Benchmark program ---===//
//
// Google Benchmark's usual main, preceded by what every figure depends on: a process that
// has run a second thread, and a note in the results of which allocator malloc is.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    qimbench::startAndJoinThread();
    benchmark::AddCustomContext("malloc", qimbench::mallocProvider());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
