//===- utilities/strings/Pool.cpp - Arena allocator -----------------------===//
//
// Every allocation is a 4-byte size word followed by the caller's bytes, and rounded
// sizes are multiples of 8. On this 64-bit host the blocks must be 8-byte aligned, so
// each area's data starts 4 bytes past an 8-aligned address: the size word then takes
// those 4 bytes and every block handed out starts on an 8-byte boundary, while the
// accounting (area sizes, used bytes, rounded sizes) stays exactly as on a 32-bit host.
//
// Under AddressSanitizer an area is poisoned except for the bytes its callers asked for:
// the size words, the rounding after each allocation and the unused tail are reported
// when touched, and so is every allocation once the pool has been reset.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/Pool.h"

#include "utilities/diagnostics/TraceEntry.h"
#include "utilities/strings/MemoryPoisoning.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

/// The size word that precedes each allocation.
using SizeWord = std::uint32_t;
constexpr unsigned int dataOffset = sizeof(SizeWord);
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ % 8 == 0, "area storage must be 8-aligned");

/// Stores a size word, which stays poisoned: only the pool itself writes it.
QIM_UNCHECKED_ADDRESSES void storeSizeWord(char* place, SizeWord word) {
    *reinterpret_cast<SizeWord*>(place) = word;
}

const char* const growSignature = "void PoolArea::grow(unsigned int, PoolArea*&, int&, int&, int)";
const char* const growWarning = "Initial allocation of pool should be increased!";

} // namespace

PoolArea::PoolArea(unsigned int size, PoolArea* previous)
    : _previous(previous), _storage(new char[size + dataOffset]), _data(_storage + dataOffset),
      _size(size) {
    MemoryPoisoning::poison(_storage, size + dataOffset);
}

PoolArea::~PoolArea() {
    MemoryPoisoning::unpoison(_storage, _size + dataOffset);
    delete[] _storage;
    // Delete the rest of the chain iteratively, so that a long chain cannot exhaust the stack.
    PoolArea* area = _next;
    while (area != nullptr) {
        PoolArea* following = area->_next;
        area->_next = nullptr;
        delete area;
        area = following;
    }
}

void* PoolArea::carve(unsigned int rounded) {
    storeSizeWord(_data + _used, rounded);
    void* block = _data + _used + dataOffset;
    _used += rounded;
    return block;
}

void PoolArea::empty() {
    _used = 0;
    disown();
}

void PoolArea::disown() {
    MemoryPoisoning::poison(_data, _size);
}

void PoolArea::fillUnused() {
    // The tail stays poisoned: the filler is for builds without the sanitizer, or for a
    // look with a debugger.
    MemoryPoisoning::unpoison(_data + _used, _size - _used);
    std::memset(_data + _used, 'D', _size - _used);
    MemoryPoisoning::poison(_data + _used, _size - _used);
}

void PoolArea::grow(unsigned int rounded, PoolArea*& current, int& total, int& baseSize,
                    int growthPercent) {
    if (_next == nullptr) {
        current = appendAfter(this, rounded, total, baseSize, growthPercent, true);
        return;
    }
    // After a reset the chain is reused: the next area if it is large enough, else the
    // first later one that is, else a new one at the end of the chain.
    if (_next->_size < rounded)
        traceWarning(growSignature, 160, "%s", growWarning);
    PoolArea* last = this;
    for (PoolArea* area = _next; area != nullptr; last = area, area = area->_next) {
        if (area->_size >= rounded) {
            area->empty();
            current = area;
            return;
        }
    }
    current = appendAfter(last, rounded, total, baseSize, growthPercent, false);
}

PoolArea* PoolArea::appendAfter(PoolArea* last, unsigned int rounded, int& total, int& baseSize,
                                int growthPercent, bool warnWhenRaised) {
    long long size = static_cast<long long>(baseSize) * growthPercent / 100;
    if (size < static_cast<long long>(rounded)) {
        size += rounded;
        baseSize += static_cast<int>(rounded);
        if (warnWhenRaised)
            traceWarning(growSignature, 142, "%s", growWarning);
    }
    if (size < 0 || size > INT_MAX)
        throw std::bad_alloc();
    PoolArea* area = new PoolArea(static_cast<unsigned int>(size), last);
    last->_next = area;
    total += static_cast<int>(size);
    return area;
}

Pool::Pool(unsigned int initialSize, int growthPercent)
    : _growthPercent(growthPercent), _baseSize(static_cast<int>(initialSize)) {}

Pool::Pool(unsigned int count, unsigned int itemSize, int growthPercent)
    : Pool(count * (itemSize + dataOffset), growthPercent) {}

Pool::~Pool() {
    release();
}

void* Pool::allocate(unsigned int size) {
    if (size > INT_MAX - 11u)
        throw std::bad_alloc();
    if (_firstArea == nullptr) {
        const unsigned int first = size > static_cast<unsigned int>(_baseSize)
                                       ? size
                                       : static_cast<unsigned int>(_baseSize);
        _firstArea = _currentArea = new PoolArea(first, nullptr);
        _total = static_cast<int>(first);
    }
    const unsigned int rounded = roundedSize(size);
    if (!_currentArea->fits(rounded))
        _currentArea->grow(rounded, _currentArea, _total, _baseSize, _growthPercent);
    void* block = _currentArea->carve(rounded);
    MemoryPoisoning::unpoison(block, size);
    return block;
}

void Pool::reset() {
    _currentArea = _firstArea;
    if (_firstArea == nullptr)
        return;
    _firstArea->empty();
    // The later areas keep their used counts until they are reused, but what they handed
    // out is nobody's any more.
    for (PoolArea* area = _firstArea->next(); area != nullptr; area = area->next())
        area->disown();
}

void Pool::release() {
    delete _firstArea;
    _firstArea = _currentArea = nullptr;
}

void Pool::fillUnused() {
    for (PoolArea* area = _firstArea; area != nullptr; area = area->next())
        area->fillUnused();
}

void* operator new[](std::size_t size, Pool* pool) {
    if (pool == nullptr)
        return ::operator new[](size);
    if (size > UINT_MAX)
        throw std::bad_alloc();
    return pool->allocate(static_cast<unsigned int>(size));
}

void* operator new(std::size_t size, Pool* pool) {
    if (pool == nullptr)
        return ::operator new(size);
    if (size > UINT_MAX)
        throw std::bad_alloc();
    return pool->allocate(static_cast<unsigned int>(size));
}

void operator delete[](void* block, Pool* pool) noexcept {
    if (pool == nullptr)
        ::operator delete[](block);
}

void operator delete(void* block, Pool* pool) noexcept {
    if (pool == nullptr)
        ::operator delete(block);
}
