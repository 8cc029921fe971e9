//===- utilities/strings/AsciiBlocks.h - ASCII runs a block at a time -*- C++ -*-===//
//
// The fast path of the UTF-8 codec: most text is mostly ASCII, and a run of ASCII converts
// between bytes and code units by widening or narrowing alone. These functions look at a
// fixed block (16 bytes, or 8 code units) at once: how much of it is ASCII, and the whole
// block converted. On x86-64 they use SSE2, which every such processor has; elsewhere the
// same work is done with 64-bit words and plain loops.
//
//   unsigned int ascii = leadingAsciiBytes(in);   // 0 to 16
//   widenByteBlock(in, out);                       // all 16; only `ascii` of them count
//
// The caller guarantees a whole block of input to read and of output to write.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_ASCIIBLOCKS_H
#define QIM_UTILITIES_STRINGS_ASCIIBLOCKS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ascii_blocks {

/// Bytes in a block of UTF-8 input.
constexpr std::size_t byteBlock = 16;
/// Code units in a block of wide input.
constexpr std::size_t unitBlock = 8;

static_assert(sizeof(wchar_t) == 4, "code units are 32 bits wide");

/// Index of the lowest set bit of `bits`, which must not be 0.
inline unsigned int lowestSetBit(unsigned int bits) {
    return static_cast<unsigned int>(__builtin_ctz(bits));
}

#if defined(__SSE2__)

/// How many of the 16 bytes at `in` come before the first one that is not ASCII.
inline unsigned int leadingAsciiBytes(const unsigned char* in) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const unsigned int highBits = static_cast<unsigned int>(_mm_movemask_epi8(bytes));
    return lowestSetBit(highBits | (1u << byteBlock));
}

/// Writes the 16 bytes at `in` as 16 code units at `out`.
inline void widenByteBlock(const unsigned char* in, wchar_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    __m128i* units = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(units, _mm_unpacklo_epi16(low, zero));
    _mm_storeu_si128(units + 1, _mm_unpackhi_epi16(low, zero));
    _mm_storeu_si128(units + 2, _mm_unpacklo_epi16(high, zero));
    _mm_storeu_si128(units + 3, _mm_unpackhi_epi16(high, zero));
}

/// How many of the 8 code units at `in` come before the first one that is not ASCII.
inline unsigned int leadingAsciiUnits(const wchar_t* in) {
    const __m128i* units = reinterpret_cast<const __m128i*>(in);
    const __m128i notAscii = _mm_set1_epi32(~0x7F);
    const __m128i zero = _mm_setzero_si128();
    // Each unit becomes all ones when it is ASCII, then two mask bits after the packing.
    const __m128i first = _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(units), notAscii), zero);
    const __m128i second =
        _mm_cmpeq_epi32(_mm_and_si128(_mm_loadu_si128(units + 1), notAscii), zero);
    const unsigned int ascii =
        static_cast<unsigned int>(_mm_movemask_epi8(_mm_packs_epi32(first, second)));
    return lowestSetBit(~ascii | (1u << (2 * unitBlock))) / 2;
}

/// Writes the low bytes of the 8 code units at `in` to `out`; exact for ASCII units.
inline void narrowUnitBlock(const wchar_t* in, char* out) {
    const __m128i* units = reinterpret_cast<const __m128i*>(in);
    const __m128i halves = _mm_packs_epi32(_mm_loadu_si128(units), _mm_loadu_si128(units + 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(halves, halves));
}

#else

/// How many of the 8 bytes of `word`, in memory order, come before the first with its high
/// bit set (8 when there is none).
inline unsigned int asciiBytesBefore(std::uint64_t word) {
    const std::uint64_t highBits = word & 0x8080808080808080u;
    if (highBits == 0)
        return 8;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return static_cast<unsigned int>(__builtin_ctzll(highBits)) / 8;
#else
    return static_cast<unsigned int>(__builtin_clzll(highBits)) / 8;
#endif
}

inline unsigned int leadingAsciiBytes(const unsigned char* in) {
    std::uint64_t words[2];
    std::memcpy(words, in, sizeof words);
    const unsigned int first = asciiBytesBefore(words[0]);
    return first < 8 ? first : 8 + asciiBytesBefore(words[1]);
}

inline void widenByteBlock(const unsigned char* in, wchar_t* out) {
    for (std::size_t k = 0; k < byteBlock; ++k)
        out[k] = in[k];
}

inline unsigned int leadingAsciiUnits(const wchar_t* in) {
    for (unsigned int k = 0; k < unitBlock; ++k)
        if (static_cast<std::uint32_t>(in[k]) > 0x7F)
            return k;
    return unitBlock;
}

inline void narrowUnitBlock(const wchar_t* in, char* out) {
    for (std::size_t k = 0; k < unitBlock; ++k)
        out[k] = static_cast<char>(in[k]);
}

#endif

} // namespace ascii_blocks

#endif
