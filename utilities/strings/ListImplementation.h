//===- utilities/strings/ListImplementation.h - Untyped growable array -*- C++ -*-===//
//
// The untyped engine behind List<T>: it knows only the size of an item and copies items
// as raw bytes, never running constructors or destructors. The array itself belongs to
// the typed list; every operation that may move it receives the address of the typed
// list's item pointer and updates it. The array comes from a Pool when the list has one
// (and is then never freed by the list), else from the heap.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_LISTIMPLEMENTATION_H
#define QIM_UTILITIES_STRINGS_LISTIMPLEMENTATION_H

class Pool;

class ListImplementation {
public:
    /// Starts with no items; allocates room for `capacity` items into `*items`, or sets it
    /// to null for capacity 0.
    ListImplementation(void** items, unsigned int capacity, Pool* pool, unsigned int itemSize);

    /// Appends `n` items copied from `source`. Single appends double the capacity, starting
    /// at 8; appends of several items grow to exactly the size needed.
    void appendItems(void** items, const void* source, unsigned int n);
    /// Makes room for `extra` more items beyond the count.
    void extend(unsigned int extra, void** items);
    /// Frees the array unless it came from a pool, which releases it.
    void deleteItems(void* items);
    /// 1-based position of the first item whose bytes equal `item`'s, else 0.
    unsigned int findItem(void* const* items, const void* item) const;
    /// Removes the item at 0-based `index`; an index not below the count does nothing.
    void removeItem(unsigned int index, void** items);
    /// Inserts a copy of `item` before 0-based `index`, at the end when `index` >= count.
    void insertItem(unsigned int index, void** items, const void* item);

    unsigned int count() const { return _count; }
    unsigned int capacity() const { return _capacity; }
    unsigned int itemSize() const { return _itemSize; }
    Pool* pool() const { return _pool; }

private:
    unsigned char* allocateItems(unsigned int capacity) const;
    unsigned char* itemAt(void* const* items, unsigned int index) const;

    unsigned int _count;
    unsigned int _capacity;
    unsigned int _itemSize;
    Pool* _pool;
};

#endif
