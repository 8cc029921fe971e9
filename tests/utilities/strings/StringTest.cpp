//===- tests/utilities/strings/StringTest.cpp - Strings and code pages ----===//
//
// The position arithmetic of the counted strings, run on the three string classes (the
// wide one scales every copy and pool request by four, where off-by-a-factor faults hide);
// what each class adds; and the conversions to and from the native code page, the last of
// them once per code page that QIM_DBG_CODEPAGE names.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/CharString.h"
#include "utilities/strings/StringPoolManager.h"
#include "utilities/strings/UTF8Converter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <type_traits>

namespace {

template <typename S>
using Element = std::remove_pointer_t<decltype(S().buffer())>;

/// The string of the bytes of `text`, one element each, with '~' for a zero element.
template <typename S>
S make(const std::string& text) {
    std::basic_string<Element<S>> elements;
    for (const unsigned char c : text)
        elements += c == '~' ? 0 : Element<S>(c);
    const auto count = static_cast<unsigned int>(elements.size());
    if constexpr (std::is_same_v<S, EncodedString>)
        return EncodedString(StringBuffer<char>(elements.data(), count), EncodedString::UTF8);
    else
        return S(elements.data(), count);
}

/// The elements as bytes ('~' for zero), once the terminator and the empty-string invariant
/// are checked.
template <typename S>
std::string text(const S& s) {
    EXPECT_EQ(s.buffer()[s.length()], 0) << "terminator";
    EXPECT_EQ(s.length() == 0, s.buffer() == S::nullString()) << "empty is the null string";
    std::string result;
    for (unsigned int i = 1; i <= s.length(); ++i)
        result += s[i] == 0 ? '~' : static_cast<char>(s[i]);
    return result;
}

template <typename S>
class StringTest : public testing::Test {};
using StringClasses = testing::Types<EncodedString, ByteString, CharString>;
TYPED_TEST_SUITE(StringTest, StringClasses);

// Find and Skip: indexOf and indexOfNot an element, Last and LastSkip: lastIndexOf and
// lastIndexOfNot, Search: indexOf a text, Count: occurrencesOf, each giving the position or
// count; Order: ==, != (as 0 or 1), < and >; Tail and Pad: the constructors that take part of
// a string; Cut: remove; Swap: change "*" to the other text; Fill: rightJustify; Add: +=;
// Set: =. The edits give the text they leave.
// clang-format off
enum Op { Find, Skip, Last, LastSkip, Search, Count, Order, Tail, Pad, Cut, Swap, Fill, Add, Set };
struct Row {
    Op op;
    const char* text;
    unsigned int n;       ///< the start, the position or the width
    const char* with;     ///< the element, the pad or the other text; "=" is the string itself
    const char* expected;
    unsigned int count = 0;
};
// Start 0 means 1; past the end only the empty text is found, just past it. Only the common
// prefix orders, elements as unsigned values. A count reaching past the end removes to it.
const Row rows[] = {
    {Find, "abab", 0, "b", "2"}, {Find, "ab", 1, "~", "0"}, {Find, "a~b", 1, "b", "3"},
    {Skip, "aaba", 1, "a", "3"}, {Skip, "aaba", 4, "a", "0"}, {Last, "abab", ~0u, "a", "3"},
    {Last, "abab", 0, "a", "0"}, {Last, "/x", 2, "/", "1"}, {LastSkip, "abcc", 4, "c", "2"},
    {LastSkip, "cc", 2, "c", "0"}, {LastSkip, "ab", 9, "c", "2"}, {Search, "abab", 0, "ba", "2"},
    {Search, "abab", 2, "ab", "3"}, {Search, "abab", 4, "ab", "0"}, {Search, "ab", 1, "abc", "0"},
    {Search, "ab", 0, "", "1"}, {Search, "ab", 3, "", "3"}, {Search, "ab", 4, "", "0"},
    {Count, "aaaa", 0, "aa", "2"}, {Count, "aaaa", 2, "aa", "1"}, {Count, "aaaa", 4, "a", "1"},
    {Count, "aaaa", 5, "a", "0"}, {Count, "aa", 1, "aaa", "0"}, {Count, "aa", 1, "", "0"},
    {Order, "ab", 0, "abc", "0100"}, {Order, "ab", 0, "ab", "1000"},
    {Order, "abd", 0, "abc", "0101"}, {Order, "\xE9", 0, "A", "0101"}, {Set, "ab", 0, "", ""},
    {Tail, "abcd", 3, "", "cd"}, {Pad, "abc", 2, "*", "bc**", 4}, {Pad, "abc", 4, "*", "**", 2},
    {Pad, "abc", 1, "*", "", 0}, {Cut, "abcd", 2, "", "ad", 2}, {Cut, "abcd", 2, "", "a", 3},
    {Cut, "abcd", 0, "", "abcd", 1}, {Cut, "abcd", 5, "", "abcd", 1},
    {Cut, "abcd", 4, "", "abc", 1}, {Cut, "abcd", 1, "", "", 4}, {Swap, "a*c*", 1, "XY", "aXYc*"},
    {Swap, "a*c*", 4, "XY", "a*cXY"}, {Swap, "a*c*", 5, "XY", "a*c*"}, {Swap, "a*c*", 0, "", "ac*"},
    {Swap, "abcd", 1, "XY", "abcd"}, {Swap, "a*", 1, "=", "aa*"}, {Swap, "*", 1, "=", "*"},
    {Fill, "42", 2, "*", "42"}, {Fill, "42", 4, "*", "**42"}, {Fill, "", 2, "*", "**"},
    {Add, "ab", 0, "*", "ab*"}, {Add, "ab", 0, "=", "abab"}, {Set, "ab", 0, "*", "*"},
};
// clang-format on

template <typename S>
std::string applied(const Row& r) {
    S s = make<S>(r.text);
    S other = make<S>(r.with), star = make<S>("*");
    S& with = std::string(r.with) == "=" ? s : other;
    const Element<S> c = with[1];
    const std::function<std::string()> ops[] = {
        [&] { return std::to_string(s.indexOf(c, r.n)); },
        [&] { return std::to_string(s.indexOfNot(c, r.n)); },
        [&] { return std::to_string(s.lastIndexOf(c, r.n)); },
        [&] { return std::to_string(s.lastIndexOfNot(c, r.n)); },
        [&] { return std::to_string(s.indexOf(with, r.n)); },
        [&] { return std::to_string(s.occurrencesOf(with, r.n)); },
        [&] {
            return std::to_string(s == with) + std::to_string((s != with) != 0) +
                   std::to_string(s < with) + std::to_string(s > with);
        },
        [&] { return text(StringBuffer<Element<S>>(s, r.n)); },
        [&] { return text(StringBuffer<Element<S>>(s, r.n, r.count, c)); },
        [&] { return s.remove(r.n, r.count), text(s); },
        [&] { return s.change(star, with, r.n), text(s); },
        [&] { return s.rightJustify(r.n, c), text(s); },
        [&] { return s += with, text(s); },
        [&] { return s = with, text(s); }};
    return ops[r.op]();
}

TYPED_TEST(StringTest, PositionsCountFromOne) {
    for (const Row& r : rows)
        EXPECT_EQ(applied<TypeParam>(r), r.expected) << r.op << r.text << r.n << r.with << r.count;
}

TYPED_TEST(StringTest, HashAndBlockOfTheElementsAndTheTerminator) {
    // Bytes hash as big-endian words with a short tail high, wide elements as their sum.
    const bool wide = sizeof(Element<TypeParam>) == 4;
    EXPECT_EQ(make<TypeParam>("\x01\x02\x03\x04\x85").hashValue(), wide ? 0x8Fu : 0x86020304u);
    // Lengths 4 and 5 take blocks of one class for each element width.
    StringPoolManager& pools = StringPoolManager::instance();
    const unsigned int bytes = 5 * sizeof(Element<TypeParam>);
    void* spare = pools.getBuffer(bytes);
    pools.freeBuffer(spare, bytes); // now first in its class
    const unsigned int before = pools.freeBlockCount(bytes);
    TypeParam s;
    s.makeBuffer(4);
    s.makeBuffer(5); // gives the block back first, so it takes it again
    {
        StringBuffer<Element<TypeParam>> taken(s);
        EXPECT_EQ(static_cast<void*>(taken.buffer()), spare);
    }
    EXPECT_EQ(pools.freeBlockCount(bytes), before) << "given back";
}

TEST(StringClassesTest, WhatCharAndEncodedStringsAdd) {
    EXPECT_EQ(text(CharString(L"xxabxx").stripLeading(L'x').stripTrailing(L'x')) +
                  text(CharString(L"xx").stripLeading(L'x')),
              "ab");
    EXPECT_EQ(text(CharString(L"x").stripTrailing(L'x')), "");
    // Only ASCII letters fold, not their neighbours nor accented letters.
    EXPECT_EQ(text(CharString(L"`az{@AZ[\xE9").upper()), "`AZ{@AZ[\xE9");
    EXPECT_EQ(text(CharString(L"`az{@AZ[\xC9").lower()), "`az{@az[\xC9");
    // How far two texts agree: ASCII letters fold unless exact, other units never do.
    const struct {
        const wchar_t *a, *b;
        int exact;
    } matches[] = {{L"PATH", L"path", 0},
                   {L"PATH", L"path", 1},
                   {L"Pa\xE9x", L"pA\xC9x", 0},
                   {L"a[", L"A{", 0},
                   {L"ab", L"abc", 1}};
    std::string matched;
    for (const auto& m : matches)
        matched += std::to_string(CharString(m.a).matchLength(CharString(m.b), m.exact));
    EXPECT_EQ(matched, "40212");
    EXPECT_TRUE(CharString(L"09").isDigits() && CharString(L"10").isBinaryDigits() &&
                CharString(L"09afAF").isHexDigits() && !CharString(L"").isDigits() &&
                !CharString(L":").isDigits() && !CharString(L"2").isBinaryDigits() &&
                !CharString(L"G").isHexDigits());
    // Bad UTF-8 arrives as '.', native text (the locale's ASCII here) as '?'; units without
    // a UTF-8 form are skipped, and the text ends at its first zero.
    EXPECT_EQ(text(CharString(L"x").loadFrom("a\xC3\xA9\xFF", EncodedString::UTF8)), "a\xE9.");
    EXPECT_EQ(text(CharString().loadFrom("\xC3\xA9", EncodedString::Native)), "??");
    const wchar_t wide[] = {L'y', static_cast<wchar_t>(0x80000000u), L'z', 0, L'y'};
    EXPECT_EQ(text(CharString(wide, 5).encoded() + CharString(L'x', 2) + CharString(L'y', -1)),
              "yzxx");
    // A ByteString's strips read bytes unsigned; the delimiters after a token go with it, and a
    // zero byte is not one. Bytes counted for a null part and the parts after it are zero.
    ByteString line = make<ByteString>("\xFF;,a~\xE9;;,b\xFF");
    EXPECT_EQ(text(line.stripTrailing(0xFF).stripLeading(0xFF).firstToken(",;")), "a~\xE9");
    EXPECT_EQ(text(line + ByteString("c", 1, nullptr, 2, "d", 1)), "bc~~~");
    EXPECT_EQ(text(line.stripLeading('b')), "");
    // before, after, firstField, and what firstField leaves.
    const char* const splits[][2] = {
        {"a:b:c", "a|b:c|a|b:c"}, {"abc", "abc||abc|"}, {":x", "|x||x"}, {"x:", "x||x|"}};
    for (const auto& s : splits) {
        EncodedString rest = make<EncodedString>(s[0]);
        const std::string parts = text(rest.before(':')) + "|" + text(rest.after(':')) + "|";
        const std::string field = text(rest.firstField(':'));
        EXPECT_EQ(parts + field + "|" + text(rest), s[1]);
    }
    std::string stripped;
    for (const char* hex : {"0x1F", "0XaB", "0x1G", "0x", "1x1F", "0y12"})
        stripped += text(make<EncodedString>(hex).stripHexPrefix()) + ",";
    EXPECT_EQ(stripped, "1F,aB,0x1G,0x,1x1F,0y12,");
    // Each form of compareStrings, folding and exact (null is the empty text): only ASCII
    // letters fold.
    // clang-format off
    const char* const pairs[][2] = {{"Path", "PATH"}, {"Pa", "PAT"}, {"PATHS", "PATH"},
                                    {"[@", "{`"}, {"\xC3\xA9", "\xC3\x89"}, {"a", "a~"}, {"", ""}};
    // clang-format on
    std::string compared(1, '0' + compareStrings(nullptr, EncodedString(), 0));
    for (const auto& p : pairs) {
        const EncodedString a = make<EncodedString>(p[0]), b = make<EncodedString>(p[1]);
        for (int exact : {0, 1})
            compared += std::string(1, '0' + compareStrings(a.buffer(), b, exact)) +
                        char('0' + compareStrings(a, b, exact));
    }
    EXPECT_EQ(compared, "11100000000000000000000001111");
    EXPECT_TRUE(make<EncodedString>("x\x80").containsNonAscii() &&
                !make<EncodedString>("\x7F").containsNonAscii());
    // Native text is converted even when it looks like UTF-8; the locale's is ASCII here.
    EXPECT_EQ(text(EncodedString("\xC3\xA9", EncodedString::Native) +
                   EncodedString("\xC3\xA9\xE9", EncodedString::Detect) +
                   fromCodeset("\xA4", "ISO-8859-15") + fromCodeset("\xFF", "UTF-8") +
                   fromCodeset("\xE9", "none")),
              "?????\xE2\x82\xAC\xFF?");
}

std::string convert(bool toNative, const std::string& in,
                    const UTF8Converter& converter = UTF8Converter::instance()) {
    const auto length = static_cast<unsigned int>(in.size());
    return text(toNative ? converter.toNative(in.data(), length)
                         : converter.fromNative(in.data(), length));
}

// For each value of QIM_DBG_CODEPAGE ("" for none), text in UTF-8 and in the native code page,
// converted one way or both. The locale's code set is ASCII, where iconv rejects each byte;
// an unknown name falls back to it (not to no descriptors: "?x"). The native form of a
// stateful code page is the longer one, which the output grows to fit, and ends with the
// bytes that return it to the initial state.
// clang-format off
const char* const conversions[][4] = {
    {"", "\xC3\xA9x", "??x", "->"}, {"NO-SUCH-CODEPAGE-42", "\xC3\xA9x", "??x", "->"},
    {"ISO-8859-1", "\xC3\xA9", "\xE9", "<->"}, {"ISO-8859-1", "\xE2\x82\xAC", "???", "->"},
    {"UTF-7", "\xC3\xA9", "+AOk-", "<->"},
    {"ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\x1B$BF|K\\8l\x1B(B", "<->"},
};
// clang-format on

TEST(UTF8ConverterCodepageTest, ProcessConverterUsesTheNamedCodePageOthersFallBack) {
    const char* named = std::getenv("QIM_DBG_CODEPAGE");
    int rows = 0;
    for (const auto& c : conversions) {
        if (c[0] != std::string(named == nullptr ? "" : named))
            continue;
        ++rows;
        EXPECT_EQ(convert(true, c[1]), c[2]);
        EXPECT_TRUE(c[3] == std::string("->") || convert(false, c[2]) == c[1]) << c[2];
    }
    EXPECT_GT(rows, 0) << "no conversions for this code page";
    // Without descriptors: one '?' per UTF-8 lead byte, or per native byte beyond ASCII
    // (read unsigned), up to the first zero byte.
    const UTF8Converter none("no-such-codeset");
    EXPECT_EQ(convert(true, std::string("\xC3\xA9x\xF0\x9F\x98\x80\x80\0z", 11), none), "?x?");
    EXPECT_EQ(convert(false, std::string("\x80x\xFF\0y", 5), none), "?x?");
}

} // namespace
