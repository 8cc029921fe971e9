//===- tests/utilities/strings/UnicodeUtilitiesTest.cpp - UTF-8 codec tests -===//
//
// The UTF-8 codec, built twice: with its SSE2 blocks and with the plain fallback. Every
// form and every kind of bad byte follows ASCII runs of every length around the block
// sizes, and is converted into outputs of every size.
//
//===----------------------------------------------------------------------------===//
#include "utilities/strings/UnicodeUtilities.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

/// Bytes, the code units they decode to, and the bytes those units encode to (null: the same
/// bytes).
using Piece = std::tuple<const char*, std::wstring, const char*>;

const Piece pieces[] = {
    // The first and last value of the 2- and 3-byte forms, mixed in one block.
    {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\x7F", L"\x80\x7FF\x800\xFFFF\x7F", nullptr},
    // A surrogate passes as it comes; the 4-byte forms.
    {"\xED\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", L"\xD800\x10000\x10FFFF", nullptr},
    // The largest 5- and 6-byte forms.
    {"\xFB\xBF\xBF\xBF\xBF\xFD\xBF\xBF\xBF\xBF\xBF", L"\x3FFFFFF\x7FFFFFFF", nullptr},
    // An overlong form is decoded as it is. A stray continuation, bytes that start nothing,
    // a lead followed by another lead, a sequence cut short (then its continuation is stray):
    // one '.' a byte.
    {"\xC1\xBF\x80\xFE\xFF\xC3\xE2\x82", L"\x7F......", "\x7F......"},
    {"\xFD\xBF\xBF\xBF\xBF", L".....", "....."}, // cut short by the end of the text
};

/// Converts `in` into outputs of every size up to two more than needed: too small gives
/// 0, and nothing is written past the size given.
template <typename Out, typename In, typename Convert>
void expectEveryOutputSize(const In* in, const std::basic_string<Out>& expected, Convert convert) {
    const std::basic_string<Out> guard(4, Out('#'));
    for (unsigned int size = 0; size <= expected.size() + 2; ++size) {
        std::vector<Out> out(size + guard.size(), Out('#'));
        const unsigned int n = convert(in, out.data(), size);
        ASSERT_EQ(std::basic_string<Out>(out.data() + size, guard.size()), guard) << size;
        ASSERT_EQ(n, size <= expected.size() ? 0 : expected.size() + 1) << size;
        ASSERT_EQ(std::basic_string<Out>(out.data(), n), (expected + Out(0)).substr(0, n)) << size;
    }
}

TEST(UnicodeUtilitiesTest, EveryFormAfterEveryAsciiRunIntoEveryOutputSize) {
    expectEveryOutputSize<wchar_t, char>(nullptr, L"", UnicodeUtilities::utf8toUnicode);
    for (unsigned int run = 0; run <= 34; ++run) {
        for (const auto& [bytes, pieceUnits, encodedOrNull] : pieces) {
            const std::string encoded = encodedOrNull ? encodedOrNull : bytes;
            const std::string ascii(run, static_cast<char>('a' + run % 26));
            const std::wstring wide(ascii.begin(), ascii.end());
            const std::string text = ascii + bytes + ascii + "xyz" + bytes;
            const std::wstring units = wide + pieceUnits + wide + L"xyz" + pieceUnits;
            expectEveryOutputSize(text.c_str(), units, UnicodeUtilities::utf8toUnicode);
            // Units of 0x80000000 and above (negative wchar_t) have no form: skipped.
            const wchar_t noForm = static_cast<wchar_t>(run % 2 ? 0xFFFFFFFFu : 0x80000000u);
            expectEveryOutputSize((units + noForm + wide).c_str(),
                                  ascii + encoded + ascii + "xyz" + encoded + ascii,
                                  UnicodeUtilities::unicodeToUTF8);
        }
    }
}

} // namespace
