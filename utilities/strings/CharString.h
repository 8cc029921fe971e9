//===- utilities/strings/CharString.h - Wide (UTF-32) string -------*- C++ -*-===//
//
// Unicode text held as one 32-bit code point per element, for wherever text is examined
// character by character: command-line parameters, environment values, path components,
// message inserts. It converts to and from EncodedString through UTF-8 (encoded(),
// loadFrom()); undecodable bytes arrive as '.'.
//
// Positions are 1-based, as for every string of the library. The strips shorten in
// place: the block is kept and goes back to the pools later under the smaller size.
//
// Usage:
//   CharString line(L"-KEY 42");
//   CharString keyword = line.firstToken(L" ");              // "-KEY"; line is " 42"
//   unsigned int key = 0;
//   bool isNumber = line.stripLeading(L' ').toNumeric(key);  // true; key is 42
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_CHARSTRING_H
#define QIM_UTILITIES_STRINGS_CHARSTRING_H

#include "utilities/strings/EncodedString.h"
#include "utilities/strings/StringBuffer.h"

class CharString : public StringBuffer<wchar_t> {
public:
    CharString() = default;
    /// A copy of `text` up to its terminator; empty for a null pointer.
    CharString(const wchar_t* text);
    /// Exactly `count` code units from `data`.
    CharString(const wchar_t* data, unsigned int count);
    /// `count` copies of `c`; empty for a count of 0 or less.
    CharString(wchar_t c, int count);
    /// The tail of `source` from 1-based `position`.
    CharString(const StringBuffer<wchar_t>& source, unsigned int position);
    /// `count` code units of `source` from `position`, padded with `pad`.
    CharString(const StringBuffer<wchar_t>& source, unsigned int position, unsigned int count,
               wchar_t pad);
    CharString(const CharString& other);
    CharString(CharString&& other) noexcept;
    ~CharString() override = default;

    /// Replaces the text by `text` decoded from `encoding`; empty for null or empty text.
    CharString& loadFrom(const char* text, EncodedString::Encoding encoding);
    /// The UTF-8 form of the text up to its first zero code unit.
    EncodedString encoded() const;
    /// Replaces the text by the value of the environment variable `name`, decoded from the
    /// native code page; empty when it is not set.
    CharString& getEnvVar(const char* name);
    CharString& getEnvVar(const CharString& name);
    CharString& getEnvVar(const wchar_t* name);

    /// Replaces the text by the decimal text of `value`.
    CharString& makeFromNumeric(unsigned long long value);
    CharString& makeFromNumeric(long long value);
    /// Reads the whole text as a decimal number: true only when a number with nothing
    /// after it was read. `value` holds what was read even when the result is false.
    bool toNumeric(unsigned int& value) const;
    bool toNumeric(int& value) const;
    bool toNumeric(long long& value) const;
    bool toNumeric(unsigned long long& value) const;
    /// The text read as a signed decimal `long` and printed as upper-case hexadecimal of
    /// its low 32 bits ("255" gives "FF", "-1" gives "FFFFFFFF"); a copy of the text when
    /// it is not such a number.
    CharString toHex() const;

    /// True when the text is not empty and every code unit is '0' to '9'.
    bool isDigits() const;
    /// True when the text is not empty and every code unit is '0' or '1'.
    bool isBinaryDigits() const;
    /// True when the text is not empty and every code unit is a hexadecimal digit.
    bool isHexDigits() const;

    /// Replaces the first occurrence of `from` at or after `start` by `to`.
    CharString& change(const CharString& from, const CharString& to, unsigned int start = 1);
    /// Removes and returns the first token after any leading delimiters. This string then
    /// begins with the delimiter that ended the token (empty when none did).
    CharString firstToken(const wchar_t* delimiters);
    /// As firstToken, but a double-quoted part may hold delimiters (the quotes are kept),
    /// and a backslash escapes a double quote or a backslash.
    CharString firstQuotedToken(const wchar_t* delimiters);
    /// Removes every leading `c`, in place.
    CharString& stripLeading(wchar_t c);
    /// Removes every trailing `c`, in place.
    CharString& stripTrailing(wchar_t c);
    /// Maps the ASCII letters to upper or lower case, in place; nothing else changes.
    CharString& upper();
    CharString& lower();

    /// The text in double quotes, with a backslash before each double quote and backslash.
    CharString quoted() const;
    /// quoted() when any character of the zero-terminated `specials` occurs, else a copy.
    CharString quoteIfNeeded(const wchar_t* specials) const;
    /// quoteIfNeeded with blank, double quote, single quote, backslash, * ? < > and |.
    CharString quoteIfNeeded() const;
    /// How many leading code units the two texts share; unless `exact`, ASCII letters
    /// match in either case.
    unsigned int matchLength(const CharString& other, int exact) const;

    CharString& operator=(const CharString& other);
    CharString& operator=(const wchar_t* text);
    CharString& operator+=(const CharString& other);
    CharString operator+(const CharString& other) const;

private:
    void assignUnits(const wchar_t* units, unsigned int count);
    template <typename Value>
    bool scanWhole(const char* format, Value& value) const;
    template <typename Predicate>
    bool allUnits(Predicate isAccepted) const;
};

#endif
