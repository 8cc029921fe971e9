//===- utilities/strings/StringPoolManager.cpp - Small-block allocator ----===//
//
// The refill rules of the size classes, the shared lists under their lock, and the trips
// that the threads' caches make to them.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringPoolManager.h"

#include "utilities/strings/ThreadBlockCache.h"
#include "utilities/sync/CriticalSectionGuard.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

using size_classes::widths;

static_assert(StringPoolManager::chunk48Size % 48 == 0 && StringPoolManager::chunk64Size % 64 == 0,
              "chunks are carved into whole blocks");
static_assert(size_classes::count == ThreadBlockCache::classCount,
              "a thread's cache has one list per size class");

} // namespace

#if defined(QIM_ADDRESS_SANITIZER)
// A block from malloc that comes back with a size the classes serve (a long string
// shortened in place) is filed under a class, and from then on only the link inside a
// poisoned free block points to it. LeakSanitizer ignores pointers in poisoned memory unless
// told otherwise, and would report the pool's block as leaked. A program that sets its own
// defaults, or LSAN_OPTIONS, should keep use_poisoned=1.
extern "C" const char* __lsan_default_options() {
    return "use_poisoned=1";
}
#endif

StringPoolManager* StringPoolManager::_instance = nullptr;

StringPoolManager& StringPoolManager::createInstance() {
    _instance = new StringPoolManager(true);
    return *_instance;
}

StringPoolManager::StringPoolManager() : StringPoolManager(false) {}

StringPoolManager::StringPoolManager(bool threadCaches) : _threadCaches(threadCaches) {}

unsigned int StringPoolManager::blockWidthFor(unsigned int size) {
    return size > largestPooledSize ? 0 : widths[classFor(size)];
}

void* StringPoolManager::getBufferSlowly(unsigned int size) {
    if (size > largestPooledSize) {
        void* block = std::malloc(size);
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }
    return handOut(getBlock(classFor(size)), size);
}

void StringPoolManager::freeBufferSlowly(void* block, unsigned int size) {
    if (block == nullptr)
        return;
    if (size > largestPooledSize) {
        std::free(block);
        return;
    }
    takeOwnership(block, size);
    freeBlock(classFor(size), block);
}

void* StringPoolManager::getPool48() {
    return handOut(getBlock(Class48), widths[Class48]);
}

void* StringPoolManager::getPool64() {
    return handOut(getBlock(Class64), widths[Class64]);
}

void* StringPoolManager::getPoolMin() {
    return handOut(getBlock(ClassMin), widths[ClassMin]);
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
        return takeSplitting(ClassMin, Class16, widths[ClassMin]);
    case Class16:
        return takeSplitting(Class16, Class32, widths[Class16]);
    case Class24:
        return takeSplitting(Class24, Class48, widths[Class24]);
    case Class32:
        return takeSplitting(Class32, Class64, widths[Class32]);
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
    const unsigned int width = widths[sizeClass];
    std::unique_ptr<char[]> owned(new char[chunkSize]);
    char* chunk = owned.get();
    MemoryPoisoning::poison(chunk, chunkSize);
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
