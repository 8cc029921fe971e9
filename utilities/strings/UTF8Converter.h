//===- utilities/strings/UTF8Converter.h - UTF-8 <-> native code page -*- C++ -*-===//
//
// Converts between UTF-8 and the native code page of the process through iconv. The
// native code set is the one QIM_DBG_CODEPAGE names when iconv knows it, else the
// locale's (nl_langinfo(CODESET)). The process-wide converter is made on first use, so
// the code set is fixed from then on.
//
// Bad text is never an error: each input byte iconv cannot convert becomes '?'. When no
// descriptor can be opened for a direction, that direction falls back to ASCII: UTF-8
// characters beyond ASCII become one '?' each, native bytes beyond ASCII one '?' each.
// The output grows as needed, so a native form longer than the UTF-8 one (UTF-7,
// ISO-2022-JP) converts completely.
//
// Usage:
//   ByteString native = UTF8Converter::instance().toNative(text.buffer(), text.length());
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_UTF8CONVERTER_H
#define QIM_UTILITIES_STRINGS_UTF8CONVERTER_H

#include "utilities/strings/ByteString.h"

#include <cstddef>
#include <iconv.h>
#include <string>

class UTF8Converter {
public:
    /// The process-wide converter, created on first use and never destroyed.
    static UTF8Converter& instance();

    /// A converter for the code set QIM_DBG_CODEPAGE names, or the locale's.
    UTF8Converter();
    /// A converter for `codeset` alone, with no fallback to another code set; a name
    /// iconv does not know gives a converter without descriptors (ASCII only).
    explicit UTF8Converter(const char* codeset);
    ~UTF8Converter();
    UTF8Converter(const UTF8Converter&) = delete;
    UTF8Converter& operator=(const UTF8Converter&) = delete;

    /// The `length` UTF-8 bytes at `utf8` in the native code page, up to the first zero.
    ByteString toNative(const char* utf8, unsigned int length) const;
    /// The `length` native bytes at `native` in UTF-8, up to the first zero.
    ByteString fromNative(const char* native, unsigned int length) const;
    /// The name of the native code set in use.
    const char* nativeCodeset() const { return _codeset.c_str(); }
    /// True when the direction has an iconv descriptor (false: the ASCII fallback).
    bool hasToNative() const { return _toNative != invalidDescriptor(); }
    bool hasFromNative() const { return _fromNative != invalidDescriptor(); }

private:
    static iconv_t invalidDescriptor() { return reinterpret_cast<iconv_t>(-1); }
    bool open(const char* codeset);
    void close();

    iconv_t _toNative = invalidDescriptor();
    iconv_t _fromNative = invalidDescriptor();
    std::string _codeset;
};

/// Converts `inLength` bytes at `in` with `cd` into at most `outSize` bytes at `out`, the
/// last of which is kept for a zero terminator. Each input byte that cannot be converted
/// becomes '?'. Stops early, never writing past the output, when the output is full.
/// Returns the number of bytes produced, the terminator not counted.
std::size_t iconvDebug(iconv_t cd, const char* in, std::size_t inLength, char* out,
                       std::size_t outSize);

#endif
