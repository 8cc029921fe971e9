//===- tests/utilities/strings/MemoryPoisoningTest.cpp - Pools seen by AddressSanitizer -===//
//
// Under AddressSanitizer the pools poison what nobody owns: free blocks, the bytes of a
// block beyond the request, size words, and arena memory that is unused or was reset. The
// first tests look at the shadow memory directly; the death tests make the mistakes a
// caller could make, in a child process, and expect the sanitizer's report. Without the
// sanitizer there is nothing to observe and the tests are skipped.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/MemoryPoisoning.h"
#include "utilities/strings/EncodedString.h"
#include "utilities/strings/Pool.h"
#include "utilities/strings/StringPoolManager.h"

#include <gtest/gtest.h>

#include <vector>

#if defined(QIM_ADDRESS_SANITIZER)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

#define SKIP_WITHOUT_POISONING()                                                                   \
    do {                                                                                           \
        if (!MemoryPoisoning::enabled)                                                             \
            GTEST_SKIP() << "pooled memory is poisoned only under AddressSanitizer";               \
    } while (false)

/// The sanitizer's report of a touch of poisoned memory.
constexpr const char* poisonReport = "AddressSanitizer: use-after-poison";

/// The offsets in [from, to) of bytes the sanitizer would not report.
std::vector<unsigned int> addressableOffsets(const void* start, unsigned int from,
                                             unsigned int to) {
    std::vector<unsigned int> offsets;
    for (unsigned int offset = from; offset < to; ++offset)
        if (!MemoryPoisoning::isPoisoned(static_cast<const char*>(start) + offset, 1))
            offsets.push_back(offset);
    return offsets;
}

bool wholeRangePoisoned(const void* start, unsigned int from, unsigned int to) {
    return addressableOffsets(start, from, to).empty();
}

/// Requests and frees every pooled size through `manager`, checking which bytes are
/// addressable: exactly the requested ones while handed out, none once given back.
void expectOnlyRequestedBytesAddressable(StringPoolManager& manager) {
    for (unsigned int size = 1; size <= StringPoolManager::largestPooledSize; ++size) {
        const unsigned int width = StringPoolManager::blockWidthFor(size);
        char* block = static_cast<char*>(manager.getBuffer(size));
        EXPECT_FALSE(MemoryPoisoning::isPoisoned(block, size)) << "size " << size;
        EXPECT_TRUE(wholeRangePoisoned(block, size, width)) << "size " << size;
        manager.freeBuffer(block, size);
        EXPECT_TRUE(wholeRangePoisoned(block, 0, width)) << "size " << size;
    }
}

TEST(MemoryPoisoningTest, PooledBlockIsAddressableForExactlyTheRequestedBytes) {
    SKIP_WITHOUT_POISONING();
    StringPoolManager plain;
    expectOnlyRequestedBytesAddressable(plain);
    // The process-wide manager serves from the calling thread's cache.
    expectOnlyRequestedBytesAddressable(StringPoolManager::instance());
}

TEST(MemoryPoisoningTest, FreshChunksAndHalvesAreNobodysUntilHandedOut) {
    SKIP_WITHOUT_POISONING();
    StringPoolManager manager;
    // The first 48-byte block comes from a new chunk; the rest of the chunk is free.
    char* first = static_cast<char*>(manager.getBuffer(48));
    EXPECT_TRUE(wholeRangePoisoned(first, 48, StringPoolManager::chunk48Size));
    // A 24-byte request halves a 48-byte block: the other half stays on a free list.
    char* half = static_cast<char*>(manager.getBuffer(24));
    EXPECT_TRUE(wholeRangePoisoned(half, 24, 48));
}

TEST(MemoryPoisoningTest, ArenaExposesOnlyItsAllocationsUntilReset) {
    SKIP_WITHOUT_POISONING();
    Pool pool(64, 50);
    char* first = static_cast<char*>(pool.allocate(10));
    EXPECT_FALSE(MemoryPoisoning::isPoisoned(first, 10));
    // The rounding after it, the next size word and the unused tail.
    const PoolArea* area = pool.firstArea();
    const unsigned int firstOffset = static_cast<unsigned int>(first - area->data());
    EXPECT_TRUE(wholeRangePoisoned(area->data(), 0, firstOffset)) << "the size word";
    EXPECT_TRUE(wholeRangePoisoned(area->data(), firstOffset + 10, area->size()));
    // Grown into a second area, then reset: nothing handed out is addressable any more.
    char* second = static_cast<char*>(pool.allocate(60));
    ASSERT_NE(pool.currentArea(), pool.firstArea());
    pool.reset();
    EXPECT_TRUE(wholeRangePoisoned(first, 0, 10));
    EXPECT_TRUE(wholeRangePoisoned(second, 0, 60));
}

// A long string shortened in place gives its malloc'ed block back to a class; once other
// blocks are freed around it, only a link inside poisoned memory points to it. The leak
// check must still find it held.
TEST(MemoryPoisoningTest, LongBlockFiledUnderAClassIsNoLeak) {
    SKIP_WITHOUT_POISONING();
#if defined(QIM_ADDRESS_SANITIZER)
    StringPoolManager& manager = StringPoolManager::instance();
    void* last = manager.getBuffer(20);
    void* first = manager.getBuffer(20);
    void* fromMalloc = manager.getBuffer(100);
    // Between two pooled blocks: the list's head and tail point to those.
    manager.freeBuffer(last, 20);
    manager.freeBuffer(fromMalloc, 20);
    manager.freeBuffer(first, 20);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#endif
}

// The mistakes a caller makes, each reported in a child process.

void writeOnePastTheTerminator() {
    EncodedString text("pooled", EncodedString::UTF8);
    volatile char* bytes = reinterpret_cast<volatile char*>(text.buffer());
    bytes[text.length() + 1] = 'x';
}

void readAfterTheStringIsGone() {
    const volatile char* bytes;
    {
        EncodedString text("pooled", EncodedString::UTF8);
        bytes = reinterpret_cast<const volatile char*>(text.buffer());
    }
    (void)bytes[0];
}

void readPastAnArenaAllocation() {
    Pool pool(256, 50);
    const volatile char* bytes = static_cast<const volatile char*>(pool.allocate(12));
    (void)bytes[12];
}

void writeToAnArenaAllocationAfterReset() {
    Pool pool(256, 50);
    volatile char* bytes = static_cast<volatile char*>(pool.allocate(12));
    pool.reset();
    bytes[0] = 'x';
}

TEST(MemoryPoisoningDeathTest, MisusedPooledMemoryIsReported) {
    SKIP_WITHOUT_POISONING();
    EXPECT_DEATH(writeOnePastTheTerminator(), poisonReport);
    EXPECT_DEATH(readAfterTheStringIsGone(), poisonReport);
    EXPECT_DEATH(readPastAnArenaAllocation(), poisonReport);
    EXPECT_DEATH(writeToAnArenaAllocationAfterReset(), poisonReport);
}

} // namespace
