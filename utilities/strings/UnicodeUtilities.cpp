//===- utilities/strings/UnicodeUtilities.cpp - UTF-8 <-> UTF-32 ----------===//
//
// The library's own UTF-8 codec, used by CharString. It needs neither tables nor a
// locale, accepts the 5- and 6-byte forms of the original UTF-8 definition, and turns
// every byte it cannot decode into '.' so that bad text still converts.
//
// Plain char is signed on some hosts, so every byte is read as an unsigned char; wchar_t
// may be signed too, so code units are compared as unsigned 32-bit values.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UnicodeUtilities.h"

#include <cstdint>

namespace {

/// What an undecodable byte becomes.
constexpr wchar_t replacementCharacter = L'.';

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

/// Decodes the character at `in[i]` and moves `i` past it. A byte that cannot be decoded
/// gives '.' and moves `i` by that byte alone, so decoding resumes at the next one. The
/// terminator is not a continuation byte, so a cut sequence never reads past it.
wchar_t decodeCharacter(const unsigned char* in, std::size_t& i) {
    const unsigned char lead = in[i];
    const int extra = static_cast<int>(UnicodeUtilities::sequenceLength(lead)) - 1;
    if (extra == 0) {
        ++i;
        return lead;
    }
    if (extra < 0) {
        ++i;
        return replacementCharacter;
    }
    std::uint32_t value = lead & (0x7Fu >> (extra + 1));
    for (int k = 1; k <= extra; ++k) {
        if (!isContinuation(in[i + k])) {
            ++i;
            return replacementCharacter;
        }
        value = (value << 6) | (in[i + k] & 0x3Fu);
    }
    i += static_cast<std::size_t>(extra) + 1;
    // At most 31 value bits: always a non-negative wchar_t.
    return static_cast<wchar_t>(value);
}

/// Bytes the UTF-8 form of `value` takes; 0 for values no form can hold.
unsigned int encodedLength(std::uint32_t value) {
    if (value < 0x80)
        return 1;
    if (value < 0x800)
        return 2;
    if (value < 0x10000)
        return 3;
    if (value < 0x200000)
        return 4;
    if (value < 0x4000000)
        return 5;
    if (value < 0x80000000)
        return 6;
    return 0;
}

/// Writes the `length`-byte UTF-8 form of `value` at `out`.
void encodeCharacter(std::uint32_t value, unsigned int length, char* out) {
    static const unsigned char leadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    const unsigned int lastShift = 6 * (length - 1);
    out[0] = static_cast<char>(leadMarks[length] | (value >> lastShift));
    for (unsigned int k = 1; k < length; ++k) {
        const unsigned int shift = lastShift - 6 * k;
        out[k] = static_cast<char>(0x80 | ((value >> shift) & 0x3F));
    }
}

} // namespace

unsigned int UnicodeUtilities::sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    if ((lead & 0xFC) == 0xF8)
        return 5;
    if ((lead & 0xFE) == 0xFC)
        return 6;
    return 0;
}

unsigned int UnicodeUtilities::utf8toUnicode(const char* utf8, wchar_t* out,
                                             unsigned int outCount) {
    if (outCount == 0)
        return 0;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(utf8);
    unsigned int written = 0;
    std::size_t i = 0;
    while (in != nullptr && in[i] != 0) {
        // The last slot is kept for the terminator.
        if (written == outCount - 1)
            return 0;
        out[written++] = decodeCharacter(in, i);
    }
    out[written] = 0;
    return written + 1;
}

unsigned int UnicodeUtilities::unicodeToUTF8(const wchar_t* wide, char* out, unsigned int outSize) {
    if (outSize == 0)
        return 0;
    unsigned int used = 0;
    for (const wchar_t* p = wide; p != nullptr && *p != 0; ++p) {
        const std::uint32_t value = static_cast<std::uint32_t>(*p);
        const unsigned int length = encodedLength(value);
        if (length == 0)
            continue; // 0x80000000 and above: no UTF-8 form, skipped.
        if (outSize - used < length + 1)
            return 0; // The whole sequence and the terminator must fit.
        encodeCharacter(value, length, out + used);
        used += length;
    }
    out[used] = 0;
    return used + 1;
}
