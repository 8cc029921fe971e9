//===- utilities/strings/AsciiCase.h - ASCII-only case mapping ------*- C++ -*-===//
//
// Case mapping of the 26 ASCII letters alone, for code units of any width (bytes, wide
// characters). Keywords, encoding names and catalog directory names compare and fold this
// way: the locale's own case rules must not decide them, and a unit outside ASCII is
// never changed.
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_STRINGS_ASCIICASE_H
#define QIM_UTILITIES_STRINGS_ASCIICASE_H

/// The lower-case form of an ASCII capital; every other unit unchanged.
template <typename Unit>
constexpr Unit toLowerAscii(Unit c) {
    return c >= Unit('A') && c <= Unit('Z') ? Unit(c - 'A' + 'a') : c;
}

/// The capital of an ASCII lower-case letter; every other unit unchanged.
template <typename Unit>
constexpr Unit toUpperAscii(Unit c) {
    return c >= Unit('a') && c <= Unit('z') ? Unit(c - 'a' + 'A') : c;
}

#endif
