//===- tests/utilities/strings/EncodedStringTest.cpp ----------------------===//
//
// Runs with the locale's code set as the native one: no setlocale, so plain ASCII.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/EncodedString.h"

#include "utilities/strings/CharString.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::text;
using qimtest::utf8;

TEST(EncodedStringTest, NullAndEmptyInputsGiveTheEmptyString) {
    EXPECT_EQ(EncodedString(nullptr, EncodedString::UTF8).length(), 0u);
    EXPECT_EQ(EncodedString(nullptr, EncodedString::Native).length(), 0u);
    EXPECT_EQ(EncodedString("", EncodedString::Native).length(), 0u);
    EXPECT_EQ(EncodedString("", EncodedString::Detect).buffer(), EncodedString::nullString());
}

TEST(EncodedStringTest, Utf8AndUnknownEncodingsKeepTheBytes) {
    EXPECT_EQ(text(EncodedString("\xC3\xA9", EncodedString::UTF8)), "\xC3\xA9");
    EXPECT_EQ(text(EncodedString("\xE9", EncodedString::UTF8)), "\xE9") << "kept even if invalid";
    EXPECT_EQ(text(EncodedString("\xE9", static_cast<EncodedString::Encoding>(7))), "\xE9");
}

TEST(EncodedStringTest, DetectKeepsValidUtf8AndConvertsTheRest) {
    EXPECT_EQ(text(EncodedString("\xC3\xA9x", EncodedString::Detect)), "\xC3\xA9x");
    // Not UTF-8, so native; the ASCII code set cannot hold 0xE9.
    EXPECT_EQ(text(EncodedString("\xE9x", EncodedString::Detect)), "?x");
    EXPECT_EQ(text(EncodedString("\xE9x", EncodedString::Native)), "?x");
}

TEST(EncodedStringTest, CountedConstructorsKeepZeroBytes) {
    const std::string bytes("a\0b", 3);
    EXPECT_EQ(text(utf8(bytes)), bytes);
    const ByteString raw(reinterpret_cast<const unsigned char*>(bytes.data()), 3);
    EXPECT_EQ(text(EncodedString(raw, EncodedString::UTF8)), bytes);
}

TEST(EncodedStringTest, IsValidChecksOnlyLeadAndContinuationStructure) {
    struct Case {
        const char* bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"abc", true},
        {"\xC3\xA9", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xC0\x80", true},                 // overlong, but well formed
        {"\xED\xA0\x80", true},             // a surrogate, but well formed
        {"\xFD\xBF\xBF\xBF\xBF\xBF", true}, // six-byte form
        {"\xC3", false},
        {"\x80", false},
        {"\xFE", false},
        {"\xFF", false},
        {"\xE2\x82", false},
        {"a\xE2\x82", false},
        {"\xE2\x82\x41", false},
        {"\xF8\x88\x80\x80", false}, // a five-byte lead with three continuations
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8(c.bytes).isValid(), c.valid) << "bytes: " << c.bytes;
}

TEST(EncodedStringTest, ContainsNonAsciiLooksAtEveryByteAsUnsigned) {
    EXPECT_FALSE(utf8("").containsNonAscii());
    EXPECT_FALSE(utf8("plain\x7F").containsNonAscii());
    EXPECT_TRUE(utf8("x\x80").containsNonAscii());
    EXPECT_TRUE(utf8("\xFF").containsNonAscii());
}

TEST(EncodedStringTest, ConvertReturnsTheBytesOrTheNativeForm) {
    const EncodedString accented("a\xC3\xA9", EncodedString::UTF8);
    EXPECT_EQ(text(accented.convert(EncodedString::UTF8)), "a\xC3\xA9");
    EXPECT_EQ(text(accented.convert(EncodedString::Detect)), "a\xC3\xA9");
    EXPECT_EQ(text(accented.convert(EncodedString::Native)), text(accented.convertToNative()));
    EXPECT_EQ(text(accented.convertToNative()), "a??") << "one '?' per byte iconv skips";
}

TEST(EncodedStringTest, NumbersPrintAsPrintfDoes) {
    EXPECT_EQ(text(EncodedString::number(-5)), "-5");
    EXPECT_EQ(text(EncodedString::number(4294967295u)), "4294967295");
    EXPECT_EQ(text(EncodedString::number(-9223372036854775807LL - 1)), "-9223372036854775808");
    EXPECT_EQ(text(EncodedString::number(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(text(EncodedString::number(0.5)), "0.5");
    EXPECT_EQ(text(EncodedString::number(0.25f)), "0.25");
    EXPECT_EQ(text(EncodedString::number(1e20L)), "1e+20");
}

TEST(EncodedStringTest, BeforeAfterAndFirstFieldSplitAtTheFirstSeparator) {
    const EncodedString path = utf8("a:b:c");
    EXPECT_EQ(text(path.before(':')), "a");
    EXPECT_EQ(text(path.after(':')), "b:c");
    EXPECT_EQ(text(utf8("abc").before(':')), "abc");
    EXPECT_EQ(text(utf8("abc").after(':')), "");
    EXPECT_EQ(text(utf8(":x").before(':')), "");
    EXPECT_EQ(text(utf8("x:").after(':')), "");

    EncodedString fields = utf8("a:b:c");
    EXPECT_EQ(text(fields.firstField(':')), "a");
    EXPECT_EQ(text(fields), "b:c");
    EncodedString single = utf8("abc");
    EXPECT_EQ(text(single.firstField(':')), "abc");
    EXPECT_EQ(single.length(), 0u);
    EncodedString trailing = utf8("a:");
    EXPECT_EQ(text(trailing.firstField(':')), "a");
    EXPECT_EQ(trailing.length(), 0u);
}

TEST(EncodedStringTest, StripHexPrefixOnlyBeforeHexDigits) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {{"0x1F", "1F"}, {"0XaB", "aB"},   {"0x1G", "0x1G"},
                          {"0x", "0x"},   {"1x1F", "1x1F"}, {"0y12", "0y12"}};
    for (const Case& c : cases)
        EXPECT_EQ(text(utf8(c.before).stripHexPrefix()), c.after) << c.before;
}

TEST(EncodedStringTest, CaseInsensitiveComparisonFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(compareCaseInsensitive(utf8("Path"), utf8("PATH")));
    EXPECT_FALSE(compareCaseInsensitive(utf8("Pa"), utf8("PAT")));
    EXPECT_FALSE(compareCaseInsensitive(utf8("[@"), utf8("{`"))) << "neighbours of the letters";
    EXPECT_FALSE(compareCaseInsensitive(utf8("\xC3\xA9"), utf8("\xC3\x89")));
    EXPECT_TRUE(compareCaseInsensitive(nullptr, utf8("")));
    EXPECT_TRUE(compareCaseInsensitive("pATh", utf8("PatH")));
    EXPECT_FALSE(compareCaseInsensitive("Pat", utf8("PATH")));
    EXPECT_FALSE(compareCaseInsensitive("PATHS", utf8("PATH")));
    EXPECT_FALSE(compareCaseInsensitive("a", utf8(std::string("a\0b", 3))))
        << "the end of the text is not a zero byte of the string";
}

TEST(EncodedStringTest, CompareStringsIsExactOnlyWhenAsked) {
    EXPECT_TRUE(compareStrings(utf8("Help"), utf8("HELP"), 0));
    EXPECT_FALSE(compareStrings(utf8("Help"), utf8("HELP"), 1));
    EXPECT_TRUE(compareStrings(utf8("HELP"), utf8("HELP"), 1));
    EXPECT_TRUE(compareStrings("Help", utf8("HELP"), 0));
    EXPECT_FALSE(compareStrings("Help", utf8("HELP"), 1));
    EXPECT_TRUE(compareStrings("HELP", utf8("HELP"), 1));
    EXPECT_TRUE(compareStrings(nullptr, utf8(""), 1));
}

TEST(EncodedStringTest, EqualityOperatorsReturnOneOrZero) {
    EXPECT_EQ(utf8("ab") == utf8("ab"), 1);
    EXPECT_EQ(utf8("ab") != utf8("ab"), 0);
    EXPECT_EQ(utf8("ab") != utf8("ac"), 1);
    EXPECT_EQ(utf8("ac") != utf8("ab"), 1) << "not the sign of a byte difference";
    EXPECT_EQ(utf8("ab") != utf8("abc"), 1);
}

TEST(EncodedStringTest, WideTextArrivesAsUtf8) {
    const wchar_t wide[] = {L'a', 0xE9, 0x20AC, 0};
    EXPECT_EQ(text(EncodedString(wide)), "a\xC3\xA9\xE2\x82\xAC");
    EncodedString assigned;
    assigned = CharString(wide);
    EXPECT_EQ(text(assigned), "a\xC3\xA9\xE2\x82\xAC");
    assigned = L"x";
    assigned += CharString(L"y");
    assigned += utf8("z");
    EXPECT_EQ(text(assigned + utf8("!")), "xyz!");
}

TEST(EncodedStringTest, FromCodesetConvertsNamedCodeSetsAndTakesTheRestAsNative) {
    EXPECT_EQ(text(fromCodeset("\xE9t\xE9", "ISO-8859-1")), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(text(fromCodeset("\xC3\xA9", "UTF-8")), "\xC3\xA9");
    EXPECT_EQ(text(fromCodeset("\xA4", "ISO-8859-15")), "\xE2\x82\xAC");
    EXPECT_EQ(text(fromCodeset("a\xE9", "no-such-codeset")), "a?") << "taken as native ASCII";
    EXPECT_EQ(text(fromCodeset("a\xE9", nullptr)), "a?");
    EXPECT_EQ(text(fromCodeset("a\xE9", "")), "a?");
    EXPECT_EQ(fromCodeset("", "ISO-8859-1").length(), 0u);
    EXPECT_EQ(text(fromCodeset("\xFF\xFE", "UTF-8")), "\xFF\xFE") << "UTF-8 is taken as it is";
}

} // namespace
