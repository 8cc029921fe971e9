//===- utilities/strings/StringPoolManager.cpp - Small-block allocator ----===//
//
// Size classes and their refill rules. On this 64-bit host a free block must hold an
// 8-byte pointer, so the smallest class hands out 8-byte blocks, while requests of 0 to 4
// bytes still map to it exactly as the class table says.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/StringPoolManager.h"

#include "utilities/sync/CriticalSectionGuard.h"

#include <cstdlib>
#include <new>
#include <utility>

namespace {

/// Width of the blocks of each class, indexed by SizeClass.
constexpr unsigned int classWidths[] = {8, 16, 24, 32, 48, 64};

static_assert(sizeof(void*) <= classWidths[0], "a free block must hold the next pointer");
static_assert(StringPoolManager::chunk48Size % 48 == 0 && StringPoolManager::chunk64Size % 64 == 0,
              "chunks are carved into whole blocks");

} // namespace

StringPoolManager& StringPoolManager::instance() {
    static StringPoolManager* const manager = new StringPoolManager;
    return *manager;
}

StringPoolManager::StringPoolManager() = default;

StringPoolManager::SizeClass StringPoolManager::classFor(unsigned int size) {
    if (size <= 4)
        return ClassMin;
    if (size <= 16)
        return Class16;
    if (size <= 24)
        return Class24;
    if (size <= 32)
        return Class32;
    if (size <= 48)
        return Class48;
    return Class64;
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
    CriticalSectionGuard guard(_lock);
    return take(classFor(size));
}

void StringPoolManager::freeBuffer(void* block, unsigned int size) {
    if (block == nullptr)
        return;
    if (size > largestPooledSize) {
        std::free(block);
        return;
    }
    CriticalSectionGuard guard(_lock);
    push(classFor(size), block);
}

void* StringPoolManager::getPool48() {
    CriticalSectionGuard guard(_lock);
    return take(Class48);
}

void* StringPoolManager::getPool64() {
    CriticalSectionGuard guard(_lock);
    return take(Class64);
}

void* StringPoolManager::getPoolMin() {
    CriticalSectionGuard guard(_lock);
    return take(ClassMin);
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
    if (void* block = pop(sizeClass))
        return block;
    char* whole = static_cast<char*>(take(larger));
    push(sizeClass, whole + width);
    return whole;
}

// Pops a block of `sizeClass`; when its list is empty, carves a new chunk of `chunkSize`
// bytes into blocks linked in address order and pops the first.
void* StringPoolManager::takeFromNewChunk(SizeClass sizeClass, unsigned int chunkSize) {
    if (void* block = pop(sizeClass))
        return block;
    const unsigned int width = classWidths[sizeClass];
    std::unique_ptr<char[]> owned(new char[chunkSize]);
    char* chunk = owned.get();
    _chunks.push_back(std::move(owned));
    _chunkBytes += chunkSize;
    for (unsigned int offset = chunkSize; offset >= width; offset -= width)
        push(sizeClass, chunk + offset - width);
    return pop(sizeClass);
}

void* StringPoolManager::pop(SizeClass sizeClass) {
    FreeBlock* block = _freeLists[sizeClass];
    if (block != nullptr)
        _freeLists[sizeClass] = block->next;
    return block;
}

void StringPoolManager::push(SizeClass sizeClass, void* block) {
    FreeBlock* freed = static_cast<FreeBlock*>(block);
    freed->next = _freeLists[sizeClass];
    _freeLists[sizeClass] = freed;
}

unsigned int StringPoolManager::freeBlockCount(unsigned int size) const {
    if (size > largestPooledSize)
        return 0;
    CriticalSectionGuard guard(_lock);
    unsigned int count = 0;
    for (const FreeBlock* block = _freeLists[classFor(size)]; block != nullptr; block = block->next)
        ++count;
    return count;
}

unsigned int StringPoolManager::chunkCount() const {
    CriticalSectionGuard guard(_lock);
    return static_cast<unsigned int>(_chunks.size());
}

unsigned long StringPoolManager::chunkBytes() const {
    CriticalSectionGuard guard(_lock);
    return _chunkBytes;
}
