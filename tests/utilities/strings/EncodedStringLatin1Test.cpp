//===- tests/utilities/strings/EncodedStringLatin1Test.cpp ----------------===//
//
// Runs with QIM_DBG_CODEPAGE=ISO-8859-1, so native text is Latin-1.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/EncodedString.h"

#include "utilities/strings/CharString.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using qimtest::text;

TEST(EncodedStringLatin1Test, NativeAndUndecodableTextIsConvertedFromLatin1) {
    EXPECT_EQ(text(EncodedString("\xE9", EncodedString::Detect)), "\xC3\xA9");
    EXPECT_EQ(text(EncodedString("caf\xE9", EncodedString::Native)), "caf\xC3\xA9");
    EXPECT_EQ(text(EncodedString("\xC3\xA9", EncodedString::Detect)), "\xC3\xA9");
    EXPECT_EQ(text(EncodedString("\xC3\xA9", EncodedString::Native)), "\xC3\x83\xC2\xA9")
        << "native bytes are converted even when they look like UTF-8";
}

TEST(EncodedStringLatin1Test, ConvertToNativeAndBackRoundTrips) {
    const EncodedString word("caf\xC3\xA9 \xE2\x82\xAC", EncodedString::UTF8);
    EXPECT_EQ(text(word.convertToNative()), "caf\xE9 ???") << "the euro sign is not Latin-1";
    EncodedString latin1("na\xEFve", EncodedString::UTF8);
    latin1.convertToUTF8();
    EXPECT_EQ(text(latin1), "na\xC3\xAFve");
}

TEST(EncodedStringLatin1Test, EnvironmentValuesAreDecodedFromTheNativeCodePage) {
    ASSERT_EQ(setenv("QIM_TEST_LATIN1_VALUE", "\xE9t\xE9", 1), 0);
    CharString value;
    value.getEnvVar("QIM_TEST_LATIN1_VALUE");
    const wchar_t expected[] = {0xE9, L't', 0xE9, 0};
    EXPECT_EQ(value == CharString(expected), 1);
    unsetenv("QIM_TEST_LATIN1_VALUE");
}

} // namespace
