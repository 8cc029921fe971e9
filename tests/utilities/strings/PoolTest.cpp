//===- tests/utilities/strings/PoolTest.cpp - Arena and block pools -------===//
//
// The arena as a script of requests runs through its areas, the size classes and refill
// rules of a block manager of its own, threads sharing the managers, and, under
// AddressSanitizer, the poisoning of pooled memory.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/Pool.h"
#include "utilities/strings/List.h"
#include "utilities/strings/StringPoolManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

/// The size word in front of an arena block, poisoned under AddressSanitizer.
QIM_UNCHECKED_ADDRESSES unsigned int sizeWord(const void* block) {
    return *reinterpret_cast<const unsigned int*>(static_cast<const char*>(block) - 4);
}

constexpr unsigned int reset = 0;
// A request (or a reset), then the size of the current area and its used bytes, the pool's
// total and its base size. Requests round up to 8 with their size word; a new area is 50%
// of the base, plus a request too large for that, which raises the base. After a reset,
// areas too small for a request are skipped and a large enough one is reused.
// clang-format off
const unsigned int steps[][5] = {
    {40, 100, 48, 100, 100}, {4, 100, 56, 100, 100}, {36, 100, 96, 100, 100}, {5, 50, 16, 150, 100},
    {200, 258, 208, 408, 308}, {reset, 100, 0, 408, 308}, {100, 258, 104, 408, 308},
    {92, 258, 200, 408, 308}, {1000, 1162, 1008, 1570, 1316}, {reset, 100, 0, 1570, 1316},
    {92, 100, 96, 1570, 1316}, {30, 50, 40, 1570, 1316}, {60, 258, 64, 1570, 1316},
    {300, 1162, 304, 1570, 1316}, {2000, 2666, 2008, 4236, 3324}, {reset, 100, 0, 4236, 3324},
    {92, 100, 96, 4236, 3324}, {5000, 6670, 5008, 10906, 8332},
};
// clang-format on

TEST(PoolTest, AreasGrowByThePercentageAndAreReusedAfterReset) {
    Pool pool(100, 50);
    for (const auto& step : steps) {
        char* block =
            step[0] == reset ? (pool.reset(), nullptr) : static_cast<char*>(pool.allocate(step[0]));
        const PoolArea* area = pool.currentArea();
        // Where the block ends by its size word: at the end of the used part.
        const unsigned int end = block ? unsigned(block - area->data()) + sizeWord(block) - 4 : 0;
        EXPECT_EQ(
            (std::vector<unsigned int>{area->size(), area->used(), unsigned(pool.total()),
                                       unsigned(pool.baseSize()), end}),
            (std::vector<unsigned int>{step[1], step[2], step[3], step[4], step[0] ? step[2] : 0}));
    }
    pool.release();
    ::operator delete[](new (static_cast<Pool*>(nullptr)) long[2]); // from the heap without a pool
    ::operator delete(new (static_cast<Pool*>(nullptr)) long);
}

TEST(ListTest, GrowsShiftsAndFindsInItsPool) {
    Pool pool(64, 100);
    List<int> list(&pool);
    for (int i = 0; i < 17; ++i)
        list.append(i); // single appends double the capacity from 8: to 32
    const int* old = list.items();
    list.append(old, 15); // fills it exactly, so that an insert grows it by one
    list.insert(0, 9);
    list.remove(1);
    list.remove(32);
    // The old array stays in the pool.
    EXPECT_EQ((std::vector<unsigned int>{list.capacity(), list.find(9), list.find(1), list.find(16),
                                         list.find(42), unsigned(old[16])}),
              (std::vector<unsigned int>{33, 1, 2, 17, 0, 16}));
}

/// The free blocks of each class, smallest first.
std::vector<unsigned int> freeCounts(const StringPoolManager& manager) {
    std::vector<unsigned int> counts;
    for (unsigned int size : {4, 16, 24, 32, 48, 64})
        counts.push_back(manager.freeBlockCount(size));
    return counts;
}

// A request, where the block is (which chunk, in the order they were carved, and where in
// it) and the free blocks of each class afterwards. Classes below 48 halve a block of the
// class above them (the 16-byte class for the smallest, the 48-byte class for 24); the two
// largest carve chunks of 127 and 170 blocks, handed out in address order.
// clang-format off
const unsigned int takes[][9] = {
    {10, 0, 0, 0, 1, 0, 1, 0, 126}, {0, 0, 16, 1, 0, 0, 1, 0, 126}, {4, 0, 24, 0, 0, 0, 1, 0, 126},
    {20, 1, 0, 0, 0, 1, 1, 169, 126}, {17, 1, 24, 0, 0, 0, 1, 169, 126},
    {33, 1, 48, 0, 0, 0, 1, 168, 126}, {64, 0, 64, 0, 0, 0, 1, 168, 125},
    {25, 0, 32, 0, 0, 0, 0, 168, 125}, {32, 0, 128, 0, 0, 0, 1, 168, 124},
};
// clang-format on

TEST(StringPoolManagerTest, ClassesRefillByHalvingAndFromChunks) {
    StringPoolManager manager;
    std::vector<char*> chunks, blocks;
    for (const auto& take : takes) {
        blocks.push_back(static_cast<char*>(manager.getBuffer(take[0])));
        if (take[1] == chunks.size())
            chunks.push_back(blocks.back());
        EXPECT_EQ(blocks.back(), chunks[take[1]] + take[2]) << take[0];
        EXPECT_EQ(freeCounts(manager), std::vector<unsigned int>(take + 3, take + 9)) << take[0];
    }
    // A block given back shorter is filed under the smaller class and reused first;
    // larger requests and null blocks leave the classes alone.
    manager.freeBuffer(blocks[5], 20);
    EXPECT_EQ(manager.getBuffer(24), blocks[5]);
    manager.freeBuffer(std::memset(manager.getBuffer(65), 'x', 65), 65);
    manager.freeBuffer(nullptr, 10);
    EXPECT_EQ(freeCounts(manager), std::vector<unsigned int>(takes[8] + 3, takes[8] + 9));
    EXPECT_EQ(StringPoolManager::blockWidthFor(64) + StringPoolManager::blockWidthFor(65), 64u);
    // Runs of free blocks move between lists by splitting one after the count asked for.
    FreeBlockList list, front;
    void* links[3];
    for (void*& link : links)
        list.push(&link);
    front = list.takeFront(2);
    EXPECT_TRUE(list.pop() == &links[0] && list.empty() && front.pop() == &links[2]);
}

unsigned long freeBytes(const StringPoolManager& manager) {
    const std::vector<unsigned int> n = freeCounts(manager); // blocks of 8, 16, 24, 32, 48, 64
    return 8ul * n[0] + 16ul * n[1] + 24ul * n[2] + 32ul * n[3] + 48ul * n[4] + 64ul * n[5];
}

// Two threads take and give back blocks of every class, over a thread cache's limit in the
// largest, each marking its blocks and checking the mark before it gives them back: a block
// handed out twice would carry the other thread's mark. A thread's cache (only the
// process-wide manager gives threads one) never holds more than its limit, and goes back
// when the thread ends: then every byte carved is free again.
void expectThreadsNeitherShareNorLoseBlocks(StringPoolManager& manager) {
    const unsigned long freeBefore = freeBytes(manager), carvedBefore = manager.chunkBytes();
    const bool cached = &manager == &StringPoolManager::instance();
    bool intact[] = {true, true};
    auto work = [&](int me) {
        const auto size = [](unsigned int i) { return i % 2 ? 64 : 1 + i % 63; };
        const unsigned char mark = me ? 0xA5 : 0x5A;
        std::vector<unsigned char*> blocks(1400);
        for (int round = 0; round < 150; ++round) {
            for (unsigned int i = 0; i < blocks.size(); ++i)
                blocks[i] = static_cast<unsigned char*>(
                    std::memset(manager.getBuffer(size(i)), mark, size(i)));
            for (unsigned int i = 0; i < blocks.size(); ++i) {
                intact[me] = intact[me] && blocks[i][0] == mark && blocks[i][size(i) - 1] == mark;
                manager.freeBuffer(blocks[i], size(i));
            }
            const ThreadBlockCache* cache = ThreadBlockCache::servingCallingThread();
            intact[me] = intact[me] && (cache != nullptr) == cached &&
                         (!cache || cache->blocks(5).size() <= StringPoolManager::threadCacheLimit);
        }
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    EXPECT_TRUE(intact[0] && intact[1]);
    EXPECT_EQ(freeBytes(manager) - freeBefore, manager.chunkBytes() - carvedBefore);
}

// Through a manager of its own, and the process-wide one, which gives each thread a cache.
TEST(StringPoolManagerTest, ConcurrentThreadsNeitherShareNorLoseBlocks) {
    StringPoolManager manager;
    expectThreadsNeitherShareNorLoseBlocks(manager);
    expectThreadsNeitherShareNorLoseBlocks(StringPoolManager::instance());
}

TEST(MemoryPoisoningTest, PooledMemoryIsAddressableOnlyWhileHandedOut) {
    if (!MemoryPoisoning::enabled)
        GTEST_SKIP() << "pooled memory is poisoned only under AddressSanitizer";
    const auto poisoned = [](const char* start, unsigned int from, unsigned int to) {
        while (from < to && MemoryPoisoning::isPoisoned(start + from, 1))
            ++from;
        return from >= to; // every byte from `from` to `to` after `start`
    };
    StringPoolManager plain;
    for (StringPoolManager* manager : {&plain, &StringPoolManager::instance()}) {
        for (unsigned int size = 1; size <= 64; ++size) {
            char* block = static_cast<char*>(manager->getBuffer(size));
            const unsigned int width = StringPoolManager::blockWidthFor(size);
            EXPECT_TRUE(!MemoryPoisoning::isPoisoned(block, size) && poisoned(block, size, width));
            manager->freeBuffer(block, size);
            EXPECT_TRUE(poisoned(block, 0, width)) << size;
        }
    }
    // An arena exposes its allocations only, not their size words, and nothing after a reset.
    Pool pool(64, 50);
    char* first = static_cast<char*>(pool.allocate(10));
    EXPECT_TRUE(!MemoryPoisoning::isPoisoned(first, 10) && poisoned(first - 4, 0, 4) &&
                poisoned(first, 10, 60));
    char* second = static_cast<char*>(pool.allocate(60));
    pool.reset();
    EXPECT_TRUE(poisoned(first, 0, 10) && poisoned(second, 0, 60));
}

} // namespace
