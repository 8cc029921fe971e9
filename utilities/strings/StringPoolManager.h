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
// Usage:
//   void* block = StringPoolManager::instance().getBuffer(20);
//   ...
//   StringPoolManager::instance().freeBuffer(block, 20);
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_STRINGPOOLMANAGER_H
#define QIM_UTILITIES_STRINGS_STRINGPOOLMANAGER_H

#include "utilities/sync/UNIX_Critical_Section.h"

#include <memory>
#include <vector>

class StringPoolManager {
public:
    /// Largest request served from the size classes; larger ones go to malloc.
    static constexpr unsigned int largestPooledSize = 64;
    /// Bytes in the chunk that refills the 48-byte class: 170 blocks.
    static constexpr unsigned int chunk48Size = 8160;
    /// Bytes in the chunk that refills the 64-byte class: 127 blocks.
    static constexpr unsigned int chunk64Size = 8128;

    /// The process-wide manager, created on first use and never destroyed.
    static StringPoolManager& instance();

    /// A manager with empty lists. The library uses only instance(); separate managers
    /// exist so that the refill rules can be observed from a known starting point.
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
    /// Number of free blocks in the class that serves `size` (for diagnostics and tests).
    unsigned int freeBlockCount(unsigned int size) const;
    /// Number of chunks taken from the heap so far (for diagnostics and tests).
    unsigned int chunkCount() const;
    /// Bytes in those chunks (for diagnostics and tests).
    unsigned long chunkBytes() const;

private:
    enum SizeClass { ClassMin, Class16, Class24, Class32, Class48, Class64, ClassCount };

    /// A free block holds the address of the next free block of its list.
    struct FreeBlock {
        FreeBlock* next;
    };

    static SizeClass classFor(unsigned int size);

    void* take(SizeClass sizeClass);
    void* takeSplitting(SizeClass sizeClass, SizeClass larger, unsigned int width);
    void* takeFromNewChunk(SizeClass sizeClass, unsigned int chunkSize);
    void* pop(SizeClass sizeClass);
    void push(SizeClass sizeClass, void* block);

    FreeBlock* _freeLists[ClassCount] = {};
    std::vector<std::unique_ptr<char[]>> _chunks;
    unsigned long _chunkBytes = 0;
    mutable UNIX_Critical_Section _lock;
};

#endif
