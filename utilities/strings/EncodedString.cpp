//===- utilities/strings/EncodedString.cpp - UTF-8 byte string ------------===//
#include "utilities/strings/EncodedString.h"

#include "utilities/strings/AsciiCase.h"
#include "utilities/strings/CharString.h"
#include "utilities/strings/IconvDescriptor.h"
#include "utilities/strings/UTF8Converter.h"
#include "utilities/strings/UnicodeUtilities.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace {

/// Length of a zero-terminated text, with a null pointer as the empty text.
unsigned int textLength(const char* text) {
    return text == nullptr ? 0 : static_cast<unsigned int>(std::strlen(text));
}

/// The byte as an unsigned value: plain char is signed on some hosts.
unsigned char byteAt(const char* bytes, unsigned int index) {
    return static_cast<unsigned char>(bytes[index]);
}

/// Bytes match when equal or when they are the same ASCII letter in either case.
bool sameIgnoringCase(unsigned char a, unsigned char b) {
    return toLowerAscii(a) == toLowerAscii(b);
}

/// An EncodedString of what printf makes of `format` and `value`.
template <typename Value>
EncodedString formatted(const char* format, Value value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return EncodedString(text, EncodedString::UTF8);
}

} // namespace

EncodedString::EncodedString(const char* text, Encoding encoding)
    : StringBuffer(text, textLength(text)) {
    applyEncoding(encoding);
}

EncodedString::EncodedString(const StringBuffer<char>& bytes, Encoding encoding)
    : StringBuffer(bytes.buffer(), bytes.length()) {
    applyEncoding(encoding);
}

EncodedString::EncodedString(const StringBuffer<unsigned char>& bytes, Encoding encoding)
    : StringBuffer(reinterpret_cast<const char*>(bytes.buffer()), bytes.length()) {
    applyEncoding(encoding);
}

EncodedString::EncodedString(const CharString& text) : EncodedString(text.encoded()) {}

EncodedString::EncodedString(const wchar_t* text) : EncodedString(CharString(text).encoded()) {}

EncodedString::EncodedString(const EncodedString& other)
    : StringBuffer(other.buffer(), other.length()) {}

EncodedString::EncodedString(EncodedString&& other) noexcept
    : StringBuffer(static_cast<StringBuffer&>(other)) {}

void EncodedString::applyEncoding(Encoding encoding) {
    if (encoding == Native || (encoding == Detect && !isValid()))
        convertToUTF8();
}

EncodedString EncodedString::number(int value) {
    return formatted("%d", value);
}
EncodedString EncodedString::number(unsigned int value) {
    return formatted("%u", value);
}
EncodedString EncodedString::number(long long value) {
    return formatted("%lld", value);
}
EncodedString EncodedString::number(unsigned long long value) {
    return formatted("%llu", value);
}
EncodedString EncodedString::number(float value) {
    return formatted("%g", static_cast<double>(value));
}
EncodedString EncodedString::number(double value) {
    return formatted("%g", value);
}
EncodedString EncodedString::number(long double value) {
    return formatted("%Lg", value);
}

bool EncodedString::isValid() const {
    const char* bytes = buffer();
    const unsigned int size = length();
    for (unsigned int i = 0; i < size;) {
        const unsigned int n = UnicodeUtilities::sequenceLength(byteAt(bytes, i));
        if (n == 0 || n - 1 > size - i - 1)
            return false;
        for (unsigned int k = 1; k < n; ++k)
            if (!UnicodeUtilities::isContinuation(byteAt(bytes, i + k)))
                return false;
        i += n;
    }
    return true;
}

bool EncodedString::containsNonAscii() const {
    for (unsigned int i = 0; i < length(); ++i)
        if (byteAt(buffer(), i) >= 0x80)
            return true;
    return false;
}

ByteString EncodedString::convert(Encoding target) const {
    if (target == Native)
        return convertToNative();
    return ByteString(buffer(), length(), nullptr, 0, nullptr, 0);
}

ByteString EncodedString::convertToNative() const {
    return UTF8Converter::instance().toNative(buffer(), length());
}

void EncodedString::convertToUTF8() {
    const ByteString utf8 = UTF8Converter::instance().fromNative(buffer(), length());
    makeBuffer(utf8.length());
    std::memcpy(buffer(), utf8.buffer(), utf8.length());
}

EncodedString& EncodedString::operator=(const EncodedString& other) {
    StringBuffer::operator=(other);
    return *this;
}

EncodedString& EncodedString::operator=(const CharString& text) {
    return *this = text.encoded();
}

EncodedString& EncodedString::operator=(const wchar_t* text) {
    return *this = CharString(text).encoded();
}

EncodedString& EncodedString::operator+=(const EncodedString& other) {
    StringBuffer::operator+=(other);
    return *this;
}

EncodedString& EncodedString::operator+=(const CharString& text) {
    return *this += text.encoded();
}

EncodedString EncodedString::operator+(const EncodedString& other) const {
    EncodedString sum(*this);
    sum += other;
    return sum;
}

int EncodedString::operator==(const EncodedString& other) const {
    return StringBuffer::operator==(other);
}

int EncodedString::operator!=(const EncodedString& other) const {
    return StringBuffer::operator!=(other) != 0;
}

EncodedString EncodedString::before(char c) const {
    const unsigned int position = indexOf(c, 1);
    if (position == 0)
        return *this;
    return EncodedString(StringBuffer(*this, 1, position - 1, 0), UTF8);
}

EncodedString EncodedString::after(char c) const {
    const unsigned int position = indexOf(c, 1);
    if (position == 0)
        return EncodedString();
    return EncodedString(StringBuffer(*this, position + 1), UTF8);
}

EncodedString EncodedString::firstField(char c) {
    const unsigned int position = indexOf(c, 1);
    if (position == 0) {
        EncodedString everything(std::move(*this));
        return everything;
    }
    EncodedString field(StringBuffer(*this, 1, position - 1, 0), UTF8);
    remove(1, position);
    return field;
}

EncodedString& EncodedString::stripHexPrefix() {
    const char* bytes = buffer();
    if (length() <= 2 || bytes[0] != '0' || (bytes[1] != 'x' && bytes[1] != 'X'))
        return *this;
    if (std::strspn(bytes + 2, "0123456789abcdefABCDEF") != length() - 2)
        return *this;
    remove(1, 2);
    return *this;
}

bool compareCaseInsensitive(const EncodedString& a, const EncodedString& b) {
    if (a.length() != b.length())
        return false;
    for (unsigned int i = 0; i < a.length(); ++i)
        if (!sameIgnoringCase(byteAt(a.buffer(), i), byteAt(b.buffer(), i)))
            return false;
    return true;
}

bool compareCaseInsensitive(const char* a, const EncodedString& b) {
    const char* text = a == nullptr ? "" : a;
    for (unsigned int i = 0; i < b.length(); ++i) {
        // The end of `a` is a mismatch even against a zero byte inside `b`, so that
        // nothing past the terminator of `a` is ever read.
        if (text[i] == '\0' || !sameIgnoringCase(byteAt(text, i), byteAt(b.buffer(), i)))
            return false;
    }
    return text[b.length()] == '\0';
}

bool compareStrings(const EncodedString& a, const EncodedString& b, int exact) {
    return exact != 0 ? a == b : compareCaseInsensitive(a, b);
}

bool compareStrings(const char* a, const EncodedString& b, int exact) {
    return exact != 0 ? EncodedString(a, EncodedString::UTF8) == b : compareCaseInsensitive(a, b);
}

EncodedString fromCodeset(const char* text, const char* codeset) {
    if (codeset == nullptr || *codeset == '\0' || textLength(text) == 0)
        return EncodedString(text, EncodedString::Native);
    if (std::strcmp(codeset, "UTF-8") == 0)
        return EncodedString(text, EncodedString::UTF8);
    IconvDescriptor toUTF8("UTF-8", codeset);
    if (!toUTF8.isOpen())
        return EncodedString(text, EncodedString::Native);
    const std::size_t length = std::strlen(text);
    const std::size_t size = 6 * length + 1;
    std::unique_ptr<char[]> converted(new char[size]);
    iconvDebug(toUTF8.get(), text, length, converted.get(), size);
    return EncodedString(converted.get(), EncodedString::UTF8);
}
