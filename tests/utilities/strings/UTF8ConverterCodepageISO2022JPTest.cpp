//===- tests/utilities/strings/UTF8ConverterCodepageISO2022JPTest.cpp - ISO-2022-JP -===//
//
// The process-wide converter with QIM_DBG_CODEPAGE=ISO-2022-JP, a stateful code page
// whose escape sequences make the native form longer than the UTF-8 one.
//
//===----------------------------------------------------------------------------===//
#include "tests/utilities/strings/UTF8ConverterTestSupport.h"
#include "utilities/strings/UTF8Converter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::fromNative;
using qimtest::toNative;

/// "日本語" in UTF-8 and in ISO-2022-JP, which must end by shifting back to ASCII.
const std::string nihongo = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const std::string nihongoNative = "\x1B$BF|K\\8l\x1B(B";

TEST(UTF8ConverterISO2022JPTest, NativeFormLongerThanTheInputIsComplete) {
    // Twelve native bytes from nine UTF-8 bytes; the closing escape comes from the flush.
    EXPECT_STREQ(UTF8Converter::instance().nativeCodeset(), "ISO-2022-JP");
    EXPECT_EQ(toNative(nihongo), nihongoNative);
    EXPECT_EQ(fromNative(nihongoNative), nihongo);
}

TEST(UTF8ConverterISO2022JPTest, LongMixedTextRoundTrips) {
    // Every switch between Japanese and ASCII costs an escape sequence of three bytes.
    std::string utf8;
    for (int i = 0; i < 3000; ++i)
        utf8 += nihongo + "ab";
    const std::string native = toNative(utf8);
    EXPECT_GT(native.size(), utf8.size());
    EXPECT_EQ(fromNative(native), utf8);
}

} // namespace
