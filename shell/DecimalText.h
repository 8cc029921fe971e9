//===- shell/DecimalText.h - Reading decimal integers from text -*- C++ -*-===//
//
// Command-line values and record texts carry integers as decimal text, read the way
// scanf's "%d" reads them: white space skipped, an optional sign, then digits. Text from
// the command line or from a queue is not trusted, so a number that does not fit an int is
// refused rather than wrapped.
//
//   const char* cursor = "12 34";
//   int first, second;
//   if (readDecimal(cursor, first) && readDecimal(cursor, second)) ...
//
//===----------------------------------------------------------------------------===//
#ifndef QIM_SHELL_DECIMALTEXT_H
#define QIM_SHELL_DECIMALTEXT_H

/// Reads one decimal integer at `cursor`. On success stores it in `value`, moves `cursor`
/// past its last digit and returns true; otherwise (no digits, or a number outside the
/// range of int) leaves both alone and returns false.
bool readDecimal(const char*& cursor, int& value);

#endif
