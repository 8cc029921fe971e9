//===- bench/PoolBenchmark.cpp - The cost of small blocks against malloc --===//
//
// The library's small-block pool against whatever malloc this process has: a batch of
// 1000 blocks of 16 to 64 bytes taken and then given back, and blocks taken and given back
// one at a time, by one thread and by two at once (each with its own blocks); and an
// EncodedString of 16 to 64 bytes built, copied and destroyed against std::string.
//
// The same source is built twice: linked as usual (glibc's malloc, or jemalloc when the
// run preloads it) and linked with mimalloc, which then serves every malloc.
//
//===----------------------------------------------------------------------------===//
#include "bench/BenchSupport.h"
#include "bench/PoolWorkloads.h"

#include <benchmark/benchmark.h>

namespace {

using qimbench::MallocAllocator;
using qimbench::PoolAllocator;

/// Blocks in a batch, and the number of distinct sizes the pair and copy loops cycle over.
constexpr std::size_t batchSize = 1000;

const std::vector<unsigned int>& sizes() {
    static const std::vector<unsigned int> fixed = qimbench::blockSizes(batchSize);
    return fixed;
}

template <typename Allocator>
void allocateBatch(benchmark::State& state) {
    std::vector<void*> blocks(batchSize);
    for (auto _ : state)
        qimbench::allocateBatch<Allocator>(sizes(), blocks);
    state.SetItemsProcessed(state.iterations() * batchSize);
}

template <typename Allocator>
void allocatePairs(benchmark::State& state) {
    for (auto _ : state)
        qimbench::allocatePairs<Allocator>(sizes());
    state.SetItemsProcessed(state.iterations() * batchSize);
}

// Wall-clock time: with two threads, time spent waiting for the other one is part of the
// cost, and CPU time would hide it.
#define QIM_ALLOCATION_BENCHMARK(function, allocator, name)                                        \
    BENCHMARK_TEMPLATE(function, allocator)->Name(name)->UseRealTime()->Threads(1)->Threads(2)

QIM_ALLOCATION_BENCHMARK(allocateBatch, PoolAllocator, "allocateBatch/library");
QIM_ALLOCATION_BENCHMARK(allocateBatch, MallocAllocator, "allocateBatch/malloc");
QIM_ALLOCATION_BENCHMARK(allocatePairs, PoolAllocator, "allocatePairs/library");
QIM_ALLOCATION_BENCHMARK(allocatePairs, MallocAllocator, "allocatePairs/malloc");

template <typename Copy>
void copyString(benchmark::State& state, Copy copy) {
    static const std::vector<std::string> texts = qimbench::shortTexts(batchSize);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(copy(texts[next].c_str()));
        next = next + 1 == texts.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(copyString, library, qimbench::copyEncodedString)
    ->Name("copyString/library")
    ->UseRealTime();
BENCHMARK_CAPTURE(copyString, std_string, qimbench::copyStdString)
    ->Name("copyString/std::string")
    ->UseRealTime();

} // namespace
