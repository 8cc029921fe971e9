//===- tests/utilities/strings/UTF8ConverterCodepageUTF7Test.cpp - UTF-7 --===//
//
// The process-wide converter with QIM_DBG_CODEPAGE=UTF-7, a stateful code page whose
// native form is longer than the UTF-8 one.
//
//===----------------------------------------------------------------------------===//
#include "tests/utilities/strings/UTF8ConverterTestSupport.h"
#include "utilities/strings/UTF8Converter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::fromNative;
using qimtest::toNative;

TEST(UTF8ConverterUTF7Test, NativeFormLongerThanTheInputIsComplete) {
    // Five native bytes from two UTF-8 bytes: an output sized by the input is too small,
    // and the final base64 group comes only from the closing flush.
    EXPECT_STREQ(UTF8Converter::instance().nativeCodeset(), "UTF-7");
    EXPECT_EQ(toNative("\xC3\xA9"), "+AOk-");
    EXPECT_EQ(fromNative("+AOk-"), "\xC3\xA9");
}

TEST(UTF8ConverterUTF7Test, LongTextRoundTrips) {
    std::string utf8;
    for (int i = 0; i < 5000; ++i)
        utf8 += i % 7 == 0 ? "x" : "\xC3\xA9";
    const std::string native = toNative(utf8);
    EXPECT_GT(native.size(), utf8.size());
    EXPECT_EQ(fromNative(native), utf8);
}

} // namespace
