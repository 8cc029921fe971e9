//===- fuzz/CharStringFuzzer.cpp - Wide strings: tokens, quoting, numbers -*- C++ -*-===//
//
// Fuzz target char_string: the CharString tokenizers, quoting, number readers and
// matchLength. The input picks one to three delimiters, a comparison mode, a number and a
// second text, then gives the text: ASCII bytes stand for themselves, other bytes for code
// units that stress the conversions.
// Properties: firstToken gives the text after the leading delimiters up to the next one,
// call after call, and so does firstQuotedToken without quotes and backslashes; a quoted
// text comes back whole from firstQuotedToken; toNumeric reads what strtoll and strtoull read
// from the text's UTF-8 form, where the number fits.
//
//===----------------------------------------------------------------------------===//
#include "fuzz/FuzzSupport.h"

#include "utilities/strings/CharString.h"

template <typename T> // 1 when toNumeric agrees with strtoll or strtoull
static int agrees(const CharString& units, const S& utf8) {
    T value{};
    const bool whole = units.toNumeric(value);
    const auto [found, all, fits, number, end] = reading<T>(utf8.c_str());
    return found ? !fits || (whole == all && value == T(number)) : !whole;
}

static CharString spell(const S& bytes) {
    static const W special = L"\u00A0\u00E9\u2003\uFF10\U0001F600\U0010FFFF\x7FFFFFFF\u3000\xD800"
                             L"\u00B2\x80000000\xFFFFFFFF\u0660\u0100\u07FF\u0800";
    W units;
    for (const char c : bytes)
        units += c >= 0 ? c : special[c & 15];
    return CharString(units.data(), units.size());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    W delimiters;
    for (int count = input.ConsumeIntegralInRange(1, 3); count > 0; --count)
        delimiters += L" ,=/\t\u00A0\"\\"[input.ConsumeIntegralInRange(0, 7)];
    const int exact = input.ConsumeBool();
    const long long number = input.ConsumeIntegral<long long>();
    const CharString other = spell(input.ConsumeRandomLengthString(16));
    const CharString wide = spell(input.ConsumeRemainingBytesAsString());
    const W units = text(wide), d = delimiters;
    CharString plain(wide), quoted(wide), tail(wide.quoted());
    for (W before = units; !before.empty(); before = text(plain)) {
        const std::size_t start = std::min(before.find_first_not_of(d), before.size());
        const std::size_t end = std::min(before.find_first_of(d, start), before.size());
        const W token = text(plain.firstToken(d.c_str())) + L'|' + text(plain);
        const W quotedToken = text(quoted.firstQuotedToken(d.c_str())) + L'|' + text(quoted);
        const W rows[][2] = {
            {token, before.substr(start, end - start) + L'|' + before.substr(end)},
            {units.find_first_of(L"\"\\") == W::npos ? quotedToken : token, token}};
        QIM_FUZZ_ROWS(rows, before);
    }
    const bool groups = d.find_first_of(L"\"\\") == W::npos; // no quote is a delimiter
    const W back =
        groups ? text(tail.firstQuotedToken(d.c_str())) + text(tail) : L'"' + units + L'"';
    const S utf8 = text(wide.encoded());
    wide.matchLength(other, exact); // for the sanitizers alone
    const int agreed = agrees<int>(wide, utf8) + agrees<long long>(wide, utf8) +
                       agrees<unsigned int>(wide, utf8) + agrees<unsigned long long>(wide, utf8);
    const W rows[][2] = {{back, L'"' + units + L'"'},
                         {std::to_wstring(agreed), L"4"},
                         {text(CharString().makeFromNumeric(number)), std::to_wstring(number)}};
    QIM_FUZZ_ROWS(rows, units);
    return 0;
}
