//===- tests/utilities/strings/ByteStringTest.cpp -------------------------===//
#include "utilities/strings/ByteString.h"

#include "utilities/strings/StringPoolManager.h"

#include "tests/support/StringText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qimtest::text;

ByteString bytes(const std::string& text) {
    return ByteString(reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<unsigned int>(text.size()));
}

TEST(ByteStringTest, ThreePartConstructorConcatenatesUpToTheFirstAbsentPart) {
    EXPECT_EQ(text(ByteString("ab", 2, "cd", 2, nullptr, 0)), "abcd");
    EXPECT_EQ(text(ByteString("ab", 2, "cd", 2, "e", 1)), "abcde");
    EXPECT_EQ(text(ByteString("", 0, "cd", 2, "e", 1)), "cde");
    ByteString none(nullptr, 0, nullptr, 0, nullptr, 0);
    EXPECT_EQ(none.length(), 0u);
    EXPECT_EQ(none.buffer(), ByteString::nullString());
    // A null part stops the copying; the bytes counted for it and after it are zero,
    // never whatever the pool block held before.
    EXPECT_EQ(text(ByteString("ab", 2, nullptr, 2, "cd", 2)), std::string("ab\0\0\0\0", 6));
}

TEST(ByteStringTest, FirstTokenConsumesTheDelimitersAfterTheToken) {
    ByteString line = bytes(" ab  cd");
    EXPECT_EQ(text(line.firstToken(" ")), "ab");
    EXPECT_EQ(text(line), "cd");
    EXPECT_EQ(text(line.firstToken(" ")), "cd");
    EXPECT_EQ(line.length(), 0u);
    EXPECT_EQ(text(line.firstToken(" ")), "");
    EXPECT_EQ(line.length(), 0u);
}

TEST(ByteStringTest, FirstTokenHandlesEveryDelimiterInTheSet) {
    struct Case {
        const char* input;
        const char* token;
        const char* rest;
    };
    const Case cases[] = {
        {",;,", "", ""},
        {"abc", "abc", ""},
        {"a,b;c", "a", "b;c"},
        {";,a;;,b", "a", "b"},
        {"a;", "a", ""},
        {"", "", ""},
        {"\xE9t\xE9;x", "\xE9t\xE9", "x"},
    };
    for (const Case& c : cases) {
        ByteString line = bytes(c.input);
        EXPECT_EQ(text(line.firstToken(",;")), c.token) << c.input;
        EXPECT_EQ(text(line), c.rest) << c.input;
    }
}

TEST(ByteStringTest, ZeroByteIsNotADelimiter) {
    ByteString line = bytes(std::string("a\0b c", 5));
    EXPECT_EQ(text(line.firstToken(" ")), std::string("a\0b", 3));
    EXPECT_EQ(text(line), "c");
}

TEST(ByteStringTest, StripsRemoveRunsAtEitherEnd) {
    EXPECT_EQ(text(bytes("ab  ").stripTrailing(' ')), "ab");
    EXPECT_EQ(text(bytes("  ab").stripLeading(' ')), "ab");
    EXPECT_EQ(text(bytes("ab").stripLeading(' ')), "ab");
    ByteString blanks = bytes("    ");
    blanks.stripTrailing(' ');
    EXPECT_EQ(blanks.length(), 0u);
    EXPECT_EQ(blanks.buffer(), ByteString::nullString());
    EXPECT_EQ(text(bytes("\xFF\xFFx\xFF").stripLeading(0xFF).stripTrailing(0xFF)), "x");
}

TEST(ByteStringTest, StrippedBlockIsKeptThenGoesBackUnderTheShorterSize) {
    StringPoolManager& pools = StringPoolManager::instance();
    ByteString padded = bytes("abc" + std::string(44, ' ')); // 47 bytes: 48-byte class
    const unsigned int freeSmallest = pools.freeBlockCount(4);
    const unsigned int free48 = pools.freeBlockCount(48);
    unsigned char* block = padded.buffer();
    padded.stripTrailing(' ');
    EXPECT_EQ(padded.buffer(), block) << "stripping keeps the block";
    EXPECT_EQ(padded.buffer()[3], 0) << "terminator after the new end";
    { ByteString owner(std::move(padded)); }
    EXPECT_EQ(pools.freeBlockCount(48), free48);
    EXPECT_EQ(pools.freeBlockCount(4), freeSmallest + 1);
    void* reused = pools.getBuffer(4);
    EXPECT_EQ(reused, block);
    pools.freeBuffer(reused, 4);
}

TEST(ByteStringTest, CopiesAndConcatenationOwnTheirBytes) {
    ByteString original = bytes("abc");
    ByteString copy(original);
    original = bytes("xyz");
    EXPECT_EQ(text(copy), "abc");
    EXPECT_EQ(text(copy + original), "abcxyz");
    EXPECT_EQ(text(copy + ByteString()), "abc");
    EXPECT_EQ(text(ByteString(copy, 2)), "bc");
    EXPECT_EQ(text(ByteString(copy, 2, 4, '.')), "bc..");
}

} // namespace
