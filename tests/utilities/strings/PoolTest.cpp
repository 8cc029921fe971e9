//===- tests/utilities/strings/PoolTest.cpp -------------------------------===//
#include "utilities/strings/Pool.h"
#include "utilities/strings/MemoryPoisoning.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

// The size words and the unused tail are poisoned under AddressSanitizer: only the pool's
// own bookkeeping, and these looks from outside, read them.

/// The size word stored in front of a block.
QIM_UNCHECKED_ADDRESSES std::uint32_t sizeWord(const void* block) {
    return *reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(block) - 4);
}

QIM_UNCHECKED_ADDRESSES char byteAt(const PoolArea* area, unsigned int offset) {
    return area->data()[offset];
}

bool inArea(const PoolArea* area, const void* block) {
    const char* p = static_cast<const char*>(block);
    return p >= area->data() && p < area->data() + area->size();
}

TEST(PoolTest, RoundedSizeCountsTheWordAndRoundsUpTo8) {
    const unsigned int cases[][2] = {{0, 8}, {1, 8}, {4, 8}, {5, 16}, {12, 16}, {13, 24}, {40, 48}};
    Pool pool(1000, 50);
    for (const auto& c : cases) {
        EXPECT_EQ(Pool::roundedSize(c[0]), c[1]) << "size " << c[0];
        EXPECT_EQ(sizeWord(pool.allocate(c[0])), c[1]) << "size " << c[0];
    }
}

TEST(PoolTest, TwoAllocationsFitTheFirstAreaAndTheThirdGrowsByThePercentage) {
    Pool pool(100, 50);
    void* first = pool.allocate(40);
    void* second = pool.allocate(40);
    EXPECT_EQ(pool.firstArea(), pool.currentArea());
    EXPECT_EQ(pool.firstArea()->size(), 100u);
    EXPECT_EQ(pool.firstArea()->used(), 96u);
    EXPECT_EQ(static_cast<char*>(second) - static_cast<char*>(first), 48);

    void* third = pool.allocate(40);
    PoolArea* grown = pool.currentArea();
    ASSERT_NE(grown, pool.firstArea());
    EXPECT_EQ(grown->size(), 50u);
    EXPECT_EQ(grown->previous(), pool.firstArea());
    EXPECT_EQ(pool.firstArea()->next(), grown);
    EXPECT_TRUE(inArea(grown, third));
    EXPECT_EQ(pool.total(), 150);
    EXPECT_EQ(pool.baseSize(), 100);
}

TEST(PoolTest, FirstAreaTakesARequestLargerThanTheBase) {
    Pool pool(16, 50);
    pool.allocate(100);
    EXPECT_EQ(pool.firstArea()->size(), 100u);
}

TEST(PoolTest, OversizedRequestRaisesTheBaseAndSizesTheAreaForIt) {
    Pool pool(100, 50);
    pool.allocate(90);
    void* block = pool.allocate(200); // rounded 208, more than 100 * 50 / 100
    EXPECT_EQ(pool.currentArea()->size(), 50u + 208u);
    EXPECT_EQ(pool.baseSize(), 100 + 208);
    EXPECT_EQ(pool.total(), 100 + 258);
    EXPECT_TRUE(inArea(pool.currentArea(), block));
}

TEST(PoolTest, BlocksAreAlignedFor64BitData) {
    Pool pool(64, 100);
    for (unsigned int size = 0; size < 100; ++size) {
        void* block = pool.allocate(size);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 8, 0u) << "size " << size;
        std::memset(block, 0xEE, size); // the sanitizer build checks the block is writable
    }
}

TEST(PoolTest, ResetReusesTheAreasFromTheStart) {
    Pool pool(100, 50);
    void* first = pool.allocate(40);
    pool.allocate(40);
    pool.allocate(40);
    PoolArea* second = pool.currentArea();
    const int total = pool.total();

    pool.reset();
    EXPECT_EQ(pool.currentArea(), pool.firstArea());
    EXPECT_EQ(pool.allocate(40), first);
    pool.allocate(40);
    pool.allocate(40);
    EXPECT_EQ(pool.currentArea(), second);
    EXPECT_EQ(second->used(), 48u);
    EXPECT_EQ(pool.total(), total);
}

TEST(PoolTest, AfterResetGrowthSkipsAreasTooSmallOrAppends) {
    Pool pool(64, 50);
    pool.allocate(56);  // first area 64, full
    pool.allocate(20);  // second area 32 bytes
    pool.allocate(200); // third area 32 + 208 = 240 bytes
    PoolArea* large = pool.currentArea();
    ASSERT_EQ(large->size(), 240u);

    pool.reset();
    pool.allocate(56);
    void* block = pool.allocate(100); // the second area is too small: the third takes it
    EXPECT_EQ(pool.currentArea(), large);
    EXPECT_TRUE(inArea(large, block));

    pool.reset();
    pool.allocate(56);
    const int total = pool.total();
    pool.allocate(1000); // no area is large enough: a new one goes at the end
    EXPECT_EQ(pool.currentArea()->previous(), large);
    EXPECT_EQ(large->next(), pool.currentArea());
    EXPECT_EQ(pool.total(), total + static_cast<int>(pool.currentArea()->size()));
}

TEST(PoolTest, ReleaseForgetsTheChainAndStartsAgain) {
    Pool pool(100, 50);
    pool.allocate(80);
    pool.allocate(80);
    pool.release();
    EXPECT_EQ(pool.firstArea(), nullptr);
    EXPECT_EQ(pool.currentArea(), nullptr);
    pool.allocate(10);
    ASSERT_NE(pool.firstArea(), nullptr);
    EXPECT_EQ(pool.firstArea()->next(), nullptr);
}

TEST(PoolTest, FillUnusedMarksOnlyTheTail) {
    Pool pool(64, 50);
    auto* block = static_cast<unsigned char*>(pool.allocate(10));
    std::memset(block, 0x11, 10);
    pool.fillUnused();
    const PoolArea* area = pool.firstArea();
    for (unsigned int i = area->used(); i < area->size(); ++i)
        ASSERT_EQ(byteAt(area, i), 'D') << "offset " << i;
    for (unsigned int i = 0; i < 10; ++i)
        ASSERT_EQ(block[i], 0x11);
    EXPECT_EQ(sizeWord(block), 16u);
}

TEST(PoolTest, CountConstructorSizesForItemsAndTheirWords) {
    Pool pool(10, 12, 50);
    EXPECT_EQ(pool.baseSize(), 160);
}

TEST(PoolTest, PlacementNewDrawsFromThePoolOrTheHeap) {
    Pool pool(256, 50);
    auto* pooled = new (&pool) long[4];
    EXPECT_TRUE(inArea(pool.firstArea(), pooled));
    EXPECT_EQ(sizeWord(pooled), Pool::roundedSize(4 * sizeof(long)));

    Pool* noPool = nullptr;
    auto* heap = new (noPool) long[4];
    heap[3] = 7;
    ::operator delete[](heap); // the sanitizer build checks this matches the allocation
}

} // namespace
