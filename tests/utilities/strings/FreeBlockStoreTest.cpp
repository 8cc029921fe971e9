//===- tests/utilities/strings/FreeBlockStoreTest.cpp ---------------------===//
#include "utilities/strings/FreeBlockStore.h"
#include "utilities/strings/FreeBlockList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

/// Blocks wide enough to hold a list link, each with an address of its own.
struct Blocks {
    explicit Blocks(unsigned int count) : storage(count) {}
    void* operator[](unsigned int i) { return &storage[i]; }
    std::vector<void*> storage;
};

/// The blocks of `list` in pop order; empties the list.
std::vector<void*> drain(FreeBlockList& list) {
    std::vector<void*> order;
    while (void* block = list.pop())
        order.push_back(block);
    return order;
}

TEST(FreeBlockListTest, TakeFrontAndSpliceKeepOrderSizeAndTail) {
    Blocks blocks(5);
    FreeBlockList list;
    for (unsigned int i = 5; i-- > 0;)
        list.push(blocks[i]); // pops 0, 1, 2, 3, 4
    FreeBlockList front = list.takeFront(2);
    EXPECT_EQ(front.size(), 2u);
    EXPECT_EQ(list.size(), 3u);

    // Splicing needs the front's last block: a stale tail would lose or loop blocks.
    list.spliceFront(front);
    EXPECT_TRUE(front.empty());
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(drain(list),
              (std::vector<void*>{blocks[0], blocks[1], blocks[2], blocks[3], blocks[4]}));

    // Taking more than there is takes everything; splicing onto an empty list sets its tail.
    list.push(blocks[0]);
    FreeBlockList all = list.takeFront(10);
    EXPECT_TRUE(list.empty());
    FreeBlockList other;
    other.spliceFront(all);
    other.push(blocks[1]);
    FreeBlockList last = other.takeFront(1);
    other.spliceFront(last);
    EXPECT_EQ(drain(other), (std::vector<void*>{blocks[1], blocks[0]}));
}

TEST(FreeBlockStoreTest, PopsSingleBlocksFirstThenKeptBatches) {
    Blocks blocks(4);
    FreeBlockStore store;
    FreeBlockList batch;
    batch.push(blocks[1]);
    batch.push(blocks[0]);
    store.putBatch(batch);
    store.push(blocks[2]);
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.pop(), blocks[2]);
    EXPECT_EQ(store.pop(), blocks[0]) << "an empty single list must open a kept batch";
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(store.pop(), blocks[1]);
    EXPECT_EQ(store.pop(), nullptr);
    EXPECT_EQ(store.size(), 0u);
}

TEST(FreeBlockStoreTest, BatchesBeyondItsRoomAreFiledSinglyAndNothingIsLost) {
    constexpr unsigned int batches = 40;
    constexpr unsigned int perBatch = 3;
    Blocks blocks(batches * perBatch);
    FreeBlockStore store;
    for (unsigned int b = 0; b < batches; ++b) {
        FreeBlockList batch;
        for (unsigned int i = 0; i < perBatch; ++i)
            batch.push(blocks[b * perBatch + i]);
        store.putBatch(batch);
    }
    EXPECT_EQ(store.size(), batches * perBatch);

    std::vector<void*> seen;
    for (FreeBlockList taken = store.takeBatch(perBatch); !taken.empty();
         taken = store.takeBatch(perBatch)) {
        EXPECT_LE(taken.size(), perBatch);
        for (void* block : drain(taken))
            seen.push_back(block);
    }
    EXPECT_EQ(store.size(), 0u);
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, [&] {
        std::vector<void*> all(blocks.storage.size());
        for (unsigned int i = 0; i < all.size(); ++i)
            all[i] = blocks[i];
        std::sort(all.begin(), all.end());
        return all;
    }());
}

} // namespace
