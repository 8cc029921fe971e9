//===- utilities/strings/FreeBlockStore.h - Shared free blocks of one class -*- C++ -*-===//
//
// The free blocks of one size class that the StringPoolManager shares among threads. Single
// blocks sit on one list; the batches that threads' caches give back are kept whole, as
// many as there is room for, so that a cache is refilled by handing one of them over. Both
// moves take constant time, and they happen under the manager's lock: walking a list of
// blocks another thread touched last, block by block, would hold the lock through a
// cache miss per block.
//
// To the refill rules the store is one list: a block is popped from it while it holds any,
// batched or not, and only an empty store lets a larger block be halved or a chunk be carved.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_FREEBLOCKSTORE_H
#define QIM_UTILITIES_STRINGS_FREEBLOCKSTORE_H

#include "utilities/strings/FreeBlockList.h"

class FreeBlockStore {
public:
    /// Number of free blocks held, batched or single.
    unsigned int size() const { return _single.size() + _batchedBlocks; }

    void push(void* block) { _single.push(block); }

    /// Takes one block; null when the store is empty.
    void* pop() {
        if (_single.empty() && _batchCount > 0) {
            FreeBlockList batch = popBatch();
            _single.spliceFront(batch);
        }
        return _single.pop();
    }

    /// Keeps `batch` whole when there is room, else files its blocks singly; empties it.
    void putBatch(FreeBlockList& batch) {
        if (batch.empty())
            return;
        if (_batchCount == maxBatches) {
            _single.spliceFront(batch);
            return;
        }
        _batchedBlocks += batch.size();
        _batches[_batchCount++] = batch;
        batch = FreeBlockList();
    }

    /// Takes a kept batch, or else up to `count` single blocks.
    FreeBlockList takeBatch(unsigned int count) {
        if (_batchCount > 0)
            return popBatch();
        return _single.takeFront(count);
    }

    /// Files every block of `blocks` singly and empties it.
    void putAll(FreeBlockList& blocks) { _single.spliceFront(blocks); }

private:
    static constexpr unsigned int maxBatches = 16;

    FreeBlockList popBatch() {
        FreeBlockList batch = _batches[--_batchCount];
        _batches[_batchCount] = FreeBlockList();
        _batchedBlocks -= batch.size();
        return batch;
    }

    FreeBlockList _single;
    FreeBlockList _batches[maxBatches];
    unsigned int _batchCount = 0;
    unsigned int _batchedBlocks = 0;
};

#endif
