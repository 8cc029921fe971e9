//===- bench/PoolWorkloads.h - Small blocks and short strings -*- C++ -*-===//
//
// The allocation patterns measured against malloc, written once for every allocator so that
// the timed benchmarks and the instruction counts run exactly the same code: a batch of
// blocks taken and then given back, a block taken and given back at once, and a short
// string built, copied and destroyed.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_BENCH_POOLWORKLOADS_H
#define QIM_BENCH_POOLWORKLOADS_H

#include "utilities/strings/EncodedString.h"
#include "utilities/strings/StringPoolManager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace qimbench {

/// The library's small-block pool.
struct PoolAllocator {
    static void* get(unsigned int size) { return StringPoolManager::instance().getBuffer(size); }
    static void release(void* block, unsigned int size) {
        StringPoolManager::instance().freeBuffer(block, size);
    }
};

/// Whatever malloc the process resolves to: glibc's, or one preloaded or linked in.
struct MallocAllocator {
    static void* get(unsigned int size) { return std::malloc(size); }
    static void release(void* block, unsigned int) { std::free(block); }
};

/// Takes a block of each size of `sizes` into `blocks`, then gives them all back.
template <typename Allocator>
void allocateBatch(const std::vector<unsigned int>& sizes, std::vector<void*>& blocks) {
    for (std::size_t index = 0; index < sizes.size(); ++index)
        blocks[index] = Allocator::get(sizes[index]);
    benchmark::ClobberMemory(); // the blocks are held, not optimised into nothing
    for (std::size_t index = 0; index < sizes.size(); ++index)
        Allocator::release(blocks[index], sizes[index]);
}

/// Takes and at once gives back a block of each size of `sizes`.
template <typename Allocator>
void allocatePairs(const std::vector<unsigned int>& sizes) {
    for (unsigned int size : sizes) {
        void* block = Allocator::get(size);
        benchmark::DoNotOptimize(block); // a malloc that is freed unused may be dropped
        Allocator::release(block, size);
    }
}

/// An EncodedString built from `text`, copied, and both destroyed; the copy's length.
inline unsigned int copyEncodedString(const char* text) {
    const EncodedString original(text, EncodedString::UTF8);
    const EncodedString copy(original);
    benchmark::DoNotOptimize(copy.buffer());
    return copy.length();
}

/// The same with std::string.
inline std::size_t copyStdString(const char* text) {
    const std::string original(text);
    const std::string copy(original);
    benchmark::DoNotOptimize(copy.data());
    return copy.size();
}

} // namespace qimbench

#endif
