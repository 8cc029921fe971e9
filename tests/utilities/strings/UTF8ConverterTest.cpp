//===- tests/utilities/strings/UTF8ConverterTest.cpp - iconvDebug, fallbacks -===//
//
// iconvDebug and the ASCII fallbacks, in a process whose locale code set is the C one.
// The converters for other native code pages have test programs of their own.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UTF8Converter.h"
#include "tests/utilities/strings/UTF8ConverterTestSupport.h"
#include "utilities/strings/IconvDescriptor.h"

#include <gtest/gtest.h>

#include <langinfo.h>
#include <string>
#include <vector>

namespace {

using qimtest::fromNative;
using qimtest::toNative;

/// Runs iconvDebug into an output of `outSize` bytes; the result holds what it produced.
std::string iconvDebugInto(iconv_t cd, const std::string& in, std::size_t outSize) {
    std::vector<char> out(outSize);
    const std::size_t n = iconvDebug(cd, in.data(), in.size(), out.data(), outSize);
    return std::string(out.data(), n);
}

TEST(UTF8ConverterTest, WithoutDescriptorsBothDirectionsFallBackToAscii) {
    // A signed-char test would take é's bytes for ASCII and copy them.
    UTF8Converter converter("no-such-codeset");
    EXPECT_FALSE(converter.hasToNative());
    EXPECT_FALSE(converter.hasFromNative());
    EXPECT_STREQ(converter.nativeCodeset(), "no-such-codeset");
    EXPECT_EQ(toNative("\xC3\xA9"
                       "a",
                       converter),
              "?a");
    EXPECT_EQ(toNative("\xE2\x82\xAC\xF0\x9F\x98\x80"
                       "b\x80",
                       converter),
              "??b");
    EXPECT_EQ(fromNative("\xE9", converter), "?");
    EXPECT_EQ(fromNative("\x80x\xFF", converter), "?x?");
    // The result ends at the first zero byte; an empty input gives the empty string.
    EXPECT_EQ(toNative(std::string("a\0\xC3\xA9", 4), converter), "a");
    EXPECT_EQ(fromNative(std::string("b\0c", 3), converter), "b");
    EXPECT_EQ(converter.toNative("x", 0).length(), 0u);
}

TEST(UTF8ConverterTest, LocaleCodeSetIsUsedWhenNoCodePageIsNamed) {
    const UTF8Converter& converter = UTF8Converter::instance();
    EXPECT_STREQ(converter.nativeCodeset(), nl_langinfo(CODESET));
    ASSERT_TRUE(converter.hasToNative());
    // Through iconv, each rejected byte of é becomes '?' (the fallback would give one).
    EXPECT_EQ(toNative("\xC3\xA9x"), "??x");
    EXPECT_EQ(fromNative("\xE9y"), "?y");
}

TEST(UTF8ConverterTest, IconvDebugWritesOneQuestionMarkPerRejectedByte) {
    IconvDescriptor latin1("ISO-8859-1", "UTF-8");
    ASSERT_TRUE(latin1.isOpen());
    EXPECT_EQ(iconvDebugInto(latin1.get(), "\xE2\x82\xAC", 16), "???");
    EXPECT_EQ(iconvDebugInto(latin1.get(),
                             "a\xC3\xA9\xE2\x82\xAC"
                             "b\xC3",
                             16),
              "a\xE9???b?");
}

TEST(UTF8ConverterTest, IconvDebugNeverWritesPastItsOutput) {
    // Each output size cuts the text at another point: in a character, at a '?', at the
    // end. Guard bytes after the output must stay untouched and the terminator in place.
    IconvDescriptor latin1("ISO-8859-1", "UTF-8");
    ASSERT_TRUE(latin1.isOpen());
    const std::string in = "a\xE2\x82\xAC\xC3\xA9"
                           "bc";
    const std::string full = "a???\xE9"
                             "bc";
    for (std::size_t outSize = 0; outSize <= full.size() + 2; ++outSize) {
        std::vector<char> out(outSize + 4, '#');
        const std::size_t n = iconvDebug(latin1.get(), in.data(), in.size(), out.data(), outSize);
        const std::size_t room = outSize == 0 ? 0 : outSize - 1;
        EXPECT_EQ(std::string(out.data(), n), full.substr(0, room)) << outSize;
        if (outSize > 0) {
            EXPECT_EQ(out[n], '\0') << outSize;
        }
        EXPECT_EQ(std::string(out.data() + outSize, 4), "####") << outSize;
    }
}

TEST(UTF8ConverterTest, IconvDebugEndsStatefulOutputInTheInitialState) {
    // Without the closing flush UTF-7 loses é's last base64 group; without the reset a
    // conversion cut short leaves its shift state to the next one.
    IconvDescriptor utf7("UTF-7", "UTF-8");
    ASSERT_TRUE(utf7.isOpen());
    EXPECT_EQ(iconvDebugInto(utf7.get(), "\xC3\xA9", 16), "+AOk-");
    EXPECT_EQ(iconvDebugInto(utf7.get(), "\xC3\xA9\xC3\xA9", 4), "+AO");
    EXPECT_EQ(iconvDebugInto(utf7.get(), "a", 16), "a");
}

} // namespace
