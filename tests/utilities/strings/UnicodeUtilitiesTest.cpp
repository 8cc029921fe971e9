//===- tests/utilities/strings/UnicodeUtilitiesTest.cpp - UTF-8 codec tests -===//
//
// The UTF-8 codec: decoding with '.' for bad bytes, encoding of all six forms, the room
// checks of both directions, and round trips.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UnicodeUtilities.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

/// Decodes `utf8` into a buffer with room to spare; the result holds the terminator.
std::wstring decode(const std::string& utf8, unsigned int* written = nullptr) {
    std::vector<wchar_t> out(utf8.size() + 2, L'#');
    const unsigned int n = UnicodeUtilities::utf8toUnicode(utf8.c_str(), out.data(),
                                                           static_cast<unsigned int>(out.size()));
    if (written != nullptr)
        *written = n;
    return n == 0 ? std::wstring(L"<0>") : std::wstring(out.data(), n);
}

/// Encodes `wide` into a buffer with room to spare; the result holds the terminator.
std::string encode(const std::wstring& wide) {
    std::vector<char> out(6 * wide.size() + 2, '#');
    const unsigned int n = UnicodeUtilities::unicodeToUTF8(wide.c_str(), out.data(),
                                                           static_cast<unsigned int>(out.size()));
    return n == 0 ? std::string("<0>") : std::string(out.data(), n);
}

TEST(UnicodeUtilitiesTest, DecodesEveryFormAndMarksEachBadByteWithADot) {
    // Bytes of 0x80 and above must be read unsigned, and a bad byte must cost exactly one
    // '.', with decoding resuming at the next byte.
    struct Case {
        const char* utf8;
        std::wstring expected; // terminator included
    };
    const Case cases[] = {
        {"", std::wstring(1, L'\0')},
        {"\xC3\xA9", std::wstring(L"\xE9") + L'\0'},
        {"A\xC3"
         "B",
         std::wstring(L"A.B") + L'\0'},
        {"\xE2\x82\xAC", std::wstring(L"\x20AC") + L'\0'},
        {"\xF0\x9F\x98\x80", std::wstring(L"\x1F600") + L'\0'},
        {"\xF8\x88\x80\x80\x80", std::wstring(L"\x200000") + L'\0'},
        {"\xFD\xBF\xBF\xBF\xBF\xBF", std::wstring(L"\x7FFFFFFF") + L'\0'},
        {"\xC0\x80"
         "a",
         std::wstring(1, L'\0') + L"a" + L'\0'}, // overlong: decoded as is
        {"\x80"
         "a\xBF",
         std::wstring(L".a.") + L'\0'}, // stray continuations
        {"\xFE\xFF"
         "b",
         std::wstring(L"..b") + L'\0'},
        {"\xE2\x82", std::wstring(L"..") + L'\0'}, // cut short by the terminator
        {"\xFD\xBF\xBF\xBF\xBF", std::wstring(L".....") + L'\0'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decode(c.utf8), c.expected) << c.utf8;
    unsigned int written = 0;
    decode("A\xC3"
           "B",
           &written);
    EXPECT_EQ(written, 4u);
}

TEST(UnicodeUtilitiesTest, DecodingKeepsTheLastSlotForTheTerminator) {
    wchar_t out[5] = {L'#', L'#', L'#', L'#', L'#'};
    EXPECT_EQ(UnicodeUtilities::utf8toUnicode("abc", out, 3), 0u);
    EXPECT_EQ(out[3], L'#') << "wrote past outCount";
    EXPECT_EQ(UnicodeUtilities::utf8toUnicode("abc", out, 4), 4u);
    EXPECT_EQ(std::wstring(out, 4), std::wstring(L"abc") + L'\0');
    EXPECT_EQ(UnicodeUtilities::utf8toUnicode(nullptr, out, 1), 1u);
    EXPECT_EQ(out[0], L'\0');
    out[0] = L'#';
    EXPECT_EQ(UnicodeUtilities::utf8toUnicode("", out, 0), 0u);
    EXPECT_EQ(out[0], L'#') << "wrote a terminator into an output of no slots";
}

TEST(UnicodeUtilitiesTest, EncodesEveryFormAndSkipsUnitsWithoutOne) {
    // 0x80000000 is negative as a wchar_t here: a signed comparison would encode it.
    struct Case {
        std::wstring wide;
        std::string expected; // terminator included
    };
    const Case cases[] = {
        {L"", std::string(1, '\0')},
        {L"A\x7F", std::string("A\x7F", 3)},
        {L"\xE9", std::string("\xC3\xA9", 3)},
        {L"\x20AC", std::string("\xE2\x82\xAC", 4)},
        {L"\x10FFFF", std::string("\xF4\x8F\xBF\xBF", 5)},
        {L"\x3FFFFFF", std::string("\xFB\xBF\xBF\xBF\xBF", 6)},
        {L"\x7FFFFFFF", std::string("\xFD\xBF\xBF\xBF\xBF\xBF", 7)},
        {std::wstring(1, static_cast<wchar_t>(0x80000000u)) + L"a", std::string("a", 2)},
        {std::wstring(1, static_cast<wchar_t>(0xFFFFFFFFu)), std::string(1, '\0')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(encode(c.wide), c.expected) << std::hex << static_cast<unsigned>(c.wide[0]);
}

TEST(UnicodeUtilitiesTest, EncodingNeedsRoomForTheWholeSequenceAndTheTerminator) {
    char out[5] = {'#', '#', '#', '#', '#'};
    EXPECT_EQ(UnicodeUtilities::unicodeToUTF8(L"\x20AC", out, 3), 0u);
    EXPECT_EQ(out[3], '#') << "wrote past outSize";
    EXPECT_EQ(UnicodeUtilities::unicodeToUTF8(L"\x20AC", out, 4), 4u);
    EXPECT_EQ(UnicodeUtilities::unicodeToUTF8(L"", out, 0), 0u);
    EXPECT_EQ(UnicodeUtilities::unicodeToUTF8(L"", out, 1), 1u);
}

TEST(UnicodeUtilitiesTest, LongTextOfEveryFormRoundTrips) {
    // Includes the 5- and 6-byte forms, so no range is lost on the way back.
    const wchar_t samples[] = {L'a', 0xE9, 0x20AC, 0x1F600, 0x200000, 0x7FFFFFFF};
    std::wstring wide;
    for (int i = 0; i < 30000; ++i)
        wide += samples[i % 6];
    const std::string utf8 = encode(wide);
    ASSERT_EQ(utf8.size(), 5000u * (1 + 2 + 3 + 4 + 5 + 6) + 1);
    // Compared as a whole: a mismatch would print tens of thousands of characters.
    EXPECT_TRUE(decode(utf8.substr(0, utf8.size() - 1)) == wide + L'\0');
}

/// The decoding rules one byte at a time, without the block path: the oracle for it.
std::wstring decodeByTheRules(const std::string& utf8) {
    std::wstring wide;
    const auto byte = [&utf8](std::size_t i) {
        return i < utf8.size() ? static_cast<unsigned char>(utf8[i]) : 0u;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned int lead = byte(i);
        const unsigned int extra = lead < 0x80 ? 0 : UnicodeUtilities::sequenceLength(lead) - 1;
        unsigned int value = lead < 0x80 ? lead : lead & (0x7Fu >> (extra + 1));
        bool complete = lead < 0x80 || UnicodeUtilities::sequenceLength(lead) != 0;
        for (unsigned int k = 1; complete && k <= extra; ++k) {
            complete = (byte(i + k) & 0xC0) == 0x80;
            value = value << 6 | (byte(i + k) & 0x3F);
        }
        wide += complete ? static_cast<wchar_t>(value) : L'.';
        i += complete ? extra + 1 : 1;
    }
    return wide;
}

/// The encoding table one code unit at a time, without the block path: the oracle for it.
std::string encodeByTheRules(const std::wstring& wide) {
    static const unsigned int limits[] = {0x80, 0x800, 0x10000, 0x200000, 0x4000000, 0x80000000};
    static const unsigned int leadMarks[] = {0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    std::string utf8;
    for (const wchar_t unit : wide) {
        const unsigned int value = static_cast<unsigned int>(unit);
        unsigned int extra = 0;
        while (extra < 6 && value >= limits[extra])
            ++extra;
        if (extra == 6)
            continue; // no form
        utf8 += static_cast<char>(leadMarks[extra] | value >> (6 * extra));
        for (unsigned int k = extra; k-- > 0;)
            utf8 += static_cast<char>(0x80 | ((value >> (6 * k)) & 0x3F));
    }
    return utf8;
}

/// Text whose ASCII runs end on every position around the block sizes, mixed with every
/// form, bad bytes and cut sequences.
std::vector<std::string> textsAroundBlockEdges() {
    const std::string others[] = {
        "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",        "\x80", "\xC3",
        "\xE2\x82", "\xFF",         "\xFC\x84\x80\x80\x80\x80"};
    std::vector<std::string> texts;
    for (std::size_t run = 0; run <= 34; ++run) {
        for (const std::string& other : others) {
            const std::string ascii(run, static_cast<char>('a' + run % 26));
            texts.push_back(ascii + other + ascii + "xyz" + other);
        }
    }
    return texts;
}

// The ASCII blocks must end exactly where the run ends, and must not write past the room
// or count a block that does not fit: every text is decoded into every output size.
TEST(UnicodeUtilitiesTest, DecodingAgreesWithTheRulesAtEveryRunLengthAndOutputSize) {
    for (const std::string& text : textsAroundBlockEdges()) {
        const std::wstring expected = decodeByTheRules(text) + L'\0';
        for (unsigned int outCount = 0; outCount <= expected.size() + 1; ++outCount) {
            std::vector<wchar_t> out(outCount + 1, L'#');
            const unsigned int n =
                UnicodeUtilities::utf8toUnicode(text.c_str(), out.data(), outCount);
            ASSERT_EQ(out[outCount], L'#') << "wrote past outCount " << outCount;
            if (outCount < expected.size()) {
                ASSERT_EQ(n, 0u) << "outCount " << outCount;
                continue;
            }
            ASSERT_EQ(n, expected.size()) << "outCount " << outCount;
            ASSERT_TRUE(std::wstring(out.data(), n) == expected) << text.size() << "-byte text";
        }
    }
}

TEST(UnicodeUtilitiesTest, EncodingAgreesWithTheRulesAtEveryRunLengthAndOutputSize) {
    for (const std::string& text : textsAroundBlockEdges()) {
        const std::wstring wide = decodeByTheRules(text);
        const std::string expected = encodeByTheRules(wide) + '\0';
        for (unsigned int outSize = 0; outSize <= expected.size() + 1; ++outSize) {
            std::vector<char> out(outSize + 1, '#');
            const unsigned int n =
                UnicodeUtilities::unicodeToUTF8(wide.c_str(), out.data(), outSize);
            ASSERT_EQ(out[outSize], '#') << "wrote past outSize " << outSize;
            if (outSize < expected.size()) {
                ASSERT_EQ(n, 0u) << "outSize " << outSize;
                continue;
            }
            ASSERT_EQ(n, expected.size()) << "outSize " << outSize;
            ASSERT_EQ(std::string(out.data(), n), expected);
        }
    }
}

} // namespace
