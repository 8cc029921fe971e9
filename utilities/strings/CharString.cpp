//===- utilities/strings/CharString.cpp - Wide (UTF-32) string ------------===//
#include "utilities/strings/CharString.h"

#include "utilities/strings/AsciiCase.h"
#include "utilities/strings/DelimiterSet.h"
#include "utilities/strings/UnicodeUtilities.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <stdexcept>

namespace {

/// The characters whose presence makes quoteIfNeeded() quote.
const wchar_t quotingTriggers[] = L" \"'\\*?<>|";

unsigned int wideLength(const wchar_t* text) {
    return text == nullptr ? 0 : static_cast<unsigned int>(std::wcslen(text));
}

bool isAsciiDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

CharString::CharString(const wchar_t* text) : StringBuffer(text, wideLength(text)) {}

CharString::CharString(const wchar_t* data, unsigned int count) : StringBuffer(data, count) {}

CharString::CharString(wchar_t c, int count) {
    if (count <= 0)
        return;
    makeBuffer(static_cast<unsigned int>(count));
    std::wmemset(buffer(), c, static_cast<std::size_t>(count));
}

CharString::CharString(const StringBuffer<wchar_t>& source, unsigned int position)
    : StringBuffer(source, position) {}

CharString::CharString(const StringBuffer<wchar_t>& source, unsigned int position,
                       unsigned int count, wchar_t pad)
    : StringBuffer(source, position, count, pad) {}

CharString::CharString(const CharString& other) : StringBuffer(other.buffer(), other.length()) {}

CharString::CharString(CharString&& other) noexcept
    : StringBuffer(static_cast<StringBuffer&>(other)) {}

void CharString::assignUnits(const wchar_t* units, unsigned int count) {
    makeBuffer(count);
    if (count != 0)
        std::wmemcpy(buffer(), units, count);
}

CharString& CharString::loadFrom(const char* text, EncodedString::Encoding encoding) {
    if (text == nullptr || *text == '\0') {
        makeBuffer(0);
        return *this;
    }
    if (encoding != EncodedString::UTF8) {
        const EncodedString utf8(text, encoding);
        return loadFrom(utf8.buffer(), EncodedString::UTF8);
    }
    const std::size_t slots = std::strlen(text) + 1;
    if (slots > UINT_MAX)
        throw std::length_error("text too long for a string");
    std::unique_ptr<wchar_t[]> units(new wchar_t[slots]);
    const unsigned int written =
        UnicodeUtilities::utf8toUnicode(text, units.get(), static_cast<unsigned int>(slots));
    assignUnits(units.get(), written == 0 ? 0 : written - 1);
    return *this;
}

EncodedString CharString::encoded() const {
    const std::size_t units = std::wcslen(buffer());
    const std::size_t size = 6 * units + 1;
    if (size > UINT_MAX)
        throw std::length_error("text too long for a string");
    std::unique_ptr<char[]> bytes(new char[size]);
    UnicodeUtilities::unicodeToUTF8(buffer(), bytes.get(), static_cast<unsigned int>(size));
    return EncodedString(bytes.get(), EncodedString::UTF8);
}

CharString& CharString::getEnvVar(const char* name) {
    const char* value = name == nullptr ? nullptr : std::getenv(name);
    return loadFrom(value, EncodedString::Native);
}

CharString& CharString::getEnvVar(const CharString& name) {
    return getEnvVar(name.encoded().buffer());
}

CharString& CharString::getEnvVar(const wchar_t* name) {
    return getEnvVar(CharString(name));
}

CharString& CharString::makeFromNumeric(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu", value);
    return loadFrom(text, EncodedString::UTF8);
}

CharString& CharString::makeFromNumeric(long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    return loadFrom(text, EncodedString::UTF8);
}

// One conversion followed by "%c": exactly one item read means a number and nothing after.
template <typename Value>
bool CharString::scanWhole(const char* format, Value& value) const {
    if (length() == 0)
        return false;
    char trailing;
    return std::sscanf(encoded().buffer(), format, &value, &trailing) == 1;
}

bool CharString::toNumeric(unsigned int& value) const {
    return scanWhole("%u%c", value);
}
bool CharString::toNumeric(int& value) const {
    return scanWhole("%d%c", value);
}
bool CharString::toNumeric(long long& value) const {
    return scanWhole("%lld%c", value);
}
bool CharString::toNumeric(unsigned long long& value) const {
    return scanWhole("%llu%c", value);
}

CharString CharString::toHex() const {
    long value = 0;
    if (!scanWhole("%ld%c", value))
        return *this;
    char text[16];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned int>(value));
    return CharString().loadFrom(text, EncodedString::UTF8);
}

template <typename Predicate>
bool CharString::allUnits(Predicate isAccepted) const {
    if (length() == 0)
        return false;
    for (unsigned int i = length(); i > 0; --i)
        if (!isAccepted(buffer()[i - 1]))
            return false;
    return true;
}

bool CharString::isDigits() const {
    return allUnits(isAsciiDigit);
}

bool CharString::isBinaryDigits() const {
    return allUnits([](wchar_t c) { return c == L'0' || c == L'1'; });
}

bool CharString::isHexDigits() const {
    return allUnits([](wchar_t c) {
        return isAsciiDigit(c) || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
    });
}

CharString& CharString::change(const CharString& from, const CharString& to, unsigned int start) {
    StringBuffer::change(from, to, start);
    return *this;
}

CharString CharString::firstToken(const wchar_t* delimiters) {
    const wchar_t* units = buffer();
    const unsigned int size = length();
    const DelimiterSet<wchar_t> set(delimiters);
    const unsigned int start = set.skipMembers(units, 0, size);
    const unsigned int end = set.findMember(units, start, size);
    CharString token(units + start, end - start);
    remove(1, end); // keeps the delimiter that ended the token, if any
    return token;
}

CharString CharString::firstQuotedToken(const wchar_t* delimiters) {
    const wchar_t* units = buffer();
    const unsigned int size = length();
    const DelimiterSet<wchar_t> set(delimiters);
    unsigned int i = set.skipMembers(units, 0, size);
    CharString token;
    std::unique_ptr<wchar_t[]> copied(new wchar_t[size - i + 1]);
    unsigned int count = 0;
    bool insideQuotes = false;
    for (; i < size; ++i) {
        const wchar_t c = units[i];
        if (!insideQuotes && set.contains(c))
            break;
        if (c == L'\\' && i + 1 < size && (units[i + 1] == L'"' || units[i + 1] == L'\\')) {
            copied[count++] = units[++i];
            continue;
        }
        if (c == L'"')
            insideQuotes = !insideQuotes;
        copied[count++] = c;
    }
    token.assignUnits(copied.get(), count);
    remove(1, i); // keeps the delimiter that ended the token, if any
    return token;
}

CharString& CharString::stripLeading(wchar_t c) {
    const unsigned int size = length();
    unsigned int leading = 0;
    while (leading < size && buffer()[leading] == c)
        ++leading;
    if (leading == 0)
        return *this;
    std::wmemmove(buffer(), buffer() + leading, size - leading);
    shortenInPlace(size - leading);
    return *this;
}

CharString& CharString::stripTrailing(wchar_t c) {
    unsigned int kept = length();
    while (kept > 0 && buffer()[kept - 1] == c)
        --kept;
    shortenInPlace(kept);
    return *this;
}

CharString& CharString::upper() {
    for (unsigned int i = 0; i < length(); ++i)
        buffer()[i] = toUpperAscii(buffer()[i]);
    return *this;
}

CharString& CharString::lower() {
    for (unsigned int i = 0; i < length(); ++i)
        buffer()[i] = toLowerAscii(buffer()[i]);
    return *this;
}

CharString CharString::quoted() const {
    const unsigned int size = length();
    const unsigned int escapes =
        occurrencesOf(CharString(L"\""), 1) + occurrencesOf(CharString(L"\\"), 1);
    CharString result;
    result.makeBuffer(size + escapes + 2);
    wchar_t* out = result.buffer();
    *out++ = L'"';
    for (unsigned int i = 0; i < size; ++i) {
        const wchar_t c = buffer()[i];
        if (c == L'"' || c == L'\\')
            *out++ = L'\\';
        *out++ = c;
    }
    *out = L'"';
    return result;
}

CharString CharString::quoteIfNeeded(const wchar_t* specials) const {
    const DelimiterSet<wchar_t> set(specials);
    return set.findMember(buffer(), 0, length()) < length() ? quoted() : *this;
}

CharString CharString::quoteIfNeeded() const {
    return quoteIfNeeded(quotingTriggers);
}

unsigned int CharString::matchLength(const CharString& other, int exact) const {
    const unsigned int common = length() < other.length() ? length() : other.length();
    unsigned int i = 0;
    for (; i < common; ++i) {
        const wchar_t mine = buffer()[i];
        const wchar_t theirs = other.buffer()[i];
        if (mine == theirs)
            continue;
        if (exact != 0 || static_cast<unsigned int>(mine) > 127 ||
            static_cast<unsigned int>(theirs) > 127)
            break;
        if (toLowerAscii(mine) != toLowerAscii(theirs))
            break;
    }
    return i;
}

CharString& CharString::operator=(const CharString& other) {
    StringBuffer::operator=(other);
    return *this;
}

CharString& CharString::operator=(const wchar_t* text) {
    // `text` may point into this string's own block: copy before letting it go.
    const CharString copy(text);
    return *this = copy;
}

CharString& CharString::operator+=(const CharString& other) {
    StringBuffer::operator+=(other);
    return *this;
}

CharString CharString::operator+(const CharString& other) const {
    CharString sum(*this);
    sum += other;
    return sum;
}
