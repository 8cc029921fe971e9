//===- utilities/strings/FreeBlockList.h - List of free pool blocks -*- C++ -*-===//
//
// A last-in first-out list of free blocks of one width, threaded through the blocks
// themselves: a free block holds the address of the next free block in its first bytes,
// so the list costs no memory beyond its head. The list also knows its length and its last
// block, so that a run of blocks can move between two lists with one splice: that is how
// a thread's own cache takes and gives back blocks in batches.
//
// Under AddressSanitizer a free block is poisoned from end to end, its link included: the
// list reads and writes links with unchecked accesses, so that a caller who still holds a
// freed block is reported when it touches any byte of it.
//
//   FreeBlockList list;
//   list.push(block);
//   void* again = list.pop();          // the block pushed last
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_FREEBLOCKLIST_H
#define QIM_UTILITIES_STRINGS_FREEBLOCKLIST_H

#include "utilities/strings/MemoryPoisoning.h"

class FreeBlockList {
public:
    constexpr FreeBlockList() = default;

    bool empty() const { return _head == nullptr; }
    /// Number of blocks on the list.
    unsigned int size() const { return _size; }

    /// Puts `block` first.
    void push(void* block) {
        FreeBlock* freed = static_cast<FreeBlock*>(block);
        link(freed, _head);
        if (_head == nullptr)
            _tail = freed;
        _head = freed;
        ++_size;
    }

    /// Takes the first block; null when the list is empty.
    void* pop() {
        FreeBlock* block = _head;
        if (block == nullptr)
            return nullptr;
        _head = next(block);
        --_size;
        return block;
    }

    /// Removes the first `count` blocks (all of them when there are fewer) and returns them
    /// as a list of their own, in the same order. Walks the blocks it removes.
    FreeBlockList takeFront(unsigned int count) {
        FreeBlockList front;
        if (count == 0 || _head == nullptr)
            return front;
        if (count >= _size) {
            front = *this;
            *this = FreeBlockList();
            return front;
        }
        FreeBlock* last = _head;
        for (unsigned int n = 1; n < count; ++n)
            last = next(last);
        front._head = _head;
        front._tail = last;
        front._size = count;
        _head = next(last);
        _size -= count;
        link(last, nullptr);
        return front;
    }

    /// Puts every block of `other` in front of this list's blocks and empties `other`.
    /// Takes constant time.
    void spliceFront(FreeBlockList& other) {
        if (other._head == nullptr)
            return;
        link(other._tail, _head);
        if (_head == nullptr)
            _tail = other._tail;
        _head = other._head;
        _size += other._size;
        other = FreeBlockList();
    }

private:
    /// What a free block holds.
    struct FreeBlock {
        FreeBlock* next;
    };

    static FreeBlock* next(FreeBlock* block) {
        return static_cast<FreeBlock*>(
            MemoryPoisoning::loadPointer(reinterpret_cast<void* const*>(&block->next)));
    }
    static void link(FreeBlock* block, FreeBlock* following) {
        MemoryPoisoning::storePointer(reinterpret_cast<void**>(&block->next), following);
    }

    FreeBlock* _head = nullptr;
    FreeBlock* _tail = nullptr; ///< the last block; meaningful only when the list is not empty
    unsigned int _size = 0;
};

#endif
