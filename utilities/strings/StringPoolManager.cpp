//===- utilities/strings/StringPoolManager.cpp - Small-block allocator ----===//
//
// Size classes and their refill rules. On this 64-bit host a free block must hold an
// 8-byte pointer, so the smallest class hands out 8-byte blocks, while requests of 0 to 4
// bytes still map to it exactly as the class table says.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringPoolManager.h"

#include "utilities/strings/ThreadBlockCache.h"
#include "utilities/sync/CriticalSectionGuard.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

/// Width of the blocks of each class, indexed by SizeClass.
constexpr unsigned int classWidths[] = {8, 16, 24, 32, 48, 64};

static_assert(sizeof(void*) <= classWidths[0], "a free block must hold the next pointer");
static_assert(sizeof classWidths / sizeof classWidths[0] == ThreadBlockCache::classCount,
              "a thread's cache has one list per size class");
static_assert(StringPoolManager::chunk48Size % 48 == 0 && StringPoolManager::chunk64Size % 64 == 0,
              "chunks are carved into whole blocks");

/// The index of the class (into classWidths) that serves each request size up to the
/// largest pooled one: one load per request instead of a chain of comparisons.
struct ClassIndexes {
    unsigned char ofSize[StringPoolManager::largestPooledSize + 1];
};

constexpr ClassIndexes makeClassIndexes() {
    ClassIndexes indexes{};
    for (unsigned int size = 0; size <= StringPoolManager::largestPooledSize; ++size) {
        // 0 to 4 bytes take the smallest class, whatever its width on this host; larger
        // requests the narrowest of the others that holds them.
        unsigned char index = size <= 4 ? 0 : 1;
        while (classWidths[index] < size)
            ++index;
        indexes.ofSize[size] = index;
    }
    return indexes;
}

constexpr ClassIndexes classIndexes = makeClassIndexes();

static_assert(classIndexes.ofSize[4] == 0 && classIndexes.ofSize[5] == 1 &&
                  classIndexes.ofSize[17] == 2 && classIndexes.ofSize[33] == 4 &&
                  classIndexes.ofSize[64] == 5,
              "request sizes map to the classes of the class table");

} // namespace

StringPoolManager* StringPoolManager::_instance = nullptr;

StringPoolManager& StringPoolManager::createInstance() {
    _instance = new StringPoolManager(true);
    return *_instance;
}

StringPoolManager::StringPoolManager() : StringPoolManager(false) {}

StringPoolManager::StringPoolManager(bool threadCaches) : _threadCaches(threadCaches) {}

StringPoolManager::SizeClass StringPoolManager::classFor(unsigned int size) {
    return static_cast<SizeClass>(classIndexes.ofSize[size]);
}

unsigned int StringPoolManager::blockWidthFor(unsigned int size) {
    return size > largestPooledSize ? 0 : classWidths[classFor(size)];
}

void* StringPoolManager::getBuffer(unsigned int size) {
    if (size > largestPooledSize) {
        void* block = std::malloc(size);
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }
    return getBlock(classFor(size));
}

void StringPoolManager::freeBuffer(void* block, unsigned int size) {
    if (block == nullptr)
        return;
    if (size > largestPooledSize) {
        std::free(block);
        return;
    }
    freeBlock(classFor(size), block);
}

void* StringPoolManager::getPool48() {
    return getBlock(Class48);
}

void* StringPoolManager::getPool64() {
    return getBlock(Class64);
}

void* StringPoolManager::getPoolMin() {
    return getBlock(ClassMin);
}

ThreadBlockCache* StringPoolManager::callingThreadCache() {
    return _threadCaches ? ThreadBlockCache::ofCallingThread(*this) : nullptr;
}

void* StringPoolManager::getBlock(SizeClass sizeClass) {
    if (ThreadBlockCache* cache = callingThreadCache()) {
        FreeBlockList& cached = cache->blocks(sizeClass);
        if (void* block = cached.pop())
            return block;
        return refill(cached, sizeClass);
    }
    CriticalSectionGuard guard(_lock);
    return take(sizeClass);
}

void StringPoolManager::freeBlock(SizeClass sizeClass, void* block) {
    if (ThreadBlockCache* cache = callingThreadCache()) {
        FreeBlockList& cached = cache->blocks(sizeClass);
        cached.push(block);
        if (cached.size() > threadCacheLimit)
            giveBackSurplus(cached, sizeClass);
        return;
    }
    CriticalSectionGuard guard(_lock);
    _freeLists[sizeClass].push(block);
}

// The calling thread's cache of the class is empty: it takes a batch of the blocks already
// free in the class. Only when there are none is a block made by the refill rules. Nothing
// is carved or halved for a batch, so chunks are taken exactly when they would be without
// the cache.
void* StringPoolManager::refill(FreeBlockList& cached, SizeClass sizeClass) {
    CriticalSectionGuard guard(_lock);
    FreeBlockList batch = _freeLists[sizeClass].takeBatch(threadCacheBatch);
    if (batch.empty())
        return take(sizeClass);
    cached.spliceFront(batch);
    return cached.pop();
}

// The batch is cut from the cache before the lock is entered, so that the lock is held only
// for constant-time work.
void StringPoolManager::giveBackSurplus(FreeBlockList& cached, SizeClass sizeClass) {
    FreeBlockList surplus = cached.takeFront(threadCacheBatch);
    CriticalSectionGuard guard(_lock);
    _freeLists[sizeClass].putBatch(surplus);
}

void StringPoolManager::takeBack(ThreadBlockCache& cache) {
    CriticalSectionGuard guard(_lock);
    for (unsigned int sizeClass = 0; sizeClass < ClassCount; ++sizeClass)
        _freeLists[sizeClass].putAll(cache.blocks(sizeClass));
}

// The refill rules: each class below 48 halves a block of the class above it (the 16-byte
// class for the smallest one, the 48-byte class for 24), the two largest carve a new chunk.
void* StringPoolManager::take(SizeClass sizeClass) {
    switch (sizeClass) {
    case ClassMin:
        return takeSplitting(ClassMin, Class16, classWidths[ClassMin]);
    case Class16:
        return takeSplitting(Class16, Class32, classWidths[Class16]);
    case Class24:
        return takeSplitting(Class24, Class48, classWidths[Class24]);
    case Class32:
        return takeSplitting(Class32, Class64, classWidths[Class32]);
    case Class48:
        return takeFromNewChunk(Class48, chunk48Size);
    case Class64:
    case ClassCount:
        break;
    }
    return takeFromNewChunk(Class64, chunk64Size);
}

// Pops a block of `sizeClass`; when its list is empty, takes a block of the `larger` class,
// hands out its first `width` bytes and files the other half under `sizeClass`.
void* StringPoolManager::takeSplitting(SizeClass sizeClass, SizeClass larger, unsigned int width) {
    if (void* block = _freeLists[sizeClass].pop())
        return block;
    char* whole = static_cast<char*>(take(larger));
    _freeLists[sizeClass].push(whole + width);
    return whole;
}

// Pops a block of `sizeClass`; when its list is empty, carves a new chunk of `chunkSize`
// bytes into blocks linked in address order and pops the first.
void* StringPoolManager::takeFromNewChunk(SizeClass sizeClass, unsigned int chunkSize) {
    FreeBlockStore& list = _freeLists[sizeClass];
    if (void* block = list.pop())
        return block;
    const unsigned int width = classWidths[sizeClass];
    std::unique_ptr<char[]> owned(new char[chunkSize]);
    char* chunk = owned.get();
    _chunks.push_back(std::move(owned));
    _chunkBytes += chunkSize;
    for (unsigned int offset = chunkSize; offset >= width; offset -= width)
        list.push(chunk + offset - width);
    return list.pop();
}

unsigned int StringPoolManager::freeBlockCount(unsigned int size) const {
    if (size > largestPooledSize)
        return 0;
    const SizeClass sizeClass = classFor(size);
    const ThreadBlockCache* cache =
        _threadCaches ? ThreadBlockCache::servingCallingThread() : nullptr;
    const unsigned int cached = cache ? cache->blocks(sizeClass).size() : 0;
    CriticalSectionGuard guard(_lock);
    return _freeLists[sizeClass].size() + cached;
}

unsigned int StringPoolManager::chunkCount() const {
    CriticalSectionGuard guard(_lock);
    return static_cast<unsigned int>(_chunks.size());
}

unsigned long StringPoolManager::chunkBytes() const {
    CriticalSectionGuard guard(_lock);
    return _chunkBytes;
}
