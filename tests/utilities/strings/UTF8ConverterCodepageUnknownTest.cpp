//===- tests/utilities/strings/UTF8ConverterCodepageUnknownTest.cpp - unknown name -===//
//
// The process-wide converter when QIM_DBG_CODEPAGE names a code set iconv does not know.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UTF8Converter.h"

#include <gtest/gtest.h>

#include <langinfo.h>

namespace {

TEST(UTF8ConverterUnknownCodepageTest, FallsBackToTheLocaleCodeSet) {
    // Keeping the unusable name would leave the converter without descriptors.
    const UTF8Converter& converter = UTF8Converter::instance();
    EXPECT_STREQ(converter.nativeCodeset(), nl_langinfo(CODESET));
    EXPECT_TRUE(converter.hasToNative());
    EXPECT_TRUE(converter.hasFromNative());
}

} // namespace
