//===- utilities/settings/DecimalText.h - Decimal integers in text -*- C++ -*-===//
//
// Settings, the shell's command line and its queue records, and the master's options all
// carry integers as decimal text, read the way scanf's "%d" and "%u" read them: C white
// space skipped, an optional sign, then digits. None of those texts is trusted, so the
// reading is done here over counted bytes rather than with sscanf, whose result for a
// number too large for its type is undefined (glibc on a 64-bit host wraps it:
// "4294967296" reads as 0). A number too large is recognised as such instead.
//
//   const DecimalText number = scanDecimal(text, text + length);
//   int value;
//   if (number.whole && number.toInt(value)) ...
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_UTILITIES_SETTINGS_DECIMALTEXT_H
#define QIM_UTILITIES_SETTINGS_DECIMALTEXT_H

#include <cstdint>

/// What a decimal scan sees at the start of a text.
struct DecimalText {
    /// Digits begin the text, after white space and a sign.
    bool found = false;
    /// ...and nothing follows them.
    bool whole = false;
    bool negative = false;
    /// The digits' value exceeds 2^32 - 1; `magnitude` then holds 2^32.
    bool tooLarge = false;
    std::uint64_t magnitude = 0;
    /// Just past the last digit; the start of the text when no digits were found.
    const char* end = nullptr;

    /// The number as an int; false when none was found or it is outside int's range.
    bool toInt(int& value) const;
};

/// Scans the bytes [begin, end) for a decimal integer at their start. A zero byte ends the
/// digits like any other non-digit, so a C string may pass its terminator as `end`.
DecimalText scanDecimal(const char* begin, const char* end);

#endif
