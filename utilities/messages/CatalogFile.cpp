//===- utilities/messages/CatalogFile.cpp - Checking a catalog before catopen ---===//
//
// The layout, as glibc's gencat writes it and its catopen reads it: a header of three
// 32-bit words (magic, plane size, plane depth) in the byte order of the machine that wrote
// it; then the hash table of plane size x plane depth entries of three 32-bit words (set,
// message, string offset) twice, first in little-endian and then in big-endian order; then
// the strings, each ended by a zero byte, which the offsets address from the first one.
//
//===----------------------------------------------------------------------------===//
#include "utilities/messages/CatalogFile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <vector>

namespace {

/// The first word of every catalog file, in the byte order of the machine that wrote it.
constexpr std::uint32_t catalogMagic = 0x960408de;
/// The header's size: magic, plane size, plane depth.
constexpr std::uint64_t headerSize = 12;
/// A file larger than this is no catalog of ours; it is not read.
constexpr std::uint64_t largestCatalog = 64ull * 1024 * 1024;

std::uint32_t swapped(std::uint32_t word) {
    return (word >> 24) | ((word >> 8) & 0xff00) | ((word << 8) & 0xff0000) | (word << 24);
}

/// The 32-bit word at `offset` of `bytes`, in this machine's order.
std::uint32_t wordAt(const std::vector<unsigned char>& bytes, std::uint64_t offset) {
    std::uint32_t word;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return word;
}

/// The whole file, or false when it cannot be read or is too large to be a catalog.
bool readWholeFile(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    struct stat status;
    const bool fits = fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) &&
                      static_cast<std::uint64_t>(status.st_size) <= largestCatalog;
    if (fits) {
        bytes.resize(static_cast<std::size_t>(status.st_size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    std::fclose(file);
    return fits;
}

} // namespace

bool isCompleteCatalog(const char* path) {
    std::vector<unsigned char> bytes;
    if (!readWholeFile(path, bytes) || bytes.size() < headerSize)
        return false;
    const std::uint32_t magic = wordAt(bytes, 0);
    if (magic != catalogMagic && magic != swapped(catalogMagic))
        return false;
    const auto header = [&](std::uint64_t offset) {
        const std::uint32_t word = wordAt(bytes, offset);
        return magic == catalogMagic ? word : swapped(word);
    };
    const std::uint64_t planeSize = header(4);
    const std::uint64_t planeDepth = header(8);
    // catgets divides by the plane size, and visits at least one plane.
    if (planeSize == 0 || planeDepth == 0)
        return false;
    // The product of two 32-bit words fits; one beyond the file's size cannot be right, and
    // bounding it here keeps the sizes below from overflowing.
    const std::uint64_t entries = planeSize * planeDepth;
    if (entries > bytes.size())
        return false;
    const std::uint64_t tableWords = 3 * entries;
    const std::uint64_t stringsStart = headerSize + 2 * tableWords * sizeof(std::uint32_t);
    if (stringsStart > bytes.size())
        return false;
    // The copy of the table in this machine's order: the one that catgets reads.
    const bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    const std::uint64_t table =
        headerSize + (littleEndian ? 0 : tableWords * sizeof(std::uint32_t));
    for (std::uint64_t entry = 0; entry < tableWords; entry += 3) {
        if (wordAt(bytes, table + entry * sizeof(std::uint32_t)) == 0)
            continue; // an unused entry: no set is numbered 0, so no lookup reaches it
        const std::uint64_t string =
            stringsStart + wordAt(bytes, table + (entry + 2) * sizeof(std::uint32_t));
        if (string >= bytes.size() ||
            std::memchr(bytes.data() + string, '\0', bytes.size() - string) == nullptr)
            return false;
    }
    return true;
}
