//===- utilities/strings/ByteString.h - Raw bytes ------------------*- C++ -*-===//
//
// Bytes with no encoding attached. Every conversion out of UTF-8 produces a ByteString:
// text in the native code page reaches system calls (program arguments, environment,
// file names, catalog texts) in this form, never as an EncodedString, so that the two
// kinds of bytes cannot be mixed up.
//
// Usage:
//   ByteString line(reinterpret_cast<const unsigned char*>("ab cd"), 5);
//   ByteString first = line.firstToken(" ");   // first is "ab", line is now "cd"
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_BYTESTRING_H
#define QIM_UTILITIES_STRINGS_BYTESTRING_H

#include "utilities/strings/StringBuffer.h"

class ByteString : public StringBuffer<unsigned char> {
public:
    ByteString() = default;
    /// Exactly `count` bytes from `data`.
    ByteString(const unsigned char* data, unsigned int count);
    /// The concatenation of up to three byte ranges. A null part ends the copying: it and
    /// the parts after it are not copied, and the bytes their lengths count are zero.
    ByteString(const void* part1, unsigned int length1, const void* part2, unsigned int length2,
               const void* part3, unsigned int length3);
    /// The tail of `source` from 1-based `position`.
    ByteString(const ByteString& source, unsigned int position);
    /// `count` bytes of `source` from `position`, padded with `pad`.
    ByteString(const ByteString& source, unsigned int position, unsigned int count,
               unsigned char pad);
    ByteString(const ByteString& other);
    /// Takes over `other`'s block and leaves it empty.
    ByteString(ByteString&& other) noexcept;
    ByteString& operator=(const ByteString& other);
    ~ByteString() override = default;

    /// Removes and returns the first token: the bytes before the first delimiter after any
    /// leading delimiters. The delimiters after the token are removed too, so that this
    /// string then begins with the next token. `delimiters` is a zero-terminated set.
    ByteString firstToken(const char* delimiters);
    /// Removes every leading `c`, in place.
    ByteString& stripLeading(unsigned char c);
    /// Removes every trailing `c`, in place.
    ByteString& stripTrailing(unsigned char c);

    ByteString operator+(const ByteString& other) const;

    /// The bytes as the zero-terminated text that system calls take.
    const char* chars() const { return reinterpret_cast<const char*>(buffer()); }
};

#endif
