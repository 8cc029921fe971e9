//===- utilities/strings/UnicodeUtilities.h - UTF-8 <-> UTF-32 -----*- C++ -*-===//
//
// Conversion between UTF-8 bytes and wide code points with the library's own code, with
// no table and no locale. Bad text is never an error: every byte that cannot be decoded
// becomes '.', and code units that no UTF-8 form can hold (0x80000000 and above) are
// skipped. The 5- and 6-byte forms of the original UTF-8 definition are accepted and
// produced; overlong forms, surrogates and values above 0x10FFFF pass as they come.
//
// Both functions keep the output's last slot for the terminator and return 0 when the
// output is too small, the count written (terminator included) otherwise.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_UNICODEUTILITIES_H
#define QIM_UTILITIES_STRINGS_UNICODEUTILITIES_H

class UnicodeUtilities {
public:
    /// Decodes the zero-terminated `utf8` into at most `outCount` code units, terminator
    /// included. A null or empty input writes just the terminator and returns 1.
    static unsigned int utf8toUnicode(const char* utf8, wchar_t* out, unsigned int outCount);
    /// Encodes the zero-terminated `wide` into at most `outSize` bytes, terminator included.
    static unsigned int unicodeToUTF8(const wchar_t* wide, char* out, unsigned int outSize);
    /// Bytes in the UTF-8 sequence that `lead` starts: 1 for ASCII, 2 to 6 for a lead byte,
    /// 0 for a byte that cannot start one (a continuation byte, 0xFE, 0xFF).
    static unsigned int sequenceLength(unsigned char lead);
    /// True for the bytes 0x80..0xBF, which continue a sequence and start none.
    static bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
};

#endif
