//===- tests/utilities/strings/CharStringTest.cpp -------------------------===//
#include "utilities/strings/CharString.h"

#include "utilities/strings/StringPoolManager.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

using qimtest::text;

std::string bytes(const EncodedString& value) {
    return std::string(value.buffer(), value.length());
}

CharString fromUtf8(const char* utf8) {
    return CharString().loadFrom(utf8, EncodedString::UTF8);
}

TEST(CharStringTest, ConstructorsCopyCountOrFill) {
    EXPECT_EQ(CharString(static_cast<const wchar_t*>(nullptr)).length(), 0u);
    EXPECT_EQ(text(CharString(L"abc")), L"abc");
    const wchar_t withZero[] = {L'a', 0, L'b'};
    EXPECT_EQ(CharString(withZero, 3).length(), 3u);
    EXPECT_EQ(text(CharString(L'x', 3)), L"xxx");
    EXPECT_EQ(CharString(L'x', 0).length(), 0u);
    EXPECT_EQ(CharString(L'x', -4).length(), 0u);
    const CharString source(L"abcdef");
    EXPECT_EQ(text(CharString(source, 4)), L"def");
    EXPECT_EQ(text(CharString(source, 5, 4, L'.')), L"ef..");
    CharString assigned(L"old");
    assigned = static_cast<const wchar_t*>(nullptr);
    EXPECT_EQ(assigned.length(), 0u);
    assigned = L"new";
    assigned = assigned.buffer() + 1; // a pointer into its own text
    EXPECT_EQ(text(assigned), L"ew");
}

TEST(CharStringTest, LoadFromDecodesUtf8WithADotPerBadByte) {
    const wchar_t expected[] = {L'a', 0xE9, 0x20AC, 0x1F600, 0};
    EXPECT_EQ(text(fromUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")), expected);
    EXPECT_EQ(text(fromUtf8("A\xC3"
                            "B")),
              L"A.B");
    EXPECT_EQ(text(fromUtf8("\xFF\xFE")), L"..");
    EXPECT_EQ(fromUtf8(nullptr).length(), 0u);
    EXPECT_EQ(fromUtf8("").length(), 0u);
    // Native and Detect go through EncodedString: with the ASCII locale 0xE9 is '?'.
    EXPECT_EQ(text(CharString().loadFrom("\xE9", EncodedString::Native)), L"?");
    EXPECT_EQ(text(CharString().loadFrom("\xE9", EncodedString::Detect)), L"?");
    EXPECT_EQ(text(CharString().loadFrom("\xC3\xA9", EncodedString::Detect)), L"\xE9");
}

TEST(CharStringTest, EncodedStopsAtTheFirstZeroAndSkipsUnencodableUnits) {
    const wchar_t wide[] = {L'a', 0xE9, 0, L'b'};
    EXPECT_EQ(bytes(CharString(wide, 4).encoded()), "a\xC3\xA9");
    const wchar_t extreme[] = {0x7FFFFFFF, static_cast<wchar_t>(0x80000000u), L'z'};
    EXPECT_EQ(bytes(CharString(extreme, 3).encoded()), "\xFD\xBF\xBF\xBF\xBF\xBFz");
    EXPECT_EQ(CharString().encoded().length(), 0u);
}

TEST(CharStringTest, LongTextRoundTripsThroughUtf8) {
    std::wstring longText;
    for (int i = 0; i < 30000; ++i)
        longText.push_back(static_cast<wchar_t>(i % 3 == 0 ? 0x4E2D : L'a' + i % 26));
    const CharString original(longText.c_str());
    const EncodedString utf8 = original.encoded();
    EXPECT_EQ(utf8.length(), 10000u * 3 + 20000u);
    EXPECT_EQ(text(fromUtf8(utf8.buffer())), longText);
}

TEST(CharStringTest, GetEnvVarReadsTheVariableOrGivesEmpty) {
    ASSERT_EQ(setenv("QIM_TEST_CHARSTRING", "value 1", 1), 0);
    CharString value(L"stale");
    EXPECT_EQ(text(value.getEnvVar("QIM_TEST_CHARSTRING")), L"value 1");
    EXPECT_EQ(text(CharString().getEnvVar(L"QIM_TEST_CHARSTRING")), L"value 1");
    EXPECT_EQ(text(CharString().getEnvVar(CharString(L"QIM_TEST_CHARSTRING"))), L"value 1");
    unsetenv("QIM_TEST_CHARSTRING");
    EXPECT_EQ(value.getEnvVar("QIM_TEST_CHARSTRING").length(), 0u);
}

TEST(CharStringTest, NumbersReadOnlyWhenNothingFollows) {
    unsigned int u = 0;
    EXPECT_TRUE(CharString(L"42").toNumeric(u));
    EXPECT_EQ(u, 42u);
    EXPECT_FALSE(CharString(L"42x").toNumeric(u));
    EXPECT_FALSE(CharString(L"").toNumeric(u));
    EXPECT_FALSE(CharString(L"x").toNumeric(u));
    int i = 0;
    EXPECT_TRUE(CharString(L"-17").toNumeric(i));
    EXPECT_EQ(i, -17);
    EXPECT_FALSE(CharString(L"5 ").toNumeric(i));
    long long ll = 0;
    EXPECT_TRUE(CharString(L"-9000000000").toNumeric(ll));
    EXPECT_EQ(ll, -9000000000LL);
    unsigned long long ull = 0;
    EXPECT_TRUE(CharString(L"18446744073709551615").toNumeric(ull));
    EXPECT_EQ(ull, 18446744073709551615ULL);
}

TEST(CharStringTest, NumbersPrintInDecimal) {
    EXPECT_EQ(text(CharString(L"x").makeFromNumeric(18446744073709551615ULL)),
              L"18446744073709551615");
    EXPECT_EQ(text(CharString().makeFromNumeric(-9223372036854775807LL - 1)),
              L"-9223372036854775808");
    EXPECT_EQ(text(CharString().makeFromNumeric(0LL)), L"0");
}

TEST(CharStringTest, ToHexPrintsADecimalNumberInHexOrCopiesTheText) {
    struct Case {
        const wchar_t* input;
        const wchar_t* expected;
    };
    const Case cases[] = {{L"255", L"FF"},    {L"0", L"0"},         {L"-1", L"FFFFFFFF"},
                          {L"4096", L"1000"}, {L"12ab", L"12ab"},   {L"", L""},
                          {L"ff", L"ff"},     {L"4294967296", L"0"}};
    for (const Case& c : cases)
        EXPECT_EQ(text(CharString(c.input).toHex()), c.expected) << c.input;
}

TEST(CharStringTest, DigitTestsRejectTheEmptyString) {
    EXPECT_FALSE(CharString(L"").isDigits());
    EXPECT_TRUE(CharString(L"0123").isDigits());
    EXPECT_FALSE(CharString(L"01a3").isDigits());
    EXPECT_FALSE(CharString(L"").isBinaryDigits());
    EXPECT_TRUE(CharString(L"0110").isBinaryDigits());
    EXPECT_FALSE(CharString(L"0120").isBinaryDigits());
    EXPECT_FALSE(CharString(L"").isHexDigits());
    EXPECT_TRUE(CharString(L"09afAF").isHexDigits());
    EXPECT_FALSE(CharString(L"0g").isHexDigits());
    const wchar_t fullWidthOne[] = {0xFF11, 0};
    EXPECT_FALSE(CharString(fullWidthOne).isDigits());
}

TEST(CharStringTest, FirstTokenLeavesTheEndingDelimiter) {
    CharString line(L"  ab cd");
    EXPECT_EQ(text(line.firstToken(L" ")), L"ab");
    EXPECT_EQ(text(line), L" cd");
    EXPECT_EQ(text(line.firstToken(L" ")), L"cd");
    EXPECT_EQ(line.length(), 0u);
    CharString blanks(L"   ");
    EXPECT_EQ(blanks.firstToken(L" ").length(), 0u);
    EXPECT_EQ(blanks.length(), 0u);
    CharString mixed(L";a,b");
    EXPECT_EQ(text(mixed.firstToken(L",;")), L"a");
    EXPECT_EQ(text(mixed), L",b");
}

TEST(CharStringTest, FirstQuotedTokenGroupsQuotesAndHonoursEscapes) {
    struct Case {
        const wchar_t* input;
        const wchar_t* token;
        const wchar_t* rest;
    };
    const Case cases[] = {
        {L"\"a b\" c", L"\"a b\"", L" c"},
        {L"a\\\"b", L"a\"b", L""},
        {L"a\\\\ b", L"a\\", L" b"},
        {L"a\\x b", L"a\\x", L" b"},
        {L"  x", L"x", L""},
        {L"   ", L"", L""},
        {L"\"open quote", L"\"open quote", L""},
        {L"ends\\", L"ends\\", L""},
    };
    for (const Case& c : cases) {
        CharString line(c.input);
        EXPECT_EQ(text(line.firstQuotedToken(L" ")), c.token) << c.input;
        EXPECT_EQ(text(line), c.rest) << c.input;
    }
}

TEST(CharStringTest, StripsShortenInPlaceAndEmptyStringsHoldNoBlock) {
    CharString padded(L"ab  ");
    wchar_t* block = padded.buffer();
    padded.stripTrailing(L' ');
    EXPECT_EQ(text(padded), L"ab");
    EXPECT_EQ(padded.buffer(), block);
    EXPECT_EQ(padded.buffer()[2], 0);
    CharString leading(L"xxab");
    leading.stripLeading(L'x');
    EXPECT_EQ(text(leading), L"ab");
    EXPECT_EQ(leading.buffer()[2], 0);
    CharString blanks(L"  ");
    blanks.stripTrailing(L' ');
    EXPECT_EQ(blanks.length(), 0u);
    EXPECT_EQ(blanks.buffer(), CharString::nullString());
    CharString all(L"xx");
    all.stripLeading(L'x');
    EXPECT_EQ(all.buffer(), CharString::nullString());
}

TEST(CharStringTest, StrippedBlockReturnsUnderTheSmallerClass) {
    StringPoolManager& pools = StringPoolManager::instance();
    CharString padded(L"abc          "); // 13 units + terminator: 56 bytes, 64-byte class
    const unsigned int free16 = pools.freeBlockCount(16);
    const unsigned int free64 = pools.freeBlockCount(64);
    wchar_t* block = padded.buffer();
    padded.stripTrailing(L' '); // 3 units + terminator: 16 bytes
    { CharString owner(std::move(padded)); }
    EXPECT_EQ(pools.freeBlockCount(16), free16 + 1);
    EXPECT_EQ(pools.freeBlockCount(64), free64);
    void* reused = pools.getBuffer(16);
    EXPECT_EQ(reused, block);
    pools.freeBuffer(reused, 16);
}

TEST(CharStringTest, CaseMappingTouchesOnlyAsciiLetters) {
    const wchar_t mixed[] = {L'a', L'Z', 0xE9, 0xC9, L'@', L'[', 0};
    const wchar_t upper[] = {L'A', L'Z', 0xE9, 0xC9, L'@', L'[', 0};
    const wchar_t lower[] = {L'a', L'z', 0xE9, 0xC9, L'@', L'[', 0};
    EXPECT_EQ(text(CharString(mixed).upper()), upper);
    EXPECT_EQ(text(CharString(mixed).lower()), lower);
}

TEST(CharStringTest, QuotingEscapesQuotesAndBackslashes) {
    EXPECT_EQ(text(CharString(L"a b").quoted()), L"\"a b\"");
    EXPECT_EQ(text(CharString(L"say \"hi\"\\").quoted()), L"\"say \\\"hi\\\"\\\\\"");
    EXPECT_EQ(text(CharString(L"").quoted()), L"\"\"");
    EXPECT_EQ(text(CharString(L"a b").quoteIfNeeded()), L"\"a b\"");
    EXPECT_EQ(text(CharString(L"ab").quoteIfNeeded()), L"ab");
    for (const wchar_t* special : {L"a|b", L"a*", L"?", L"<", L">", L"'", L"\\", L"\""})
        EXPECT_EQ(CharString(special).quoteIfNeeded().buffer()[0], L'"') << special;
    EXPECT_EQ(text(CharString(L"a-b").quoteIfNeeded(L"-")), L"\"a-b\"");
    EXPECT_EQ(text(CharString(L"a b").quoteIfNeeded(L"-")), L"a b");
}

TEST(CharStringTest, MatchLengthFoldsAsciiCaseUnlessExact) {
    EXPECT_EQ(CharString(L"HELP").matchLength(CharString(L"help"), 0), 4u);
    EXPECT_EQ(CharString(L"HELP").matchLength(CharString(L"help"), 1), 0u);
    EXPECT_EQ(CharString(L"-KEY").matchLength(CharString(L"-key=5"), 0), 4u);
    EXPECT_EQ(CharString(L"abc").matchLength(CharString(L"abd"), 0), 2u);
    EXPECT_EQ(CharString(L"").matchLength(CharString(L"abc"), 0), 0u);
    const wchar_t eAcute[] = {0xE9, 0};
    const wchar_t capitalEAcute[] = {0xC9, 0};
    EXPECT_EQ(CharString(eAcute).matchLength(CharString(capitalEAcute), 0), 0u);
    EXPECT_EQ(CharString(L"[").matchLength(CharString(L"{"), 0), 0u);
}

TEST(CharStringTest, ChangeAndConcatenation) {
    CharString value(L"a-b-c");
    EXPECT_EQ(text(value.change(CharString(L"-"), CharString(L"+="), 3)), L"a-b+=c");
    EXPECT_EQ(text(CharString(L"ab") + CharString(L"cd")), L"abcd");
    CharString grown(L"x");
    grown += grown;
    EXPECT_EQ(text(grown), L"xx");
    EXPECT_NE(CharString(L"ab") != CharString(L"ac"), 0);
    EXPECT_NE(CharString(L"ab") != CharString(L"abc"), 0);
    EXPECT_EQ(CharString(L"ab") == CharString(L"ab"), 1);
}

} // namespace
