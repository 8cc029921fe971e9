//===- utilities/strings/MemoryPoisoning.h - Pooled memory for AddressSanitizer -*- C++ -*-===//
//
// The pools hand out pieces of memory that AddressSanitizer only knows as one large heap
// block: a free block on a list, the bytes of a block beyond what its caller asked for, and
// the unused tail of an arena area all look like valid memory to it, so an overrun of a
// pooled string or a read after its block went back would pass unseen. Under the sanitizer
// the pools therefore mark such memory as poisoned while nobody owns it and lift the mark
// from exactly the bytes they hand out. Without the sanitizer every operation here is
// empty and costs nothing.
//
// The pools keep their own bookkeeping (the link of a free block, the size word before an
// arena allocation) inside poisoned memory and reach it only through the unchecked
// accessors below, so that the caller's bytes stay the only addressable ones.
//
//   MemoryPoisoning::poison(block, width);        // back on a free list
//   MemoryPoisoning::unpoison(block, requested);  // handed out again
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_MEMORYPOISONING_H
#define QIM_UTILITIES_STRINGS_MEMORYPOISONING_H

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define QIM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QIM_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(QIM_ADDRESS_SANITIZER)
#include <sanitizer/asan_interface.h>
/// Marks a function whose loads and stores AddressSanitizer does not check: the pools'
/// bookkeeping inside memory they keep poisoned.
#define QIM_UNCHECKED_ADDRESSES __attribute__((no_sanitize_address))
#else
#define QIM_UNCHECKED_ADDRESSES
#endif

namespace MemoryPoisoning {

/// True when this build marks pooled memory for AddressSanitizer.
constexpr bool enabled =
#if defined(QIM_ADDRESS_SANITIZER)
    true;
#else
    false;
#endif

/// Makes `size` bytes from `start` unaddressable: any access to them is reported.
inline void poison(const volatile void* start, std::size_t size) {
#if defined(QIM_ADDRESS_SANITIZER)
    __asan_poison_memory_region(start, size);
#else
    (void)start;
    (void)size;
#endif
}

/// Makes `size` bytes from `start` addressable again.
inline void unpoison(const volatile void* start, std::size_t size) {
#if defined(QIM_ADDRESS_SANITIZER)
    __asan_unpoison_memory_region(start, size);
#else
    (void)start;
    (void)size;
#endif
}

/// True when some byte of the `size` bytes from `start` is poisoned (always false without
/// the sanitizer).
inline bool isPoisoned(const volatile void* start, std::size_t size) {
#if defined(QIM_ADDRESS_SANITIZER)
    return __asan_region_is_poisoned(const_cast<void*>(start), size) != nullptr;
#else
    (void)start;
    (void)size;
    return false;
#endif
}

/// Reads the pointer stored at `slot`, poisoned or not.
QIM_UNCHECKED_ADDRESSES inline void* loadPointer(void* const* slot) {
    return *slot;
}

/// Stores `value` at `slot`, poisoned or not.
QIM_UNCHECKED_ADDRESSES inline void storePointer(void** slot, void* value) {
    *slot = value;
}

} // namespace MemoryPoisoning

#endif
