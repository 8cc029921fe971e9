//===- fuzz/CharStringFuzzer.cpp - Wide strings: tokens, quoting, numbers -*- C++ -*-===//
//
// Fuzz target char_string: the CharString tokenizers, quoting, number readers, strips,
// case mapping, digit tests and matchLength, each against a plain model over std::wstring.
//
// The input picks a delimiter set, a strip character and a comparison mode, then gives
// the text: ASCII bytes stand for themselves (digits, blanks, signs, quotes and
// backslashes turn up often), other bytes for one of a few code units that stress the
// conversions (non-ASCII letters and blanks, the largest code points, units without a
// UTF-8 form, a negative wchar_t).
//
// Properties:
//   - firstToken and firstQuotedToken return the token and leave the rest the algorithm
//     gives, call after call until the text is used up;
//   - quoted() escapes each quote and backslash, and firstQuotedToken of a quoted text
//     gives the text back between its quotes, leaving nothing;
//   - toNumeric and toHex read what strtoll/strtoull read from the text's UTF-8 form
//     wherever the number fits its type; makeFromNumeric is read back as its number.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"
#include "fuzz/ReferenceDecimal.h"

#include "utilities/strings/CharString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using qimfuzz::printable;
using qimfuzz::unitsOf;

/// The code units that bytes of 0x80 and above stand for.
const wchar_t specialUnits[16] = {0xA0,
                                  0xE9,
                                  0x2003,
                                  0xFF10,
                                  0x1F600,
                                  0x10FFFF,
                                  0x7FFFFFFF,
                                  0x3000,
                                  0xD800,
                                  L'\u00B2',
                                  static_cast<wchar_t>(0x80000000),
                                  static_cast<wchar_t>(0xFFFFFFFF),
                                  0x660,
                                  0x100,
                                  0x7FF,
                                  0x800};

/// Candidate delimiters; a set is one to three of them.
const wchar_t delimiterChoices[8] = {L' ', L',', L'=', L'/', L'\t', 0xA0, L'"', L'\\'};

CharString charString(const std::wstring& text) {
    return CharString(text.data(), static_cast<unsigned int>(text.size()));
}

bool isMember(wchar_t c, const std::wstring& set) {
    return set.find(c) != std::wstring::npos;
}

// --- Models ---------------------------------------------------------------------------

struct Split {
    std::wstring token;
    std::wstring rest;
};

Split modelFirstToken(const std::wstring& text, const std::wstring& delimiters) {
    std::size_t start = 0;
    while (start < text.size() && isMember(text[start], delimiters))
        ++start;
    std::size_t end = start;
    while (end < text.size() && !isMember(text[end], delimiters))
        ++end;
    return {text.substr(start, end - start), text.substr(end)};
}

Split modelFirstQuotedToken(const std::wstring& text, const std::wstring& delimiters) {
    std::size_t i = 0;
    while (i < text.size() && isMember(text[i], delimiters))
        ++i;
    Split split;
    bool insideQuotes = false;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!insideQuotes && isMember(c, delimiters))
            break;
        if (c == L'\\' && i + 1 < text.size() && (text[i + 1] == L'"' || text[i + 1] == L'\\')) {
            split.token += text[++i];
            continue;
        }
        if (c == L'"')
            insideQuotes = !insideQuotes;
        split.token += c;
    }
    split.rest = text.substr(i);
    return split;
}

std::wstring modelQuoted(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (const wchar_t c : text) {
        if (c == L'"' || c == L'\\')
            quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

/// The bytes of the text's UTF-8 form as far as a number reader can tell them apart:
/// ASCII as it is, any other character as a byte of 0x80 (never white space, a sign or a
/// digit), units without a UTF-8 form left out; up to the first zero unit.
std::string numberBytes(const std::wstring& text) {
    std::string bytes;
    for (const wchar_t unit : text) {
        const auto value = static_cast<std::uint32_t>(unit);
        if (value == 0)
            break;
        if (value >= 0x80000000)
            continue;
        bytes += value < 0x80 ? static_cast<char>(value) : '\x80';
    }
    return bytes;
}

// --- Checks ---------------------------------------------------------------------------

void checkTokens(const std::wstring& text, const std::wstring& delimiters) {
    CharString plain = charString(text);
    std::wstring plainModel = text;
    CharString quoted = charString(text);
    std::wstring quotedModel = text;
    for (unsigned int round = 0; round <= text.size(); ++round) {
        const Split expected = modelFirstToken(plainModel, delimiters);
        const CharString token = plain.firstToken(delimiters.c_str());
        QIM_FUZZ_CHECK(unitsOf(token) == expected.token && unitsOf(plain) == expected.rest,
                       "firstToken of \"%s\" gave \"%s\" leaving \"%s\"",
                       printable(plainModel).c_str(), printable(unitsOf(token)).c_str(),
                       printable(unitsOf(plain)).c_str());
        plainModel = expected.rest;

        const Split expectedQuoted = modelFirstQuotedToken(quotedModel, delimiters);
        const CharString quotedToken = quoted.firstQuotedToken(delimiters.c_str());
        QIM_FUZZ_CHECK(
            unitsOf(quotedToken) == expectedQuoted.token && unitsOf(quoted) == expectedQuoted.rest,
            "firstQuotedToken of \"%s\" gave \"%s\" leaving \"%s\"", printable(quotedModel).c_str(),
            printable(unitsOf(quotedToken)).c_str(), printable(unitsOf(quoted)).c_str());
        quotedModel = expectedQuoted.rest;
        if (plainModel.empty() && quotedModel.empty())
            return;
    }
    // Every call consumes at least a delimiter or a token character until nothing is left.
    QIM_FUZZ_CHECK(plainModel.empty() && quotedModel.empty(), "tokenizing \"%s\" did not end",
                   printable(text).c_str());
}

void checkQuoting(const std::wstring& text, const std::wstring& delimiters) {
    const CharString original = charString(text);
    const CharString quoted = original.quoted();
    QIM_FUZZ_CHECK(unitsOf(quoted) == modelQuoted(text), "quoted() of \"%s\" gave \"%s\"",
                   printable(text).c_str(), printable(unitsOf(quoted)).c_str());
    // The quotes group the delimiters, unless a quote or a backslash is a delimiter itself.
    if (!isMember(L'"', delimiters) && !isMember(L'\\', delimiters)) {
        CharString rest(quoted);
        const CharString token = rest.firstQuotedToken(delimiters.c_str());
        QIM_FUZZ_CHECK(unitsOf(token) == L"\"" + text + L"\"" && rest.length() == 0,
                       "the quoted \"%s\" came back as \"%s\" leaving \"%s\"",
                       printable(text).c_str(), printable(unitsOf(token)).c_str(),
                       printable(unitsOf(rest)).c_str());
    }
    const bool triggered = text.find_first_of(std::wstring(L" \"'\\*?<>|")) != std::wstring::npos;
    QIM_FUZZ_CHECK(unitsOf(original.quoteIfNeeded()) == (triggered ? modelQuoted(text) : text),
                   "quoteIfNeeded() of \"%s\"", printable(text).c_str());
}

template <typename Value>
void checkReader(const CharString& text, const qimfuzz::DecimalReading& expected,
                 const char* kind) {
    Value value{};
    const bool read = text.toNumeric(value);
    if (!expected.found || !expected.inRange) {
        // Not a number at all: false. A number too large for the type: the reader's choice.
        QIM_FUZZ_CHECK(expected.found || !read, "toNumeric(%s) of \"%s\" read a number", kind,
                       printable(unitsOf(text)).c_str());
        return;
    }
    QIM_FUZZ_CHECK(read == expected.whole, "toNumeric(%s) of \"%s\" gave %d", kind,
                   printable(unitsOf(text)).c_str(), read);
    QIM_FUZZ_CHECK(value == static_cast<Value>(expected.value),
                   "toNumeric(%s) of \"%s\" stored %lld, expected %lld", kind,
                   printable(unitsOf(text)).c_str(), static_cast<long long>(value), expected.value);
}

void checkNumbers(const std::wstring& text) {
    const CharString wide = charString(text);
    const std::string bytes = numberBytes(text);
    if (bytes.empty()) {
        unsigned int value = 0;
        QIM_FUZZ_CHECK(!wide.toNumeric(value), "toNumeric of empty text read a number");
        return;
    }
    const char* c = bytes.c_str();
    checkReader<int>(wide, qimfuzz::readSignedDecimal(c, INT_MIN, INT_MAX), "int");
    checkReader<long long>(wide, qimfuzz::readSignedDecimal(c, LLONG_MIN, LLONG_MAX), "long long");
    checkReader<unsigned int>(wide, qimfuzz::readUnsignedDecimal(c, UINT_MAX), "unsigned");
    checkReader<unsigned long long>(wide, qimfuzz::readUnsignedDecimal(c, ULLONG_MAX),
                                    "unsigned long long");

    // toHex: a whole signed decimal long printed as the hexadecimal of its low 32 bits.
    const qimfuzz::DecimalReading asLong = qimfuzz::readSignedDecimal(c, LONG_MIN, LONG_MAX);
    const std::wstring hex = unitsOf(wide.toHex());
    if (asLong.found && asLong.whole && asLong.inRange) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%X", static_cast<unsigned int>(asLong.value));
        QIM_FUZZ_CHECK(
            hex == std::wstring(expected, expected + std::char_traits<char>::length(expected)),
            "toHex of \"%s\" gave \"%s\", expected %s", printable(text).c_str(),
            printable(hex).c_str(), expected);
    } else if (!asLong.found || !asLong.whole) {
        QIM_FUZZ_CHECK(hex == text, "toHex of the non-number \"%s\" gave \"%s\"",
                       printable(text).c_str(), printable(hex).c_str());
    }
}

void checkNumericText(long long number) {
    CharString text;
    text.makeFromNumeric(number);
    long long signedBack = 0;
    QIM_FUZZ_CHECK(text.toNumeric(signedBack) && signedBack == number,
                   "makeFromNumeric(%lld) read back as %lld", number, signedBack);
    const auto unsignedNumber = static_cast<unsigned long long>(number);
    text.makeFromNumeric(unsignedNumber);
    unsigned long long unsignedBack = 0;
    QIM_FUZZ_CHECK(text.toNumeric(unsignedBack) && unsignedBack == unsignedNumber,
                   "makeFromNumeric(%llu) read back as %llu", unsignedNumber, unsignedBack);
}

void checkEdits(const std::wstring& text, wchar_t strip, const std::wstring& other, int exact) {
    CharString leading = charString(text);
    leading.stripLeading(strip);
    const std::size_t first = text.find_first_not_of(strip);
    QIM_FUZZ_CHECK(unitsOf(leading) == (first == std::wstring::npos ? L"" : text.substr(first)),
                   "stripLeading of \"%s\"", printable(text).c_str());
    CharString trailing = charString(text);
    trailing.stripTrailing(strip);
    const std::size_t last = text.find_last_not_of(strip);
    QIM_FUZZ_CHECK(unitsOf(trailing) ==
                       (last == std::wstring::npos ? L"" : text.substr(0, last + 1)),
                   "stripTrailing of \"%s\"", printable(text).c_str());

    std::wstring upper = text;
    std::wstring lower = text;
    for (wchar_t& c : upper)
        c = c >= L'a' && c <= L'z' ? c - 32 : c;
    for (wchar_t& c : lower)
        c = c >= L'A' && c <= L'Z' ? c + 32 : c;
    QIM_FUZZ_CHECK(unitsOf(charString(text).upper()) == upper, "upper() of \"%s\"",
                   printable(text).c_str());
    QIM_FUZZ_CHECK(unitsOf(charString(text).lower()) == lower, "lower() of \"%s\"",
                   printable(text).c_str());

    const auto all = [&text](auto accepted) {
        return !text.empty() && std::all_of(text.begin(), text.end(), accepted);
    };
    const CharString wide = charString(text);
    QIM_FUZZ_CHECK(wide.isDigits() == all([](wchar_t c) { return c >= L'0' && c <= L'9'; }),
                   "isDigits of \"%s\"", printable(text).c_str());
    QIM_FUZZ_CHECK(wide.isBinaryDigits() == all([](wchar_t c) { return c == L'0' || c == L'1'; }),
                   "isBinaryDigits of \"%s\"", printable(text).c_str());
    QIM_FUZZ_CHECK(wide.isHexDigits() == all([](wchar_t c) {
                       return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') ||
                              (c >= L'a' && c <= L'f');
                   }),
                   "isHexDigits of \"%s\"", printable(text).c_str());

    const unsigned int matched = wide.matchLength(charString(other), exact);
    QIM_FUZZ_CHECK(matched == qimfuzz::modelMatchLength(text, other, exact),
                   "matchLength of \"%s\" and \"%s\" (exact %d) is %u", printable(text).c_str(),
                   printable(other).c_str(), exact, matched);
}

std::wstring spell(const std::string& bytes) {
    std::wstring units;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        units += byte < 0x80 ? static_cast<wchar_t>(byte) : specialUnits[byte & 0x0F];
    }
    return units;
}

} // namespace

QIM_FUZZ_INITIALIZE_WITH_CODESET(nullptr)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::wstring delimiters;
    const unsigned int delimiterCount = input.ConsumeIntegralInRange(1, 3);
    for (unsigned int i = 0; i < delimiterCount; ++i)
        delimiters += delimiterChoices[input.ConsumeIntegralInRange(0, 7)];
    const int exact = input.ConsumeBool() ? 1 : 0;
    const auto number = input.ConsumeIntegral<long long>();
    const std::wstring other = spell(input.ConsumeRandomLengthString(16));
    const std::wstring text = spell(input.ConsumeRemainingBytesAsString());
    const wchar_t strip = text.empty() ? L' ' : text[0];

    checkTokens(text, delimiters);
    checkQuoting(text, delimiters);
    checkNumbers(text);
    checkNumericText(number);
    checkEdits(text, strip, other, exact);
    return 0;
}
