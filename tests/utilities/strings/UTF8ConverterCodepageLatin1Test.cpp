//===- tests/utilities/strings/UTF8ConverterCodepageLatin1Test.cpp - Latin-1 -===//
//
// The process-wide converter with QIM_DBG_CODEPAGE=ISO-8859-1.
//
//===----------------------------------------------------------------------------===//
#include "tests/utilities/strings/UTF8ConverterTestSupport.h"
#include "utilities/strings/UTF8Converter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::fromNative;
using qimtest::toNative;

TEST(UTF8ConverterLatin1Test, NamedCodePageIsUsedInBothDirections) {
    EXPECT_STREQ(UTF8Converter::instance().nativeCodeset(), "ISO-8859-1");
    EXPECT_EQ(toNative("\xC3\xA9"), "\xE9");
    EXPECT_EQ(fromNative("\xE9"), "\xC3\xA9");
    // A character Latin-1 lacks: one '?' per byte of its UTF-8 form.
    EXPECT_EQ(toNative("a\xE2\x82\xAC"
                       "b"),
              "a???b");
}

TEST(UTF8ConverterLatin1Test, EveryNonZeroByteRoundTrips) {
    // Half of the bytes double in UTF-8; bytes of 0x80 and above must not be cut or lost.
    std::string native;
    for (int byte = 1; byte < 256; ++byte)
        native += static_cast<char>(byte);
    const std::string utf8 = fromNative(native);
    EXPECT_EQ(utf8.size(), 127u + 2 * 128u);
    EXPECT_EQ(toNative(utf8), native);
}

} // namespace
