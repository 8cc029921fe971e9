//===- utilities/strings/StringPoolManager.h - Small-block allocator -*- C++ -*-===//
//
// The process-wide allocator behind every string buffer of the library. Requests of up to
// 64 bytes are served from six size classes kept as singly linked free lists; larger
// requests go to malloc. Larger classes feed smaller ones by halving, and chunks of about
// 8 KB feed the two largest classes, so short strings never reach the general heap after
// the first chunk. Chunks are never returned: a block, once carved, stays in the lists.
//
// A block may be returned with a smaller size than it was taken with (a string shortened
// in place); it then joins the list of the smaller class, which is safe because every
// block is at least as wide as the class it is filed under.
//
// The shared lists are guarded by one critical section. In front of them, the process-wide
// manager gives every thread a cache of free blocks of its own (ThreadBlockCache), so that
// most requests and returns take no lock at all: a thread's cache is refilled, and gives
// its surplus back, in batches under one lock, and goes back whole when its thread ends.
// Blocks are still carved and halved only when the calling thread's cache and the shared
// list of the class are both empty, so the refill rules hold as they do without caches.
//
// Under AddressSanitizer a free block is poisoned whole, and a block handed out is
// addressable for exactly the bytes requested: an overrun of a pooled string, or a use of a
// block after it went back, is reported as it would be for malloc'ed memory.
//
// Usage:
//   void* block = StringPoolManager::instance().getBuffer(20);
//   ...
//   StringPoolManager::instance().freeBuffer(block, 20);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_STRINGPOOLMANAGER_H
#define QIM_UTILITIES_STRINGS_STRINGPOOLMANAGER_H

#include "utilities/strings/FreeBlockStore.h"
#include "utilities/strings/MemoryPoisoning.h"
#include "utilities/strings/SizeClasses.h"
#include "utilities/strings/ThreadBlockCache.h"
#include "utilities/sync/UNIX_Critical_Section.h"

#include <memory>
#include <vector>

class StringPoolManager {
public:
    /// Largest request served from the size classes; larger ones go to malloc.
    static constexpr unsigned int largestPooledSize = size_classes::largestPooledSize;
    /// Bytes in the chunk that refills the 48-byte class: 170 blocks.
    static constexpr unsigned int chunk48Size = 8160;
    /// Bytes in the chunk that refills the 64-byte class: 127 blocks.
    static constexpr unsigned int chunk64Size = 8128;

    /// Most blocks a thread's cache holds in one class; beyond it, a batch goes back. Enough
    /// for a thread to recycle a few hundred strings of a class without a trip to the
    /// shared lists; at most 96 KB per thread over all classes.
    static constexpr unsigned int threadCacheLimit = 512;
    /// Blocks a thread's cache gives back, or at most takes, in one trip to the shared lists.
    static constexpr unsigned int threadCacheBatch = 64;

    /// The process-wide manager, created on first use and never destroyed. Every thread
    /// that uses it has a cache of free blocks in front of the shared lists.
    static StringPoolManager& instance() { return _instance ? *_instance : createInstance(); }

    /// A manager with empty lists and no thread caches: every operation takes the lock.
    /// The library uses only instance(); separate managers exist so that the refill rules
    /// can be observed from a known starting point.
    StringPoolManager();
    StringPoolManager(const StringPoolManager&) = delete;
    StringPoolManager& operator=(const StringPoolManager&) = delete;

    /// A block of at least `size` bytes, 8-byte aligned.
    void* getBuffer(unsigned int size);
    /// Gives `block` back under the class of `size`; a null block is ignored.
    void freeBuffer(void* block, unsigned int size);

    /// Pops one block of the 48-byte, 64-byte or smallest class, refilling as needed.
    void* getPool48();
    void* getPool64();
    void* getPoolMin();

    /// Width in bytes of the blocks filed under the class that serves `size` (0 above 64).
    static unsigned int blockWidthFor(unsigned int size);
    /// Number of free blocks in the class that serves `size`: on the shared list and in
    /// the calling thread's cache (for diagnostics and tests).
    unsigned int freeBlockCount(unsigned int size) const;
    /// Number of chunks taken from the heap so far (for diagnostics and tests).
    unsigned int chunkCount() const;
    /// Bytes in those chunks (for diagnostics and tests).
    unsigned long chunkBytes() const;

private:
    friend class ThreadBlockCache;

    enum SizeClass { ClassMin, Class16, Class24, Class32, Class48, Class64, ClassCount };

    explicit StringPoolManager(bool threadCaches);
    static StringPoolManager& createInstance();

    static SizeClass classFor(unsigned int size) {
        return static_cast<SizeClass>(size_classes::classOf(size));
    }

    /// A free block handed out for `size` bytes: those bytes become addressable.
    static void* handOut(void* block, unsigned int size) {
        MemoryPoisoning::unpoison(block, size);
        return block;
    }
    /// A block coming back for the class of `size`: its whole width is nobody's now.
    static void takeOwnership(void* block, unsigned int size) {
        MemoryPoisoning::poison(block, size_classes::widths[classFor(size)]);
    }

    void* getBufferSlowly(unsigned int size);
    void freeBufferSlowly(void* block, unsigned int size);

    ThreadBlockCache* callingThreadCache();
    void* getBlock(SizeClass sizeClass);
    void freeBlock(SizeClass sizeClass, void* block);
    void* refill(FreeBlockList& cached, SizeClass sizeClass);
    void giveBackSurplus(FreeBlockList& cached, SizeClass sizeClass);
    /// Puts every block of a thread's cache back on the shared lists.
    void takeBack(ThreadBlockCache& cache);

    void* take(SizeClass sizeClass);
    void* takeSplitting(SizeClass sizeClass, SizeClass larger, unsigned int width);
    void* takeFromNewChunk(SizeClass sizeClass, unsigned int chunkSize);

    /// The process-wide manager; null until the first use. Its creation is not locked: the
    /// first string must be made before a second thread starts.
    static StringPoolManager* _instance;

    FreeBlockStore _freeLists[ClassCount];
    std::vector<std::unique_ptr<char[]>> _chunks;
    unsigned long _chunkBytes = 0;
    const bool _threadCaches;
    mutable UNIX_Critical_Section _lock;
};

// The common case in line: a block from, or back to, the calling thread's cache.

inline void* StringPoolManager::getBuffer(unsigned int size) {
    if (size <= largestPooledSize && _threadCaches) {
        if (ThreadBlockCache* cache = ThreadBlockCache::servingCallingThread())
            if (void* block = cache->blocks(classFor(size)).pop())
                return handOut(block, size);
    }
    return getBufferSlowly(size);
}

inline void StringPoolManager::freeBuffer(void* block, unsigned int size) {
    if (block != nullptr && size <= largestPooledSize && _threadCaches) {
        if (ThreadBlockCache* cache = ThreadBlockCache::servingCallingThread()) {
            FreeBlockList& cached = cache->blocks(classFor(size));
            if (cached.size() < threadCacheLimit) {
                takeOwnership(block, size);
                cached.push(block);
                return;
            }
        }
    }
    freeBufferSlowly(block, size);
}

#endif
