//===- utilities/strings/ListImplementation.cpp - Untyped growable array ---===//
#include "utilities/strings/ListImplementation.h"

#include "utilities/strings/Pool.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <stdexcept>

ListImplementation::ListImplementation(void** items, unsigned int capacity, Pool* pool,
                                       unsigned int itemSize)
    : _count(0), _capacity(0), _itemSize(itemSize), _pool(pool) {
    *items = capacity != 0 ? allocateItems(capacity) : nullptr;
    _capacity = capacity;
}

unsigned char* ListImplementation::allocateItems(unsigned int capacity) const {
    const unsigned long long bytes = static_cast<unsigned long long>(capacity) * _itemSize;
    if (bytes > 0xFFFFFFFFu)
        throw std::length_error("list too long");
    return static_cast<unsigned char*>(operator new[](static_cast<std::size_t>(bytes), _pool));
}

unsigned char* ListImplementation::itemAt(void* const* items, unsigned int index) const {
    return static_cast<unsigned char*>(*items) + static_cast<std::size_t>(index) * _itemSize;
}

void ListImplementation::appendItems(void** items, const void* source, unsigned int n) {
    if (n == 0)
        return;
    if (n > _capacity - _count)
        extend(n == 1 ? std::max(_count, 8u) : n, items);
    std::memcpy(itemAt(items, _count), source, static_cast<std::size_t>(n) * _itemSize);
    _count += n;
}

void ListImplementation::extend(unsigned int extra, void** items) {
    if (_capacity != 0 && extra <= _capacity - _count)
        return;
    if (extra > 0xFFFFFFFFu - _count)
        throw std::length_error("list too long");
    const unsigned int capacity = _capacity != 0 ? _count + extra : extra;
    unsigned char* grown = allocateItems(capacity);
    if (_count != 0)
        std::memcpy(grown, *items, static_cast<std::size_t>(_count) * _itemSize);
    deleteItems(*items);
    *items = grown;
    _capacity = capacity;
}

void ListImplementation::deleteItems(void* items) {
    if (_pool == nullptr)
        ::operator delete[](items);
}

unsigned int ListImplementation::findItem(void* const* items, const void* item) const {
    for (unsigned int index = 0; index < _count; ++index)
        if (std::memcmp(itemAt(items, index), item, _itemSize) == 0)
            return index + 1;
    return 0;
}

void ListImplementation::removeItem(unsigned int index, void** items) {
    if (index >= _count)
        return;
    std::memmove(itemAt(items, index), itemAt(items, index + 1),
                 static_cast<std::size_t>(_count - index - 1) * _itemSize);
    --_count;
}

void ListImplementation::insertItem(unsigned int index, void** items, const void* item) {
    if (_capacity == 0 || _count == _capacity)
        extend(1, items);
    index = std::min(index, _count);
    std::memmove(itemAt(items, index + 1), itemAt(items, index),
                 static_cast<std::size_t>(_count - index) * _itemSize);
    std::memcpy(itemAt(items, index), item, _itemSize);
    ++_count;
}
