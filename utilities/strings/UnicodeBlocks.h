//===- utilities/strings/UnicodeBlocks.h - The codec a block at a time -*- C++ -*-===//
//
// The fast paths of the UTF-8 codec. Most text is mostly ASCII, and a run of ASCII converts
// between bytes and code units by widening or narrowing alone; most of the rest has forms
// of 2 or 3 bytes. These functions look at a fixed block (16 bytes, or 8 code units) at
// once: how much of it is ASCII, whether all its units have forms of at most 3 bytes, and
// the whole block converted. On x86-64 they use SSE2, which every such processor has;
// elsewhere the same work is done with 64-bit words and plain loops.
//
//   unsigned int ascii = leadingAsciiBytes(in);   // 0 to 16
//   if (ascii == byteBlock)
//       widenByteBlock(in, out);
//
// The caller guarantees a whole block of input to read and of output to write (for
// writeShortForms, the forms' bytes and shortFormsOverrun more).
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_UNICODEBLOCKS_H
#define QIM_UTILITIES_STRINGS_UNICODEBLOCKS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace unicode_blocks {

/// Bytes in a block of UTF-8 input.
constexpr std::size_t byteBlock = 16;
/// Code units in a block of wide input.
constexpr std::size_t unitBlock = 8;

static_assert(sizeof(wchar_t) == 4, "code units are 32 bits wide");

/// The UTF-8 forms of a block of code units below 0x10000: one lane per unit holding the
/// form's bytes, first byte lowest, and the form's length in the top byte.
struct ShortForms {
    alignas(16) std::uint32_t lanes[unitBlock];
    std::size_t bytes; ///< the lengths of all forms together
};

/// Bytes past the forms that writeShortForms() may write.
constexpr std::size_t shortFormsOverrun = 3;

/// Writes the forms at `out`, one 4-byte word a unit: up to shortFormsOverrun bytes past
/// the forms are written too.
inline void writeShortForms(const ShortForms& forms, char* out) {
    std::size_t used = 0;
    for (std::size_t k = 0; k < unitBlock; ++k) {
        const std::uint32_t lane = forms.lanes[k];
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(out + used, &lane, sizeof lane);
#else
        out[used] = static_cast<char>(lane);
        out[used + 1] = static_cast<char>(lane >> 8);
        out[used + 2] = static_cast<char>(lane >> 16);
#endif
        used += lane >> 24;
    }
}

/// Writes exactly the forms' bytes at `out`.
inline void writeShortFormsExactly(const ShortForms& forms, char* out) {
    for (std::size_t k = 0; k < unitBlock; ++k) {
        const std::uint32_t lane = forms.lanes[k];
        for (std::uint32_t b = 0; b < lane >> 24; ++b)
            *out++ = static_cast<char>(lane >> (8 * b));
    }
}

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

/// True when all 8 code units at `in` are ASCII.
inline bool unitBlockIsAscii(const wchar_t* in) {
    const __m128i* units = reinterpret_cast<const __m128i*>(in);
    const __m128i either = _mm_or_si128(_mm_loadu_si128(units), _mm_loadu_si128(units + 1));
    const __m128i highBits = _mm_and_si128(either, _mm_set1_epi32(~0x7F));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(highBits, _mm_setzero_si128())) == 0xFFFF;
}

/// True when each of the 8 code units at `in` is below 0x10000 (as an unsigned value), so
/// that each has a UTF-8 form of at most 3 bytes.
inline bool unitBlockBelow10000(const wchar_t* in) {
    const __m128i* units = reinterpret_cast<const __m128i*>(in);
    const __m128i high = _mm_set1_epi32(static_cast<int>(0xFFFF0000u));
    const __m128i either = _mm_or_si128(_mm_loadu_si128(units), _mm_loadu_si128(units + 1));
    const __m128i highBits = _mm_and_si128(either, high);
    return _mm_movemask_epi8(_mm_cmpeq_epi32(highBits, _mm_setzero_si128())) == 0xFFFF;
}

/// The UTF-8 forms of 4 code units below 0x10000, one 32-bit lane each: the form's bytes in
/// memory order (little-endian) and its length in the top byte.
inline __m128i shortFormLanes(__m128i units) {
    const auto select = [](__m128i mask, __m128i ifSet, __m128i otherwise) {
        return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
    };
    const __m128i twoOrMore = _mm_cmpgt_epi32(units, _mm_set1_epi32(0x7F));
    const __m128i three = _mm_cmpgt_epi32(units, _mm_set1_epi32(0x7FF));
    const __m128i sixBits = _mm_set1_epi32(0x3F);
    const __m128i mark = _mm_set1_epi32(0x80);
    const __m128i low6 = _mm_or_si128(_mm_and_si128(units, sixBits), mark);
    const __m128i middle6 = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(units, 6), sixBits), mark);
    const __m128i leadOfTwo = _mm_or_si128(_mm_srli_epi32(units, 6), _mm_set1_epi32(0xC0));
    const __m128i leadOfThree = _mm_or_si128(_mm_srli_epi32(units, 12), _mm_set1_epi32(0xE0));
    const __m128i first = select(three, leadOfThree, select(twoOrMore, leadOfTwo, units));
    const __m128i second = select(three, middle6, low6);
    // The masks are -1 where set: 1 - (-1) - (-1) is 3.
    const __m128i length = _mm_sub_epi32(_mm_sub_epi32(_mm_set1_epi32(1), twoOrMore), three);
    return _mm_or_si128(_mm_or_si128(first, _mm_slli_epi32(second, 8)),
                        _mm_or_si128(_mm_slli_epi32(low6, 16), _mm_slli_epi32(length, 24)));
}

/// Computes the forms of the 8 code units at `in`, each below 0x10000.
inline void computeShortForms(const wchar_t* in, ShortForms& forms) {
    const __m128i* units = reinterpret_cast<const __m128i*>(in);
    const __m128i first = shortFormLanes(_mm_loadu_si128(units));
    const __m128i second = shortFormLanes(_mm_loadu_si128(units + 1));
    __m128i* lanes = reinterpret_cast<__m128i*>(forms.lanes);
    _mm_store_si128(lanes, first);
    _mm_store_si128(lanes + 1, second);
    // The lengths, one byte per lane, summed by adding the lanes' top bytes.
    const __m128i lengths = _mm_add_epi32(_mm_srli_epi32(first, 24), _mm_srli_epi32(second, 24));
    const __m128i pairs = _mm_add_epi32(lengths, _mm_srli_si128(lengths, 8));
    forms.bytes =
        static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_add_epi32(pairs, _mm_srli_si128(pairs, 4))));
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

inline bool unitBlockIsAscii(const wchar_t* in) {
    std::uint32_t either = 0;
    for (std::size_t k = 0; k < unitBlock; ++k)
        either |= static_cast<std::uint32_t>(in[k]);
    return either < 0x80;
}

inline bool unitBlockBelow10000(const wchar_t* in) {
    std::uint32_t either = 0;
    for (std::size_t k = 0; k < unitBlock; ++k)
        either |= static_cast<std::uint32_t>(in[k]);
    return either < 0x10000;
}

inline void narrowUnitBlock(const wchar_t* in, char* out) {
    for (std::size_t k = 0; k < unitBlock; ++k)
        out[k] = static_cast<char>(in[k]);
}

inline void computeShortForms(const wchar_t* in, ShortForms& forms) {
    forms.bytes = 0;
    for (std::size_t k = 0; k < unitBlock; ++k) {
        const std::uint32_t value = static_cast<std::uint32_t>(in[k]);
        const std::uint32_t low6 = 0x80 | (value & 0x3F);
        std::uint32_t lane;
        if (value < 0x80)
            lane = value | 1u << 24;
        else if (value < 0x800)
            lane = (0xC0 | value >> 6) | low6 << 8 | 2u << 24;
        else
            lane =
                (0xE0 | value >> 12) | (0x80 | ((value >> 6) & 0x3F)) << 8 | low6 << 16 | 3u << 24;
        forms.lanes[k] = lane;
        forms.bytes += lane >> 24;
    }
}

#endif

} // namespace unicode_blocks

#endif
