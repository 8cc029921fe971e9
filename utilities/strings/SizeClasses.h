//===- utilities/strings/SizeClasses.h - The pool manager's size classes -*- C++ -*-===//
//
// The six size classes of the StringPoolManager and the class that serves each request
// size, as constants the compiler sees, so that a request's class is one table load
// wherever the manager's fast path is inlined.
//
// On this 64-bit host a free block must hold an 8-byte pointer, so the smallest class is
// 8 bytes wide, while requests of 0 to 4 bytes still map to it exactly as the class
// table says.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_SIZECLASSES_H
#define QIM_UTILITIES_STRINGS_SIZECLASSES_H

namespace size_classes {

/// Number of size classes.
constexpr unsigned int count = 6;
/// Width of the blocks of each class, smallest first.
constexpr unsigned int widths[count] = {8, 16, 24, 32, 48, 64};
/// Largest request served from the classes; larger ones go to malloc.
constexpr unsigned int largestPooledSize = 64;

static_assert(sizeof(void*) <= widths[0], "a free block must hold the next pointer");

/// The class that serves each request size up to the largest pooled one.
struct ClassTable {
    unsigned char ofSize[largestPooledSize + 1];
};

constexpr ClassTable makeClassTable() {
    ClassTable table{};
    for (unsigned int size = 0; size <= largestPooledSize; ++size) {
        // 0 to 4 bytes take the smallest class, whatever its width on this host; larger
        // requests the narrowest of the others that holds them.
        unsigned char index = size <= 4 ? 0 : 1;
        while (widths[index] < size)
            ++index;
        table.ofSize[size] = index;
    }
    return table;
}

inline constexpr ClassTable classTable = makeClassTable();

static_assert(classTable.ofSize[4] == 0 && classTable.ofSize[5] == 1 &&
                  classTable.ofSize[17] == 2 && classTable.ofSize[33] == 4 &&
                  classTable.ofSize[64] == 5,
              "request sizes map to the classes of the class table");

/// The index of the class that serves `size`, which must not exceed largestPooledSize.
constexpr unsigned int classOf(unsigned int size) {
    return classTable.ofSize[size];
}

} // namespace size_classes

#endif
