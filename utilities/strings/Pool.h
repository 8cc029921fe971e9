//===- utilities/strings/Pool.h - Arena allocator -------------*- C++ -*-===//
//
// A Pool carves allocations one after the other from large areas and releases them all at
// once. Each allocation is preceded by a 4-byte word holding its rounded size (the request
// plus that word, rounded up to a multiple of 8). When the current area is full the pool
// moves on to the next area, or appends one sized as a percentage of the base size; a
// request too large for that raises the base size and warns that the first area should
// have been larger. After reset() the areas are reused from the first one.
//
// Usage:
//   Pool pool(4096, 50);
//   auto* items = new (&pool) Item*[16];   // released with the pool, never deleted
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_POOL_H
#define QIM_UTILITIES_STRINGS_POOL_H

#include <cstddef>

/// One area of a Pool: a block of `size` bytes of which the first `used` are handed out.
class PoolArea {
public:
    PoolArea(unsigned int size, PoolArea* previous);
    /// Deletes its data and then every area after it, in chain order.
    ~PoolArea();
    PoolArea(const PoolArea&) = delete;
    PoolArea& operator=(const PoolArea&) = delete;

    /// Makes `current` an area that can take `rounded` bytes from its start: the next area
    /// when it is large enough, else a later one, else a new one appended to the chain.
    /// Adds the size of a new area to `total`; raises `baseSize` when it had to be raised.
    void grow(unsigned int rounded, PoolArea*& current, int& total, int& baseSize,
              int growthPercent);

    /// True when `rounded` more bytes fit after the used part.
    bool fits(unsigned int rounded) const { return rounded <= _size - _used; }
    /// Hands out `rounded` bytes (which must fit) behind their size word.
    void* carve(unsigned int rounded);
    /// Empties the area so that it is handed out again from its start.
    void empty();
    /// Marks every byte of the area as nobody's, for AddressSanitizer; the accounting stays.
    void disown();
    /// Fills the unused tail (from used to size) with the byte 'D', to make stray reads
    /// of memory nobody was given recognisable.
    void fillUnused();

    PoolArea* previous() const { return _previous; }
    PoolArea* next() const { return _next; }
    char* data() const { return _data; }
    unsigned int size() const { return _size; }
    unsigned int used() const { return _used; }

private:
    /// Appends an area after `last`, sized `growthPercent` percent of the base size, or that
    /// plus `rounded` (raising the base size by `rounded`) when the request would not fit.
    static PoolArea* appendAfter(PoolArea* last, unsigned int rounded, int& total, int& baseSize,
                                 int growthPercent, bool warnWhenRaised);

    PoolArea* _previous;
    PoolArea* _next = nullptr;
    char* _storage;
    char* _data;
    unsigned int _size;
    unsigned int _used = 0;
};

class Pool {
public:
    /// An arena whose first area holds `initialSize` bytes; each further area holds
    /// `growthPercent` percent of that.
    Pool(unsigned int initialSize, int growthPercent);
    /// An arena sized for `count` items of `itemSize` bytes with their size words.
    Pool(unsigned int count, unsigned int itemSize, int growthPercent);
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    /// A block of `size` bytes, 8-byte aligned, valid until reset(), release() or the end
    /// of the pool.
    void* allocate(unsigned int size);
    /// Makes the first area current and empties it; later areas are reused as needed.
    void reset();
    /// Deletes every area and forgets the chain.
    void release();
    /// Fills the unused tail of every area with the byte 'D'.
    void fillUnused();

    /// The bytes an allocation of `size` takes from its area, its size word included.
    static unsigned int roundedSize(unsigned int size) { return (size + 11) & ~7u; }

    int total() const { return _total; }
    int growthPercent() const { return _growthPercent; }
    int baseSize() const { return _baseSize; }
    PoolArea* firstArea() const { return _firstArea; }
    PoolArea* currentArea() const { return _currentArea; }

private:
    int _total = 0;
    int _growthPercent;
    int _baseSize;
    PoolArea* _firstArea = nullptr;
    PoolArea* _currentArea = nullptr;
};

/// Allocates from `pool`, or from the heap when `pool` is null. Memory from a pool is
/// released with the pool and must not be deleted; heap memory is freed with
/// `operator delete[]`.
void* operator new[](std::size_t size, Pool* pool);
void* operator new(std::size_t size, Pool* pool);
/// Called only when a constructor throws after a placement allocation from a pool.
void operator delete[](void* block, Pool* pool) noexcept;
void operator delete(void* block, Pool* pool) noexcept;

#endif
