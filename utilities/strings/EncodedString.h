//===- utilities/strings/EncodedString.h - UTF-8 byte string -------*- C++ -*-===//
//
// The library's byte string and its common currency: names, paths, messages, settings,
// trace text and command-line arguments travel as EncodedString. Whatever the caller hands
// in, the bytes held are UTF-8: the constructor is told the encoding of the incoming bytes
// and converts native code-page text at once, so the encoding is never stored. Text goes
// back to the native code page only on its way out (convertToNative, convert), as a
// ByteString.
//
// Usage:
//   EncodedString path(argv[1], EncodedString::Native);   // held as UTF-8
//   ByteString forTheSystem = path.convertToNative();
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_ENCODEDSTRING_H
#define QIM_UTILITIES_STRINGS_ENCODEDSTRING_H

#include "utilities/strings/ByteString.h"
#include "utilities/strings/StringBuffer.h"

class CharString;

class EncodedString : public StringBuffer<char> {
public:
    /// The encoding of incoming bytes, and the target of convert().
    enum Encoding {
        Native = 0, ///< the native code page of the process: converted to UTF-8 at once
        UTF8 = 1,   ///< UTF-8: kept as it is (so is any value not listed here)
        Detect = 2  ///< kept when it has UTF-8 structure, else converted from native
    };

    EncodedString() = default;
    /// The bytes of `text` up to its terminator (none for a null pointer), in `encoding`.
    EncodedString(const char* text, Encoding encoding);
    /// The counted bytes of `bytes`, zero bytes included, in `encoding`.
    EncodedString(const StringBuffer<char>& bytes, Encoding encoding);
    EncodedString(const StringBuffer<unsigned char>& bytes, Encoding encoding);
    /// The UTF-8 form of `text`.
    EncodedString(const CharString& text);
    explicit EncodedString(const wchar_t* text);
    EncodedString(const EncodedString& other);
    EncodedString(EncodedString&& other) noexcept;
    ~EncodedString() override = default;

    /// Decimal or floating-point text of a number, as printf prints it.
    static EncodedString number(int value);
    static EncodedString number(unsigned int value);
    static EncodedString number(long long value);
    static EncodedString number(unsigned long long value);
    static EncodedString number(float value);
    static EncodedString number(double value);
    static EncodedString number(long double value);

    /// True when the bytes have UTF-8 lead/continuation structure (5- and 6-byte forms
    /// included); overlong forms and out-of-range values are not looked for.
    bool isValid() const;
    /// True when any byte is 0x80 or above.
    bool containsNonAscii() const;
    /// The text in the native code page for `Native`, else a copy of the UTF-8 bytes.
    ByteString convert(Encoding target) const;
    /// The text in the native code page.
    ByteString convertToNative() const;
    /// Takes the current bytes as native text and replaces them by their UTF-8 form.
    void convertToUTF8();

    EncodedString& operator=(const EncodedString& other);
    EncodedString& operator=(const CharString& text);
    EncodedString& operator=(const wchar_t* text);
    EncodedString& operator+=(const EncodedString& other);
    EncodedString& operator+=(const CharString& text);
    EncodedString operator+(const EncodedString& other) const;
    /// 1 when both hold the same bytes, else 0.
    int operator==(const EncodedString& other) const;
    /// 1 when the bytes differ in length or content, else 0.
    int operator!=(const EncodedString& other) const;

    /// The bytes before the first `c`; all of them when there is no `c`.
    EncodedString before(char c) const;
    /// The bytes after the first `c`; none when there is no `c`.
    EncodedString after(char c) const;
    /// Removes and returns the bytes before the first `c`, removing the `c` too; without a
    /// `c`, returns everything and leaves this string empty.
    EncodedString firstField(char c);
    /// Drops a leading "0x" or "0X" when only hexadecimal digits follow it (one or more).
    EncodedString& stripHexPrefix();

private:
    void applyEncoding(Encoding encoding);
};

/// True when `a` and `b` have the same length and their bytes are equal or are the same
/// ASCII letter in either case.
bool compareCaseInsensitive(const EncodedString& a, const EncodedString& b);
/// The same between the zero-terminated `a` (null counts as empty) and `b`.
bool compareCaseInsensitive(const char* a, const EncodedString& b);
/// `a == b` when `exact` is non-zero, else the case-insensitive comparison.
bool compareStrings(const EncodedString& a, const EncodedString& b, int exact);
bool compareStrings(const char* a, const EncodedString& b, int exact);

/// The UTF-8 form of the zero-terminated `text` in the named code set. No code set (null
/// or empty) or one iconv does not know takes the text as native.
EncodedString fromCodeset(const char* text, const char* codeset);

#endif
