//===- utilities/strings/UnicodeUtilities.cpp - UTF-8 <-> UTF-32 ----------===//
//
// The library's own UTF-8 codec, used by CharString. It needs neither tables nor a
// locale, accepts the 5- and 6-byte forms of the original UTF-8 definition, and turns
// every byte it cannot decode into '.' so that bad text still converts.
//
// Plain char is signed on some hosts, so every byte is read as an unsigned char; wchar_t
// may be signed too, so code units are compared as unsigned 32-bit values.
//
// Most text is mostly ASCII, and most of the rest has forms of 2 or 3 bytes, so both
// directions work in blocks where they can (UnicodeBlocks.h): decoding takes ASCII runs a
// block at a time, encoding takes ASCII blocks and blocks of short forms; the rest goes
// through the character-by-character codec.
// Both measure their input first (strlen and wcslen are vectorised in the C library), so a
// block never reads past the terminator.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UnicodeUtilities.h"

#include "utilities/strings/UnicodeBlocks.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

using namespace unicode_blocks;

namespace {

/// What an undecodable byte becomes.
constexpr wchar_t replacementCharacter = L'.';

/// Decodes the sequence of any length that `in[i]` starts, or gives '.' for a byte that
/// cannot start one; moves `i` past what it decoded.
wchar_t decodeAnySequence(const unsigned char* in, std::size_t& i) {
    const unsigned char lead = in[i];
    const int extra = static_cast<int>(UnicodeUtilities::sequenceLength(lead)) - 1;
    if (extra < 0) {
        ++i;
        return replacementCharacter;
    }
    std::uint32_t value = lead & (0x7Fu >> (extra + 1));
    for (int k = 1; k <= extra; ++k) {
        if (!UnicodeUtilities::isContinuation(in[i + k])) {
            ++i;
            return replacementCharacter;
        }
        value = (value << 6) | (in[i + k] & 0x3Fu);
    }
    i += static_cast<std::size_t>(extra) + 1;
    // At most 31 value bits: always a non-negative wchar_t.
    return static_cast<wchar_t>(value);
}

/// Decodes the sequence that the byte `in[i]`, 0x80 or above, starts and moves `i` past
/// it. A byte that cannot be decoded gives '.' and moves `i` by that byte alone, so decoding
/// resumes at the next one. The terminator is not a continuation byte, so a cut sequence
/// never reads past it. The 2- and 3-byte forms, which most non-ASCII text uses, are
/// decoded straight.
wchar_t decodeSequence(const unsigned char* in, std::size_t& i) {
    const unsigned char lead = in[i];
    if ((lead & 0xE0) == 0xC0 && UnicodeUtilities::isContinuation(in[i + 1])) {
        const std::uint32_t value = (lead & 0x1Fu) << 6 | (in[i + 1] & 0x3Fu);
        i += 2;
        return static_cast<wchar_t>(value);
    }
    if ((lead & 0xF0) == 0xE0 && UnicodeUtilities::isContinuation(in[i + 1]) &&
        UnicodeUtilities::isContinuation(in[i + 2])) {
        const std::uint32_t value =
            (lead & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 | (in[i + 2] & 0x3Fu);
        i += 3;
        return static_cast<wchar_t>(value);
    }
    return decodeAnySequence(in, i);
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
    const std::size_t length = utf8 == nullptr ? 0 : std::strlen(utf8);
    const std::size_t room = outCount - 1; // the last slot is kept for the terminator
    std::size_t written = 0;
    std::size_t i = 0;
    while (i < length) {
        if (written == room)
            return 0;
        const unsigned char lead = in[i];
        if (lead >= 0x80) {
            out[written++] = decodeSequence(in, i);
            continue;
        }
        if (length - i >= byteBlock && room - written >= byteBlock) {
            // A whole ASCII block advances by a constant, so that the next block's load need
            // not wait for this block's count; a shorter run is copied as it is.
            const unsigned int ascii = leadingAsciiBytes(in + i);
            if (ascii == byteBlock) {
                widenByteBlock(in + i, out + written);
                i += byteBlock;
                written += byteBlock;
                continue;
            }
            for (unsigned int k = 0; k < ascii; ++k)
                out[written++] = in[i++];
            continue;
        }
        out[written++] = lead;
        ++i;
    }
    out[written] = 0;
    return static_cast<unsigned int>(written) + 1;
}

unsigned int UnicodeUtilities::unicodeToUTF8(const wchar_t* wide, char* out, unsigned int outSize) {
    if (outSize == 0)
        return 0;
    const std::size_t length = wide == nullptr ? 0 : std::wcslen(wide);
    const std::size_t room = outSize - 1; // the last byte is kept for the terminator
    std::size_t used = 0;
    std::size_t p = 0;
    while (p < length) {
        if (length - p >= unitBlock) {
            if (room - used >= unitBlock && unitBlockIsAscii(wide + p)) {
                // An ASCII run goes on block after block without the checks below.
                do {
                    narrowUnitBlock(wide + p, out + used);
                    p += unitBlock;
                    used += unitBlock;
                } while (length - p >= unitBlock && room - used >= unitBlock &&
                         unitBlockIsAscii(wide + p));
                continue;
            }
            if (unitBlockBelow10000(wide + p)) {
                // Text that mixes the three short forms, encoded without a branch that
                // depends on the characters. Near the end of the room the forms are copied
                // byte by byte, since their quick writer writes past them.
                ShortForms forms;
                computeShortForms(wide + p, forms);
                if (room - used >= forms.bytes + shortFormsOverrun)
                    writeShortForms(forms, out + used);
                else if (room - used >= forms.bytes)
                    writeShortFormsExactly(forms, out + used);
                else
                    return 0; // every unit has a form: the text cannot fit
                used += forms.bytes;
                p += unitBlock;
                continue;
            }
        }
        // A longer form near, or the end of the text or of the room: one unit.
        const std::uint32_t value = static_cast<std::uint32_t>(wide[p++]);
        const unsigned int encoded = encodedLength(value);
        if (encoded == 0)
            continue; // 0x80000000 and above: no UTF-8 form, skipped.
        if (room - used < encoded)
            return 0; // The whole sequence and the terminator must fit.
        encodeCharacter(value, encoded, out + used);
        used += encoded;
    }
    out[used] = 0;
    return static_cast<unsigned int>(used) + 1;
}
