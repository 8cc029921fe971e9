//===- tests/utilities/strings/ThreadBlockCacheTest.cpp -------------------===//
//
// The process-wide manager's per-thread caches, seen from outside: the main thread counts
// the free blocks of a class (shared lists and its own cache) while another thread works.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringPoolManager.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

namespace {

constexpr unsigned int size64 = 64;

/// Takes `count` 64-byte blocks and returns them all.
void takeAndReturn(unsigned int count) {
    StringPoolManager& pools = StringPoolManager::instance();
    std::vector<void*> blocks;
    for (unsigned int i = 0; i < count; ++i)
        blocks.push_back(pools.getBuffer(size64));
    for (void* block : blocks)
        pools.freeBuffer(block, size64);
}

/// 64-byte blocks carved since `chunkBytesBefore`.
unsigned int carvedSince(unsigned long chunkBytesBefore) {
    return static_cast<unsigned int>(
        (StringPoolManager::instance().chunkBytes() - chunkBytesBefore) / size64);
}

// Fewer blocks than a cache holds: without the end-of-thread hook they would all stay in
// the ended thread's cache, lost to every other thread.
TEST(ThreadBlockCacheTest, EndingThreadGivesItsCachedBlocksBack) {
    StringPoolManager& pools = StringPoolManager::instance();
    const unsigned int freeBefore = pools.freeBlockCount(size64);
    const unsigned long chunkBytesBefore = pools.chunkBytes();
    std::thread worker(takeAndReturn, 300u);
    worker.join();
    EXPECT_EQ(pools.freeBlockCount(size64), freeBefore + carvedSince(chunkBytesBefore));
}

// A thread that returns many blocks keeps at most the cache's limit and gives the rest back
// while it still runs.
TEST(ThreadBlockCacheTest, RunningThreadGivesBackWhatItsCacheCannotHold) {
    StringPoolManager& pools = StringPoolManager::instance();
    const unsigned int freeBefore = pools.freeBlockCount(size64);
    const unsigned long chunkBytesBefore = pools.chunkBytes();
    std::promise<void> returned;
    std::promise<void> mayEnd;
    std::thread worker([&] {
        takeAndReturn(3000);
        returned.set_value();
        mayEnd.get_future().wait();
    });
    returned.get_future().wait();
    const unsigned int carved = carvedSince(chunkBytesBefore);
    const unsigned int visible = pools.freeBlockCount(size64) - freeBefore;
    mayEnd.set_value();
    worker.join();
    EXPECT_GE(carved, 3000u);
    EXPECT_GE(visible + StringPoolManager::threadCacheLimit, carved);
    EXPECT_EQ(pools.freeBlockCount(size64), freeBefore + carved);
}

// A thread's blocks go back to the shared lists, not to another thread's cache: a block the
// main thread frees is what the main thread gets next, whatever other threads did.
TEST(ThreadBlockCacheTest, FreedBlockIsReusedFirstByItsThread) {
    StringPoolManager& pools = StringPoolManager::instance();
    void* block = pools.getBuffer(40);
    std::thread worker([] {
        StringPoolManager& shared = StringPoolManager::instance();
        for (int i = 0; i < 100; ++i)
            shared.freeBuffer(shared.getBuffer(40), 40);
    });
    worker.join();
    pools.freeBuffer(block, 40);
    void* again = pools.getBuffer(48);
    EXPECT_EQ(again, block);
    pools.freeBuffer(again, 48);
}

} // namespace
