//===- utilities/strings/UTF8Converter.cpp - UTF-8 <-> native code page ---===//
//
// Conversion between UTF-8 and the native code page through iconv, for text that enters
// the library from, or leaves it for, the system. Bad text never fails: iconvDebug turns
// every input byte iconv rejects into '?', and a direction without a descriptor falls back
// to ASCII.
//
// The output of a conversion grows until the whole text fits, because a stateful native
// form (UTF-7, ISO-2022-JP) can be longer than the UTF-8 one.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UTF8Converter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <string>
#include <vector>

namespace {

/// What a byte iconv cannot convert becomes.
constexpr char unconvertible = '?';

/// How one pass of iconv over the input ended.
struct Conversion {
    /// Bytes written, the terminator not counted.
    std::size_t produced;
    /// The output filled up before the whole input was converted and flushed.
    bool outOfRoom;
};

/// Converts `inLength` bytes at `in` into `out`, keeping its last byte for the terminator.
/// Each input byte iconv rejects becomes '?' while there is room; a full output ends the
/// conversion early. Nothing is ever written past `outSize` bytes.
Conversion convertInto(iconv_t cd, const char* in, std::size_t inLength, char* out,
                       std::size_t outSize) {
    if (outSize == 0)
        return {0, true};
    // The descriptors are shared between calls: start from the initial shift state.
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in); // iconv never writes to its input.
    std::size_t inLeft = inLength;
    char* outPtr = out;
    std::size_t outLeft = outSize - 1;
    bool outOfRoom = false;
    while (inLeft > 0 && !outOfRoom) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG || outLeft == 0) {
            outOfRoom = true;
            break;
        }
        // An invalid or incomplete sequence: one '?' per skipped byte, then go on.
        *outPtr++ = unconvertible;
        --outLeft;
        ++inPtr;
        --inLeft;
    }
    // A stateful encoding still owes the bytes that return it to its initial state.
    if (!outOfRoom &&
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        outOfRoom = errno == E2BIG;
    *outPtr = '\0';
    return {outSize - 1 - outLeft, outOfRoom};
}

/// The bytes at `text` up to its first zero.
ByteString upToFirstZero(const char* text) {
    return ByteString(reinterpret_cast<const unsigned char*>(text),
                      static_cast<unsigned int>(std::strlen(text)));
}

/// Converts the whole input with `cd`, doubling the output from `initialSize` until the
/// complete text fits.
ByteString convertGrowing(iconv_t cd, const char* in, unsigned int length,
                          std::size_t initialSize) {
    for (std::size_t size = initialSize;; size *= 2) {
        std::vector<char> buffer(size);
        if (!convertInto(cd, in, length, buffer.data(), size).outOfRoom)
            return upToFirstZero(buffer.data());
    }
}

/// The ASCII-only conversion used when a direction has no descriptor: bytes below 0x80
/// are kept, up to the first zero. From UTF-8, each lead byte becomes one '?' and its
/// continuation bytes are dropped; from native bytes, every other byte becomes '?'.
ByteString asciiFallback(const char* in, unsigned int length, bool fromUTF8) {
    std::string out;
    for (unsigned int i = 0; i < length && in[i] != '\0'; ++i) {
        const unsigned char byte = static_cast<unsigned char>(in[i]);
        if (byte < 0x80)
            out += static_cast<char>(byte);
        else if (!fromUTF8 || (byte & 0xC0) == 0xC0)
            out += unconvertible;
    }
    return upToFirstZero(out.c_str());
}

} // namespace

std::size_t iconvDebug(iconv_t cd, const char* in, std::size_t inLength, char* out,
                       std::size_t outSize) {
    return convertInto(cd, in, inLength, out, outSize).produced;
}

UTF8Converter& UTF8Converter::instance() {
    static UTF8Converter* const converter = new UTF8Converter;
    return *converter;
}

UTF8Converter::UTF8Converter() {
    const char* requested = std::getenv("QIM_DBG_CODEPAGE");
    if (requested != nullptr && *requested != '\0' && open(requested))
        return;
    // An unusable QIM_DBG_CODEPAGE falls back to the locale's code set; open() first
    // closes a direction the requested code set may have opened.
    open(nl_langinfo(CODESET));
}

UTF8Converter::UTF8Converter(const char* codeset) {
    open(codeset);
}

UTF8Converter::~UTF8Converter() {
    close();
}

bool UTF8Converter::open(const char* codeset) {
    close();
    _codeset = codeset;
    _toNative = iconv_open(codeset, "UTF-8");
    _fromNative = iconv_open("UTF-8", codeset);
    return hasToNative() && hasFromNative();
}

void UTF8Converter::close() {
    if (hasToNative())
        iconv_close(_toNative);
    if (hasFromNative())
        iconv_close(_fromNative);
    _toNative = invalidDescriptor();
    _fromNative = invalidDescriptor();
}

ByteString UTF8Converter::toNative(const char* utf8, unsigned int length) const {
    if (length == 0)
        return ByteString();
    if (!hasToNative())
        return asciiFallback(utf8, length, true);
    return convertGrowing(_toNative, utf8, length, std::size_t{length} + 1);
}

ByteString UTF8Converter::fromNative(const char* native, unsigned int length) const {
    if (length == 0)
        return ByteString();
    if (!hasFromNative())
        return asciiFallback(native, length, false);
    // Every native byte takes at most 6 UTF-8 bytes.
    return convertGrowing(_fromNative, native, length, 6 * std::size_t{length} + 1);
}
