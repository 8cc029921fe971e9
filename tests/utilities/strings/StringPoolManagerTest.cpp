//===- tests/utilities/strings/StringPoolManagerTest.cpp ------------------===//
#include "utilities/strings/StringPoolManager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace {

bool isAligned8(const void* block) {
    return reinterpret_cast<std::uintptr_t>(block) % 8 == 0;
}

/// Bytes held by the free lists of every class together.
unsigned long freeBytes(const StringPoolManager& manager) {
    unsigned long total = 0;
    for (unsigned int size : {4u, 16u, 24u, 32u, 48u, 64u})
        total += static_cast<unsigned long>(manager.freeBlockCount(size)) *
                 StringPoolManager::blockWidthFor(size);
    return total;
}

TEST(StringPoolManagerTest, RequestSizesMapToTheirClassesAtEveryBoundary) {
    struct Case {
        unsigned int size;
        unsigned int width;
    };
    // The smallest class is 8 bytes wide here: a free block must hold a 64-bit pointer.
    const Case cases[] = {{0, 8},   {4, 8},   {5, 16},  {16, 16}, {17, 24}, {24, 24}, {25, 32},
                          {32, 32}, {33, 48}, {48, 48}, {49, 64}, {64, 64}, {65, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(StringPoolManager::blockWidthFor(c.size), c.width) << "size " << c.size;
}

TEST(StringPoolManagerTest, First16ByteRequestHalvesA64ByteChunkBlockTwice) {
    StringPoolManager manager;
    void* block = manager.getBuffer(10);
    EXPECT_EQ(manager.chunkCount(), 1u);
    EXPECT_EQ(manager.chunkBytes(), StringPoolManager::chunk64Size);
    EXPECT_EQ(manager.freeBlockCount(64), 126u);
    EXPECT_EQ(manager.freeBlockCount(32), 1u);
    EXPECT_EQ(manager.freeBlockCount(16), 1u);
    // The next 16-byte request is the pushed half, right after the first.
    EXPECT_EQ(manager.getBuffer(16), static_cast<char*>(block) + 16);
}

TEST(StringPoolManagerTest, SmallestClassSplitsA16ByteBlock) {
    StringPoolManager manager;
    void* block = manager.getBuffer(0);
    EXPECT_EQ(manager.freeBlockCount(4), 1u);
    EXPECT_EQ(manager.freeBlockCount(16), 1u);
    EXPECT_EQ(manager.freeBlockCount(32), 1u);
    EXPECT_EQ(manager.getPoolMin(), static_cast<char*>(block) + 8);
    EXPECT_EQ(manager.chunkCount(), 1u);
}

TEST(StringPoolManagerTest, Class24IsFedBy48ByteChunk) {
    StringPoolManager manager;
    void* block = manager.getBuffer(20);
    EXPECT_EQ(manager.chunkBytes(), StringPoolManager::chunk48Size);
    EXPECT_EQ(manager.freeBlockCount(48), 169u);
    EXPECT_EQ(manager.freeBlockCount(24), 1u);
    EXPECT_EQ(manager.getBuffer(17), static_cast<char*>(block) + 24);
}

TEST(StringPoolManagerTest, OneChunkServes170Blocks48InAddressOrder) {
    StringPoolManager manager;
    char* first = static_cast<char*>(manager.getBuffer(40));
    for (unsigned int i = 1; i < 170; ++i)
        ASSERT_EQ(manager.getBuffer(33 + i % 16), first + 48 * i) << "block " << i;
    EXPECT_EQ(manager.chunkCount(), 1u);
    manager.getPool48();
    EXPECT_EQ(manager.chunkCount(), 2u);
}

TEST(StringPoolManagerTest, OneChunkServes127Blocks64) {
    StringPoolManager manager;
    for (unsigned int i = 0; i < 127; ++i)
        manager.getPool64();
    EXPECT_EQ(manager.chunkCount(), 1u);
    EXPECT_EQ(manager.freeBlockCount(64), 0u);
    manager.getBuffer(64);
    EXPECT_EQ(manager.chunkCount(), 2u);
}

TEST(StringPoolManagerTest, FreedBlockIsReusedFirst) {
    StringPoolManager manager;
    void* block = manager.getBuffer(30);
    manager.getBuffer(30);
    manager.freeBuffer(block, 30);
    EXPECT_EQ(manager.getBuffer(25), block);
}

TEST(StringPoolManagerTest, BlockShortenedInPlaceReturnsUnderTheSmallerClass) {
    StringPoolManager manager;
    void* block = manager.getBuffer(64);
    const unsigned int free24 = manager.freeBlockCount(24);
    const unsigned int free64 = manager.freeBlockCount(64);
    manager.freeBuffer(block, 20);
    EXPECT_EQ(manager.freeBlockCount(24), free24 + 1);
    EXPECT_EQ(manager.freeBlockCount(64), free64);
    EXPECT_EQ(manager.getBuffer(24), block);
}

TEST(StringPoolManagerTest, LargeRequestsBypassTheClasses) {
    StringPoolManager manager;
    char* block = static_cast<char*>(manager.getBuffer(65));
    std::memset(block, 'x', 65); // the sanitizer build checks the block really is 65 bytes
    EXPECT_EQ(manager.chunkCount(), 0u);
    manager.freeBuffer(block, 65);
    EXPECT_EQ(freeBytes(manager), 0u);
}

TEST(StringPoolManagerTest, NullBlockIsIgnored) {
    StringPoolManager manager;
    manager.getBuffer(10);
    const unsigned long before = freeBytes(manager);
    manager.freeBuffer(nullptr, 10);
    manager.freeBuffer(nullptr, 100);
    EXPECT_EQ(freeBytes(manager), before);
}

TEST(StringPoolManagerTest, EveryClassHandsOutAlignedBlocks) {
    StringPoolManager manager;
    for (unsigned int size = 0; size <= 80; ++size) {
        for (int i = 0; i < 3; ++i) {
            void* block = manager.getBuffer(size);
            EXPECT_TRUE(isAligned8(block)) << "size " << size;
            if (size > StringPoolManager::largestPooledSize)
                manager.freeBuffer(block, size);
        }
    }
}

// Two threads take and return blocks of every class at once. Each fills its blocks with
// its own mark and checks it before returning them: a block handed out twice would carry
// the other thread's mark. Afterwards every byte carved meanwhile must be free again, and no
// block may be free twice.
void expectThreadsNeitherShareNorLoseBlocks(StringPoolManager& manager) {
    constexpr int rounds = 300;
    constexpr unsigned int batch = 700; // beyond a thread cache's limit in the big classes
    auto work = [&manager](unsigned char mark, bool& intact) {
        std::vector<std::pair<unsigned char*, unsigned int>> blocks;
        for (int round = 0; round < rounds; ++round) {
            for (unsigned int i = 0; i < batch; ++i) {
                const unsigned int size = 1 + (i * 7 + round) % 64;
                auto* block = static_cast<unsigned char*>(manager.getBuffer(size));
                std::memset(block, mark, size);
                blocks.emplace_back(block, size);
            }
            for (const auto& [block, size] : blocks) {
                for (unsigned int j = 0; j < size; ++j)
                    intact = intact && block[j] == mark;
                manager.freeBuffer(block, size);
            }
            blocks.clear();
        }
    };
    const unsigned long freeBefore = freeBytes(manager);
    const unsigned long carvedBefore = manager.chunkBytes();
    bool firstIntact = true;
    bool secondIntact = true;
    std::thread first(work, 0xA5, std::ref(firstIntact));
    std::thread second(work, 0x5A, std::ref(secondIntact));
    first.join();
    second.join();
    EXPECT_TRUE(firstIntact);
    EXPECT_TRUE(secondIntact);
    const unsigned long carved = manager.chunkBytes() - carvedBefore;
    EXPECT_EQ(freeBytes(manager), freeBefore + carved);

    // Drain every class: no block may come out twice. Then give them all back.
    std::vector<std::pair<void*, unsigned int>> drained;
    std::set<void*> seen;
    for (unsigned int size : {4u, 16u, 24u, 32u, 48u, 64u}) {
        for (unsigned int n = manager.freeBlockCount(size); n > 0; --n) {
            void* block = manager.getBuffer(size);
            EXPECT_TRUE(seen.insert(block).second) << "block on a free list twice";
            drained.emplace_back(block, size);
        }
    }
    EXPECT_EQ(manager.chunkBytes() - carvedBefore, carved) << "draining carved a chunk";
    for (const auto& [block, size] : drained)
        manager.freeBuffer(block, size);
}

TEST(StringPoolManagerTest, ConcurrentThreadsNeitherShareNorLoseBlocks) {
    StringPoolManager manager;
    expectThreadsNeitherShareNorLoseBlocks(manager);
    EXPECT_EQ(freeBytes(manager), manager.chunkBytes());
}

// The same through the process-wide manager, where each thread has a cache of its own that
// goes back to the shared lists when the thread ends.
TEST(StringPoolManagerTest, ConcurrentThreadsWithCachesNeitherShareNorLoseBlocks) {
    expectThreadsNeitherShareNorLoseBlocks(StringPoolManager::instance());
}

} // namespace
