//===- utilities/strings/List.h - Growable array of items ---------*- C++ -*-===//
//
// A growable array of bitwise-copied items, in practice pointers. The list never runs
// constructors or destructors of its items: a list of pointers does not own what they
// point to. All work is done by ListImplementation; this template only adds the types.
//
// Usage:
//   List<EncodedString*> inserts;
//   inserts.append(new EncodedString(text));
//   for (unsigned int i = 0; i < inserts.count(); ++i)
//       delete inserts[i];
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_LIST_H
#define QIM_UTILITIES_STRINGS_LIST_H

#include "utilities/strings/ListImplementation.h"

#include <type_traits>

template <typename T>
class List : private ListImplementation {
    static_assert(std::is_trivially_copyable<T>::value, "list items are copied as raw bytes");

public:
    /// An empty list whose array comes from `pool`, or from the heap when it is null.
    explicit List(Pool* pool = nullptr)
        : ListImplementation(reinterpret_cast<void**>(&_items), 0, pool, sizeof(T)) {}
    ~List() { deleteItems(_items); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;

    using ListImplementation::capacity;
    using ListImplementation::count;
    using ListImplementation::pool;

    void append(const T& item) { appendItems(itemsAddress(), &item, 1); }
    void append(const T* items, unsigned int n) { appendItems(itemsAddress(), items, n); }
    /// Makes room for `extra` more items beyond the count.
    void extend(unsigned int extra) { ListImplementation::extend(extra, itemsAddress()); }
    void insert(unsigned int index, const T& item) { insertItem(index, itemsAddress(), &item); }
    void remove(unsigned int index) { removeItem(index, itemsAddress()); }
    /// 1-based position of the first equal item, else 0.
    unsigned int find(const T& item) const {
        return findItem(reinterpret_cast<void* const*>(&_items), &item);
    }

    /// The item at 0-based `index`, unchecked.
    T& operator[](unsigned int index) { return _items[index]; }
    const T& operator[](unsigned int index) const { return _items[index]; }
    T* items() const { return _items; }

private:
    void** itemsAddress() { return reinterpret_cast<void**>(&_items); }

    T* _items = nullptr;
};

#endif
