//===- fuzz/FuzzSupport.h - What every fuzz target shares -*- C++ -*-===//
//
// The property check and the oracles that the targets judge the library by: iconv, and the
// C library's strtoll and strtoull. FuzzSupport.cpp also holds every target's
// LLVMFuzzerInitialize, which pins the process-wide objects before the first input.
//
//   const S rows[][2] = {{actual, expected}, ...};   // a row per property
//   QIM_FUZZ_ROWS(rows, input);
//
// A row whose two values differ prints "==== property violated at <file>:<line>: row <n>",
// the input and both values, and aborts, so that libFuzzer keeps the input.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_FUZZ_FUZZSUPPORT_H
#define QIM_FUZZ_FUZZSUPPORT_H

#include "utilities/strings/ByteString.h"

#include <algorithm>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <memory>
#include <tuple>

using S = std::string;
using W = std::wstring;

/// iconv's conversion of `in` from `from` to `to`, up to the first byte that it rejects, into
/// `out`; the bytes it took (all when it rejected none). `cut` tells whether it stopped at a
/// sequence that the end of `in` cut short.
std::size_t iconvert(const char* from, const char* to, const S& in, S& out, bool* cut = nullptr);

/// Each byte of `bytes` spelled as the piece of `table` that its low four bits pick; the
/// table holds sixteen texts, each ended by '|'.
S spell(const S& bytes, const char* table);

/// A number as it is; a text in quotes, with every unit outside printable ASCII as \<code>;.
template <typename Text>
S shown(const Text& value) {
    S result = "\"";
    if constexpr (std::is_arithmetic<Text>::value)
        return std::to_string(value);
    else
        for (const auto unit : value) {
            const auto code = static_cast<std::make_unsigned_t<decltype(unit)>>(unit);
            result += code >= 32 && code < 127 ? S(1, code) : "\\" + std::to_string(code) + ";";
        }
    return result + "\"";
}

/// The counted contents of the library's strings; ByteString's as char.
template <typename T>
auto text(const StringBuffer<T>& s) {
    using Unit = std::conditional_t<sizeof(T) == 1, char, T>;
    return std::basic_string<Unit>(reinterpret_cast<const Unit*>(s.buffer()), s.length());
}

/// What strtoll (strtoull for an unsigned T) reads at the start of `chars`: whether a number
/// begins them, is all of them and fits T (for an unsigned T, its magnitude does); its value,
/// and where it ends.
template <typename T>
std::tuple<bool, bool, bool, long long, const char*> reading(const char* chars) {
    using Limits = std::numeric_limits<T>;
    char* end = nullptr;
    errno = 0;
    const bool minus = chars[std::strspn(chars, " \t\n\v\f\r")] == '-';
    const long long value = Limits::is_signed
                                ? std::strtoll(chars, &end, 10)
                                : static_cast<long long>(std::strtoull(chars, &end, 10));
    const auto magnitude = minus ? 0 - static_cast<unsigned long long>(value) : value;
    const bool fits = Limits::is_signed ? value >= static_cast<long long>(Limits::min()) &&
                                              value <= static_cast<long long>(Limits::max())
                                        : magnitude <= Limits::max();
    return {end != chars, end != chars && !*end, end != chars && fits && errno != ERANGE, value,
            end};
}

#define QIM_FUZZ_ROWS(rows, input)                                                                 \
    for (const auto& row : rows)                                                                   \
        if (!(row[0] == row[1]))                                                                   \
            std::fprintf(stderr,                                                                   \
                         "\n==== property violated at %s:%d: row %d\n     %s\n     %s, not %s\n",  \
                         __FILE__, __LINE__, int(&row - rows), shown(input).c_str(),               \
                         shown(row[0]).c_str(), shown(row[1]).c_str()),                            \
                std::abort();

#endif
