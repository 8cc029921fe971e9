//===- utilities/strings/ByteString.cpp - Raw bytes -----------------------===//
#include "utilities/strings/ByteString.h"

#include "utilities/strings/DelimiterSet.h"

#include <cstring>
#include <stdexcept>

ByteString::ByteString(const unsigned char* data, unsigned int count) : StringBuffer(data, count) {}

ByteString::ByteString(const void* part1, unsigned int length1, const void* part2,
                       unsigned int length2, const void* part3, unsigned int length3) {
    const unsigned long long total = static_cast<unsigned long long>(length1) + length2 + length3;
    if (total >= 0xFFFFFFFFu)
        throw std::length_error("byte string too long");
    makeBuffer(static_cast<unsigned int>(total));
    const void* parts[] = {part1, part2, part3};
    const unsigned int lengths[] = {length1, length2, length3};
    unsigned char* out = buffer();
    unsigned int part = 0;
    for (; part < 3 && parts[part] != nullptr; ++part) {
        if (lengths[part] != 0)
            std::memcpy(out, parts[part], lengths[part]);
        out += lengths[part];
    }
    // Lengths given for absent parts still count; their bytes are defined as zero.
    for (; part < 3; ++part) {
        if (lengths[part] != 0)
            std::memset(out, 0, lengths[part]);
        out += lengths[part];
    }
}

ByteString::ByteString(const ByteString& source, unsigned int position)
    : StringBuffer(source, position) {}

ByteString::ByteString(const ByteString& source, unsigned int position, unsigned int count,
                       unsigned char pad)
    : StringBuffer(source, position, count, pad) {}

ByteString::ByteString(const ByteString& other) : StringBuffer(other.buffer(), other.length()) {}

ByteString::ByteString(ByteString&& other) noexcept
    : StringBuffer(static_cast<StringBuffer&>(other)) {}

ByteString& ByteString::operator=(const ByteString& other) {
    StringBuffer::operator=(other);
    return *this;
}

ByteString ByteString::firstToken(const char* delimiters) {
    const unsigned int size = length();
    const unsigned char* bytes = buffer();
    const DelimiterSet<char> set(delimiters);
    const unsigned int start = set.skipMembers(bytes, 0, size);
    const unsigned int end = set.findMember(bytes, start, size);
    ByteString token(bytes + start, end - start);
    const unsigned int next = set.skipMembers(bytes, end, size);
    remove(1, next);
    return token;
}

ByteString& ByteString::stripLeading(unsigned char c) {
    const unsigned int first = indexOfNot(c, 1);
    if (first == 0) {
        shortenInPlace(0);
    } else if (first > 1) {
        const unsigned int kept = length() - (first - 1);
        std::memmove(buffer(), buffer() + first - 1, kept);
        shortenInPlace(kept);
    }
    return *this;
}

ByteString& ByteString::stripTrailing(unsigned char c) {
    shortenInPlace(lastIndexOfNot(c, length()));
    return *this;
}

ByteString ByteString::operator+(const ByteString& other) const {
    return ByteString(buffer(), length(), other.buffer(), other.length(), nullptr, 0);
}
